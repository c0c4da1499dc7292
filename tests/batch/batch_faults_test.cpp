// lintra-batch when the files around it fail: save= and dxf= outputs onto a
// full disk, a read-only folder or a failing device, and an unusable
// temporary directory for the converter. Each run stops with status 1 and
// the file error on standard error, keeps the earlier files byte for byte,
// leaves nothing behind and runs no later step.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "../docview/fault_folders.h"
#include "run.h"
#include "support/test_data.h"

namespace lintra::test {
namespace {

const std::string kBatch = LINTRA_BIN_DIR "/lintra-batch";
const std::string kSquare = LINTRA_TEST_DATA_DIR "/batch/square_10x10.bmp";

const std::string kEarlierBmp = "BM an earlier picture";
const std::string kEarlierDxf = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nENDSEC\r\n0\r\nEOF";

// The report lintra-batch prints for a file error on output.
std::string FileErrorLine(const std::string& path) {
    return "无法访问文件 " + path + "：";
}

// Runs the square through thinning and Vectorise 1 with output as its
// file step (save= or dxf=) and an SVG after it that must never be written.
// Expects status 1 and the error naming path with reason.
void ExpectOutputRefused(const std::string& output, const std::string& path, const std::string& reason,
                         const std::string& never, bool asOtherUser = false) {
    SCOPED_TRACE(output);
    RunResult r;
    {
        std::optional<ActAsOtherUser> other;
        if (asOtherUser) other.emplace();
        r = RunProgram(kBatch, {kSquare, "thin", "vectorise-1", output, "svg=" + never});
    }
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(FileErrorLine(path)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(never));
}

const std::vector<std::pair<std::string, std::string>> kEarlierFiles = {{"earlier.bmp", kEarlierBmp},
                                                                        {"earlier.dxf", kEarlierDxf}};

// Both outputs, onto the earlier files and onto new names in folder.
void ExpectBothOutputsRefused(const Folder& folder, const std::string& reason, const std::string& never,
                              bool asOtherUser = false) {
    for (std::string name : {"earlier.bmp", "new.bmp"})
        ExpectOutputRefused("save=" + (folder / name), folder / name, reason, never, asOtherUser);
    for (std::string name : {"earlier.dxf", "new.dxf"})
        ExpectOutputRefused("dxf=" + (folder / name), folder / name, reason, never, asOtherUser);
    EXPECT_EQ(FileBytes(folder / "earlier.bmp"), kEarlierBmp);
    EXPECT_EQ(FileBytes(folder / "earlier.dxf"), kEarlierDxf);
}

TEST(BatchFaultTest, OutputsOntoAFullDisk) {
    Folder elsewhere;
    FullFolder full;
    if (std::string why = full.Make(kEarlierFiles); !why.empty()) GTEST_SKIP() << why;
    ExpectBothOutputsRefused(full, std::strerror(ENOSPC), elsewhere / "never.svg");
    EXPECT_EQ(Entries(full.path()), (std::vector<std::string>{"earlier.bmp", "earlier.dxf", "filler"}));
}

TEST(BatchFaultTest, OutputsOntoAFullDevice) {
    if (!std::filesystem::is_character_file("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Folder folder;
    std::filesystem::create_symlink("/dev/full", folder / "full.bmp");
    std::filesystem::create_symlink("/dev/full", folder / "full.dxf");
    ExpectOutputRefused("save=" + (folder / "full.bmp"), folder / "full.bmp", std::strerror(ENOSPC),
                        folder / "never.svg");
    ExpectOutputRefused("dxf=" + (folder / "full.dxf"), folder / "full.dxf", std::strerror(ENOSPC),
                        folder / "never.svg");
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"full.bmp", "full.dxf"}));
}

TEST(BatchFaultTest, OutputsOntoAReadOnlyMount) {
    Folder elsewhere;
    ReadOnlyMount folder;
    if (std::string why = folder.Make(kEarlierFiles); !why.empty()) GTEST_SKIP() << why;
    ExpectBothOutputsRefused(folder, std::strerror(EROFS), elsewhere / "never.svg");
}

TEST(BatchFaultTest, OutputsIntoAFolderWithoutWritePermission) {
    if (std::string why = ActAsOtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    ReadOnlyPermissions folder;
    ASSERT_EQ(folder.Make(kEarlierFiles), "");
    Folder elsewhere;
    chmod(elsewhere.path().c_str(), 0777);
    ExpectBothOutputsRefused(folder, std::strerror(EACCES), elsewhere / "never.svg", true);
    EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"earlier.bmp", "earlier.dxf"}));
}

TEST(BatchFaultTest, UnusableTemporaryDirectoryStopsTheColourLoad) {
    const std::string colour = Sample("chelsea_crop_5x3_24bit_imagemagick.bmp");
    Folder scratch;
    PutFile(scratch / "a-file", "x");
    for (const std::string& tmpdir : {scratch / "a-file", scratch / "missing"}) {
        SCOPED_TRACE(tmpdir);
        RunResult r = RunProgram(kBatch, {colour, "svg=" + (scratch / "never.svg")}, {"TMPDIR=" + tmpdir});
        EXPECT_EQ(r.status, 1);
        // Reported once, naming the directory and why it cannot be used.
        EXPECT_EQ(r.err.find(FileErrorLine(tmpdir)), 0u) << r.err;
        EXPECT_EQ(r.err.find("无法访问文件", 1), std::string::npos) << r.err;
    }
    EXPECT_EQ(Entries(scratch.path()), std::vector<std::string>{"a-file"});
    // The same run with a usable one converts and leaves it empty.
    Folder usable;
    RunResult r = RunProgram(kBatch, {colour, "save=" + (scratch / "grey.bmp")}, {"TMPDIR=" + usable.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Entries(usable.path()).empty());
}

}  // namespace
}  // namespace lintra::test
