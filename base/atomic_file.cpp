#include "base/atomic_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/file_error.h"

namespace lintra {

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// The folder part of path as rename needs it: "." for a bare file name.
std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Owns the temporary file until it has been renamed: on any failure the
// descriptor is closed and the file removed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& destination) : m_destination(destination) {
        static std::atomic<unsigned> counter{0};
        std::string stem =
            FolderOf(destination) + "/." + NameOf(destination) + ".tmp" + std::to_string(getpid()) + "-";
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = stem + std::to_string(counter.fetch_add(1));
            // 0666 lets the umask decide the permissions, as for any new file.
            m_fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd >= 0) return;
            if (errno != EEXIST) break;
        }
        int error = errno;
        m_path.clear();
        throw FileError(m_destination, "cannot create a temporary file beside it: " + Reason(error));
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (m_fd >= 0) close(m_fd);
        if (!m_path.empty()) unlink(m_path.c_str());
    }

    void Write(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            ssize_t written = write(m_fd, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR) continue;
                Fail("cannot write");
            }
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        }
    }

    // Keeps the permissions of the file being replaced, so a Save does not
    // turn a shared drawing private.
    void KeepModeOfDestination() {
        struct stat existing;
        if (stat(m_destination.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
            fchmod(m_fd, existing.st_mode & 07777);
    }

    void Commit(Flush flush) {
        if (flush == Flush::ToDisk && fsync(m_fd) != 0 && errno != EINVAL) Fail("cannot flush");
        int fd = m_fd;
        m_fd = -1;
        if (close(fd) != 0) Fail("cannot close");
        if (rename(m_path.c_str(), m_destination.c_str()) != 0) Fail("cannot replace the file");
        m_path.clear();
    }

private:
    [[noreturn]] void Fail(const char* what) {
        int error = errno;
        throw FileError(m_destination, std::string(what) + ": " + Reason(error));
    }

    std::string m_destination;
    std::string m_path;
    int m_fd = -1;
};

// Blocks SIGPIPE for the calling thread while it lives; one raised meanwhile
// is taken off again, unless it was already pending before.
class PipeSignalHeld {
public:
    PipeSignalHeld() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_saved);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    ~PipeSignalHeld() {
        if (!m_wasPending) {
            timespec none{};
            while (sigtimedwait(&m_pipe, nullptr, &none) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

private:
    sigset_t m_pipe{}, m_saved{};
    bool m_wasPending = false;
};

// Writes the chunks straight into target, an existing device or pipe; errors
// name path, the file the caller asked for.
void WriteInPlace(const std::string& path, const std::string& target,
                  std::initializer_list<std::span<const std::uint8_t>> chunks) {
    // Without O_NONBLOCK a pipe that nobody reads would hold the program
    // in open for ever; it then fails at once (ENXIO) instead.
    int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        int error = errno;
        if (fd >= 0) close(fd);
        throw FileError(path, "cannot write: " + Reason(error));
    }
    // A pipe whose reader goes away would raise SIGPIPE and end the whole
    // program; held back, the write fails with EPIPE like any other error.
    PipeSignalHeld held;
    for (std::span<const std::uint8_t> bytes : chunks) {
        while (!bytes.empty()) {
            ssize_t written = write(fd, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                int error = written < 0 ? errno : EIO;
                close(fd);
                throw FileError(path, "cannot write: " + Reason(error));
            }
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        }
    }
    if (close(fd) != 0) {
        int error = errno;
        throw FileError(path, "cannot close: " + Reason(error));
    }
}

// The file path names after following its links (at most 40, as the
// system does); a link to a file that does not exist yet gives that file.
std::string FollowLinks(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path p = path;
    std::error_code ec;
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hop) {
        fs::path next = fs::read_symlink(p, ec);
        if (ec) break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p.string();
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> chunks,
                         Flush flush) {
    if (path.empty() || path.back() == '/') throw FileError(path, "not a file name");
    // A link stays a link: the file it points at gets the new contents.
    std::string target = FollowLinks(path);
    struct stat node;
    if (stat(target.c_str(), &node) == 0 && !S_ISDIR(node.st_mode)) {
        // A device or a pipe is written as it is: renaming over it would
        // replace the node itself with a plain file.
        if (!S_ISREG(node.st_mode)) return WriteInPlace(path, target, chunks);
        // Renaming ignores the old file's own write permission; a file that
        // could not be opened for writing is refused as truncating it would be.
        int probe = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) {
            int error = errno;
            throw FileError(path, "cannot write: " + Reason(error));
        }
        close(probe);
    }
    TemporaryFile file(target);
    for (std::span<const std::uint8_t> chunk : chunks) file.Write(chunk);
    file.KeepModeOfDestination();
    file.Commit(flush);
}

}  // namespace lintra
