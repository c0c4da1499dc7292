// The trace's settings and its preview on a copy: the settings change the
// steps as they say, the preview of the whole picture is the trace itself,
// and a part traces only that part.
#include "docview/trace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "docview/trace_preview.h"
#include "view_fixture.h"

namespace lintra::test {
namespace {

TraceSettings With(double strokeWidth, int sensitivity, int detailPercent) {
    TraceSettings settings;
    settings.strokeWidth = strokeWidth;
    settings.sensitivity = sensitivity;
    settings.detailPercent = detailPercent;
    return settings;
}

TEST(TraceSteps, SettingsChangeTheSteps) {
    // Half the pixels 0, half 200: the iterative threshold is 100, so the
    // preset's step is binarise-threshold=99 moved by the sensitivity.
    std::vector<std::uint8_t> pixels(64 * 8, 200);
    std::fill(pixels.begin(), pixels.begin() + pixels.size() / 2, 0);
    const ImageView picture{pixels.data(), 64, 8, 64, 8};
    struct Case {
        std::string_view preset;
        TraceSettings settings;
        std::string steps;
    };
    const Case cases[] = {
        {"drawing", With(4, 0, 100),
         "binarise-iterative remove-small-blobs=3 thin remove-short-branches=3 vectorise-1"},
        {"drawing", With(4, 0, 200),
         "binarise-iterative remove-small-blobs=12 thin remove-short-branches=6 vectorise-1"},
        {"drawing", With(4, 0, 0),
         "binarise-iterative remove-small-blobs=0 thin remove-short-branches=0 vectorise-1"},
        {"drawing", With(4, 10, 100),
         "binarise-threshold=109 remove-small-blobs=3 thin remove-short-branches=3 vectorise-1"},
        {"drawing", With(4, -50, 50),
         "binarise-threshold=49 remove-small-blobs=1 thin remove-short-branches=2 vectorise-1"},
        // The window follows the width alone; the sensitivity moves the local rule's.
        {"scan", With(4, -6, 150),
         "binarise-adaptive=48,60 remove-small-blobs=36 thin remove-short-branches=6 vectorise-1"},
        {"scan", With(4, 40, 100),
         "binarise-adaptive=48,99 remove-small-blobs=16 thin remove-short-branches=4 vectorise-1"},
        {"outline", With(8, 0, 50), "binarise-iterative remove-small-blobs=2 contour-2 thin vectorise-1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepsText(TraceSteps(*FindPreset(c.preset), picture, c.settings)), c.steps)
            << c.preset << " sensitivity " << c.settings.sensitivity << " detail "
            << c.settings.detailPercent;
}

TEST(PreviewRegion, ClipsToThePictureAndKeepsTheCentreOfALargeView) {
    struct Case {
        PixelRect view;
        std::int64_t maxPixels;
        PixelRect region;
    };
    for (const Case& c :
         {Case{{-10, -10, 50, 40}, 10'000, {0, 0, 40, 30}}, Case{{0, 0, 100, 100}, 2'500, {25, 25, 50, 50}},
          Case{{0, 0, 100, 25}, 625, {25, 6, 50, 12}}, Case{{200, 0, 10, 10}, 100, {100, 0, 0, 10}}}) {
        const PixelRect r = PreviewRegion(c.view, 100, 100, c.maxPixels);
        EXPECT_TRUE(r == c.region || (r.empty() && c.region.empty()))
            << c.view.x << "," << c.view.y << " " << c.view.width << "x" << c.view.height << " gave " << r.x
            << "," << r.y << " " << r.width << "x" << r.height;
        EXPECT_LE(std::int64_t{r.width} * r.height, c.maxPixels);
    }
}

class TracePreviewTest : public ViewTest<> {
protected:
    TracePreviewTest() { Open(Sample("horse_400x328_8bit_grey_pillow.bmp")); }
};

TEST_F(TracePreviewTest, TheWholePictureOnACopyIsTheTraceItselfAndLeavesTheViewAlone) {
    ASSERT_TRUE(view.HasImage());
    const auto picture = CopyPicture(view.OriginalImage().View(), view.Geometry());
    const Preset& preset = *FindPreset("drawing");
    TraceSettings settings;
    settings.sensitivity = 8;
    settings.detailPercent = 150;
    settings.tolerance = 1.5;
    const int w = picture->width, h = picture->height;
    const TracePreview preview =
        PreviewTrace(*picture, preset, settings, {0, 0, w, h}, view.CadSettings().options);
    // Nothing of the view changed: still the picture as loaded, no segments.
    EXPECT_EQ(std::memcmp(view.CurrentImage().View().row(0), picture->pixels.data(), w), 0);
    EXPECT_TRUE(doc.m_segmentList.empty());

    const TraceReport report = RunPreset(view, preset, settings);
    EXPECT_EQ(StepsText(report.steps), StepsText(preview.steps));
    EXPECT_EQ(report.strokeWidth, preview.strokeWidth);
    EXPECT_EQ(preview.segments, doc.m_segmentList.size());
    EXPECT_EQ(view.CadSettings().options.tolerance, 1.5);
    const cad::Drawing& traced = view.CadPreview();
    EXPECT_EQ(preview.drawing.lines.size(), traced.lines.size());
    EXPECT_EQ(preview.drawing.arcs.size(), traced.arcs.size());
    EXPECT_EQ(preview.drawing.polylines.size(), traced.polylines.size());
    EXPECT_GT(preview.segments, 0u);

    // The left half traces only there, in the picture's coordinates.
    const TracePreview half = PreviewTrace(*picture, preset, settings, {0, 0, w / 2, h}, {});
    EXPECT_GT(half.segments, 0u);
    EXPECT_LT(half.segments, preview.segments);
    for (const cad::Line& piece : StraightPieces(half.drawing, 0.25))
        EXPECT_LE(std::max(piece.from.x, piece.to.x), w / 2 + 3.0);

    // Asked to stop, it stops with nothing.
    std::atomic<bool> cancel{true};
    const TracePreview stopped = PreviewTrace(*picture, preset, settings, {0, 0, w, h}, {}, &cancel);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.segments, 0u);
}

}  // namespace
}  // namespace lintra::test
