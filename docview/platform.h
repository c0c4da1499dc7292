// The services the document and the view need from the program around them.
// The desktop program implements them with Qt, lintra-batch with standard
// error and a chosen path, the tests with a scripted fake. The core never
// depends on a GUI toolkit.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "image/file_error.h"
#include "image/message_sink.h"

namespace lintra {

// How a file dialog is to be shown.
struct FileDialogRequest {
    std::string defaultExtension;  // "BMP", "dxf"
    std::string initialName;       // "*.BMP", "*.dxf"
    std::string filter;            // "位图文件(*.BMP)|*.BMP|"
    unsigned flags = 0;            // kOfnHideReadOnly | kOfnOverwritePrompt
};
inline constexpr unsigned kOfnHideReadOnly = 0x4;
inline constexpr unsigned kOfnOverwritePrompt = 0x2;

// How a converter run ended.
enum class ConverterOutcome { Succeeded, FailedToStart, Failed, TimedOut };

class Platform : public MessageSink {
public:
    // The full path chosen for opening, or nothing on Cancel.
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
    // The full path chosen for saving, or nothing on Cancel.
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
    // The whole view needs repainting (background erased).
    virtual void InvalidateView() = 0;
    // Wait cursor on and view disabled, or the reverse.
    virtual void SetBusy(bool busy) = 0;
    // The document title shown in the frame (the full path after an Open).
    virtual void SetDocumentTitle(const std::string& title) = 0;
    // The platform's temporary directory (TMPDIR where it is set).
    virtual std::string TempDirectory() = 0;
    // The directory of the running program, where Palettor sits beside it.
    virtual std::string ProgramDirectory() = 0;
    // Runs program with args as a separate process (no shell), waits for it
    // to end, and kills it when it runs longer than timeout.
    virtual ConverterOutcome RunConverter(const std::string& program, const std::vector<std::string>& args,
                                          std::chrono::milliseconds timeout) = 0;
    // Creates and shows a new parameter dialog (trackbar 0 to 255) that
    // reports positions to this view. Earlier dialogs stay open and keep
    // reporting; the view applies the operation of the newest.
    virtual void OpenParamDialog() = 0;
    // Reports a failed file operation of a command (the framework's standard
    // report of a file exception): names the file and the reason.
    virtual void ReportFileError(const FileError& error) = 0;
};

}  // namespace lintra
