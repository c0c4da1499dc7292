// The user-interface services of the document and the view, done with Qt:
// message boxes, file dialogs, the frame title and the busy cursor. What
// needs the rest of the program (repainting the view, opening a parameter
// dialog) goes to callbacks the application sets.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

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

class QtUserInterface : public UserInterface {
public:
    QtUserInterface() = default;

    // The window that owns the dialogs and message boxes.
    void SetWindow(QWidget* window) { m_window = window; }
    // The next ChooseOpenFile returns path without showing a dialog: the
    // command line and the recent-file entries open through the Open
    // command itself.
    void PresetOpenFile(const QString& path) { m_presetOpenFile = path; }
    // Likewise for the next ChooseSaveFile (the tests save without a dialog).
    void PresetSaveFile(const QString& path) { m_presetSaveFile = path; }

    std::function<void()> onInvalidate;
    std::function<void(const QString&)> onTitle;
    std::function<void(std::function<void(int)> report)> onOpenParamDialog;
    // Replaces the message boxes (the tests record what was said).
    std::function<void(const QString& text, const QString& caption)> onMessage;
    std::function<bool(const PictureGeometry& picture, CadExportSettings& settings)> onChooseCadOptions;
    std::function<void(const QString& text)> onStatus;

    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
    void OpenParamDialog(std::function<void(int)> report) override;
    void InvalidateView() override;
    void SetBusy(bool busy) override;
    void SetDocumentTitle(const std::string& title) override;
    void ReportFileError(const FileError& error) override;
    bool ChooseCadOptions(const PictureGeometry& picture, CadExportSettings& settings) override;
    void ShowStatus(const std::string& pattern, const std::vector<std::string>& args) override;

private:
    std::optional<std::string> ChooseFile(const FileDialogRequest& request, bool save);

    QWidget* m_window = nullptr;
    QString m_presetOpenFile;
    QString m_presetSaveFile;
    QString m_lastDirectory;
    int m_busyDepth = 0;
};

}  // namespace lintra
