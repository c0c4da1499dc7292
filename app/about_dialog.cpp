#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <tuple>

#include "app/app_title.h"
#include "app/dialog_units.h"
#include "app/icons.h"
#include "app/translations.h"

namespace lintra {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Tr("关于") + AppTitle());
    setObjectName(QStringLiteral("aboutDialog"));
    QFont dialogFont = font();
    dialogFont.setPointSize(9);
    setFont(dialogFont);
    const DialogUnits du(dialogFont);

    auto place = [&](QWidget* widget, QRect rect) {
        widget->setGeometry(rect);
        return widget;
    };
    auto text = [&](const QString& s, int x, int y, int w, const char* name) {
        auto* label = new QLabel(s, this);
        label->setObjectName(QLatin1String(name));
        QRect rect = du.Rect(x, y, w, 8);
        rect.setWidth(qMax(rect.width(), label->sizeHint().width()));
        rect.setHeight(qMax(rect.height(), label->sizeHint().height()));
        return place(label, rect);
    };

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(AppIcon().pixmap(32, 32));
    place(icon, QRect(du.X(16), du.Y(20), 32, 32));

    text(AppTitle() + QStringLiteral(" 1.0.1"), 43, 16, 88, "name");
    text(Tr("更新时间:2008.1.27"), 42, 30, 88, "date");

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(AboutPicture());
    place(picture, QRect(du.X(35), du.Y(52), AboutPicture().width(), AboutPicture().height()));

    // The values start where the template puts them, or after the widest
    // label when a translation makes the labels longer than their slots.
    int labelsRight = 0;
    for (auto [label, y, name] : {std::tuple{"作者", 52, "authorLabel"}, std::tuple{"主页", 61, "homeLabel"},
                                  std::tuple{"邮箱", 70, "mailLabel"}})
        labelsRight = qMax(labelsRight, text(Tr(label), 77, y, 20, name)->geometry().right());
    const int valueLeft = qMax(du.X(98), labelsRight + 1 + du.X(3));
    for (auto [value, y, name] :
         {std::tuple{"Lintra 项目组", 52, "author"}, std::tuple{"见随程序附带的 README.md", 61, "home"},
          std::tuple{"未提供", 70, "mail"}}) {
        QWidget* label = text(Tr(value), 98, y, 100, name);
        label->move(valueLeft, label->y());
    }

    auto* ok = new QPushButton(Tr("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    place(ok, du.Rect(137, 18, 50, 16));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The labels may be wider than the template where the CJK font is
    // wider than the template's font: grow the box rather than clip them.
    QRect bounds = du.Rect(0, 0, 203, 99);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        bounds = bounds.united(child->geometry().adjusted(0, 0, du.X(6), du.Y(4)));
    setFixedSize(bounds.size());
}

}  // namespace lintra
