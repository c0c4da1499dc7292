// Running the colour converter that turns a 24-bit picture into a 256-colour
// one: where its files go, where it is, and starting it. ChildProcessConverter
// runs the program beside the running one; the tests substitute their own.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/child_process.h"

namespace lintra {

// The converter beside the running program, and how long it may run.
inline constexpr const char* kConverterName = "Palettor";
inline constexpr std::chrono::milliseconds kConverterTimeout{60000};
// The temporary file handed to the converter, in a private folder.
inline constexpr const char* kConverterTempName = "temp.bmp";

class ConverterRunner {
public:
    virtual ~ConverterRunner() = default;
    // The temporary directory (TMPDIR where it is set).
    virtual std::string TempDirectory() = 0;
    // The directory the converter is looked for in.
    virtual std::string ProgramDirectory() = 0;
    // Runs program with args as a separate process (no shell), waits for it
    // to end, and kills it when it runs longer than timeout.
    virtual ProcessOutcome Run(const std::string& program, const std::vector<std::string>& args,
                               std::chrono::milliseconds timeout) = 0;
};

class ChildProcessConverter : public ConverterRunner {
public:
    // Looks for the converter in directory instead of beside the running
    // program (an empty directory restores that).
    void SetProgramDirectory(std::string directory) { m_programDirectory = std::move(directory); }

    std::string TempDirectory() override;
    std::string ProgramDirectory() override;
    ProcessOutcome Run(const std::string& program, const std::vector<std::string>& args,
                       std::chrono::milliseconds timeout) override;

private:
    std::string m_programDirectory;
};

}  // namespace lintra
