// Where the tests find the files they read (tests/data: the sample BMP
// files, the BMP suite and each family's own material), and the check that
// a file a test reads is there.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace lintra::test {

inline const std::string kTestData = LINTRA_TEST_DATA_DIR;
inline const std::string kSamplesDir = kTestData + "/samples/";
inline const std::string kSuiteDir = kTestData + "/bmpsuite/";

// Returns path when it names a file and throws otherwise. GoogleTest
// reports the message, which names the path, as the test's failure and
// ends the test there, also from a fixture's constructor or a helper: a
// test must not go on without its picture and fail far from the cause, or
// crash on the empty images and missing dialogs a refused open leaves.
inline std::string RequireFixture(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw std::runtime_error("missing test file " + path);
    return path;
}

// A sample file and a BMP suite file ("g/pal8.bmp"), checked as above.
inline std::string Sample(const std::string& name) {
    return RequireFixture(kSamplesDir + name);
}
inline std::string SuiteFile(const std::string& name) {
    return RequireFixture(kSuiteDir + name);
}

}  // namespace lintra::test
