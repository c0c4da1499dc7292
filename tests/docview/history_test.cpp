// The undo history: deltas that turn each picture into the other, every
// kind of step undone and redone exactly, the limits, the status notes, the
// saved state, and the copied command line repeated by lintra-batch.
#include "docview/history.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "batch/run.h"
#include "docview/messages.h"
#include "support/padded_image.h"
#include "view_fixture.h"

namespace lintra::test {
namespace {

const std::string kHorse = std::string(LINTRA_TEST_DATA_DIR) + "/samples/horse_400x328_8bit_grey_pillow.bmp";

using test_images::PaddedImage;

// An entry that holds only its step.
HistoryEntry Entry(HistoryStep step) {
    HistoryEntry entry;
    entry.step = std::move(step);
    return entry;
}

std::vector<std::uint8_t> Pixels(const Dib& dib) {
    return CopyPixels(const_cast<Dib&>(dib).View());
}

TEST(StoredPictureTest, RestoresEachPictureExactlyOnAnySize) {
    std::mt19937 random(25);
    for (int width : {1, 3, 17, 400}) {
        for (int height : {1, 2, 31}) {
            PaddedImage original(width, height), bw(width, height), grey(width, height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    original.at(x, y) = static_cast<std::uint8_t>(random());
                    bw.at(x, y) = random() % 2 ? 0 : 255;
                    // Close to the original: one pixel in ten changed.
                    grey.at(x, y) =
                        random() % 10 == 0 ? static_cast<std::uint8_t>(random()) : original.at(x, y);
                }
            for (PaddedImage* picture : {&original, &bw, &grey}) {
                SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " picture " +
                             std::to_string(picture - &original));
                auto stored = StoredPicture::Store(picture->view(), original.view());
                EXPECT_EQ(stored->Hash(), PixelHash(picture->view()));
                PaddedImage out(width, height, 77);
                stored->RestoreInto(out.view(), original.view());
                EXPECT_TRUE(out.samePixels(*picture));
                EXPECT_TRUE(out.paddingIntact());
            }
        }
    }
}

TEST(StoredPictureTest, KeepsWhicheverFormDeflatesSmaller) {
    PaddedImage original(300, 200);
    std::mt19937 random(7);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) original.at(x, y) = static_cast<std::uint8_t>(random());
    // The picture as opened, XORed with itself: nothing left to keep.
    auto same = StoredPicture::Store(original.view(), original.view());
    EXPECT_TRUE(same->AgainstOriginal());
    EXPECT_LT(same->Bytes(), 1000u);
    // A noisy grey picture with a line drawn on it: the line alone is kept.
    PaddedImage marked = original;
    marked.Fill(10, 50, 290, 52);
    auto close = StoredPicture::Store(marked.view(), original.view());
    EXPECT_TRUE(close->AgainstOriginal());
    EXPECT_LT(close->Bytes(), 3000u);
    // A black-and-white picture is kept as it is.
    PaddedImage bw(300, 200);
    bw.Fill(20, 20, 100, 120);
    auto plain = StoredPicture::Store(bw.view(), original.view());
    EXPECT_FALSE(plain->AgainstOriginal());
    EXPECT_LT(plain->Bytes(), 2000u);
    PaddedImage other(200, 300);
    EXPECT_THROW(plain->RestoreInto(other.view(), original.view()), std::runtime_error);
}

TEST(UndoHistoryTest, KeepsAtLeastTwentyStepsWhateverTheBudget) {
    UndoHistory history;
    history.SetBudget(1);
    for (int i = 0; i < 30; ++i) history.Push(Entry({cmd::kInvert, {}, 0}));
    EXPECT_EQ(history.Size(), UndoHistory::kMinSteps);
    EXPECT_EQ(history.Dropped(), 10u);
    EXPECT_FALSE(history.IsClean());  // the state as opened is gone
    history.SetBudget(UndoHistory::kDefaultBudget);
    for (int i = 0; i < 200; ++i) history.Push(Entry({cmd::kInvert, {}, 0}));
    EXPECT_EQ(history.Size(), UndoHistory::kMaxSteps);
    EXPECT_EQ(BatchCommandLine(history, "a.bmp"), "");  // cannot repeat dropped steps
}

TEST(UndoHistoryTest, CommandLineNamesEachStepWithItsValues) {
    UndoHistory history;
    for (HistoryStep step : std::vector<HistoryStep>{{cmd::kBinariseThreshold, {120}, 0},
                                                     {cmd::kParamSmallBlobs, {4}, 7},
                                                     {cmd::kParamSmallBlobs, {9}, 7},
                                                     {cmd::kParamSmallBlobs, {2}, 8},
                                                     {cmd::kThin, {}, 0},
                                                     {cmd::kVectorise1, {}, 0},
                                                     {cmd::kInvert, {}, 0}})
        history.Push(Entry(step));
    history.SetPosition(6);  // the invert was undone: not part of the line
    EXPECT_EQ(BatchCommandLine(history, "/scans/it's here.bmp"),
              "lintra-batch '/scans/it'\\''s here.bmp' binarise-threshold=120 param-small-blobs=9 "
              "param-small-blobs=2 thin vectorise-1");
}

class HistoryViewTest : public ViewTest<> {
protected:
    struct Shot {
        std::vector<std::uint8_t> pixels;
        SegmentList segments;
        int vectorMode;
        bool operator==(const Shot&) const = default;
    };
    Shot Take() { return {Pixels(view.CurrentImage()), doc.m_segmentList, view.VectorMode()}; }
    // A change of the picture no step records, as lintra-batch makes them.
    void ChangeUnrecorded() {
        view.SetRecordHistory(false);
        view.OnCommand(cmd::kWhiteBorder);
        view.SetRecordHistory(true);
    }
};

TEST_F(HistoryViewTest, EveryKindOfStepUndoesAndRedoesExactly) {
    Open(kHorse);
    ASSERT_TRUE(view.HasImage());
    std::vector<Shot> shots{Take()};
    auto step = [&](const std::function<void()>& run) {
        run();
        shots.push_back(Take());
    };
    step([&] { view.OnCommand(cmd::kEdgeSobel); });
    step([&] { view.OnCommand(cmd::kRestoreOriginal); });
    step([&] { view.OnCommand(cmd::kBinariseIterative); });
    step([&] { view.OnCommand(cmd::kParamSmallBlobs); });  // opening the dialog is no step
    shots.pop_back();
    step([&] { platform.dialogs.back()->ReportFull(5); });
    step([&] { platform.dialogs.back()->ReportFull(40); });
    step([&] { view.OnCommand(cmd::kThin); });
    const int area[] = {2};
    step([&] { view.OnCommand(cmd::kRemoveSmallBlobs, area); });
    step([&] { view.OnCommand(cmd::kVectorise1); });
    step([&] { view.OnCommand(cmd::kInvert); });  // a raster step with vectors shown
    step([&] { view.OnCommand(cmd::kVectorise2); });
    ASSERT_EQ(view.History().Size(), shots.size() - 1);
    // Thirteen pictures, two of them grey ones of their own (the picture
    // as opened costs nothing), held in less than two copies' room.
    EXPECT_LT(view.History().Bytes(), 2 * shots.front().pixels.size());
    for (std::size_t i = shots.size() - 1; i-- > 0;) {
        view.OnEditUndo();
        ASSERT_EQ(Take(), shots[i]) << "after undoing step " << i + 1;
    }
    view.OnEditUndo();  // nothing left: nothing happens
    EXPECT_EQ(Take(), shots.front());
    for (std::size_t i = 1; i < shots.size(); ++i) {
        view.OnEditRedo();
        ASSERT_EQ(Take(), shots[i]) << "after redoing step " << i;
    }
    // Going straight to a step, as a click in the history list does.
    view.GoToStep(3);
    EXPECT_EQ(Take(), shots[3]);
    EXPECT_TRUE(platform.messages.empty());
    // A new step after undoing drops the ones that could be redone.
    view.OnCommand(cmd::kInvert);
    EXPECT_EQ(view.History().Size(), 4u);
    EXPECT_FALSE(view.History().CanRedo());
}

TEST_F(HistoryViewTest, StatusSaysWhatEachStepDid) {
    Open(kHorse);
    view.OnCommand(cmd::kBinariseIterative);
    ASSERT_GE(view.IterativeThreshold(), 0);
    EXPECT_EQ(platform.statusTexts.back(),
              FillPlaceholders(kStatusThreshold.plain, {std::to_string(view.IterativeThreshold())}));

    // Three lone dots, one of them two pixels: removing blobs under 3
    // takes the three pieces and their four pixels.
    const int width = 400, height = 328;
    WriteGreyBmp(temp / "dots.bmp", width, height, [](int x, int y) {
        const bool dot = (x == 10 && y == 10) || ((x == 30 || x == 31) && y == 40) || (x == 100 && y == 200);
        const bool line = y == 100 && x >= 200 && x < 260;  // a line that stays
        return std::uint8_t(dot || line ? 0 : 255);
    });
    Open(temp / "dots.bmp");
    const int area[] = {3};
    view.OnCommand(cmd::kRemoveSmallBlobs, area);
    EXPECT_EQ(platform.statusTexts.back(), FillPlaceholders(kStatusRemoved.plain, {"3", "4"}));

    view.OnCommand(cmd::kVectorise1);
    EXPECT_EQ(platform.statusTexts.back(),
              FillPlaceholders(kStatusSegments, {std::to_string(doc.m_segmentList.size())}));
    view.OnCommand(cmd::kInvert);
    EXPECT_EQ(platform.statusTexts.back(),
              FillPlaceholders(kStatusChanged.vectorShown, {std::to_string(width * height)}));
}

TEST_F(HistoryViewTest, ModifiedUntilSavedOrUndoneToTheSavedState) {
    Open(kHorse);
    EXPECT_FALSE(view.IsModified());
    view.OnCommand(cmd::kInvert);
    EXPECT_TRUE(view.IsModified());
    view.OnEditUndo();
    EXPECT_FALSE(view.IsModified());
    view.OnEditRedo();
    platform.answers.push_back(temp.path() + "/saved.bmp");
    view.OnCommand(cmd::kFileSave);
    EXPECT_FALSE(view.IsModified());
    view.OnEditUndo();
    EXPECT_TRUE(view.IsModified());  // the saved file holds the inverted picture
    // A failed save leaves it modified.
    platform.answers.push_back(temp.path() + "/no such folder/x.bmp");
    view.OnCommand(cmd::kFileSave);
    EXPECT_TRUE(view.IsModified());
}

TEST_F(HistoryViewTest, UndoGoesBackToTheStepEvenAfterAChangeItDidNotSee) {
    Open(kHorse);
    view.OnCommand(cmd::kInvert);
    const Shot inverted = Take();
    ChangeUnrecorded();
    ASSERT_NE(Take(), inverted);
    view.OnEditUndo();
    view.OnEditRedo();
    EXPECT_EQ(Take(), inverted);
    // The next step keeps the picture as it is now as its starting point.
    ChangeUnrecorded();
    const Shot changed = Take();
    view.OnCommand(cmd::kInvert);
    view.OnEditUndo();
    EXPECT_EQ(Take(), changed);
}

TEST_F(HistoryViewTest, CopiedCommandLineRepeatsThePicture) {
    Open(kHorse);
    view.OnCommand(cmd::kParamBinariseThreshold);
    platform.dialogs.back()->ReportFull(90);
    platform.dialogs.back()->ReportFull(140);
    view.OnCommand(cmd::kRemoveIsolatedPoints);
    view.OnCommand(cmd::kThin);
    view.OnCommand(cmd::kInvert);
    view.OnEditUndo();
    const std::string line = BatchCommandLine(view.History(), doc.m_strFilePath);
    const std::string prefix = "lintra-batch " + ShellQuote(kHorse) + " ";
    ASSERT_EQ(line.substr(0, prefix.size()), prefix) << line;
    std::vector<std::string> args{kHorse};
    std::istringstream words(line.substr(prefix.size()));
    for (std::string word; words >> word;) args.push_back(word);
    EXPECT_EQ(args.size(), 4u) << line;
    const std::string batchOut = temp.path() + "/batch.bmp";
    args.push_back("save=" + batchOut);
    RunResult run = RunProgram(std::string(LINTRA_BIN_DIR) + "/lintra-batch", args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string viewOut = temp.path() + "/view.bmp";
    platform.answers.push_back(viewOut);
    view.OnCommand(cmd::kFileSave);
    EXPECT_EQ(ReadFile(batchOut), ReadFile(viewOut));
}

}  // namespace
}  // namespace lintra::test
