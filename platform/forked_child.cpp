#include "platform/forked_child.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

namespace lintra {
namespace {

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Appends what fd holds now to text; closes fd at its end.
void DrainFd(int& fd, std::string& text) {
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

[[noreturn]] void RunChild(const std::function<int()>& run, int out, int err) {
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    close(out);
    close(err);
    int status = 1;
    try {
        status = run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lintra-batch: %s\n", error.what());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}

}  // namespace

ForkedChild::ForkedChild(ForkedChild&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)),
      m_fds{std::exchange(other.m_fds[0], -1), std::exchange(other.m_fds[1], -1)},
      m_end(std::move(other.m_end)),
      m_start(other.m_start) {}

ForkedChild& ForkedChild::operator=(ForkedChild&& other) noexcept {
    if (this != &other) {
        Close();
        m_pid = std::exchange(other.m_pid, -1);
        m_fds[0] = std::exchange(other.m_fds[0], -1);
        m_fds[1] = std::exchange(other.m_fds[1], -1);
        m_end = std::move(other.m_end);
        m_start = other.m_start;
    }
    return *this;
}

ForkedChild::~ForkedChild() {
    Close();
}

void ForkedChild::Close() {
    CloseFd(m_fds[0]);
    CloseFd(m_fds[1]);
}

bool ForkedChild::Start(const std::function<int()>& run) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        m_end.err = std::string("cannot start: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        m_end.err = std::string("cannot start: ") + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return false;
    }
    // Nothing buffered here may be written twice, once by the child.
    std::fflush(nullptr);
    m_start = std::chrono::steady_clock::now();
    m_pid = fork();
    if (m_pid == 0) RunChild(run, out[1], err[1]);
    int forkError = errno;
    close(out[1]);
    close(err[1]);
    if (m_pid < 0) {
        close(out[0]);
        close(err[0]);
        m_end.err = std::string("cannot start: ") + std::strerror(forkError);
        return false;
    }
    m_fds[0] = out[0];
    m_fds[1] = err[0];
    for (int fd : m_fds) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return true;
}

void ForkedChild::Drain() {
    DrainFd(m_fds[0], m_end.out);
    DrainFd(m_fds[1], m_end.err);
}

bool ForkedChild::Reap() {
    // Once both pipes are at their end the child is ending: wait for it.
    const int flags = m_fds[0] < 0 && m_fds[1] < 0 ? 0 : WNOHANG;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(m_pid, &status, flags);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r > 0 && WIFEXITED(status)) m_end.exitStatus = WEXITSTATUS(status);
    if (r > 0 && WIFSIGNALED(status)) m_end.signal = WTERMSIG(status);
    Drain();
    Close();
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - m_start;
    m_end.seconds = seconds.count();
    return true;
}

}  // namespace lintra
