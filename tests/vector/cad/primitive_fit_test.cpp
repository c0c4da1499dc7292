#include "vector/cad/primitive_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <span>
#include <vector>

namespace lintra {
namespace {

// Pixel positions along a rough arc of a circle: whole numbers, as the
// fitter's points are.
std::vector<cad::Point> RoughArc(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> wobble(-0.8, 0.8);
    std::vector<cad::Point> points;
    for (std::size_t i = 0; i < count; ++i) {
        const double angle = 2.5 * static_cast<double>(i) / static_cast<double>(count);
        points.push_back({std::round(300 + 40 * std::cos(angle) + wobble(random)),
                          std::round(200 + 40 * std::sin(angle) + wobble(random))});
    }
    return points;
}

// Pixels given in two lists, as the ends of two chains joined across a
// junction are, fit to the bit as the same pixels in one list: a join
// fits them where they lie instead of copying them together.
TEST(PrimitiveFitTest, PointsInTwoListsFitExactlyAsInOne) {
    for (std::size_t count : {3u, 5u, 17u, 200u}) {
        const std::vector<cad::Point> points = RoughArc(count, static_cast<unsigned>(count));
        const std::span<const cad::Point> all(points);
        for (std::size_t split : {std::size_t{0}, std::size_t{1}, count / 2, count - 1, count}) {
            const auto line = cad::FitLine(all),
                       splitLine = cad::FitLine(all.first(split), all.subspan(split));
            ASSERT_EQ(line.has_value(), splitLine.has_value()) << count << " split at " << split;
            EXPECT_TRUE(line->at == splitLine->at && line->along == splitLine->along)
                << count << " split at " << split;
            const auto circle = cad::FitCircle(all),
                       splitCircle = cad::FitCircle(all.first(split), all.subspan(split));
            ASSERT_EQ(circle.has_value(), splitCircle.has_value()) << count << " split at " << split;
            EXPECT_TRUE(circle->centre == splitCircle->centre && circle->radius == splitCircle->radius)
                << count << " split at " << split;
        }
    }
}

}  // namespace
}  // namespace lintra
