// Running the converter and the temporary folder it works in.
#include "platform/child_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>

#include "base/file_error.h"
#include "platform/directories.h"
#include "support/test_files.h"

namespace lintra::test {
namespace {

using std::chrono::milliseconds;

TEST(RunProcessTest, OutcomesFollowTheExitStatus) {
    TempDir dir;
    EXPECT_EQ(RunProcess("/bin/true", {}, milliseconds(5000)), ProcessOutcome::Succeeded);
    EXPECT_EQ(RunProcess("/bin/false", {}, milliseconds(5000)), ProcessOutcome::Failed);
    EXPECT_EQ(RunProcess(dir / "absent", {}, milliseconds(5000)), ProcessOutcome::FailedToStart);
    std::string notExecutable = dir / "plain";
    std::ofstream(notExecutable) << "data";
    EXPECT_EQ(RunProcess(notExecutable, {}, milliseconds(5000)), ProcessOutcome::FailedToStart);
    std::string killed = WriteScript(dir.path(), "killed", "kill -9 $$");
    EXPECT_EQ(RunProcess(killed, {}, milliseconds(5000)), ProcessOutcome::Failed);
}

TEST(RunProcessTest, ArgumentsArriveUnchangedWithoutAShell) {
    TempDir dir;
    std::string out = dir / "args";
    std::string script = WriteScript(dir.path(), "echoargs", "printf '%s\\n' \"$@\" > \"" + out + "\"");
    ASSERT_EQ(RunProcess(script, {"a b", "$HOME;rm -rf x", "\"q\""}, milliseconds(5000)),
              ProcessOutcome::Succeeded);
    std::ifstream in(out);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a b", "$HOME;rm -rf x", "\"q\""}));
}

TEST(RunProcessTest, TimeLimitKillsTheProcess) {
    TempDir dir;
    std::string script = WriteScript(dir.path(), "slow", "sleep 20");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProcess(script, {}, milliseconds(200)), ProcessOutcome::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(PrivateTempFolderTest, IsPrivateAndRemovedWithItsContents) {
    TempDir parent;
    std::string path;
    {
        PrivateTempFolder folder(parent.path());
        path = folder.path();
        EXPECT_EQ(std::filesystem::path(path).parent_path(), parent.path());
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        std::ofstream(path + "/temp.bmp") << "x";
        PrivateTempFolder second(parent.path());
        EXPECT_NE(second.path(), path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(parent.Contents().empty());
    EXPECT_THROW(PrivateTempFolder(parent / "missing/deeper"), FileError);
}

TEST(DirectoriesTest, TempDirectoryFollowsTmpdirAndProgramDirectoryIsOurs) {
    const char* saved = std::getenv("TMPDIR");
    std::string keep = saved ? saved : "";
    setenv("TMPDIR", "/var/tmp/x", 1);
    EXPECT_EQ(DefaultTempDirectory(), "/var/tmp/x");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(DefaultTempDirectory(), "/tmp");
    unsetenv("TMPDIR");
    EXPECT_EQ(DefaultTempDirectory(), "/tmp");
    if (saved) setenv("TMPDIR", keep.c_str(), 1);

    std::string self = DefaultProgramDirectory();
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(self) / "test_docview"));
}

}  // namespace
}  // namespace lintra::test
