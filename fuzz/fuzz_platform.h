// A scripted user interface and converter for the fuzz targets: messages and file errors are
// counted, the Save and DXF dialogs answer with fixed scratch paths, the
// converter is Palettor's own main() run in-process, and parameter dialogs
// are ParamReporters sending to the view.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "docview/converter.h"
#include "docview/param_reporter.h"
#include "docview/user_interface.h"
#include "image/canvas.h"

// Palettor's main(), compiled into the fuzz targets under this name.
int PalettorMain(int argc, char** argv);

namespace lintra::fuzz {

// Runs Palettor in-process with program and args as its command line and
// returns its exit status. Its standard output is discarded.
int RunPalettor(const std::vector<std::string>& commandLine);

class FuzzPlatform : public UserInterface, public ConverterRunner {
public:
    int messages = 0;
    int fileErrors = 0;
    int invalidations = 0;
    int converterRuns = 0;
    std::string saveAnswer;  // the path every save dialog returns
    std::vector<std::unique_ptr<ParamReporter>> dialogs;

    void ShowMessage(const std::string&, const std::string&) override { ++messages; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return saveAnswer; }
    void InvalidateView() override { ++invalidations; }
    void SetBusy(bool) override {}
    void SetDocumentTitle(const std::string&) override {}
    bool ChooseCadOptions(const PictureGeometry&, CadExportSettings&) override { return true; }
    void ShowStatus(const std::string&, const std::vector<std::string>&) override {}
    std::string TempDirectory() override;
    std::string ProgramDirectory() override;
    ProcessOutcome Run(const std::string& program, const std::vector<std::string>& args,
                       std::chrono::milliseconds timeout) override;
    void OpenParamDialog(std::function<void(int)> report) override;
    void ReportFileError(const FileError&) override { ++fileErrors; }
};

// A canvas that only checks that everything painted lies in the image it
// was given (the drawing pass must never hand out rows it does not own).
class CountingCanvas : public Canvas {
public:
    long long pixelsSeen = 0;
    int lines = 0;

    void DrawIndexedImage(int left, int top, const std::uint8_t* pixels, int width, int height, int stride,
                          const Palette256& palette) override;
    void SetPen(PenColour) override {}
    void DrawLine(int, int, int, int) override { ++lines; }
};

}  // namespace lintra::fuzz
