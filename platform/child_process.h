// Starting a program as a separate process and waiting for it, with a time
// limit: how the front ends run the colour converter.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace lintra {

// How a child process ended.
enum class ProcessOutcome { Succeeded, FailedToStart, Failed, TimedOut };

// Starts program with args (no shell, argv[0] = program) and waits for it.
// FailedToStart when it cannot be started, Failed when it ends by a signal
// or with a non-zero status, TimedOut (after killing and reaping it) when
// it runs longer than timeout (the whole process group it leads is killed).
// Standard input and output are /dev/null; standard error is inherited.
ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& args,
                          std::chrono::milliseconds timeout);

}  // namespace lintra
