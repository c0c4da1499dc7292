// Live re-application through the dialog's check: the first reported
// position saves the base, every later one starts again from it.
#include <gtest/gtest.h>

#include <stdexcept>

#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/param_reporter.h"
#include "docview/view.h"
#include "raster/binarise.h"
#include "view_fixture.h"

namespace lintra::test {
namespace {

class ReapplyTest : public ViewTest<> {
protected:
    ReapplyTest() {
        platform.answers.push_back(Sample("horse_400x328_8bit_grey_pillow.bmp"));
        view.OnCommand(cmd::kFileOpen);
        view.LoadPendingImage();
        grey = Pixels(view.CurrentImage());
    }
    // The grey picture thresholded at t, as the menu's operation does it.
    std::vector<std::uint8_t> Thresholded(int t) {
        std::vector<std::uint8_t> out = grey;
        for (std::uint8_t& p : out) p = p > t ? 255 : 0;
        return out;
    }
    // The newest parameter dialog; none open ends the test.
    ParamReporter& Dialog() {
        if (platform.dialogs.empty()) throw std::logic_error("no parameter dialog is open");
        return *platform.dialogs.back();
    }

    std::vector<std::uint8_t> grey;
};

TEST_F(ReapplyTest, ThresholdDialogAppliesEachReleasedPositionToTheSavedBase) {
    view.OnCommand(cmd::kParamBinariseThreshold);
    ASSERT_EQ(platform.dialogs.size(), 1u);
    EXPECT_EQ(view.ParamOperation(), FindCommand(cmd::kParamBinariseThreshold)->operation);
    EXPECT_TRUE(view.SavesBaseOnNextChange());
    EXPECT_EQ(Pixels(view.CurrentImage()), grey);  // opening changes nothing

    EXPECT_TRUE(Dialog().ReportFull(255));
    EXPECT_EQ(Dialog().m_strValue, "255");
    std::vector<std::uint8_t> black = Pixels(view.CurrentImage());
    EXPECT_EQ(std::count(black.begin(), black.end(), 0), static_cast<long>(black.size()));
    EXPECT_FALSE(view.SavesBaseOnNextChange());
    EXPECT_EQ(Pixels(view.BaseImage()), grey);

    // Position 0: every pixel above 0 becomes white.
    EXPECT_TRUE(Dialog().ReportFull(0));
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(0));
    EXPECT_TRUE(Dialog().ReportFull(128));
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(128));
    // Back to an earlier position: the same image as before.
    EXPECT_TRUE(Dialog().ReportFull(0));
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(0));
    EXPECT_EQ(view.DisplayedImage(), &view.CurrentImage());
}

TEST_F(ReapplyTest, TheSamePositionTwiceSendsNothing) {
    view.OnCommand(cmd::kParamBinariseThreshold);
    int invalidations = platform.invalidations;
    EXPECT_FALSE(Dialog().ReportFull(0));  // the dialog starts at 0
    EXPECT_EQ(platform.invalidations, invalidations);
    EXPECT_TRUE(view.SavesBaseOnNextChange());
    EXPECT_TRUE(Dialog().ReportFull(90));
    EXPECT_FALSE(Dialog().ReportFull(90));
    EXPECT_FALSE(Dialog().ReportShort(90));
    EXPECT_EQ(platform.invalidations, invalidations + 1);
    // The short form sends but leaves the edit text alone.
    EXPECT_TRUE(Dialog().ReportShort(91));
    EXPECT_EQ(Dialog().m_strValue, "90");
    EXPECT_EQ(Dialog().m_lastPos, 91);
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(91));
}

TEST_F(ReapplyTest, RestorePreviousAfterAdjustingBringsBackThePictureFromBeforeTheDialog) {
    view.OnCommand(cmd::kInvert);
    std::vector<std::uint8_t> inverted = Pixels(view.CurrentImage());
    view.OnCommand(cmd::kParamBinariseThreshold);
    Dialog().ReportFull(100);
    Dialog().ReportFull(150);
    view.OnCommand(cmd::kRestorePrevious);
    EXPECT_EQ(Pixels(view.CurrentImage()), inverted);
    // The next move re-applies to the saved base: the restore is lost.
    Dialog().ReportFull(120);
    grey = inverted;
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(120));
}

TEST_F(ReapplyTest, TwoDialogsSendToOneViewWhichAppliesTheNewestOperation) {
    view.OnCommand(cmd::kParamBinariseGradient);
    view.OnCommand(cmd::kParamBinariseThreshold);
    ASSERT_EQ(platform.dialogs.size(), 2u);
    ParamReporter& older = *platform.dialogs[0];
    ParamReporter& newer = *platform.dialogs[1];
    older.ReportFull(128);
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(128));
    newer.ReportFull(60);
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(60));
    // Each dialog keeps its own last position.
    EXPECT_FALSE(older.ReportFull(128));
    EXPECT_TRUE(newer.ReportFull(128));
    EXPECT_EQ(Pixels(view.CurrentImage()), Thresholded(128));
}

TEST_F(ReapplyTest, ReopeningSavesANewBase) {
    view.OnCommand(cmd::kParamBinariseThreshold);
    Dialog().ReportFull(128);
    std::vector<std::uint8_t> first = Pixels(view.CurrentImage());
    // Blob removal on the thresholded picture, at sizes 0 (nothing) and 50.
    view.OnCommand(cmd::kParamSmallBlobs);
    EXPECT_EQ(view.ParamOperation(), FindCommand(cmd::kParamSmallBlobs)->operation);
    EXPECT_EQ(Pixels(view.PreviousImage()), first);
    Dialog().ReportFull(1);
    EXPECT_EQ(Pixels(view.CurrentImage()), first);
    EXPECT_EQ(Pixels(view.BaseImage()), first);
    Dialog().ReportFull(50);
    std::vector<std::uint8_t> cleaned = Pixels(view.CurrentImage());
    EXPECT_GE(std::count(cleaned.begin(), cleaned.end(), 255), std::count(first.begin(), first.end(), 255));
    view.OnCommand(cmd::kParamShortBranches);
    EXPECT_EQ(view.ParamOperation(), FindCommand(cmd::kParamShortBranches)->operation);
    Dialog().ReportFull(0);  // the new dialog starts at 0: nothing sent
    EXPECT_TRUE(view.SavesBaseOnNextChange());
}

TEST(ParamReporterTest, WithoutAViewPositionsAreOnlyRemembered) {
    ParamReporter reporter(nullptr);
    EXPECT_TRUE(reporter.ReportFull(7));
    EXPECT_EQ(reporter.m_lastPos, 7);
    EXPECT_EQ(reporter.m_strValue, "7");
}

}  // namespace
}  // namespace lintra::test
