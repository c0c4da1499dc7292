// The presets as data: every step names a command of the table with values
// it accepts at any stroke width, the drawing preset at the nominal width is
// the menu's own clean-up, and sizes follow the width.
#include "docview/presets.h"

#include <gtest/gtest.h>

#include "docview/commands.h"

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
             Case{"drawing", 8,
                  "binarise-iterative remove-small-blobs=13 thin remove-short-branches=6 vectorise-1"},
             Case{"scan", 4,
                  "binarise-adaptive=48,66 remove-small-blobs=16 thin remove-short-branches=4 vectorise-1"},
             Case{"scan", 2,
                  "binarise-adaptive=24,66 remove-small-blobs=4 thin remove-short-branches=2 vectorise-1"},
         })
        EXPECT_EQ(StepsText(ResolveSteps(*FindPreset(c.preset), c.width)), c.steps)
            << c.preset << " " << c.width;
}

}  // namespace
}  // namespace lintra
