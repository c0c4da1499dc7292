#include "app/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include "app/translations.h"

namespace lintra {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The extension of a filter's first pattern ("*.svg" gives "svg"), empty
// for a pattern that names no single extension.
QString ExtensionOf(const FileFilter& filter) {
    if (filter.patterns.empty()) return {};
    const QString pattern = Q(filter.patterns.front());
    if (!pattern.startsWith(QLatin1String("*.")) || pattern.size() < 3) return {};
    const QString extension = pattern.mid(2);
    return extension.contains(u'*') || extension.contains(u'?') ? QString() : extension;
}

// A save dialog that offers several formats: the filter chosen decides the
// extension, so a name typed without one gets the chosen format's, not the
// first format's, and the overwrite question is asked about that name.
class FormatSaveDialog : public QFileDialog {
public:
    FormatSaveDialog(QWidget* parent, const QString& caption, const FileDialogRequest& request)
        : QFileDialog(parent, caption), m_request(request) {
        connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
            const int index = nameFilters().indexOf(filter);
            // "All files" goes back to the dialog's own default.
            if (index >= 0 && index < static_cast<int>(m_request.filters.size()))
                setDefaultSuffix(ExtensionOf(m_request.filters[static_cast<std::size_t>(index)]));
            else
                setDefaultSuffix(Q(m_request.defaultExtension));
        });
    }

    // path with the extension of the filter chosen now; unchanged under
    // "all files".
    QString WithChosenExtension(const QString& path) const {
        const int index = nameFilters().indexOf(selectedNameFilter());
        return WithFilterExtension(path, m_request.filters, index);
    }

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QString named = WithChosenExtension(files.first());
            if (named != files.first()) selectFile(named);
        }
        QFileDialog::accept();
    }

private:
    FileDialogRequest m_request;
};

}  // namespace

QString WithFilterExtension(const QString& path, const std::vector<FileFilter>& filters, int chosen) {
    if (chosen < 0 || chosen >= static_cast<int>(filters.size())) return path;
    const QString wanted = ExtensionOf(filters[static_cast<std::size_t>(chosen)]);
    if (wanted.isEmpty()) return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (suffix.compare(wanted, Qt::CaseInsensitive) == 0) return path;
    // Another format's extension of the same dialog is replaced; any other
    // ending is kept as part of the name.
    for (const FileFilter& filter : filters) {
        const QString other = ExtensionOf(filter);
        if (!suffix.isEmpty() && !other.isEmpty() && suffix.compare(other, Qt::CaseInsensitive) == 0)
            return path.left(path.size() - suffix.size()) + wanted;
    }
    return path + u'.' + wanted;
}

QStringList ToQtNameFilters(const std::vector<FileFilter>& filters) {
    QStringList result;
    for (const FileFilter& filter : filters) {
        QString description = TrComposed(filter.description).trimmed();
        QStringList patterns;
        for (const std::string& pattern : filter.patterns) {
            QString p = Q(pattern).trimmed();
            for (const QString& variant : {p, p.toUpper(), p.toLower()})
                if (!variant.isEmpty() && !patterns.contains(variant)) patterns.append(variant);
        }
        if (description.isEmpty() || patterns.isEmpty()) continue;
        result.append(description + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return result;
}

std::optional<std::string> FileChooser::ChooseFile(QWidget* owner, const FileDialogRequest& request,
                                                   bool save) {
    // Several formats to save in: the chosen one decides the extension.
    const bool formats = save && request.filters.size() > 1;
    FormatSaveDialog dialog(owner, save ? Tr("另存为") : Tr("打开"), formats ? request : FileDialogRequest{});
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save && !request.confirmOverwrite);
    QStringList filters = ToQtNameFilters(request.filters);
    filters.append(Tr("所有文件 (*)"));
    dialog.setNameFilters(filters);
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(Q(request.defaultExtension));
    QString directory = m_lastDirectory.isEmpty() ? QDir::currentPath() : m_lastDirectory;
    dialog.setDirectory(directory);
    // A wildcard initial name ("*.BMP") only restates the filter.
    QString initial = Q(request.initialName);
    if (!initial.isEmpty() && !initial.contains(u'*') && !initial.contains(u'?')) dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    QString chosen = dialog.selectedFiles().first();
    // A native dialog accepts without the check above.
    if (formats) chosen = dialog.WithChosenExtension(chosen);
    m_lastDirectory = QFileInfo(chosen).absolutePath();
    return QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()).toStdString();
}

std::optional<std::string> FileChooser::ChooseOpenFile(QWidget* owner, const FileDialogRequest& request) {
    if (!m_presetOpenFile.isNull()) {
        QString path = QFileInfo(m_presetOpenFile).absoluteFilePath();
        m_presetOpenFile = QString();
        m_lastDirectory = QFileInfo(path).absolutePath();
        return path.toStdString();
    }
    return ChooseFile(owner, request, false);
}

std::optional<std::string> FileChooser::ChooseSaveFile(QWidget* owner, const FileDialogRequest& request) {
    if (!m_presetSaveFile.isNull()) {
        QString path = QFileInfo(m_presetSaveFile).absoluteFilePath();
        m_presetSaveFile = QString();
        return path.toStdString();
    }
    return ChooseFile(owner, request, true);
}

}  // namespace lintra
