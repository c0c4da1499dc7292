#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

extern char** environ;

namespace lintra {
namespace {

// waitpid without blocking, retried when a signal interrupts it.
pid_t TryReap(pid_t pid, int& status) {
    pid_t r;
    do {
        r = waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    return r;
}

// A descriptor that becomes readable when the child ends, so the wait wakes
// at that moment (it is closed on exec by nature); -1 where the system has
// none (before Linux 5.3).
int OpenExitNotice(pid_t pid) {
#if defined(SYS_pidfd_open)
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void KillAndReap(pid_t pid) {
    // The whole group: a converter started through a script dies with its children.
    kill(-pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& args,
                          std::chrono::milliseconds timeout) {
    std::vector<std::string> strings;
    strings.reserve(args.size() + 1);
    strings.push_back(program);
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // The converter runs hidden: its progress lines would only mix with the
    // front end's own output. The outcome is all the caller needs.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return ProcessOutcome::FailedToStart;

    // Wait for the child's end on its exit notice, or where there is none
    // poll with a short, growing pause: the converter takes from a few
    // milliseconds to a second, and a poll costs nothing next to that.
    const int notice = OpenExitNotice(pid);
    auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::microseconds(500);
    ProcessOutcome outcome;
    for (;;) {
        int status = 0;
        pid_t r = TryReap(pid, status);
        if (r == pid) {
            // glibc's posix_spawn reports a failed exec as an error, but
            // other C libraries run the child into exit status 127.
            const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            outcome = succeeded ? ProcessOutcome::Succeeded : ProcessOutcome::Failed;
            break;
        }
        if (r < 0) {
            outcome = ProcessOutcome::Failed;
            break;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            KillAndReap(pid);
            outcome = ProcessOutcome::TimedOut;
            break;
        }
        if (notice >= 0) {
            // Woken by the end, a signal or a slice of at most a second.
            auto slice = std::chrono::ceil<std::chrono::milliseconds>(
                std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::seconds(1)));
            pollfd watch{notice, POLLIN, 0};
            poll(&watch, 1, static_cast<int>(slice.count()));
        } else {
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
            pause = std::min(pause * 2, std::chrono::microseconds(20000));
        }
    }
    if (notice >= 0) close(notice);
    return outcome;
}

}  // namespace lintra
