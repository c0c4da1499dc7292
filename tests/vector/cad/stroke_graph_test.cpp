// The stroke graph of random polylines, checked against the pixels the
// segments cover, the same however many threads build it, and of strokes
// far apart and lists of a pixel, a row or a column.
#include "vector/cad/stroke_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "base/parallel_rows.h"

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

// A polyline of `count` random steps of up to `reach` pixels within
// [low, low + size) on both axes, now and then starting afresh.
SegmentList RandomPolyline(unsigned seed, int low, int size, int count, int reach) {
    std::mt19937 random(seed);
    auto any = [&] { return low + static_cast<int>(random() % size); };
    auto step = [&] { return static_cast<int>(random() % (2 * reach + 1)) - reach; };
    SegmentList segments;
    Point at{any(), any()};
    for (int n = 0; n < count; ++n) {
        if (random() % 5 == 0) at = {any(), any()};
        const Point to{std::clamp(at.x + step(), low, low + size - 1),
                       std::clamp(at.y + step(), low, low + size - 1)};
        AppendSegment(segments, at, to);
        at = to;
    }
    return segments;
}

class CadStrokeGraphThreadsTest : public ::testing::Test {
protected:
    void TearDown() override { SetThreadCount(0); }
};

// Drawing and linking the pixels are shared out in pieces of the list and
// bands of rows; lists long enough to be cut up (tens of thousands of
// pixels), with filled areas among their strokes, give the graph one thread
// gives, point for point and chain for chain.
TEST_F(CadStrokeGraphThreadsTest, TheSameGraphHoweverManyThreadsShareTheWork) {
    const std::vector<SegmentList> lists = {RandomPolyline(1, 0, 1500, 20000, 30),
                                            RandomPolyline(2, -900, 1200, 12000, 60),
                                            RandomPolyline(3, 0, 600, 15000, 8)};
    for (std::size_t n = 0; n < lists.size(); ++n) {
        SetThreadCount(1);
        const StrokeGraph one = BuildStrokeGraph(lists[n]);
        ASSERT_GT(one.points.size(), 40000u) << "list " << n << " is too short to be cut up";
        for (int threads : {2, 3, 8}) {
            SetThreadCount(threads);
            const StrokeGraph graph = BuildStrokeGraph(lists[n]);
            ASSERT_EQ(graph.points, one.points) << "list " << n << ", " << threads << " threads";
            ASSERT_EQ(graph.chains.size(), one.chains.size())
                << "list " << n << ", " << threads << " threads";
            for (std::size_t c = 0; c < one.chains.size(); ++c) {
                const StrokeChain &a = graph.chains[c], &b = one.chains[c];
                EXPECT_TRUE(a.first == b.first && a.count == b.count && a.closed == b.closed &&
                            a.startNode == b.startNode && a.endNode == b.endNode && a.through == b.through)
                    << "list " << n << ", " << threads << " threads, chain " << c;
            }
        }
    }
}

// Lists of one pixel, one row or one column, where the rows above and below
// are missing: a lone pixel has no step to walk, a line is one chain from
// end to end, and a ring closes without repeating its first point.
TEST(CadStrokeGraphTest, LonePixelsRowsColumnsAndRings) {
    struct Case {
        const char* name;
        std::vector<std::pair<Point, Point>> segments;
        std::vector<std::size_t> counts;  // the chains' points, in order
        bool closed;
    };
    const Case cases[] = {
        {"nothing", {}, {}, false},
        {"a pixel", {{{5, -3}, {5, -3}}}, {}, false},
        {"a row", {{{-4, 7}, {6, 7}}}, {11}, false},
        {"a row twice, backwards", {{{0, 0}, {9, 0}}, {{9, 0}, {0, 0}}}, {10}, false},
        {"two pieces of a row", {{{0, 0}, {3, 0}}, {{6, 0}, {9, 0}}}, {4, 4}, false},
        {"a column", {{{2, -10}, {2, 10}}}, {21}, false},
        {"a square", {{{0, 0}, {5, 0}}, {{5, 0}, {5, 5}}, {{5, 5}, {0, 5}}, {{0, 5}, {0, 0}}}, {20}, true},
    };
    for (const Case& c : cases) {
        SegmentList segments;
        for (const auto& [from, to] : c.segments) AppendSegment(segments, from, to);
        const StrokeGraph graph = BuildStrokeGraph(segments);
        std::vector<std::size_t> counts;
        for (const StrokeChain& chain : graph.chains) {
            counts.push_back(chain.count);
            EXPECT_EQ(chain.closed, c.closed) << c.name;
        }
        EXPECT_EQ(counts, c.counts) << c.name;
    }
}

}  // namespace
}  // namespace lintra
