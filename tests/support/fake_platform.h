// A scripted user interface and converter for the document and view tests:
// it records every message, dialog, title, busy change and file error,
// answers file dialogs from a queue, opens parameter dialogs as
// ParamReporters, and runs the converter as a child process, counting runs.
#pragma once

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "docview/converter.h"
#include "docview/param_reporter.h"
#include "docview/user_interface.h"
#include "image/canvas.h"

namespace lintra::test {

class FakePlatform : public UserInterface, public ConverterRunner {
public:
    std::vector<std::string> messages;
    std::vector<FileDialogRequest> openDialogs;
    std::vector<FileDialogRequest> saveDialogs;
    std::deque<std::optional<std::string>> answers;  // next dialog results; empty = Cancel
    std::vector<std::string> titles;
    std::vector<bool> busy;
    std::vector<std::string> fileErrors;
    int invalidations = 0;
    std::string tempDirectory;
    std::string programDirectory = LINTRA_BIN_DIR;
    int converterRuns = 0;
    std::vector<std::unique_ptr<ParamReporter>> dialogs;
    std::optional<CadExportSettings> cadAnswer;  // the CAD options chosen; none = Cancel
    std::vector<CadExportSettings> cadAsked;     // what each options dialog started from
    std::vector<std::string> statusTexts;

    void ShowMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
        openDialogs.push_back(request);
        return Answer();
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
        saveDialogs.push_back(request);
        return Answer();
    }
    void InvalidateView() override { ++invalidations; }
    void SetBusy(bool b) override { busy.push_back(b); }
    void SetDocumentTitle(const std::string& title) override { titles.push_back(title); }
    std::string TempDirectory() override { return tempDirectory; }
    std::string ProgramDirectory() override { return programDirectory; }
    ProcessOutcome Run(const std::string& program, const std::vector<std::string>& args,
                       std::chrono::milliseconds timeout) override {
        ++converterRuns;
        return RunProcess(program, args, timeout);
    }
    void OpenParamDialog(std::function<void(int)> report) override {
        dialogs.push_back(std::make_unique<ParamReporter>(std::move(report)));
    }
    void ReportFileError(const FileError& error) override { fileErrors.push_back(error.path()); }
    bool ChooseCadOptions(const PictureGeometry&, CadExportSettings& settings) override {
        cadAsked.push_back(settings);
        if (!cadAnswer) return false;
        settings = *cadAnswer;
        return true;
    }
    void ShowStatus(const std::string& pattern, const std::vector<std::string>& args) override {
        statusTexts.push_back(FillPlaceholders(pattern, args));
    }

private:
    std::optional<std::string> Answer() {
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> a = answers.front();
        answers.pop_front();
        return a;
    }
};

// A canvas that records what the drawing pass paints.
class RecordingCanvas : public Canvas {
public:
    struct Image {
        int left, top, width, height, stride;
        const std::uint8_t* pixels;
        Palette256 palette;
    };
    struct Line {
        int x1, y1, x2, y2;
        PenColour pen;
    };
    std::vector<Image> images;
    std::vector<Line> lines;
    PenColour pen;

    void DrawIndexedImage(int left, int top, const std::uint8_t* pixels, int width, int height, int stride,
                          const Palette256& palette) override {
        images.push_back({left, top, width, height, stride, pixels, palette});
    }
    void SetPen(PenColour colour) override { pen = colour; }
    void DrawLine(int x1, int y1, int x2, int y2) override { lines.push_back({x1, y1, x2, y2, pen}); }
};

}  // namespace lintra::test
