// The many-files form of lintra-batch: {stem} and {dir} in step paths, the
// usage errors that keep inputs from overwriting each other's files, the
// child processes that run the inputs, and the progress line.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <filesystem>

#include "batch/input_paths.h"
#include "batch/job_pool.h"
#include "batch/progress.h"
#include "run.h"
#include "support/test_data.h"
#include "support/test_files.h"

namespace lintra::test {
namespace {

const std::string kBatch = LINTRA_BIN_DIR "/lintra-batch";
const std::string kSquare = LINTRA_TEST_DATA_DIR "/batch/square_10x10.bmp";

std::vector<Step> Parse(const std::vector<std::string>& arguments) {
    std::vector<Step> steps;
    for (const std::string& argument : arguments) {
        std::string error;
        std::optional<Step> step = ParseStep(argument, error);
        EXPECT_TRUE(step) << error;
        if (step) steps.push_back(*step);
    }
    return steps;
}

TEST(ManyInputsTest, StemAndDirAreFilledInForEachInput) {
    EXPECT_EQ(ExpandInputPath("{dir}/{stem}.dxf", "scans/a.b.bmp"), "scans/a.b.dxf");
    EXPECT_EQ(ExpandInputPath("out/{stem}-{stem}.svg", "/x/y/p1.bmp"), "out/p1-p1.svg");
    EXPECT_EQ(ExpandInputPath("{dir}/{stem}", "plain"), "./plain");
    EXPECT_EQ(ExpandInputPath("{stemm}{dir", "a/b.bmp"), "{stemm}{dir");

    std::string error;
    auto lists = StepsForInputs(
        {"a/one.bmp", "b/two.bmp"},
        Parse({"thin", "dxf={dir}/{stem}.dxf", "open={dir}/mask.bmp", "save=out/{stem}.bmp"}), error);
    ASSERT_TRUE(lists) << error;
    ASSERT_EQ(lists->size(), 2u);
    const std::vector<Step>& second = (*lists)[1];
    ASSERT_EQ(second.size(), 5u);
    EXPECT_EQ(second[0].kind, Step::kOpen);
    EXPECT_EQ(second[0].path, "b/two.bmp");
    EXPECT_EQ(second[2].path, "b/two.dxf");
    // A file read by every input needs no name of its own.
    EXPECT_EQ(second[3].path, "b/mask.bmp");
    EXPECT_EQ(second[4].path, "out/two.bmp");
}

TEST(ManyInputsTest, InputsThatWouldOverwriteEachOthersFilesAreRefused) {
    std::string error;
    EXPECT_FALSE(StepsForInputs({"a.bmp", "b.bmp"}, Parse({"thin", "svg=out.svg"}), error));
    EXPECT_NE(error.find("svg=out.svg"), std::string::npos) << error;
    // One input may write a fixed path; a read path may be fixed for many.
    EXPECT_TRUE(StepsForInputs({"a.bmp"}, Parse({"svg=out.svg"}), error));
    EXPECT_TRUE(StepsForInputs({"a.bmp", "b.bmp"}, Parse({"open=mask.bmp", "svg={stem}.svg"}), error));
    // The same stem in two folders, and the same input twice.
    EXPECT_FALSE(StepsForInputs({"x/a.bmp", "y/a.bmp"}, Parse({"svg=out/{stem}.svg"}), error));
    EXPECT_NE(error.find("x/a.bmp and y/a.bmp"), std::string::npos) << error;
    EXPECT_FALSE(StepsForInputs({"a.bmp", "./a.bmp"}, Parse({"svg={dir}/{stem}.svg"}), error));
}

// Counts the children running at once and keeps what each reported.
class RecordingObserver : public JobObserver {
public:
    void Started(std::size_t) override { m_peak = std::max(m_peak, ++m_running); }
    void Finished(std::size_t index, const JobOutcome& outcome) override {
        --m_running;
        m_outcomes.resize(std::max(m_outcomes.size(), index + 1));
        m_outcomes[index] = outcome;
    }
    void Waiting() override {}

    int m_running = 0;
    int m_peak = 0;
    std::vector<JobOutcome> m_outcomes;
};

TEST(ManyInputsTest, AChildThatFailsOrCrashesLeavesTheOthersRunning) {
    RecordingObserver observer;
    std::size_t failed = RunInChildProcesses(
        6, 2,
        [](std::size_t i) {
            std::printf("out %zu\n", i);
            if (i == 1) std::fprintf(stderr, "无法访问文件 x：没有空间\n");
            // A kill no handler can catch, as the sanitizers catch a segfault.
            if (i == 3) raise(SIGKILL);
            return i == 1 ? 1 : 0;
        },
        observer);
    EXPECT_EQ(failed, 2u);
    EXPECT_LE(observer.m_peak, 2);
    ASSERT_EQ(observer.m_outcomes.size(), 6u);
    for (std::size_t i : {0u, 2u, 4u, 5u}) {
        EXPECT_TRUE(observer.m_outcomes[i].Succeeded()) << i;
        EXPECT_EQ(observer.m_outcomes[i].out, "out " + std::to_string(i) + "\n");
        EXPECT_EQ(observer.m_outcomes[i].Reason(), "");
    }
    EXPECT_EQ(observer.m_outcomes[1].exitStatus, 1);
    EXPECT_EQ(observer.m_outcomes[1].Reason(), "无法访问文件 x：没有空间");
    EXPECT_EQ(observer.m_outcomes[3].signal, SIGKILL);
    EXPECT_NE(observer.m_outcomes[3].Reason().find("signal 9"), std::string::npos);
}

TEST(ManyInputsTest, TheBarLineFitsItsWidth) {
    EXPECT_EQ(FormatDuration(59.9), "0:59");
    EXPECT_EQ(FormatDuration(3725), "1:02:05");
    EXPECT_EQ(ProgressBarLine(0, 4, 1, "a.bmp", 80),
              "[--------------------] 0/4  0:01 elapsed, ?:?? left  a.bmp");
    // Half done in 30 s: 30 s to go.
    EXPECT_EQ(ProgressBarLine(2, 4, 30, "scans/b.bmp", 80),
              "[##########----------] 2/4  0:30 elapsed, 0:30 left  scans/b.bmp");
    // The counts and times take 53 columns; the file keeps its end.
    std::string narrow = ProgressBarLine(2, 4, 30, "a/very/long/folder/name/of/scans/b.bmp", 66);
    EXPECT_EQ(narrow.size(), 66u);
    EXPECT_TRUE(narrow.ends_with("left  ...cans/b.bmp")) << narrow;
}

// The files of a many-files run match those of one run per input, with
// {stem} and {dir} naming them beside each input.
TEST(ManyInputsTest, EachInputGetsTheFilesOfItsOwnRun) {
    TempDir dir;
    std::filesystem::create_directories(dir / "x");
    std::filesystem::create_directories(dir / "y");
    std::filesystem::copy_file(Sample("horse_400x328_8bit_grey_pillow.bmp"), dir / "x/horse.bmp");
    std::filesystem::copy_file(kSquare, dir / "y/square.bmp");
    const std::vector<std::string> steps = {"binarise-iterative", "thin", "vectorise-1",
                                            "dxf={dir}/{stem}.dxf", "svg=" + dir.path() + "/{stem}.svg"};
    std::vector<std::string> args{"--jobs", "2", dir / "x/horse.bmp", dir / "y/square.bmp", "--"};
    args.insert(args.end(), steps.begin(), steps.end());
    RunResult r = RunProgram(kBatch, args);
    ASSERT_EQ(r.status, 0) << r.err;
    // Not a terminal: a line per file, then the summary.
    EXPECT_NE(r.err.find(" done " + (dir / "x/horse.bmp")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("lintra-batch: 2 done, 0 failed"), std::string::npos) << r.err;

    for (std::string name : {"x/horse", "y/square"}) {
        SCOPED_TRACE(name);
        std::string stem = std::filesystem::path(name).filename();
        RunResult single =
            RunProgram(kBatch, {dir / (name + ".bmp"), "binarise-iterative", "thin", "vectorise-1",
                                "dxf=" + (dir / "single.dxf"), "svg=" + (dir / "single.svg")});
        ASSERT_EQ(single.status, 0) << single.err;
        EXPECT_EQ(ReadFile(dir / (name + ".dxf")), ReadFile(dir / "single.dxf"));
        EXPECT_EQ(ReadFile(dir / (stem + ".svg")), ReadFile(dir / "single.svg"));
    }
}

TEST(ManyInputsTest, AFailingInputIsReportedAndTheOthersGoOn) {
    TempDir dir;
    std::ofstream(dir / "notes.bmp") << "hello";
    std::filesystem::copy_file(kSquare, dir / "a.bmp");
    std::filesystem::copy_file(kSquare, dir / "z.bmp");
    RunResult r = RunProgram(kBatch, {"-j1", dir / "a.bmp", dir / "notes.bmp", dir / "z.bmp", "--",
                                      "vectorise-1", "svg={dir}/{stem}.svg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("2/3 FAILED " + (dir / "notes.bmp") + ": This isn't a bitmap file!\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("3/3 done " + (dir / "z.bmp")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("lintra-batch: 2 done, 1 failed"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "a.svg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "z.svg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "notes.svg"));
}

TEST(ManyInputsTest, UsageErrorsOfTheManyFilesForm) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{kSquare, kSquare + "x", "--", "save=" + (dir / "out.bmp")},
          {"--", "thin"},
          {"--jobs", "0", kSquare, "--", "thin"},
          {"--jobs", kSquare, "--", "thin"},
          {kSquare, "--", "thin", "no-such-step"}}) {
        RunResult r = RunProgram(kBatch, args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage: lintra-batch"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace lintra::test
