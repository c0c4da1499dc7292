// Whole-file writes onto what is not a plain file: a pipe is written as it
// is and never left waiting for a reader, a link keeps pointing where it
// did and its target gets the bytes.
#include "base/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include "base/file_error.h"
#include "image/bmp_test_support.h"

namespace lintra::testing {
namespace {

const std::string kText = "0\nSECTION\n0\nEOF";

TEST(AtomicFileTest, PipeWithoutAReaderFailsAtOnceAndStaysAPipe) {
    TempDir dir;
    const std::string pipe = (dir / "pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    auto start = std::chrono::steady_clock::now();
    try {
        WriteFileAtomically(pipe, {lintra::Bytes(kText.data(), kText.size())});
        FAIL() << "no exception";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), pipe);
        EXPECT_NE(error.reason().find(std::strerror(ENXIO)), std::string::npos) << error.reason();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST(AtomicFileTest, PipeWithAReaderGetsTheBytes) {
    TempDir dir;
    const std::string pipe = (dir / "pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    WriteFileAtomically(pipe,
                        {lintra::Bytes(kText.data(), 5), lintra::Bytes(kText.data() + 5, kText.size() - 5)});
    std::string got(64, '\0');
    ssize_t n = read(reader, got.data(), got.size());
    close(reader);
    ASSERT_GT(n, 0);
    got.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(got, kText);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// The reader takes a few bytes and goes away while the writer waits on a
// full pipe: an error to report, not SIGPIPE ending the program.
TEST(AtomicFileTest, PipeWhoseReaderGoesAwayIsAnErrorNotASignal) {
    TempDir dir;
    const std::string pipe = (dir / "pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::thread quitter([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        char some[16];
        EXPECT_GT(read(reader, some, sizeof some), 0);
        close(reader);
    });
    const std::vector<std::uint8_t> big(4 << 20, 'x');
    try {
        WriteFileAtomically(pipe, {lintra::Bytes(big.data(), big.size())});
        ADD_FAILURE() << "no exception";
    } catch (const FileError& error) {
        EXPECT_NE(error.reason().find(std::strerror(EPIPE)), std::string::npos) << error.reason();
    }
    quitter.join();
    // Nothing is left pending for later.
    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

TEST(AtomicFileTest, LinksKeepPointingAndTheirTargetsGetTheBytes) {
    TempDir dir;
    std::filesystem::create_directory((dir / "real"));
    WriteBytes((dir / "real/old.dxf"), {'o', 'l', 'd'});
    std::filesystem::create_symlink("real/old.dxf", (dir / "link.dxf"));
    // A link whose target does not exist yet: the target is created.
    std::filesystem::create_symlink("real/new.dxf", (dir / "dangling.dxf"));
    for (const std::string name : {"link.dxf", "dangling.dxf"})
        WriteFileAtomically((dir / name), {lintra::Bytes(kText.data(), kText.size())});
    for (const std::string name : {"link.dxf", "dangling.dxf"}) {
        EXPECT_TRUE(std::filesystem::is_symlink((dir / name))) << name;
        Bytes bytes = ReadBytes((dir / name));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kText) << name;
    }
    std::vector<std::string> real;
    for (const auto& entry : std::filesystem::directory_iterator((dir / "real")))
        real.push_back(entry.path().filename().string());
    std::sort(real.begin(), real.end());
    EXPECT_EQ(real, (std::vector<std::string>{"new.dxf", "old.dxf"}));
}

}  // namespace
}  // namespace lintra::testing
