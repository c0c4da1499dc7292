#include "batch/job_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace lintra {
namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    std::size_t index = 0;
    pid_t pid = -1;
    int fds[2] = {-1, -1};  // read ends of its standard output and error
    JobOutcome outcome;
    Clock::time_point start;
};

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Appends what fd holds now to text; closes fd at its end.
void Drain(int& fd, std::string& text) {
    char buffer[4096];
    while (fd >= 0) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            if (n == 0 || errno != EAGAIN) CloseFd(fd);
            return;
        }
    }
}

[[noreturn]] void RunChild(const std::function<int(std::size_t)>& run, std::size_t index, int out, int err) {
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    close(out);
    close(err);
    int status = 1;
    try {
        status = run(index);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lintra-batch: %s\n", error.what());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}

// Forks the child for index; false (with the reason in child.outcome) when
// it cannot be started.
bool Start(Child& child, const std::function<int(std::size_t)>& run) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        child.outcome.err = std::string("cannot start: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        child.outcome.err = std::string("cannot start: ") + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return false;
    }
    // Nothing buffered here may be written twice, once by the child.
    std::fflush(nullptr);
    child.start = Clock::now();
    child.pid = fork();
    if (child.pid == 0) RunChild(run, child.index, out[1], err[1]);
    int forkError = errno;
    close(out[1]);
    close(err[1]);
    if (child.pid < 0) {
        close(out[0]);
        close(err[0]);
        child.outcome.err = std::string("cannot start: ") + std::strerror(forkError);
        return false;
    }
    child.fds[0] = out[0];
    child.fds[1] = err[0];
    for (int fd : child.fds) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return true;
}

// True once the child has ended; its outcome is then complete. A process
// it started that still holds the pipes open does not keep it waiting.
bool Reap(Child& child) {
    // Once both pipes are at their end the child is ending: wait for it.
    const int flags = child.fds[0] < 0 && child.fds[1] < 0 ? 0 : WNOHANG;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(child.pid, &status, flags);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r > 0 && WIFEXITED(status)) child.outcome.exitStatus = WEXITSTATUS(status);
    if (r > 0 && WIFSIGNALED(status)) child.outcome.signal = WTERMSIG(status);
    Drain(child.fds[0], child.outcome.out);
    Drain(child.fds[1], child.outcome.err);
    CloseFd(child.fds[0]);
    CloseFd(child.fds[1]);
    std::chrono::duration<double> seconds = Clock::now() - child.start;
    child.outcome.seconds = seconds.count();
    return true;
}

}  // namespace

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
    std::vector<Child> running;
    std::size_t next = 0;
    std::size_t failed = 0;
    auto finish = [&](Child& child) {
        if (!child.outcome.Succeeded()) ++failed;
        observer.Finished(child.index, child.outcome);
    };
    while (next < count || !running.empty()) {
        while (next < count && running.size() < static_cast<std::size_t>(jobs < 1 ? 1 : jobs)) {
            Child child;
            child.index = next++;
            observer.Started(child.index);
            if (Start(child, run))
                running.push_back(std::move(child));
            else
                finish(child);
        }
        if (running.empty()) continue;
        std::vector<pollfd> polls;
        for (const Child& child : running)
            for (int fd : child.fds) polls.push_back({fd, POLLIN, 0});
        // A short timeout: a child can end while a process it started still
        // holds its pipes, and the clock on a terminal moves on.
        poll(polls.data(), polls.size(), 200);
        for (std::size_t i = 0; i < running.size();) {
            Child& child = running[i];
            Drain(child.fds[0], child.outcome.out);
            Drain(child.fds[1], child.outcome.err);
            if (Reap(child)) {
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
