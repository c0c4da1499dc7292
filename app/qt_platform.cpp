#include "app/qt_platform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QWidget>

namespace lintra {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QStringList ToQtNameFilters(const std::string& filter) {
    QStringList parts = Q(filter).split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            QString p = pattern.trimmed();
            for (const QString& variant : {p, p.toUpper(), p.toLower()})
                if (!variant.isEmpty() && !patterns.contains(variant)) patterns.append(variant);
        }
        if (description.isEmpty() || patterns.isEmpty()) continue;
        result.append(description + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return result;
}

void QtPlatform::ShowMessage(const std::string& text, const std::string& caption) {
    if (onMessage) {
        onMessage(Q(text), Q(caption));
        return;
    }
    QMessageBox box(QMessageBox::Warning, Q(caption), Q(text), QMessageBox::Ok, m_window);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

std::optional<std::string> QtPlatform::ChooseFile(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(m_window, save ? QStringLiteral("另存为") : QStringLiteral("打开"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    // Qt asks before overwriting unless told otherwise; the flag only turns it off.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save && (request.flags & kOfnOverwritePrompt) == 0);
    QStringList filters = ToQtNameFilters(request.filter);
    filters.append(QStringLiteral("所有文件 (*)"));
    dialog.setNameFilters(filters);
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(Q(request.defaultExtension));
    QString directory = m_lastDirectory.isEmpty() ? QDir::currentPath() : m_lastDirectory;
    dialog.setDirectory(directory);
    // A wildcard initial name ("*.BMP") only restates the filter.
    QString initial = Q(request.initialName);
    if (!initial.isEmpty() && !initial.contains(u'*') && !initial.contains(u'?')) dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    QString chosen = dialog.selectedFiles().first();
    m_lastDirectory = QFileInfo(chosen).absolutePath();
    return QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()).toStdString();
}

std::optional<std::string> QtPlatform::ChooseOpenFile(const FileDialogRequest& request) {
    if (!m_presetOpenFile.isNull()) {
        QString path = QFileInfo(m_presetOpenFile).absoluteFilePath();
        m_presetOpenFile = QString();
        m_lastDirectory = QFileInfo(path).absolutePath();
        return path.toStdString();
    }
    return ChooseFile(request, false);
}

std::optional<std::string> QtPlatform::ChooseSaveFile(const FileDialogRequest& request) {
    if (!m_presetSaveFile.isNull()) {
        QString path = QFileInfo(m_presetSaveFile).absoluteFilePath();
        m_presetSaveFile = QString();
        return path.toStdString();
    }
    return ChooseFile(request, true);
}

void QtPlatform::InvalidateView() {
    if (onInvalidate) onInvalidate();
}

void QtPlatform::SetBusy(bool busy) {
    if (busy) {
        if (m_busyDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        if (--m_busyDepth == 0) QApplication::restoreOverrideCursor();
    }
}

void QtPlatform::SetDocumentTitle(const std::string& title) {
    if (onTitle) onTitle(Q(title));
}

std::string QtPlatform::TempDirectory() { return QDir::tempPath().toStdString(); }

std::string QtPlatform::ProgramDirectory() {
    if (!m_programDirectory.isEmpty()) return m_programDirectory.toStdString();
    return QCoreApplication::applicationDirPath().toStdString();
}

ConverterOutcome QtPlatform::RunConverter(const std::string& program, const std::vector<std::string>& args,
                                          std::chrono::milliseconds timeout) {
    QStringList arguments;
    for (const std::string& arg : args) arguments.append(Q(arg));
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(Q(program), arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(static_cast<int>(timeout.count()))) return ConverterOutcome::FailedToStart;
    if (!process.waitForFinished(static_cast<int>(timeout.count()))) {
        process.kill();
        process.waitForFinished(1000);
        return ConverterOutcome::TimedOut;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return ConverterOutcome::Failed;
    return ConverterOutcome::Succeeded;
}

void QtPlatform::OpenParamDialog() {
    if (onOpenParamDialog) onOpenParamDialog();
}

void QtPlatform::ReportFileError(const FileError& error) {
    QString text = QStringLiteral("无法访问文件 %1：%2").arg(QDir::toNativeSeparators(Q(error.path())), Q(error.reason()));
    ShowMessage(text.toStdString(), kAppTitle);
}

}  // namespace lintra
