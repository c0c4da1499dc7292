// The exception every failed file operation of the core raises: a file that
// cannot be opened, read, created, written or renamed. It names the path and
// the reason, so a front end can report "cannot save X: disk full".
#pragma once

#include <stdexcept>
#include <string>

namespace lintra {

class FileError : public std::runtime_error {
public:
    FileError(std::string path, std::string reason)
        : std::runtime_error(path + ": " + reason), m_path(std::move(path)), m_reason(std::move(reason)) {}
    const std::string& path() const noexcept { return m_path; }
    const std::string& reason() const noexcept { return m_reason; }

private:
    std::string m_path;
    std::string m_reason;
};

}  // namespace lintra
