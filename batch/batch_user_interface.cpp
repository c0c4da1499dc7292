#include "batch/batch_user_interface.h"

#include <cstdio>

namespace lintra {

void BatchUserInterface::ShowMessage(const std::string& text, const std::string&) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

std::optional<std::string> BatchUserInterface::ChooseOpenFile(const FileDialogRequest&) {
    std::optional<std::string> path = std::move(m_presetFile);
    m_presetFile.reset();
    return path;
}

std::optional<std::string> BatchUserInterface::ChooseSaveFile(const FileDialogRequest& request) {
    return ChooseOpenFile(request);
}

void BatchUserInterface::OpenParamDialog(std::function<void(int)> report) {
    m_dialogs.push_back(std::make_unique<ParamReporter>(std::move(report)));
}

void BatchUserInterface::ReportFileError(const FileError& error) {
    ++m_fileErrors;
    ShowMessage("无法访问文件 " + error.path() + "：" + error.reason(), kAppTitle);
}

}  // namespace lintra
