// Running the inputs of a many-files batch in child processes, a few at a
// time. Each input runs in a process of its own, forked from lintra-batch
// after the command line has been checked: the memory of one picture goes
// back to the system when its process ends, and a file that crashes or
// exhausts memory takes only its own run with it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/forked_child.h"

namespace lintra {

// How one child ended, with everything it wrote.
struct JobOutcome : ChildEnd {
    // True when it exited with status 0.
    bool Succeeded() const { return exitStatus == 0; }
    // Why it failed, from what it wrote to standard error or else its end,
    // on one line; empty when it succeeded.
    std::string Reason() const;
};

// What the pool tells while it runs.
class JobObserver {
public:
    virtual ~JobObserver() = default;
    virtual void Started(std::size_t index) = 0;
    virtual void Finished(std::size_t index, const JobOutcome& outcome) = 0;
    // Called a few times a second while jobs run, to update a clock.
    virtual void Waiting() = 0;
};

// Runs run(i) for every i below count, each in a child process that exits
// with what run returns, at most jobs at a time and in the order of i.
// Standard output and error of each child are collected apart and handed
// to observer when it ends. Returns how many failed.
std::size_t RunInChildProcesses(std::size_t count, int jobs, const std::function<int(std::size_t)>& run,
                                JobObserver& observer);

}  // namespace lintra
