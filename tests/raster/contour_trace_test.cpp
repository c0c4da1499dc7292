// The boundary follower: the traces worked out by hand, the result codes and
// their message, border-touching objects, and a comparison with a plain
// transcription of the follower's steps on random images.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "raster/contour.h"
#include "tests/raster/contour_test_image.h"

namespace lintra {
namespace {

using contour_testing::FromPicture;
using contour_testing::RecordingSink;
using contour_testing::TestImage;

std::vector<TracePoint> PathOf(TestImage& image) {
    TracePoint start;
    EXPECT_TRUE(FindTraceStart(image.view(), start));
    std::vector<TracePoint> path;
    EXPECT_EQ(TraceBoundary(image.view(), start, path), kTraceTraced);
    return path;
}

TEST(DirectionStep, TableAndCodesAboveSeven) {
    const int expected[8][2] = {{-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}};
    for (unsigned c = 0; c < 8; ++c) {
        int dx = 99, dy = 99;
        DirectionStep(c, dx, dy);
        EXPECT_EQ(dx, expected[c][0]) << c;
        EXPECT_EQ(dy, expected[c][1]) << c;
    }
    for (unsigned c : {8u, 9u, 0xFFFFFFFFu}) {
        int dx = 42, dy = -42;
        DirectionStep(c, dx, dy);
        EXPECT_EQ(dx, 42);
        EXPECT_EQ(dy, -42);
    }
}

TEST(TraceOuterContour, SolidSquareIsTracedClockwiseFromItsLowerLeftPixel) {
    TestImage a(7, 6);
    for (int y = 1; y <= 3; ++y)
        for (int x = 2; x <= 4; ++x) a.at(x, y) = 0;
    TestImage b = a;
    const std::vector<TracePoint> expected = {{2, 1}, {2, 2}, {2, 3}, {3, 3}, {4, 3}, {4, 2}, {4, 1}, {3, 1}};
    EXPECT_EQ(PathOf(a), expected);

    RecordingSink sink;
    EXPECT_EQ(TraceOuterContour(a.view(), b.view(), sink), kTraceTraced);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(a.picture(),
              FromPicture({".......", ".......", "..###..", "..#.#..", "..###..", "......."}).picture());
    EXPECT_EQ(b.picture(),
              FromPicture({".......", ".......", ".......", "...#...", ".......", "......."}).picture());
    EXPECT_TRUE(a.paddingIntact());
    EXPECT_TRUE(b.paddingIntact());
}

TEST(TraceOuterContour, OpenLinesAreWalkedOutAndBackUntilTheStartComesUp) {
    TestImage line(6, 4);
    for (int x = 1; x <= 3; ++x) line.at(x, 1) = 0;
    const std::vector<TracePoint> there_and_back = {{1, 1}, {2, 1}, {3, 1}, {2, 1}};
    EXPECT_EQ(PathOf(line), there_and_back);
    TestImage b = line;
    RecordingSink sink;
    TestImage a = line;
    EXPECT_EQ(TraceOuterContour(a.view(), b.view(), sink), kTraceTraced);
    EXPECT_TRUE(a.samePixels(line));
    EXPECT_TRUE(b.samePixels(TestImage(6, 4)));

    // The V keeps only the arm walked first: the start comes up again on the
    // way back down the left arm, before the right arm is reached.
    TestImage v(9, 6);
    for (int i = 0; i <= 3; ++i) {
        v.at(4 - i, 1 + i) = 0;
        v.at(4 + i, 1 + i) = 0;
    }
    const std::vector<TracePoint> left_arm = {{4, 1}, {3, 2}, {2, 3}, {1, 4}, {2, 3}, {3, 2}};
    EXPECT_EQ(PathOf(v), left_arm);
    a = v;
    b = v;
    EXPECT_EQ(TraceOuterContour(a.view(), b.view(), sink), kTraceTraced);
    for (int i = 0; i <= 3; ++i) {
        EXPECT_EQ(a.at(4 - i, 1 + i), 0);
        EXPECT_EQ(b.at(4 - i, 1 + i), 255);
        if (i > 0) {
            EXPECT_EQ(a.at(4 + i, 1 + i), 255);
            EXPECT_EQ(b.at(4 + i, 1 + i), 0);
        }
    }
}

TEST(TraceOuterContour, OnlyTheLowestObjectsOuterBoundaryIsTaken) {
    // A ring (with a hole) low on the left, a block higher up on the right.
    const TestImage image = FromPicture({
        "..........",
        "......###.",
        "......###.",
        "..........",
        ".#####....",
        ".#...#....",
        ".#...#....",
        ".#####....",
        "..........",
    });
    TestImage a = image;
    TestImage b = image;
    RecordingSink sink;
    EXPECT_EQ(TraceOuterContour(a.view(), b.view(), sink), kTraceTraced);
    TestImage ring = image;
    TestImage rest = image;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) (y >= 5 ? ring : rest).at(x, y) = 255;
    EXPECT_TRUE(a.samePixels(ring)) << a.picture();
    EXPECT_TRUE(b.samePixels(rest)) << b.picture();
    // Each ring pixel is accepted once: 14 pixels, no retrace.
    EXPECT_EQ(PathOf(ring).size(), 14u);
}

TEST(TraceOuterContour, ResultCodesWithoutATrace) {
    RecordingSink sink;
    TestImage white(5, 5);
    TestImage b(5, 5, 0);
    EXPECT_EQ(TraceOuterContour(white.view(), b.view(), sink), kTraceNothing);
    EXPECT_TRUE(white.samePixels(TestImage(5, 5)));
    EXPECT_TRUE(b.samePixels(TestImage(5, 5, 0)));
    EXPECT_TRUE(sink.messages.empty());

    // Black on the border only: the start search covers the interior alone.
    TestImage framed(5, 5, 0);
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 3; ++x) framed.at(x, y) = 255;
    EXPECT_EQ(TraceOuterContour(framed.view(), b.view(), sink), kTraceNothing);

    // A lone pixel: the message, a unchanged, only the start gone from b.
    TestImage dot(5, 5);
    dot.at(2, 2) = 0;
    TestImage a = dot;
    TestImage rb = dot;
    rb.at(4, 4) = 0;
    EXPECT_EQ(TraceOuterContour(a.view(), rb.view(), sink), kTraceIsolated);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, "有孤立点存在");
    EXPECT_EQ(sink.messages[0].second, kAppTitle);
    EXPECT_TRUE(a.samePixels(dot));
    EXPECT_EQ(rb.at(2, 2), 255);
    EXPECT_EQ(rb.at(4, 4), 0);

    // Images of different sizes are refused untouched.
    TestImage small(4, 5);
    EXPECT_EQ(TraceOuterContour(dot.view(), small.view(), sink), kTraceNothing);
    EXPECT_EQ(dot.at(2, 2), 0);
}

TEST(TraceOuterContour, ObjectsTouchingTheBorderAreFollowedAlongIt) {
    // Filled to the very edge: the trace runs along the outermost rows and
    // columns, reads the outside as white and closes.
    for (int w : {3, 4, 5, 7}) {
        for (int h : {3, 4, 6}) {
            TestImage full(w, h, 0);
            TestImage a = full;
            TestImage b = full;
            RecordingSink sink;
            ASSERT_EQ(TraceOuterContour(a.view(), b.view(), sink), kTraceTraced) << w << "x" << h;
            const std::vector<TracePoint> path = PathOf(full);
            EXPECT_EQ(path.front(), (TracePoint{1, 1}));
            for (const TracePoint p : path) EXPECT_TRUE(full.view().contains(p.x, p.y));
            EXPECT_TRUE(a.paddingIntact());
            EXPECT_TRUE(b.paddingIntact());
        }
    }
    // Black all over: the start (1, 1) lies inside the object, so the walk
    // circles the outermost pixels without meeting it and stops when it
    // would go round again.
    TestImage black(3, 3, 0);
    const std::vector<TracePoint> circle = {{1, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1},
                                            {2, 0}, {1, 0}, {0, 0}, {0, 1}, {0, 2}};
    EXPECT_EQ(PathOf(black), circle);

    // An object running up the left edge: the trace climbs the outermost
    // column, reading the outside as white, and comes back down to close.
    TestImage edge = FromPicture({"....", "#...", "#...", "##..", "...."});
    const std::vector<TracePoint> expected = {{1, 1}, {0, 2}, {0, 3}, {0, 2}};
    EXPECT_EQ(PathOf(edge), expected);
}

TEST(FindTraceStart, ScansFromTheBottomAndResumesWhereAsked) {
    TestImage image(6, 5);
    image.at(4, 1) = 0;
    image.at(1, 3) = 0;
    image.at(0, 1) = 0;  // border: never a start
    TracePoint s;
    ASSERT_TRUE(FindTraceStart(image.view(), s));
    EXPECT_EQ(s, (TracePoint{4, 1}));
    ASSERT_TRUE(FindTraceStart(image.view(), s, {5, 1}));
    EXPECT_EQ(s, (TracePoint{1, 3}));
    EXPECT_FALSE(FindTraceStart(image.view(), s, {2, 3}));
    TestImage thin(2, 9, 0);
    EXPECT_FALSE(FindTraceStart(thin.view(), s));
}

// The follower's steps as written: a result image, candidates read with the
// outside as white, a failure counter, and the stop at the first repeated
// (pixel, arrival direction). Returns the code; fills a and b; circled tells
// whether that stop was needed.
int LiteralTrace(TestImage& a, TestImage& b, int& messages, bool& circled) {
    circled = false;
    std::set<std::tuple<int, int, unsigned>> seen;
    const int w = a.width(), h = a.height();
    int sx = -1, sy = -1;
    for (int y = 1; y <= h - 2 && sx < 0; ++y)
        for (int x = 1; x <= w - 2; ++x)
            if (a.at(x, y) == 0) {
                sx = x;
                sy = y;
                break;
            }
    if (sx < 0) return 0;
    TestImage result(w, h);
    b.at(sx, sy) = 255;
    result.at(sx, sy) = 0;
    int px = sx, py = sy;
    unsigned c = 1;
    int f = 1;
    for (long steps = 0;; ++steps) {
        if (steps > 64L * w * h) {
            ADD_FAILURE() << "the literal trace does not close";
            return -1;
        }
        int dx = 0, dy = 0;
        DirectionStep(c, dx, dy);
        const int qx = px + dx, qy = py + dy;
        if (qx == sx && qy == sy) {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) a.at(x, y) = result.at(x, y);
            return 1;
        }
        const bool black = qx >= 0 && qy >= 0 && qx < w && qy < h && a.at(qx, qy) == 0;
        if (black && !seen.insert({qx, qy, c}).second) {
            circled = true;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) a.at(x, y) = result.at(x, y);
            return 1;
        }
        if (black) {
            b.at(qx, qy) = 255;
            result.at(qx, qy) = 0;
            px = qx;
            py = qy;
            c = c < 2 ? c + 6 : c - 2;
            f = 1;
        } else {
            f = f + 1;
            if (f == 9) {
                ++messages;
                return 2;
            }
            c = c == 7 ? 0 : c + 1;
        }
    }
}

TEST(TraceOuterContour, MatchesTheLiteralStepsOnRandomImages) {
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    int circling = 0;
    for (int round = 0; round < 3000; ++round) {
        const int w = 1 + static_cast<int>(rng() % 14);
        const int h = 1 + static_cast<int>(rng() % 14);
        const unsigned density = rng() % 100;
        TestImage a(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const unsigned r = rng() % 100;
                a.at(x, y) = r < density ? 0 : (r % 17 == 0 ? static_cast<std::uint8_t>(rng()) : 255);
            }
        TestImage b = a;
        TestImage la = a, lb = b;
        int literal_messages = 0;
        bool circled = false;
        const int expected = LiteralTrace(la, lb, literal_messages, circled);
        if (circled) {
            // Only a start with black border pixels beside it can be missed.
            TracePoint s;
            ASSERT_TRUE(FindTraceStart(a.view(), s));
            ASSERT_TRUE(s.x == 1 || s.y == 1) << "seed " << seed << " round " << round;
            ++circling;
        }
        RecordingSink sink;
        const int got = TraceOuterContour(a.view(), b.view(), sink);
        ASSERT_EQ(got, expected) << "seed " << seed << " round " << round;
        ASSERT_EQ(static_cast<int>(sink.messages.size()), literal_messages) << "seed " << seed;
        ASSERT_TRUE(a.samePixels(la)) << "seed " << seed << " round " << round << "\n" << la.picture();
        ASSERT_TRUE(b.samePixels(lb)) << "seed " << seed << " round " << round;
        ASSERT_TRUE(a.paddingIntact() && b.paddingIntact()) << "seed " << seed;
    }
    EXPECT_GT(circling, 0) << "no random image exercised the circling stop";
}

}  // namespace
}  // namespace lintra
