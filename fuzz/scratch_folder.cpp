#include "fuzz/scratch_folder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace lintra::fuzz {
namespace {

// Memory-backed /dev/shm where there is one: Save and export flush their
// files to disk, which on a real disk would dominate every run.
std::string MakeFolder() {
    std::error_code ec;
    std::filesystem::path parent =
        std::filesystem::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    std::string pattern = (parent / "lintra-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

}  // namespace

const std::string& ScratchFolder() {
    // Never destroyed, so that the exit handler can still read it.
    static const std::string* folder = [] {
        auto* made = new std::string(MakeFolder());
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*folder, ec);
        });
        return made;
    }();
    return *folder;
}

std::string ScratchPath(const std::string& name) {
    return ScratchFolder() + "/" + name;
}

void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file != nullptr && (size == 0 || std::fwrite(data, 1, size, file) == size);
    if (file != nullptr && std::fclose(file) != 0) ok = false;
    if (!ok) {
        std::perror(path.c_str());
        std::abort();
    }
}

}  // namespace lintra::fuzz
