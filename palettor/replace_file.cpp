#include "palettor/replace_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>

namespace lintra::palettor {
namespace {

namespace fs = std::filesystem;

// Writes everything and closes the stream; false when any step failed.
bool WriteAndClose(std::FILE* file, const unsigned char* data, std::size_t n) {
    const bool written = std::fwrite(data, 1, n, file) == n && std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

std::uint64_t RandomTag() {
    try {
        std::random_device device;
        return static_cast<std::uint64_t>(device()) << 32 | device();
    } catch (...) {
        return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

// Creates a new, empty temporary file beside target; exclusive creation, so
// an existing file is never opened.
std::FILE* CreateTemporary(const fs::path& target, fs::path& temporary) {
    std::uint64_t tag = RandomTag();
    for (int attempt = 0; attempt < 16; ++attempt, tag = tag * 6364136223846793005u + 1442695040888963407u) {
        char name[40];
        std::snprintf(name, sizeof name, ".Palettor-%016llx.tmp", static_cast<unsigned long long>(tag));
        temporary = target.parent_path() / name;
        errno = 0;
        if (std::FILE* file = std::fopen(temporary.c_str(), "wbx")) return file;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

WriteOutcome ReplaceFileContents(const std::string& path, const unsigned char* data, std::size_t n) {
    std::error_code ec;
    // Follow the links (at most 40, as the system does) to the file they
    // name, also when that file does not exist yet.
    fs::path target = path;
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(target, ec)); ++hop) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }

    const fs::file_status status = fs::status(target, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        std::FILE* file = std::fopen(target.c_str(), "wb");
        if (!file) return WriteOutcome::kCreateFailed;
        return WriteAndClose(file, data, n) ? WriteOutcome::kOk : WriteOutcome::kWriteFailed;
    }

    if (fs::exists(status)) {
        // Renaming ignores the old file's own write permission; opening it
        // for update (which changes nothing) refuses a read-only file as
        // truncating it would have.
        std::FILE* probe = std::fopen(target.c_str(), "r+b");
        if (!probe) return WriteOutcome::kCreateFailed;
        std::fclose(probe);
    }

    fs::path temporary;
    std::FILE* file = CreateTemporary(target, temporary);
    if (!file) return WriteOutcome::kCreateFailed;
    bool ok = WriteAndClose(file, data, n);
    if (ok && fs::exists(status)) {
        // Truncating in place would have kept the file's permissions; keep them across the rename too.
        fs::permissions(temporary, status.permissions(), ec);
    }
    ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        std::remove(temporary.c_str());
        return WriteOutcome::kWriteFailed;
    }
    return WriteOutcome::kOk;
}

}  // namespace lintra::palettor
