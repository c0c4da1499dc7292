#include "docview/converter.h"

#include "platform/directories.h"

namespace lintra {

std::string ChildProcessConverter::TempDirectory() {
    return DefaultTempDirectory();
}

std::string ChildProcessConverter::ProgramDirectory() {
    return m_programDirectory.empty() ? DefaultProgramDirectory() : m_programDirectory;
}

ProcessOutcome ChildProcessConverter::Run(const std::string& program, const std::vector<std::string>& args,
                                          std::chrono::milliseconds timeout) {
    return RunProcess(program, args, timeout);
}

}  // namespace lintra
