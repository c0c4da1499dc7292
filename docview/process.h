// The POSIX services a front end needs for the view: running the converter
// as a separate process with a time limit, a private temporary folder, the
// temporary directory and the running program's own directory.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "docview/platform.h"

namespace lintra {

// Starts program with args (no shell, argv[0] = program) and waits for it.
// FailedToStart when it cannot be started, Failed when it ends by a signal
// or with a non-zero status, TimedOut (after killing and reaping it) when
// it runs longer than timeout (the whole process group it leads is killed).
// Standard input and output are /dev/null; standard error is inherited.
ConverterOutcome RunProcess(const std::string& program, const std::vector<std::string>& args,
                            std::chrono::milliseconds timeout);

// TMPDIR when it is set and not empty, otherwise "/tmp".
std::string DefaultTempDirectory();
// The directory of the running executable (from /proc/self/exe); "." when
// it cannot be found.
std::string DefaultProgramDirectory();

// A folder only this user can enter, made with mkdtemp inside parent and
// removed with everything in it when the object goes.
class PrivateTempFolder {
public:
    // Throws FileError, naming parent, when the folder cannot be created.
    explicit PrivateTempFolder(const std::string& parent);
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace lintra
