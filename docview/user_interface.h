// The user-interface services the document and the view need from the
// program around them: message boxes, file dialogs, the parameter dialog,
// repainting, the busy cursor, the title, the CAD export's options and the
// status bar. The desktop program implements
// them with Qt, lintra-batch with standard error and the paths its steps
// name, the tests with a scripted fake. The core never depends on a GUI
// toolkit.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/file_error.h"
#include "base/message_sink.h"
#include "docview/cad_settings.h"

namespace lintra {

// One entry of a file dialog's type list.
struct FileFilter {
    std::string description;            // "位图文件(*.BMP)"
    std::vector<std::string> patterns;  // {"*.BMP"}
    bool operator==(const FileFilter&) const = default;
};

// How a file dialog is to be shown.
struct FileDialogRequest {
    std::string defaultExtension;  // "BMP", "dxf": added to a name typed without one
    std::string initialName;       // "*.BMP": a wildcard only restates the filter
    std::vector<FileFilter> filters;
    bool confirmOverwrite = true;  // a save dialog asks before replacing a file
};

class UserInterface : public MessageSink {
public:
    // The full path chosen for opening, or nothing on Cancel.
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
    // The full path chosen for saving, or nothing on Cancel.
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
    // Creates and shows a new parameter dialog (trackbar 0 to 255) whose
    // ParamReporter sends positions to report. Earlier dialogs stay open and
    // keep reporting.
    virtual void OpenParamDialog(std::function<void(int)> report) = 0;
    // The whole view needs repainting (background erased).
    virtual void InvalidateView() = 0;
    // Wait cursor on and view disabled, or the reverse.
    virtual void SetBusy(bool busy) = 0;
    // The document title shown in the frame (the full path after an Open).
    virtual void SetDocumentTitle(const std::string& title) = 0;
    // Reports a failed file operation of a command: names the file and the
    // reason.
    virtual void ReportFileError(const FileError& error) = 0;
    // Asks for the CAD-ready export's choices, starting from settings, with
    // the picture's size and resolution to show; false on Cancel.
    virtual bool ChooseCadOptions(const PictureGeometry& picture, CadExportSettings& settings) = 0;
    // A short note in the status bar: pattern in the program's language,
    // its %1, %2 ... then replaced by args in order (a front end that
    // translates texts translates the pattern, as FillPlaceholders fills it).
    virtual void ShowStatus(const std::string& pattern, const std::vector<std::string>& args) = 0;
};

}  // namespace lintra
