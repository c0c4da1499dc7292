// lintra-batch --threads: the values it refuses, how the cores are shared
// when several inputs run at once, and that the files written are the same
// bytes whatever the number of threads.
#include "batch/threads_option.h"

#include <gtest/gtest.h>

#include "run.h"
#include "support/test_data.h"
#include "support/test_files.h"

namespace lintra::test {
namespace {

const std::string kBatch = LINTRA_BIN_DIR "/lintra-batch";

TEST(ThreadsOptionTest, BadValuesAreUsageErrors) {
    const std::string input = Sample("horse_400x328_8bit_grey_pillow.bmp");
    for (const std::vector<std::string>& options : {std::vector<std::string>{"--threads", "0"},
                                                    {"--threads", "-2"},
                                                    {"--threads", "two"},
                                                    {"--threads", "2x"},
                                                    {"--threads", "257"},
                                                    {"--threads", "99999999999"},
                                                    {"--threads="},
                                                    {"--threads"}}) {
        std::vector<std::string> args = options;
        if (options.size() > 1) args.insert(args.end(), {input, "thin"});
        RunResult r = RunProgram(kBatch, args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(options);
        EXPECT_NE(r.err.find("lintra-batch: --threads needs"), std::string::npos) << r.err;
    }
    RunResult help = RunProgram(kBatch, {"--help"});
    EXPECT_NE(help.out.find("  --threads N "), std::string::npos);
}

TEST(ThreadsOptionTest, TheCoresAreSharedAmongTheRunsAtOnce) {
    EXPECT_EQ(ThreadsPerRun(3, 8, 4, 10, true), 3) << "a given count is kept";
    EXPECT_EQ(ThreadsPerRun(0, 8, 4, 1, false), 8) << "one picture takes every core";
    EXPECT_EQ(ThreadsPerRun(0, 8, 4, 10, true), 2);
    EXPECT_EQ(ThreadsPerRun(0, 8, 3, 10, true), 2) << "rounded down";
    EXPECT_EQ(ThreadsPerRun(0, 2, 4, 10, true), 1) << "at least one";
    EXPECT_EQ(ThreadsPerRun(0, 8, 4, 2, true), 4) << "two inputs run two at once";
}

TEST(ThreadsOptionTest, FilesAreTheSameBytesWithAnyNumberOfThreads) {
    TempDir dir;
    const std::string input = Sample("capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp");
    auto run = [&](const std::string& threads) {
        const std::string stem = dir / ("t" + threads);
        RunResult r =
            RunProgram(kBatch, {"--threads", threads, input, "edge-sobel", "save=" + stem + "-edge.bmp",
                                "restore-original", "binarise-iterative", "remove-small-blobs", "thin",
                                "remove-short-branches", "save=" + stem + ".bmp", "vectorise-1",
                                "dxf=" + stem + ".dxf"});
        EXPECT_EQ(r.status, 0) << r.err;
        return ReadFile(stem + "-edge.bmp") + ReadFile(stem + ".bmp") + ReadFile(stem + ".dxf");
    };
    const std::string one = run("1");
    ASSERT_GT(one.size(), 794u * 1123u * 2);
    EXPECT_TRUE(one == run("2"));
    EXPECT_TRUE(one == run("3"));
}

}  // namespace
}  // namespace lintra::test
