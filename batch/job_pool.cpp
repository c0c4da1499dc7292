#include "batch/job_pool.h"

#include <poll.h>
#include <signal.h>

#include <cstring>
#include <vector>

#include "platform/forked_child.h"

namespace lintra {

std::string JobOutcome::Reason() const {
    if (Succeeded()) return {};
    std::string reason;
    for (char c : err) {
        if (c == '\n') {
            if (!reason.empty() && reason.back() != ' ') reason += "; ";
        } else {
            reason += c;
        }
    }
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == ';')) reason.pop_back();
    if (!reason.empty()) return reason;
    if (signal != 0) return "ended by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
    return "exit status " + std::to_string(exitStatus);
}

std::size_t RunInChildProcesses(std::size_t count, int jobs, const std::function<int(std::size_t)>& run,
                                JobObserver& observer) {
    struct Child {
        std::size_t index = 0;
        ForkedChild process;
    };
    std::vector<Child> running;
    std::size_t next = 0;
    std::size_t failed = 0;
    auto finish = [&](const Child& child) {
        const JobOutcome outcome{child.process.End()};
        if (!outcome.Succeeded()) ++failed;
        observer.Finished(child.index, outcome);
    };
    while (next < count || !running.empty()) {
        while (next < count && running.size() < static_cast<std::size_t>(jobs < 1 ? 1 : jobs)) {
            Child child;
            child.index = next++;
            observer.Started(child.index);
            if (child.process.Start([&run, index = child.index] { return run(index); }))
                running.push_back(std::move(child));
            else
                finish(child);
        }
        if (running.empty()) continue;
        std::vector<pollfd> polls;
        for (const Child& child : running)
            for (int fd : {child.process.OutputFd(), child.process.ErrorFd()})
                polls.push_back({fd, POLLIN, 0});
        // A short timeout: a child can end while a process it started still
        // holds its pipes, and the clock on a terminal moves on.
        poll(polls.data(), polls.size(), 200);
        for (std::size_t i = 0; i < running.size();) {
            Child& child = running[i];
            child.process.Drain();
            if (child.process.Reap()) {
                finish(child);
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        observer.Waiting();
    }
    return failed;
}

}  // namespace lintra
