// Places that fail on purpose, for the fault-injection tests: a small tmpfs
// filled to its last page, a read-only mount, a folder only its owner may
// write, and the other user the tests become to meet it as root. Mounts are
// made in a mount namespace of the test process's own, with private
// propagation: programs the test starts see them, nothing outside does, and
// they go with the process however it ends.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lintra::test {

// Enters a private mount namespace the first time it is asked. Returns the
// reason when this system allows the test no mounts (no privilege, or a
// container without it), an empty string when mounts may be made.
inline const std::string& MountsUnavailable() {
    static const std::string reason = []() -> std::string {
        if (unshare(CLONE_NEWNS) != 0)
            return std::string("no mount namespace for the test: ") + std::strerror(errno);
        // Without this, mounts would propagate back to the shared namespace.
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("cannot make the test's mounts private: ") + std::strerror(errno);
        return {};
    }();
    return reason;
}

// Bytes of a file, or nothing when it cannot be read.
inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void PutFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Names of the entries of folder, sorted.
inline std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh folder in the system's temporary directory, removed at the end
// (after anything mounted on it).
class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lintra-fault-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    virtual ~Folder() {
        if (m_mounted) umount2(m_path.c_str(), MNT_DETACH);
        std::error_code ec;
        if (!m_path.empty()) {
            std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
            std::filesystem::remove_all(m_path, ec);
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

protected:
    std::string m_path;
    bool m_mounted = false;
};

// A tmpfs of a few pages holding the given files, then filled up: any new
// byte written to it fails with "No space left on device", or, with
// freePages, any byte beyond that many pages.
class FullFolder : public Folder {
public:
    // Returns an empty string when the folder is ready, else why it is not.
    std::string Make(const std::vector<std::pair<std::string, std::string>>& files, int freePages = 0) {
        if (!MountsUnavailable().empty()) return MountsUnavailable();
        if (m_path.empty()) return "no temporary folder";
        if (mount("lintra-full", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0777") != 0)
            return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        m_mounted = true;
        for (const auto& [name, bytes] : files) PutFile(*this / name, bytes);
        int fd = open((*this / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return "cannot create the filler";
        std::vector<char> page(4096, 'f');
        while (write(fd, page.data(), page.size()) > 0) {
        }
        int error = errno;
        // Partial pages are gone too: one byte more must not fit.
        while (write(fd, page.data(), 1) > 0) {
        }
        if (error == ENOSPC && freePages > 0) {
            off_t size = lseek(fd, 0, SEEK_END);
            if (size < freePages * 4096 || ftruncate(fd, size - freePages * 4096) != 0) error = errno;
        }
        close(fd);
        if (error != ENOSPC) return std::string("filling the tmpfs ended with: ") + std::strerror(error);
        return {};
    }
};

// A folder holding the given files and mounted read-only over itself.
class ReadOnlyMount : public Folder {
public:
    std::string Make(const std::vector<std::pair<std::string, std::string>>& files) {
        if (!MountsUnavailable().empty()) return MountsUnavailable();
        if (m_path.empty()) return "no temporary folder";
        for (const auto& [name, bytes] : files) PutFile(*this / name, bytes);
        chmod(m_path.c_str(), 0777);
        if (mount(m_path.c_str(), m_path.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return std::string("cannot bind-mount: ") + std::strerror(errno);
        m_mounted = true;
        if (mount(nullptr, m_path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            return std::string("cannot remount read-only: ") + std::strerror(errno);
        return {};
    }
};

// The user the tests act as when a folder's permissions are to count: root
// ignores them, so as root the effective user becomes nobody (65534) while
// the object lives; any other user stays itself.
class ActAsOtherUser {
public:
    static constexpr uid_t kNobody = 65534;
    ActAsOtherUser() {
        if (geteuid() != 0) return;
        if (setegid(kNobody) != 0) return;
        if (seteuid(kNobody) != 0) {
            if (setegid(0) != 0) std::abort();
            return;
        }
        m_active = true;
    }
    // Why folder permissions cannot be made to count here, or empty when they can.
    static std::string Unavailable() {
        if (geteuid() != 0) return {};
        ActAsOtherUser probe;
        return probe.m_active ? std::string() : "running as root and cannot become another user";
    }
    ~ActAsOtherUser() {
        if (!m_active) return;
        if (seteuid(0) != 0 || setegid(0) != 0) std::abort();
    }
    ActAsOtherUser(const ActAsOtherUser&) = delete;
    ActAsOtherUser& operator=(const ActAsOtherUser&) = delete;

private:
    bool m_active = false;
};

// A folder, holding the given files, that only its owner may write, with
// files only their owner may write; as root the files and the folder stay
// root's, so that ActAsOtherUser meets both refusals. The path to it must be
// open to everyone, which the system's temporary directory is.
class ReadOnlyPermissions : public Folder {
public:
    std::string Make(const std::vector<std::pair<std::string, std::string>>& files) {
        if (m_path.empty()) return "no temporary folder";
        for (const auto& [name, bytes] : files) {
            PutFile(*this / name, bytes);
            chmod((*this / name).c_str(), 0444);
        }
        chmod(m_path.c_str(), 0555);
        return {};
    }
};

// Makes every write beyond limit bytes into a file fail with "File too
// large", as a full disk would, while the object lives (SIGXFSZ ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

}  // namespace lintra::test
