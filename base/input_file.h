// A file opened for reading by offset, for the readers of image/: it must be
// a regular file, and every read either gets all the bytes it asks for or
// throws FileError naming the path and the reason.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/file_error.h"
#include "base/parallel_rows.h"

namespace lintra {

class InputFile {
public:
    explicit InputFile(const std::string& path) : m_path(path) {
        m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) Fail("cannot open");
        struct stat info;
        if (fstat(m_fd, &info) != 0) Fail("cannot read");
        if (S_ISDIR(info.st_mode)) {
            errno = EISDIR;
            Fail("cannot read");
        }
        if (!S_ISREG(info.st_mode)) throw FileError(m_path, "cannot read: not a regular file");
        m_size = static_cast<std::uint64_t>(info.st_size);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() { close(m_fd); }

    std::uint64_t size() const { return m_size; }

    // Reads exactly count bytes at offset; a file that shrinks meanwhile is
    // a read failure.
    void ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
        auto* out = static_cast<std::uint8_t*>(buffer);
        while (count > 0) {
            ssize_t got = pread(m_fd, out, count, static_cast<off_t>(offset));
            if (got < 0) {
                if (errno == EINTR) continue;
                Fail("cannot read");
            }
            if (got == 0) throw FileError(m_path, "cannot read: the file ended early");
            out += got;
            offset += static_cast<std::uint64_t>(got);
            count -= static_cast<std::size_t>(got);
        }
    }

    // As ReadAt, in pieces of 2 MB read at once on the worker threads: a
    // large read lands in fresh memory, and the system's cost of handing
    // out its pages then outweighs the copying, on every thread alike.
    void ReadAtInPieces(std::uint64_t offset, void* buffer, std::size_t count) {
        auto* out = static_cast<std::uint8_t*>(buffer);
        ParallelPieces(count, kFreshMemoryPiece, [&](std::size_t first, std::size_t last) {
            ReadAt(offset + first, out + first, last - first);
        });
    }

private:
    [[noreturn]] void Fail(const char* what) {
        int error = errno;
        throw FileError(m_path, std::string(what) + ": " + std::strerror(error));
    }

    std::string m_path;
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

}  // namespace lintra
