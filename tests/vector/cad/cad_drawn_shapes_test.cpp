// Shapes drawn as a 0.35 mm pen draws them at 300 dpi (strokes about 4 px
// wide), then thinned, traced and fitted as the program does: what comes
// back must be what was drawn, not what thinning left near the junctions.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "raster/stroke_width.h"
#include "raster/thin.h"
#include "support/padded_image.h"
#include "vector/cad/cad_export.h"
#include "vector/cad/skew.h"
#include "vector/vectorise/vectorise2.h"

namespace lintra {
namespace {

using cad::Point;
constexpr double kPen = 4.1;  // 0.35 mm at 300 dpi, in pixels
constexpr double kDegree = std::numbers::pi / 180;

struct Stroke {
    bool arc = false;
    Point a, b;  // a line's ends
    Point centre;
    double radius = 0, from = 0, to = 0;  // an arc's, counter-clockwise in radians; a circle from 0 to 2 pi
};

Stroke L(Point a, Point b) {
    return {false, a, b, {}, 0, 0, 0};
}
Stroke A(Point centre, double radius, double from, double to) {
    return {true, {}, {}, centre, radius, from, to};
}

double DistanceToStroke(const Stroke& s, Point p) {
    if (!s.arc) {
        const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
        const double t =
            std::clamp(((p.x - s.a.x) * dx + (p.y - s.a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(p.x - s.a.x - t * dx, p.y - s.a.y - t * dy);
    }
    double angle = std::atan2(p.y - s.centre.y, p.x - s.centre.x);
    while (angle < s.from) angle += 2 * std::numbers::pi;
    if (angle <= s.to) return std::abs(std::hypot(p.x - s.centre.x, p.y - s.centre.y) - s.radius);
    auto end = [&](double t) {
        return std::hypot(p.x - s.centre.x - s.radius * std::cos(t),
                          p.y - s.centre.y - s.radius * std::sin(t));
    };
    return std::min(end(s.from), end(s.to));
}

// The strokes inked with a round pen, thinned, traced and fitted.
cad::Drawing Drawn(int width, int height, const std::vector<Stroke>& strokes) {
    test_images::PaddedImage picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (const Stroke& s : strokes)
                if (DistanceToStroke(s, {double(x), double(y)}) <= kPen / 2) picture.at(x, y) = 0;
    CadOptions options;
    options.strokeWidth = MeasureStrokeWidth(picture.view());
    ThinImage(picture.view());
    SegmentList segments;
    std::string nc;
    TraceStrokes(picture.view(), segments, nc);
    return BuildCadDrawing(segments, {width, height, 0, 0}, options);
}

double Gap(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The angle between two lines' directions, 0 to 90 degrees.
double Turn(const cad::Line& l, Point a, Point b) {
    const double t =
        std::remainder(std::atan2(l.to.y - l.from.y, l.to.x - l.from.x) - std::atan2(b.y - a.y, b.x - a.x),
                       std::numbers::pi);
    return std::abs(t) / kDegree;
}

// The drawing's line nearest to lying along a-b.
const cad::Line* LineAlong(const cad::Drawing& d, Point a, Point b) {
    const cad::Line* best = nullptr;
    for (const cad::Line& l : d.lines)
        if (Turn(l, a, b) < 1 &&
            (!best || Gap(l.from, a) + Gap(l.to, b) < Gap(best->from, a) + Gap(best->to, b) ||
             Gap(l.to, a) + Gap(l.from, b) < Gap(best->from, a) + Gap(best->to, b)))
            best = &l;
    return best;
}

// Whether the line runs from near a to near b (either way), within reach.
bool Spans(const cad::Line& l, Point a, Point b, double reach) {
    return (Gap(l.from, a) <= reach && Gap(l.to, b) <= reach) ||
           (Gap(l.from, b) <= reach && Gap(l.to, a) <= reach);
}

struct Case {
    std::string name;
    int width, height;
    std::vector<Stroke> strokes;
    std::function<void(const cad::Drawing&)> check;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// The drawing's entities, for a failure's message.
std::string Described(const cad::Drawing& d) {
    std::ostringstream out;
    for (const cad::Line& l : d.lines)
        out << "LINE " << l.from.x << "," << l.from.y << " " << l.to.x << "," << l.to.y << "\n";
    for (const cad::Arc& a : d.arcs)
        out << "ARC " << a.centre.x << "," << a.centre.y << " r " << a.radius << " " << a.startDegrees << ".."
            << a.endDegrees << "\n";
    for (const cad::Circle& c : d.circles)
        out << "CIRCLE " << c.centre.x << "," << c.centre.y << " r " << c.radius << "\n";
    for (const cad::Polyline& p : d.polylines) {
        out << "POLYLINE" << (p.closed ? " closed" : "");
        for (const cad::Vertex& v : p.vertices) out << " " << v.at.x << "," << v.at.y << "/" << v.bulge;
        out << "\n";
    }
    return out.str();
}

class DrawnShapes : public ::testing::TestWithParam<Case> {};

TEST_P(DrawnShapes, ComeBackAsDrawn) {
    const Case& c = GetParam();
    const cad::Drawing drawing = Drawn(c.width, c.height, c.strokes);
    SCOPED_TRACE(Described(drawing));
    c.check(drawing);
}

const double kCos30 = std::cos(30 * kDegree), kSin30 = std::sin(30 * kDegree);

INSTANTIATE_TEST_SUITE_P(
    CadExport, DrawnShapes,
    ::testing::Values(
        // Two lines crossing at 30 degrees: two LINEs, each straight through
        // the crossing with no jog.
        Case{"CrossingAt30Degrees",
             260,
             140,
             {L({20, 70}, {240, 70}),
              L({130 - 100 * kCos30, 70 - 100 * kSin30}, {130 + 100 * kCos30, 70 + 100 * kSin30})},
             [](const cad::Drawing& d) {
                 ASSERT_EQ(d.EntityCount(), 2u);
                 ASSERT_EQ(d.lines.size(), 2u);
                 const cad::Line* level = LineAlong(d, {20, 70}, {240, 70});
                 const cad::Line* slant = LineAlong(d, {130 - 100 * kCos30, 70 - 100 * kSin30},
                                                    {130 + 100 * kCos30, 70 + 100 * kSin30});
                 ASSERT_TRUE(level && slant);
                 EXPECT_LT(Turn(*level, {0, 0}, {1, 0}), 0.3);
                 EXPECT_LT(Turn(*slant, {0, 0}, {kCos30, kSin30}), 0.3);
             }},
        // A T: the stem ends exactly on the bar; an L: its corner is where
        // its two lines cross.
        Case{"TeeAndCorner",
             240,
             200,
             {L({20, 150}, {140, 150}), L({80, 150}, {80, 40}), L({170, 40}, {170, 170}),
              L({170, 40}, {225, 40})},
             [](const cad::Drawing& d) {
                 const cad::Line* bar = LineAlong(d, {20, 150}, {140, 150});
                 const cad::Line* stem = LineAlong(d, {80, 150}, {80, 40});
                 ASSERT_TRUE(bar && stem);
                 const Point top = stem->from.y > stem->to.y ? stem->from : stem->to;
                 const double across = ((top.x - bar->from.x) * (bar->to.y - bar->from.y) -
                                        (top.y - bar->from.y) * (bar->to.x - bar->from.x)) /
                                       Gap(bar->from, bar->to);
                 EXPECT_NEAR(across, 0, 1e-9);
                 EXPECT_NEAR(top.x, 80, 1);
                 ASSERT_EQ(d.polylines.size(), 1u);
                 const auto& corner = d.polylines[0].vertices;
                 ASSERT_EQ(corner.size(), 3u);
                 EXPECT_LE(Gap(corner[1].at, {170, 40}), 1.0);
             }},
        // A circle with a line touching it and a radius crossing it: one
        // CIRCLE and two LINEs.
        Case{"CircleTouchedAndCrossed",
             260,
             220,
             {A({120, 110}, 70, 0, 2 * std::numbers::pi), L({20, 40}, {240, 40}), L({120, 110}, {250, 110})},
             [](const cad::Drawing& d) {
                 ASSERT_EQ(d.circles.size(), 1u);
                 EXPECT_LE(Gap(d.circles[0].centre, {120, 110}), 0.6);
                 EXPECT_NEAR(d.circles[0].radius, 70, 0.6);
                 EXPECT_EQ(d.arcs.size(), 0u);
                 EXPECT_TRUE(LineAlong(d, {20, 40}, {240, 40}));
                 EXPECT_TRUE(LineAlong(d, {120, 110}, {250, 110}));
                 EXPECT_LE(d.EntityCount(), 4u);
             }},
        // A 60 mm line, slightly aslant: one LINE, never an arc of huge radius.
        Case{"LongLineStaysStraight",
             760,
             60,
             {L({20, 20}, {728, 40})},
             [](const cad::Drawing& d) {
                 ASSERT_EQ(d.EntityCount(), 1u);
                 ASSERT_EQ(d.lines.size(), 1u);
                 EXPECT_TRUE(Spans(d.lines[0], {20, 20}, {728, 40}, 3));
             }},
        // An arrowhead: a shaft and two barbs at 30 degrees reach the tip
        // within 0.1 mm.
        Case{"ArrowheadReachesItsTip",
             240,
             120,
             {L({20, 60}, {200, 60}), L({200, 60}, {200 - 60 * kCos30, 60 + 60 * kSin30}),
              L({200, 60}, {200 - 60 * kCos30, 60 - 60 * kSin30})},
             [](const cad::Drawing& d) {
                 std::vector<cad::Line> pieces = StraightPieces(d, 0.05);
                 int atTip = 0;
                 for (const cad::Line& l : pieces)
                     atTip += Gap(l.from, {200, 60}) <= 1.2 || Gap(l.to, {200, 60}) <= 1.2;
                 EXPECT_EQ(atTip, 3) << d.EntityCount() << " entities";
                 EXPECT_LE(d.EntityCount(), 3u);
             }},
        // A slot: two lines joined by a half circle, which ends at the
        // tangent points.
        Case{"ArcEndsAtItsTangentPoints",
             260,
             160,
             {L({20, 30}, {160, 30}), L({20, 130}, {160, 130}),
              A({160, 80}, 50, -std::numbers::pi / 2, std::numbers::pi / 2)},
             [](const cad::Drawing& d) {
                 ASSERT_EQ(d.polylines.size(), 1u) << d.EntityCount() << " entities";
                 const auto& v = d.polylines[0].vertices;
                 int tangents = 0;
                 for (std::size_t i = 0; i + 1 < v.size(); ++i)
                     if (v[i].bulge != 0) {
                         const Point a = v[i].at, b = v[i + 1].at;
                         tangents += (Gap(a, {160, 30}) <= 1.2 || Gap(a, {160, 130}) <= 1.2) &&
                                     (Gap(b, {160, 30}) <= 1.2 || Gap(b, {160, 130}) <= 1.2);
                     }
                 EXPECT_EQ(tangents, 1);
                 EXPECT_EQ(v.size(), 4u);
             }}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// A page of a frame, a title block, inner lines and a circle, inked turned
// by a known angle about its centre: the skew measured from the traced
// drawing is that angle, to within a tenth of a degree.
TEST(DrawnPage, TurnedByAKnownAngleGivesThatSkew) {
    const int width = 420, height = 300;
    const Point centre{width / 2.0, height / 2.0};
    for (double degrees : {1.5, -0.7, 3.2, -4.5}) {
        SCOPED_TRACE(degrees);
        const double c = std::cos(degrees * kDegree), s = std::sin(degrees * kDegree);
        auto turned = [&](Point p) {
            return Point{centre.x + c * (p.x - centre.x) - s * (p.y - centre.y),
                         centre.y + s * (p.x - centre.x) + c * (p.y - centre.y)};
        };
        auto line = [&](Point a, Point b) { return L(turned(a), turned(b)); };
        const std::vector<Stroke> page{line({20, 20}, {400, 20}),
                                       line({400, 20}, {400, 280}),
                                       line({400, 280}, {20, 280}),
                                       line({20, 280}, {20, 20}),
                                       line({280, 20}, {280, 70}),
                                       line({280, 70}, {400, 70}),
                                       line({60, 120}, {240, 120}),
                                       line({150, 60}, {150, 250}),
                                       A(turned({320, 190}), 40, 0, 2 * std::numbers::pi)};
        const cad::Skew skew = cad::MeasureSkew(Drawn(width, height, page));
        ASSERT_TRUE(skew.found);
        EXPECT_NEAR(skew.degrees, degrees, 0.1);
    }
}

}  // namespace
}  // namespace lintra
