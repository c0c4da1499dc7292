// The bulge's arc and the extents the CAD writers report.
#include "vector/cad/cad_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace lintra::cad {
namespace {

Point OnArc(const Arc& arc, double degrees) {
    double r = degrees * std::numbers::pi / 180;
    return {arc.centre.x + arc.radius * std::cos(r), arc.centre.y + arc.radius * std::sin(r)};
}

TEST(CadGeometryTest, ArcOfBulgeRunsCounterClockwiseBetweenTheEndsWithFourTimesItsAngle) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> at(-50, 50), bulge(-4, 4);
    for (int i = 0; i < 500; ++i) {
        Point from{at(random), at(random)}, to{at(random), at(random)};
        double b = bulge(random);
        if (std::abs(b) < 1e-3) continue;
        Arc arc = ArcOfBulge(from, to, b);
        // A negative bulge runs clockwise from `from`, so the
        // counter-clockwise arc starts at `to`.
        Point start = b > 0 ? from : to, end = b > 0 ? to : from;
        Point s = OnArc(arc, arc.startDegrees), e = OnArc(arc, arc.endDegrees);
        EXPECT_NEAR(s.x, start.x, 1e-7) << "case " << i;
        EXPECT_NEAR(s.y, start.y, 1e-7) << "case " << i;
        EXPECT_NEAR(e.x, end.x, 1e-7) << "case " << i;
        EXPECT_NEAR(e.y, end.y, 1e-7) << "case " << i;
        EXPECT_NEAR(SweepDegrees(arc), 4 * std::atan(std::abs(b)) * 180 / std::numbers::pi, 1e-7)
            << "case " << i;
    }
    Arc half = ArcOfBulge({0, 0}, {2, 0}, 1);
    EXPECT_EQ(half.centre, (Point{1, 0}));
    EXPECT_DOUBLE_EQ(half.radius, 1);
    EXPECT_DOUBLE_EQ(half.startDegrees, 180);
    EXPECT_DOUBLE_EQ(half.endDegrees, 0);
}

TEST(CadGeometryTest, ExtentsReachEveryAxisPointAnArcOrBulgePasses) {
    Drawing d;
    EXPECT_TRUE(GeometryExtents(d).Empty());
    // Closed: the closing stretch from (10, 10) back to (0, 0) bulges out.
    d.polylines.push_back({{{{0, 0}, 0}, {{10, 10}, 1}}, true});
    Box box = GeometryExtents(d);
    double r = std::sqrt(50.0);
    EXPECT_NEAR(box.min.x, 5 - r, 1e-12);
    EXPECT_NEAR(box.max.y, 5 + r, 1e-12);
    EXPECT_DOUBLE_EQ(box.max.x, 10);
    EXPECT_DOUBLE_EQ(box.min.y, 0);
    // An open polyline ignores the last vertex's bulge.
    d.polylines[0].closed = false;
    box = GeometryExtents(d);
    EXPECT_EQ(box.min, (Point{0, 0}));
    EXPECT_EQ(box.max, (Point{10, 10}));
    // A circle and an arc from 100 to 80 degrees: all but the top.
    d = Drawing();
    d.circles.push_back({{0, 0}, 1});
    d.arcs.push_back({{10, 0}, 2, 100, 80});
    box = GeometryExtents(d);
    EXPECT_EQ(box.min, (Point{-1, -2}));
    EXPECT_DOUBLE_EQ(box.max.x, 12);
    EXPECT_NEAR(box.max.y, 2 * std::sin(80 * std::numbers::pi / 180), 1e-12);
}

}  // namespace
}  // namespace lintra::cad
