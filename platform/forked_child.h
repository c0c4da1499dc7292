// A child process forked to run a function of this program, its standard
// output and error collected apart through pipes: how lintra-batch runs each
// input of a many-files batch on its own.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace lintra {

// How a forked child ended, with everything it wrote.
struct ChildEnd {
    int exitStatus = -1;  // the exit status, or -1 when it did not exit
    int signal = 0;       // the signal that ended it, or 0
    std::string out;      // its standard output
    std::string err;      // its standard error; why it could not start, when it could not
    double seconds = 0;   // from start to end
};

class ForkedChild {
public:
    ForkedChild() = default;
    ForkedChild(ForkedChild&& other) noexcept;
    ForkedChild& operator=(ForkedChild&& other) noexcept;
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;
    ~ForkedChild();

    // Forks a child that runs run() with its standard output and error on
    // pipes and exits with what run returns (1, the exception's text on
    // standard error, when run throws). False, with the reason in
    // End().err, when it cannot be started.
    bool Start(const std::function<int()>& run);
    // The read ends of its standard output and error, to poll; -1 once at
    // their end.
    int OutputFd() const { return m_fds[0]; }
    int ErrorFd() const { return m_fds[1]; }
    // Reads what waits on its pipes, without blocking.
    void Drain();
    // True once the child has ended, End() then complete. A process it
    // started that still holds the pipes open does not keep it waiting.
    bool Reap();
    const ChildEnd& End() const { return m_end; }

private:
    void Close();

    int m_pid = -1;
    int m_fds[2] = {-1, -1};
    ChildEnd m_end;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace lintra
