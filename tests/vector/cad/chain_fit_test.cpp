// Fitting chains of pixels: the tolerance held exactly at its edge, and every
// pixel of random chains within it of the fitted path.
#include "vector/cad/chain_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "vector/cad/cad_geometry.h"

namespace lintra {
namespace {

std::size_t Pieces(const std::vector<Point>& chain, double tolerance) {
    return FitChain(chain, false, tolerance, true).vertices.size() - 1;
}

TEST(CadChainFitTest, APixelExactlyAtTheToleranceStaysOnTheLine) {
    // (5, 1) is 1 from the level chord, (2, 1) 1 and (4, 2) 2 from the chord
    // to (3, 4), whose length 5 is exact.
    EXPECT_EQ(Pieces({{0, 0}, {5, 1}, {10, 0}}, 1.0), 1u);
    EXPECT_EQ(Pieces({{0, 0}, {5, 1}, {10, 0}}, 0.999), 2u);
    EXPECT_EQ(Pieces({{0, 0}, {2, 1}, {3, 4}}, 1.0), 1u);
    EXPECT_EQ(Pieces({{0, 0}, {2, 1}, {3, 4}}, 0.999), 2u);
    EXPECT_EQ(Pieces({{0, 0}, {4, 2}, {3, 4}}, 2.0), 1u);
    EXPECT_EQ(Pieces({{0, 0}, {4, 2}, {3, 4}}, 1.999), 2u);
    // A pixel at the tolerance does not hide one beyond it.
    EXPECT_EQ(Pieces({{0, 0}, {5, 1}, {7, 2}, {10, 0}}, 1.0), 2u);
}

// The distance from p to the stretch a -> b of the given bulge.
double DistanceToStretch(cad::Point p, cad::Point a, cad::Point b, double bulge) {
    if (bulge == 0) {
        const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
        const double t =
            length2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
        return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
    }
    const cad::Arc arc = cad::ArcOfBulge(a, b, bulge);
    const double angle = std::atan2(p.y - arc.centre.y, p.x - arc.centre.x) * 180 / std::numbers::pi;
    if (std::fmod(angle - arc.startDegrees + 720, 360) <= cad::SweepDegrees(arc))
        return std::abs(std::hypot(p.x - arc.centre.x, p.y - arc.centre.y) - arc.radius);
    return std::min(std::hypot(p.x - a.x, p.y - a.y), std::hypot(p.x - b.x, p.y - b.y));
}

// Chains along circles, some turning back on themselves, and along lines;
// an arc lets a pixel past its end by the tolerance, so the bound is the
// tolerance across and along.
TEST(CadChainFitTest, EveryPixelLiesWithinTheToleranceOfTheFit) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        auto uniform = [&random](double low, double high) {
            return std::uniform_real_distribution<double>(low, high)(random);
        };
        const double radius = uniform(4, 64), start = uniform(0, 2 * std::numbers::pi);
        const double turn = (random() % 2 ? 1 : -1) * uniform(0.01, 5);
        const double back = random() % 3 == 0 ? uniform(0, 3) : 0;
        std::vector<Point> chain;
        auto add = [&](double angle) {
            const Point p{static_cast<int>(std::lround(100 + radius * std::cos(angle))),
                          static_cast<int>(std::lround(100 + radius * std::sin(angle)))};
            if (chain.empty() || !(chain.back() == p)) chain.push_back(p);
        };
        for (double t = 0; t <= 1; t += 0.5 / (radius * std::abs(turn))) add(start + turn * t);
        for (double t = 0; t <= 1; t += 0.5 / (radius * std::max(back, 0.01))) add(start + turn - back * t);
        for (double tolerance : {0.5, 1.0, 2.5}) {
            const FittedChain fit = FitChain(chain, false, tolerance, true);
            ASSERT_GE(fit.vertices.size(), 2u) << "seed " << seed;
            for (const Point& q : chain) {
                const cad::Point p{double(q.x), double(q.y)};
                double nearest = 1e300;
                for (std::size_t i = 0; i + 1 < fit.vertices.size(); ++i)
                    nearest =
                        std::min(nearest, DistanceToStretch(p, fit.vertices[i].at, fit.vertices[i + 1].at,
                                                            fit.vertices[i].bulge));
                ASSERT_LE(nearest, tolerance * std::sqrt(2.0) + 1e-9)
                    << "seed " << seed << ", tolerance " << tolerance << ", pixel " << q.x << "," << q.y;
            }
        }
    }
}

}  // namespace
}  // namespace lintra
