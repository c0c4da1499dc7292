// The user interface of lintra-batch: message boxes become lines on standard
// error, file dialogs return the path the current step names (Cancel when it
// names none), and a parameter dialog is a ParamReporter whose positions
// come from the step list.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "docview/param_reporter.h"
#include "docview/user_interface.h"

namespace lintra {

class BatchUserInterface : public UserInterface {
public:
    // The next file dialog, open or save, returns path without asking.
    void PresetFile(std::string path) { m_presetFile = std::move(path); }
    void ClearPresetFile() { m_presetFile.reset(); }
    // The dialog opened last, or null before the first.
    ParamReporter* NewestDialog() { return m_dialogs.empty() ? nullptr : m_dialogs.back().get(); }
    // File errors reported so far.
    int FileErrorCount() const { return m_fileErrors; }

    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
    void OpenParamDialog(std::function<void(int)> report) override;
    void InvalidateView() override {}
    void SetBusy(bool) override {}
    void SetDocumentTitle(const std::string&) override {}
    void ReportFileError(const FileError& error) override;
    // The CAD export's choices are those of the command line.
    bool ChooseCadOptions(const PictureGeometry&, CadExportSettings& settings) override {
        settings = cadSettings;
        return true;
    }
    void ShowStatus(const std::string&, const std::vector<std::string>&) override {}

    CadExportSettings cadSettings;

private:
    std::optional<std::string> m_presetFile;
    std::vector<std::unique_ptr<ParamReporter>> m_dialogs;
    int m_fileErrors = 0;
};

}  // namespace lintra
