#include "app/message_box.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

#include "app/translations.h"
#include "base/file_error.h"
#include "image/bmp_messages.h"

namespace lintra {

void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption) {
    const QMessageBox::Icon icon = text == kMsgNotBitmap ? QMessageBox::NoIcon : QMessageBox::Warning;
    QMessageBox box(icon, QString::fromStdString(caption), TrComposed(text), QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText(Tr("确定"));
    box.exec();
}

QString FileErrorText(const FileError& error) {
    return Tr("无法访问文件 %1：%2")
        .arg(QDir::toNativeSeparators(QString::fromStdString(error.path())),
             QString::fromStdString(error.reason()));
}

}  // namespace lintra
