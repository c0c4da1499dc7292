// The presets as data: every step names a command of the table with values
// it accepts at any stroke width, the drawing preset at the nominal width is
// the menu's own clean-up, and sizes follow the width.
#include "docview/presets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "docview/commands.h"
#include "docview/trace.h"

namespace lintra {
namespace {

TEST(Presets, StepsAreCommandsWithValuesTheyTakeAtAnyWidth) {
    ASSERT_NE(FindPreset(kDefaultPreset), nullptr);
    EXPECT_EQ(FindPreset("nonesuch"), nullptr);
    for (const Preset& preset : Presets())
        for (double width : {0.0, 1.0, 2.5, 4.0, 8.0, 30.0, 64.0}) {
            for (const ResolvedStep& step : ResolveSteps(preset, width)) {
                ASSERT_NE(step.command, nullptr) << preset.name;
                EXPECT_TRUE(step.command->RunsInView() && step.command->kind != CommandKind::Parameter);
                std::string error;
                EXPECT_TRUE(step.values.empty() || ValuesFit(*step.command, step.values, error))
                    << preset.name << " at " << width << ": " << error;
            }
        }
    struct Case {
        std::string_view preset;
        double width;
        std::string steps;
    };
    for (const Case& c : {
             Case{"drawing", 0,
                  "binarise-iterative remove-small-blobs=3 thin remove-short-branches=3 vectorise-1"},
             Case{"drawing", 5,
                  "binarise-iterative remove-small-blobs=3 thin remove-short-branches=3 vectorise-1"},
             Case{"drawing", 8,
                  "binarise-iterative remove-small-blobs=8 thin remove-short-branches=5 vectorise-1"},
             Case{"scan", 4,
                  "binarise-adaptive=48,66 remove-small-blobs=16 thin remove-short-branches=4 vectorise-1"},
             Case{"scan", 2,
                  "binarise-adaptive=24,66 remove-small-blobs=4 thin remove-short-branches=2 vectorise-1"},
         })
        EXPECT_EQ(StepsText(ResolveSteps(*FindPreset(c.preset), c.width)), c.steps)
            << c.preset << " " << c.width;
}

// A page of a few strokes 4 px wide, ink on about 1% of it as in a drawing
// (which lets a single threshold drift into darkened paper): clean, as a
// good scan (light falling off by a sixth, grain), as a poor one (paper
// darkening by a third to a corner, ink at 40%, strong grain), and with
// faint ink alone.
TEST(Presets, APageOneThresholdDoesNotSuitIsTracedAsAScan) {
    struct Case {
        double darkening, ink, grain;
        std::string_view preset;
    };
    for (const Case& c : {Case{0, 0, 0, "drawing"}, Case{0.17, 0, 7, "drawing"}, Case{0.33, 100, 15, "scan"},
                          Case{0, 150, 4, "scan"}}) {
        const int w = 1200, h = 900;
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h);
        std::mt19937 rng(3);
        std::normal_distribution<double> grain(0, c.grain > 0 ? c.grain : 1e-9);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool stroke = (x / 4 == 100 && y > 20 && y < h - 20) ||
                                    (y / 4 == 150 && x > 20 && x < w - 20) ||
                                    std::abs(std::hypot(x - 800, y - 450) - 150) < 2;
                const double paper =
                    255 * (1 - c.darkening * std::pow((double(x) / w + double(y) / h) / 2, 1.5));
                const double tone = (stroke ? 255 - (255 - c.ink) : 255) * paper / 255 + grain(rng);
                pixels[static_cast<std::size_t>(y) * w + x] =
                    static_cast<std::uint8_t>(std::clamp(std::lround(tone), 0L, 255L));
            }
        double ratio = 0;
        const Preset& chosen = ChoosePreset({pixels.data(), w, h, w, 8}, &ratio);
        EXPECT_EQ(chosen.name, c.preset)
            << "darkening " << c.darkening << ", ink " << c.ink << ": ratio " << ratio;
    }
}

}  // namespace
}  // namespace lintra
