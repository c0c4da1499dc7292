#include "platform/directories.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/file_error.h"

namespace lintra {

std::string DefaultTempDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && *tmp != '\0') return tmp;
    return "/tmp";
}

std::string DefaultProgramDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || !exe.has_parent_path()) return ".";
    return exe.parent_path().string();
}

PrivateTempFolder::PrivateTempFolder(const std::string& parent) {
    std::string pattern = parent.empty() ? std::string(".") : parent;
    if (pattern.back() != '/') pattern.push_back('/');
    pattern.append("lintra-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        // Named by the directory the user can look at, not the made-up name.
        int error = errno;
        throw FileError(parent, std::string("cannot create a private folder in it: ") + std::strerror(error));
    }
    m_path = pattern;
}

PrivateTempFolder::~PrivateTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace lintra
