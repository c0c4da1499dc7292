// The file dialogs of the desktop program.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "docview/user_interface.h"

class QWidget;

namespace lintra {

// Turns a file dialog's type list into Qt name filters
// ("位图文件(*.BMP) (*.BMP *.bmp)"). Patterns match either case, since Linux
// file names are case-sensitive and scans come as .bmp and .BMP.
QStringList ToQtNameFilters(const std::vector<FileFilter>& filters);

// path with the extension of filters[chosen] ("*.svg"): kept when it has
// it, put in place of another filter's extension, otherwise added. Any
// other chosen filter (none, "all files", one without a single extension)
// leaves path as it is.
QString WithFilterExtension(const QString& path, const std::vector<FileFilter>& filters, int chosen);

// The open and save dialogs, owned by a window: the type lists with either
// case of each extension, the directory of the last choice, and the save
// dialog's extension that follows the chosen format.
class FileChooser {
public:
    // The next ChooseOpenFile returns path without showing a dialog: the
    // command line and the recent-file entries open through the Open
    // command itself.
    void PresetOpenFile(const QString& path) { m_presetOpenFile = path; }
    // Likewise for the next ChooseSaveFile (the tests save without a dialog).
    void PresetSaveFile(const QString& path) { m_presetSaveFile = path; }

    // The full path chosen, or nothing on Cancel.
    std::optional<std::string> ChooseOpenFile(QWidget* owner, const FileDialogRequest& request);
    std::optional<std::string> ChooseSaveFile(QWidget* owner, const FileDialogRequest& request);

private:
    std::optional<std::string> ChooseFile(QWidget* owner, const FileDialogRequest& request, bool save);

    QString m_presetOpenFile;
    QString m_presetSaveFile;
    QString m_lastDirectory;
};

}  // namespace lintra
