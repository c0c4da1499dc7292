// A user interface with no one in front of it, for the programs that time
// the view: Open answers with `file`, each parameter dialog is a reporter
// the run can drive, every other dialog is declined, and messages and file
// errors are counted and printed. There is no converter: only 8-bit pages
// are opened.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "docview/converter.h"
#include "docview/param_reporter.h"
#include "docview/user_interface.h"

namespace lintra::bench {

class UnattendedPlatform : public UserInterface, public ConverterRunner {
public:
    std::string file;
    int messages = 0;
    std::vector<ParamReporter> dialogs;

    void ShowMessage(const std::string& text, const std::string&) override {
        ++messages;
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return file; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void InvalidateView() override {}
    void SetBusy(bool) override {}
    void SetDocumentTitle(const std::string&) override {}
    bool ChooseCadOptions(const PictureGeometry&, CadExportSettings&) override { return false; }
    void ShowStatus(const std::string&, const std::vector<std::string>&) override {}
    std::string TempDirectory() override { return std::filesystem::temp_directory_path().string(); }
    std::string ProgramDirectory() override { return {}; }
    ProcessOutcome Run(const std::string&, const std::vector<std::string>&,
                       std::chrono::milliseconds) override {
        return ProcessOutcome::FailedToStart;
    }
    void OpenParamDialog(std::function<void(int)> report) override {
        dialogs.emplace_back(std::move(report));
    }
    void ReportFileError(const FileError& error) override {
        ++messages;
        std::fprintf(stderr, "%s\n", error.what());
    }
};

}  // namespace lintra::bench
