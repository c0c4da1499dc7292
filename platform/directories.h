// The folders a front end works with: the temporary directory, the running
// program's own directory, and a private temporary folder.
#pragma once

#include <string>

namespace lintra {

// TMPDIR when it is set and not empty, otherwise "/tmp".
std::string DefaultTempDirectory();
// The directory of the running executable (from /proc/self/exe); "." when
// it cannot be found.
std::string DefaultProgramDirectory();

// A folder only this user can enter, made with mkdtemp inside parent and
// removed with everything in it when the object goes.
class PrivateTempFolder {
public:
    // Throws FileError, naming parent, when the folder cannot be created.
    explicit PrivateTempFolder(const std::string& parent);
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace lintra
