// The CAD-ready drawing of synthetic pictures of known geometry, drawn,
// thinned and traced as the program does, then joined and fitted.
#include "vector/cad/cad_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "raster/thin.h"
#include "support/padded_image.h"
#include "vector/cad/chain_fit.h"
#include "vector/cad/stroke_graph.h"
#include "vector/vectorise/vectorise2.h"

namespace lintra {
namespace {

using test_images::PaddedImage;

// The segments of a picture whose ink is where ink(x, y) holds, after
// thinning and Vectorise 2, as the program makes them.
SegmentList Traced(int width, int height, const std::function<bool(double, double)>& ink) {
    PaddedImage picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (ink(x, y)) picture.at(x, y) = 0;
    ThinImage(picture.view());
    SegmentList segments;
    std::string nc;
    TraceStrokes(picture.view(), segments, nc);
    return segments;
}

cad::Drawing Fitted(const SegmentList& segments, double tolerance = 1.0, int size = 100) {
    CadOptions options;
    options.tolerance = tolerance;
    return BuildCadDrawing(segments, {size, size, 0, 0}, options);
}

double Gap(cad::Point a, cad::Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

TEST(CadExportTest, ThickCircleIsOneCircle) {
    const double cx = 50, cy = 48, r = 30;
    const SegmentList segments =
        Traced(100, 100, [&](double x, double y) { return std::abs(std::hypot(x - cx, y - cy) - r) <= 1.5; });
    const cad::Drawing drawing = Fitted(segments);
    ASSERT_EQ(drawing.EntityCount(), 1u) << segments.size() << " segments";
    ASSERT_EQ(drawing.circles.size(), 1u);
    EXPECT_LE(Gap(drawing.circles[0].centre, {cx, cy}), 1.0);
    EXPECT_NEAR(drawing.circles[0].radius, r, 1.0);
}

TEST(CadExportTest, OpenCurveIsOneArc) {
    // A quarter of a ring 3 px wide, radius 40 about (10, 10).
    const SegmentList segments = Traced(100, 100, [](double x, double y) {
        return x >= 10 && y >= 10 && std::abs(std::hypot(x - 10, y - 10) - 40) <= 1.5;
    });
    const cad::Drawing drawing = Fitted(segments);
    ASSERT_EQ(drawing.arcs.size(), 1u) << drawing.EntityCount() << " entities";
    EXPECT_EQ(drawing.EntityCount(), 1u);
    EXPECT_LE(Gap(drawing.arcs[0].centre, {10, 10}), 1.5);
    EXPECT_NEAR(drawing.arcs[0].radius, 40, 1.5);
}

TEST(CadExportTest, RectangleIsFourSidesMeetingAtItsCorners) {
    const SegmentList segments = Traced(100, 100, [](double x, double y) {
        const bool across = (y == 20 || y == 70) && x >= 10 && x <= 80;
        const bool upright = (x == 10 || x == 80) && y >= 20 && y <= 70;
        return across || upright;
    });
    const cad::Drawing drawing = Fitted(segments);
    ASSERT_EQ(drawing.polylines.size(), 1u);
    const cad::Polyline& outline = drawing.polylines[0];
    EXPECT_TRUE(outline.closed);
    ASSERT_EQ(outline.vertices.size(), 4u);
    for (const cad::Point corner :
         {cad::Point{10, 20}, cad::Point{80, 20}, cad::Point{80, 70}, cad::Point{10, 70}}) {
        double nearest = 1e9;
        for (const cad::Vertex& v : outline.vertices) nearest = std::min(nearest, Gap(v.at, corner));
        EXPECT_LE(nearest, 1.0) << corner.x << "," << corner.y;
    }
    for (const cad::Vertex& v : outline.vertices) EXPECT_EQ(v.bulge, 0);
}

TEST(CadExportTest, TJunctionStrokesMeetAtOneNode) {
    // Vectorise 2 stops the stem one pixel short of the bar; the graph joins it.
    const SegmentList segments = Traced(100, 100, [](double x, double y) {
        return (y == 70 && x >= 10 && x <= 90) || (x == 50 && y >= 10 && y <= 70);
    });
    const cad::Drawing drawing = Fitted(segments);
    ASSERT_EQ(drawing.lines.size(), 2u) << drawing.EntityCount() << " entities";
    const cad::Line& bar =
        std::abs(drawing.lines[0].from.y - drawing.lines[0].to.y) < 1 ? drawing.lines[0] : drawing.lines[1];
    const cad::Line& stem = &bar == &drawing.lines[0] ? drawing.lines[1] : drawing.lines[0];
    // The stem ends exactly on the bar, at its junction node.
    const cad::Point top = stem.from.y > stem.to.y ? stem.from : stem.to;
    EXPECT_EQ(top.y, bar.from.y);
    EXPECT_GE(top.x, std::min(bar.from.x, bar.to.x));
    EXPECT_LE(top.x, std::max(bar.from.x, bar.to.x));
    EXPECT_NEAR(top.x, 50, 1);
}

TEST(CadExportTest, StaircaseDiagonalIsOneStraightLine) {
    // One pixel up for every three across: a staircase of runs.
    SegmentList segments;
    for (int i = 0; i < 20; ++i) {
        segments.emplace_back(3 * i, i, 3 * i + 2, i);
        segments.emplace_back(3 * i + 2, i, 3 * i + 3, i + 1);
    }
    const cad::Drawing drawing = Fitted(segments);
    ASSERT_EQ(drawing.lines.size(), 1u);
    EXPECT_EQ(drawing.EntityCount(), 1u);
    const cad::Line& line = drawing.lines[0];
    // The line through the steps by least squares: its ends within half a
    // pixel of the first and last.
    EXPECT_NEAR(std::min(line.from.x, line.to.x), 0, 0.5);
    EXPECT_NEAR(std::max(line.from.x, line.to.x), 60, 0.5);
}

TEST(CadExportTest, ZeroToleranceGivesThePixelPathBack) {
    SegmentList segments;
    for (int i = 0; i < 6; ++i) {
        segments.emplace_back(3 * i, i, 3 * i + 2, i);
        segments.emplace_back(3 * i + 2, i, 3 * i + 3, i + 1);
    }
    const cad::Drawing drawing = Fitted(segments, 0.0);
    ASSERT_EQ(drawing.polylines.size(), 1u);
    const cad::Polyline& path = drawing.polylines[0];
    // Every segment end is a vertex, and no vertex lies elsewhere.
    ASSERT_EQ(path.vertices.size(), segments.size() + 1);
    const bool forward = path.vertices.front().at.x == 0;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const cad::Point at = path.vertices[forward ? i : segments.size() - i].at;
        EXPECT_EQ(at, (cad::Point{double(segments[i].x1), double(segments[i].y1)})) << i;
    }
}

TEST(CadExportTest, RetracedAndDuplicatedSegmentsAreWrittenOnce) {
    const SegmentList segments{{0, 0, 40, 0}, {40, 0, 0, 0}, {10, 0, 30, 0}, {0, 0, 40, 0}};
    const cad::Drawing drawing = Fitted(segments);
    ASSERT_EQ(drawing.lines.size(), 1u);
    EXPECT_EQ(drawing.EntityCount(), 1u);
    EXPECT_DOUBLE_EQ(Gap(drawing.lines[0].from, drawing.lines[0].to), 40);
}

TEST(CadExportTest, LoopLeftOpenByOneStepCloses) {
    // A square traced round but stopped one diagonal step short of its start.
    const SegmentList segments{{0, 0, 30, 0}, {30, 0, 30, 30}, {30, 30, 0, 30}, {0, 30, 0, 1}};
    const cad::Drawing drawing = Fitted(segments);
    ASSERT_EQ(drawing.polylines.size(), 1u);
    EXPECT_TRUE(drawing.polylines[0].closed);
}

TEST(CadExportTest, UnitsScaleByTheResolutionOrTheGivenDpi) {
    const SegmentList segments{{0, 0, 300, 0}};
    CadOptions options;
    options.unit = cad::Unit::Millimetre;
    // 11811 pixels per metre is 300 dpi: 300 pixels are one inch.
    cad::Drawing drawing = BuildCadDrawing(segments, {600, 300, 11811, 11811}, options);
    ASSERT_EQ(drawing.lines.size(), 1u);
    EXPECT_NEAR(Gap(drawing.lines[0].from, drawing.lines[0].to), 25.4, 0.01);
    EXPECT_NEAR(drawing.sheetWidth, 50.8, 0.01);
    options.unit = cad::Unit::Inch;
    options.dpi = 150;
    drawing = BuildCadDrawing(segments, {600, 300, 11811, 11811}, options);
    EXPECT_NEAR(Gap(drawing.lines[0].from, drawing.lines[0].to), 2.0, 1e-9);
    // No resolution in the file and none given: 300 dpi, and the scale says so.
    options.dpi = 0;
    EXPECT_TRUE(ScaleFor(options, {600, 300, 0, 0}).assumedDpi);
    EXPECT_FALSE(ScaleFor(options, {600, 300, 11811, 11811}).assumedDpi);
    EXPECT_NEAR(ScaleFor(options, {600, 300, 0, 0}).x, 1.0 / 300, 1e-12);
}

TEST(CadExportTest, CircleUnderUnequalScalesBecomesAClosedPolylineOnTheEllipse) {
    const SegmentList segments =
        Traced(100, 100, [](double x, double y) { return std::abs(std::hypot(x - 50, y - 50) - 30) <= 1.5; });
    CadOptions options;
    options.unit = cad::Unit::Inch;
    const cad::Drawing drawing = BuildCadDrawing(segments, {100, 100, 3937, 7874}, options);  // 100 x 200 dpi
    ASSERT_EQ(drawing.circles.size(), 0u);
    ASSERT_EQ(drawing.polylines.size(), 1u);
    for (const cad::Vertex& v : drawing.polylines[0].vertices) {
        EXPECT_EQ(v.bulge, 0);
        const double u = (v.at.x - 0.5) / 0.3, w = (v.at.y - 0.25) / 0.15;
        EXPECT_NEAR(std::hypot(u, w), 1.0, 0.05);
    }
}

TEST(CadExportTest, EmptyListGivesAnEmptyDrawingOnTheSheet) {
    const cad::Drawing drawing = Fitted({}, 1.0, 40);
    EXPECT_EQ(drawing.EntityCount(), 0u);
    EXPECT_EQ(drawing.sheetWidth, 40);
}

}  // namespace
}  // namespace lintra
