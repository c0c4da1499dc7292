// The stroke graph of random polylines, checked against the pixels the
// segments cover, and of strokes far apart.
#include "vector/cad/stroke_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <span>
#include <utility>

namespace lintra {
namespace {

using Pixel = std::pair<int, int>;

// The pixels of a segment, transcribed plainly: one per step along the
// longer axis, the other coordinate rounded half away from zero.
void Rasterise(const CLineSegment& s, std::set<Pixel>& pixels) {
    const long long dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    const long long steps = std::max(std::llabs(dx), std::llabs(dy));
    auto along = [steps](long long d, long long i) {
        return static_cast<int>((d < 0 ? -1 : 1) * ((2 * std::llabs(d) * i + steps) / (2 * steps)));
    };
    if (steps == 0) pixels.insert({s.x1, s.y1});
    for (long long i = 0; steps > 0 && i <= steps; ++i)
        pixels.insert({s.x1 + along(dx, i), s.y1 + along(dy, i)});
}

TEST(CadStrokeGraphTest, ChainsStepAlongTheDrawnPixelsWalkingEachStepOnce) {
    for (unsigned seed = 1; seed <= 150; ++seed) {
        std::mt19937 random(seed);
        const int size = 8 + static_cast<int>(random() % 60);
        SegmentList segments;
        Point at{static_cast<int>(random() % size), static_cast<int>(random() % size)};
        for (int n = 2 + static_cast<int>(random() % 30); n > 0; --n) {
            if (random() % 5 == 0)
                at = {static_cast<int>(random() % size), static_cast<int>(random() % size)};
            const Point to{std::clamp(at.x + static_cast<int>(random() % 21) - 10, 0, size),
                           std::clamp(at.y + static_cast<int>(random() % 21) - 10, 0, size)};
            AppendSegment(segments, at, to);
            at = to;
        }
        std::set<Pixel> drawn;
        for (const CLineSegment& s : segments) Rasterise(s, drawn);
        const StrokeGraph graph = BuildStrokeGraph(segments);
        std::set<std::pair<Pixel, Pixel>> steps;
        std::size_t points = 0;
        for (const StrokeChain& chain : graph.chains) {
            const std::span<const Point> p = graph.PointsOf(chain);
            points += p.size();
            for (const Point& q : p) ASSERT_TRUE(drawn.count({q.x, q.y})) << "seed " << seed;
            // A junction's centre, at the ends and where the chain runs
            // through one, may lie a few pixels off; every other step is to
            // an adjacent pixel, and no step is walked twice.
            std::set<std::size_t> centres{0, p.size() - 1};
            for (const auto& [index, node] : chain.through) centres.insert(index);
            for (std::size_t i = 0; i + 1 < p.size(); ++i) {
                if (centres.count(i) || centres.count(i + 1)) continue;
                const int dx = p[i + 1].x - p[i].x, dy = p[i + 1].y - p[i].y;
                EXPECT_EQ(std::max(std::abs(dx), std::abs(dy)), 1) << "seed " << seed;
                // A corner step only where no pixel shares a side with both.
                if (dx != 0 && dy != 0) {
                    EXPECT_FALSE(drawn.count({p[i].x + dx, p[i].y}) || drawn.count({p[i].x, p[i].y + dy}))
                        << "seed " << seed << ": a corner step beside a side step";
                }
                const Pixel a{p[i].x, p[i].y}, b{p[i + 1].x, p[i + 1].y};
                EXPECT_TRUE(steps.insert(std::minmax(a, b)).second)
                    << "seed " << seed << ": a step walked twice";
            }
        }
        EXPECT_EQ(points, graph.points.size()) << "seed " << seed;
    }
}

// The graph's memory follows the ink: strokes two hundred thousand pixels
// apart need nothing for the space between them.
TEST(CadStrokeGraphTest, StrokesFarApartAreTwoChains) {
    SegmentList segments;
    AppendSegment(segments, {0, 0}, {10, 0});
    AppendSegment(segments, {200000, 200000}, {200000, 200020});
    const StrokeGraph graph = BuildStrokeGraph(segments);
    ASSERT_EQ(graph.chains.size(), 2u);
    std::set<std::size_t> lengths;
    for (const StrokeChain& chain : graph.chains) lengths.insert(chain.count);
    EXPECT_EQ(lengths, (std::set<std::size_t>{11, 21}));
}

}  // namespace
}  // namespace lintra
