// The skew of drawings turned by known angles: measured to the angle, and
// turned back onto the drawing as it was; no skew where there is no main
// direction to measure it by.
#include "vector/cad/skew.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "cad_test_drawings.h"

namespace lintra {
namespace {

using cad::Point;
constexpr double kDegree = std::numbers::pi / 180;

// A 200 x 150 mm sheet with a frame, a title block and a few upright and
// level lines, the parts drawing's arc, circle and polylines, and two long
// lines at 30 degrees that must not pull the measure.
cad::Drawing FramedDrawing() {
    cad::Drawing d = test::PartsCadDrawing();
    d.sheetWidth = 200;
    d.sheetHeight = 150;
    d.polylines.push_back({{{{10, 10}, 0}, {{190, 10}, 0}, {{190, 140}, 0}, {{10, 140}, 0}}, true});
    d.lines.push_back({{120, 10}, {120, 40}});
    d.lines.push_back({{120, 40}, {190, 40}});
    d.lines.push_back({{60, 60}, {60, 120}});
    d.lines.push_back({{30, 90}, {170, 90}});
    d.lines.push_back({{40, 50}, {40 + 90 * std::cos(30 * kDegree), 50 + 90 * std::sin(30 * kDegree)}});
    d.lines.push_back({{150, 60}, {150 - 70 * std::sin(30 * kDegree), 60 + 70 * std::cos(30 * kDegree)}});
    return d;
}

double AngleGap(double a, double b) {
    return std::abs(std::remainder(a - b, 360.0));
}

void ExpectSame(const cad::Drawing& got, const cad::Drawing& want, double near) {
    auto expectPoint = [&](Point g, Point w) {
        EXPECT_NEAR(g.x, w.x, near);
        EXPECT_NEAR(g.y, w.y, near);
    };
    ASSERT_EQ(got.lines.size(), want.lines.size());
    for (std::size_t i = 0; i < got.lines.size(); ++i) {
        expectPoint(got.lines[i].from, want.lines[i].from);
        expectPoint(got.lines[i].to, want.lines[i].to);
    }
    ASSERT_EQ(got.arcs.size(), want.arcs.size());
    for (std::size_t i = 0; i < got.arcs.size(); ++i) {
        expectPoint(got.arcs[i].centre, want.arcs[i].centre);
        EXPECT_EQ(got.arcs[i].radius, want.arcs[i].radius);
        EXPECT_LT(AngleGap(got.arcs[i].startDegrees, want.arcs[i].startDegrees), 1e-9);
        EXPECT_LT(AngleGap(got.arcs[i].endDegrees, want.arcs[i].endDegrees), 1e-9);
    }
    ASSERT_EQ(got.circles.size(), want.circles.size());
    for (std::size_t i = 0; i < got.circles.size(); ++i) {
        expectPoint(got.circles[i].centre, want.circles[i].centre);
        EXPECT_EQ(got.circles[i].radius, want.circles[i].radius);
    }
    ASSERT_EQ(got.polylines.size(), want.polylines.size());
    for (std::size_t i = 0; i < got.polylines.size(); ++i) {
        const auto &g = got.polylines[i].vertices, &w = want.polylines[i].vertices;
        ASSERT_EQ(g.size(), w.size());
        EXPECT_EQ(got.polylines[i].closed, want.polylines[i].closed);
        for (std::size_t v = 0; v < g.size(); ++v) {
            expectPoint(g[v].at, w[v].at);
            EXPECT_EQ(g[v].bulge, w[v].bulge);
        }
    }
}

TEST(CadSkewTest, DrawingTurnedByAKnownAngleIsMeasuredAndTurnedBack) {
    const cad::Drawing drawing = FramedDrawing();
    const Point centre{drawing.sheetWidth / 2, drawing.sheetHeight / 2};
    for (double degrees : {0.0, 0.05, -0.3, 1.5, -2.7, 4.2, -4.9}) {
        SCOPED_TRACE(degrees);
        cad::Drawing turned = drawing;
        cad::TurnDrawing(turned, degrees, centre);
        // Counter-clockwise: the frame's bottom side leans up by the angle.
        const auto& frame = turned.polylines.back().vertices;
        EXPECT_NEAR(std::atan2(frame[1].at.y - frame[0].at.y, frame[1].at.x - frame[0].at.x) / kDegree,
                    degrees, 1e-9);
        EXPECT_LT(AngleGap(turned.arcs[0].startDegrees, drawing.arcs[0].startDegrees + degrees), 1e-9);

        const cad::Skew skew = cad::Deskew(turned);
        ASSERT_TRUE(skew.found);
        EXPECT_NEAR(skew.degrees, degrees, 1e-9);
        cad::TurnDrawing(turned, skew.degrees - degrees, centre);
        ExpectSame(turned, drawing, 1e-9);
    }
}

TEST(CadSkewTest, NoSkewWithoutAMainDirectionNearTheAxes) {
    cad::Drawing oneLine = test::EmptyCadDrawing();
    oneLine.lines = {{{10, 10}, {110, 12}}};
    cad::Drawing points;  // lines of no length on no sheet: no direction at all
    points.lines = {{{1, 1}, {1, 1}}, {{2, 2}, {2, 2}}, {{3, 3}, {3, 3}}};
    cad::Drawing shortLines = FramedDrawing();  // every piece under a fiftieth of a sheet 10 m wide
    shortLines.sheetWidth = 10000;
    cad::Drawing steep = FramedDrawing();  // turned further than a scan is askew
    cad::TurnDrawing(steep, 7, {100, 75});
    const struct {
        const char* name;
        cad::Drawing drawing;
    } cases[] = {{"empty", test::EmptyCadDrawing()},
                 {"one line", oneLine},
                 {"points", points},
                 {"short pieces", shortLines},
                 {"random directions", test::ManyCadDrawing()},
                 {"turned 7 degrees", steep}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cad::Drawing drawing = c.drawing;
        EXPECT_FALSE(cad::Deskew(drawing).found);
        ExpectSame(drawing, c.drawing, 0);  // left exactly as it was
    }
}

}  // namespace
}  // namespace lintra
