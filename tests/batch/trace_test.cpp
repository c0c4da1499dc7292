// The trace step and its presets end to end: each preset on the samples
// gives what its steps give typed one by one, the presets are listed as
// steps, and a bad preset or value is a usage error before anything runs.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "docview/presets.h"
#include "run.h"
#include "support/test_data.h"
#include "support/test_files.h"

namespace lintra::test {
namespace {

const std::string kBatch = LINTRA_BIN_DIR "/lintra-batch";

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

TEST(TraceTest, EachPresetGivesWhatItsStepsGiveRunOneByOne) {
    TempDir dir;
    for (const std::string name :
         {"capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp", "horse_400x328_8bit_grey_pillow.bmp"}) {
        const std::string input = Sample(name);
        for (const Preset& preset : Presets()) {
            SCOPED_TRACE(name + " " + std::string(preset.name));
            auto outputs = [&](const std::string& tag) {
                return std::vector<std::string>{"save=" + (dir / (tag + ".bmp")),
                                                "svg=" + (dir / (tag + ".svg")),
                                                "cad=" + (dir / (tag + ".dxf"))};
            };
            std::vector<std::string> args{"--verbose", "--preset", std::string(preset.name), input, "trace"};
            for (const std::string& out : outputs("trace")) args.push_back(out);
            RunResult traced = RunProgram(kBatch, args);
            ASSERT_EQ(traced.status, 0) << traced.err;
            std::smatch steps;
            ASSERT_TRUE(std::regex_search(traced.out, steps, std::regex("trace: steps ([^\\n]*)")))
                << traced.out;

            std::vector<std::string> byHand{input};
            for (const std::string& step : Words(steps[1])) byHand.push_back(step);
            for (const std::string& out : outputs("hand")) byHand.push_back(out);
            RunResult r = RunProgram(kBatch, byHand);
            ASSERT_EQ(r.status, 0) << r.err;
            for (const char* ext : {".bmp", ".svg", ".dxf"}) {
                const std::string a = ReadFile(dir / (std::string("trace") + ext));
                EXPECT_FALSE(a.empty()) << ext;
                EXPECT_TRUE(a == ReadFile(dir / (std::string("hand") + ext)))
                    << ext << " differs after " << steps[1];
            }
        }
    }
    // Without --preset, trace runs the preset the picture calls for, and says which.
    const std::string input = Sample("horse_400x328_8bit_grey_pillow.bmp");
    RunResult chosen = RunProgram(kBatch, {"--verbose", input, "trace", "svg=" + (dir / "chosen.svg")});
    ASSERT_EQ(chosen.status, 0);
    std::smatch name;
    ASSERT_TRUE(std::regex_search(chosen.out, name, std::regex("trace: preset ([a-z]+) \\(one threshold")))
        << chosen.out;
    ASSERT_EQ(RunProgram(kBatch, {"--preset", name[1], input, "trace", "svg=" + (dir / "named.svg")}).status,
              0);
    EXPECT_EQ(ReadFile(dir / "chosen.svg"), ReadFile(dir / "named.svg"));
}

TEST(TraceTest, ListPresetsPrintsEachPresetAsSteps) {
    RunResult r = RunProgram(kBatch, {"--list-presets"});
    ASSERT_EQ(r.status, 0);
    for (const Preset& preset : Presets()) {
        EXPECT_NE(r.out.find(std::string(preset.name) + ": " + std::string(preset.purpose)),
                  std::string::npos);
        EXPECT_NE(r.out.find("\n  " + StepsText(ResolveSteps(preset, kNominalStrokeWidth)) + "\n"),
                  std::string::npos)
            << preset.name;
    }
    RunResult help = RunProgram(kBatch, {"--help"});
    EXPECT_NE(help.out.find("--preset NAME"), std::string::npos);
    EXPECT_NE(help.out.find("--list-presets"), std::string::npos);
}

TEST(TraceTest, BadPresetsAndValuesAreUsageErrorsWithNothingWritten) {
    TempDir dir;
    const std::string input = Sample("horse_400x328_8bit_grey_pillow.bmp");
    const std::string out = "svg=" + (dir / "never.svg");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    for (const Case& c : {
             Case{{"--preset", "sketch", input, "trace", out},
                  "unknown preset \"sketch\" (the presets: drawing"},
             Case{{input, "trace", out, "--preset"}, "unknown preset \"\""},
             Case{{"--preset=", input, "trace", out}, "unknown preset \"\""},
             Case{{input, out, "binarise-adaptive=49,100"},
                  "binarise-adaptive takes window (0 to 4001), then "
                  "sensitivity (1 to 99): binarise-adaptive=49,100"},
             Case{{input, out, "binarise-adaptive=49,66,3"}, "binarise-adaptive takes window"},
             Case{{input, out, "remove-small-blobs=-1"}, "remove-small-blobs takes area (0 to 1000000)"},
             Case{{input, out, "remove-short-branches=three"}, "remove-short-branches takes whole numbers"},
             Case{{input, out, "trace=scan"}, "this step takes no value: trace=scan"},
         }) {
        RunResult r = RunProgram(kBatch, c.args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_NE(r.err.find("lintra-batch: " + c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "never.svg"));
    }
}

}  // namespace
}  // namespace lintra::test
