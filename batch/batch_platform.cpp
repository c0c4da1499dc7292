#include "batch/batch_platform.h"

#include <cstdio>

#include "docview/process.h"

namespace lintra {

void BatchPlatform::ShowMessage(const std::string& text, const std::string&) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

std::optional<std::string> BatchPlatform::ChooseOpenFile(const FileDialogRequest&) {
    std::optional<std::string> path = std::move(m_presetFile);
    m_presetFile.reset();
    return path;
}

std::optional<std::string> BatchPlatform::ChooseSaveFile(const FileDialogRequest& request) {
    return ChooseOpenFile(request);
}

std::string BatchPlatform::TempDirectory() {
    return DefaultTempDirectory();
}

std::string BatchPlatform::ProgramDirectory() {
    return DefaultProgramDirectory();
}

ConverterOutcome BatchPlatform::RunConverter(const std::string& program, const std::vector<std::string>& args,
                                             std::chrono::milliseconds timeout) {
    return RunProcess(program, args, timeout);
}

void BatchPlatform::OpenParamDialog() {
    m_dialogs.push_back(std::make_unique<ParamReporter>(m_paramTarget));
}

void BatchPlatform::ReportFileError(const FileError& error) {
    ++m_fileErrors;
    ShowMessage("无法访问文件 " + error.path() + "：" + error.reason(), kAppTitle);
}

}  // namespace lintra
