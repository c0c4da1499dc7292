// Thinning and short-branch removal: the deletion table against the rule
// that defines it, the worked shapes, invariants on random drawings, and
// comparisons with the plain transcriptions.
#include "raster/thin.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/raster/raster_compare.h"
#include "tests/raster/raster_oracle.h"

namespace lintra {
namespace {

using raster_testing::Content;
using raster_testing::Count;
using raster_testing::FromPicture;
using raster_testing::Image;

std::string Thinned(const std::vector<std::string>& rows) {
    Image image = FromPicture(rows);
    ThinImage(image.view());
    EXPECT_TRUE(image.paddingIntact());
    return image.picture();
}

std::string Pruned(const std::vector<std::string>& rows, int passes) {
    Image image = FromPicture(rows);
    RemoveShortBranches(image.view(), passes);
    EXPECT_TRUE(image.paddingIntact());
    return image.picture();
}

std::string Join(const std::vector<std::string>& rows) {
    return std::accumulate(rows.begin(), rows.end(), std::string(),
                           [](std::string a, const std::string& r) { return a + r + "\n"; });
}

TEST(ThinDeleteTable, IsTheConnectivityRule) {
    // Bit weights of the pattern index: NW 1, N 2, NE 4, W 8, E 16, SW 32, S 64, SE 128.
    // Anticlockwise from E: E, NE, N, NW, W, SW, S, SE.
    const int ring[8] = {16, 4, 2, 1, 8, 32, 64, 128};
    int ones = 0;
    for (int index = 0; index < 256; ++index) {
        int b[9], black = 0;
        for (int k = 0; k < 8; ++k) {
            b[k] = (index & ring[k]) ? 1 : 0;
            black += 1 - b[k];
        }
        b[8] = b[0];
        int n8 = 0;
        for (int k = 0; k < 8; k += 2) n8 += b[k] - b[k] * b[k + 1] * b[(k + 2) % 8];
        const int expected = black >= 2 && n8 == 1 ? 1 : 0;
        EXPECT_EQ(ThinDeleteTable[index], expected) << "index " << index;
        ones += ThinDeleteTable[index];
    }
    EXPECT_EQ(ones, 108);
    EXPECT_EQ(ThinDeleteTable[0], 0);    // inner pixel
    EXPECT_EQ(ThinDeleteTable[255], 0);  // isolated
    EXPECT_EQ(ThinDeleteTable[247], 0);  // end of a line
    EXPECT_EQ(ThinDeleteTable[231], 0);  // middle of a horizontal line
    EXPECT_EQ(ThinDeleteTable[41], 1);   // left edge of a solid area
}

TEST(ThinImage, SolidShapesBecomeCentredLines) {
    EXPECT_EQ(Thinned({".....", ".###.", ".###.", ".###.", "....."}),
              Join({".....", "..#..", "..#..", "..#..", "....."}));
    EXPECT_EQ(Thinned({".......", ".#####.", ".#####.", ".#####.", "......."}),
              Join({".......", ".......", "..###..", ".......", "......."}));
    const std::string bar = Thinned({"............", ".##########.", ".##########.", "............"});
    EXPECT_EQ(bar, Join({"............", "............", "..########..", "............"}));
}

TEST(ThinImage, HollowRectangleLosesItsCornersOnly) {
    EXPECT_EQ(Thinned({"........", ".######.", ".#....#.", ".#....#.", ".######.", "........"}),
              Join({"........", "..####..", ".#....#.", ".#....#.", "..####..", "........"}));
}

TEST(ThinImage, OnePixelLinesAndIsolatedPixelsStay) {
    for (const std::vector<std::string>& rows :
         {std::vector<std::string>{"........", ".######.", "........"},
          std::vector<std::string>{"...", ".#.", ".#.", ".#.", ".#.", "..."},
          std::vector<std::string>{"......", ".#....", "..#...", "...#..", "....#.", "......"},
          std::vector<std::string>{"...", ".#.", "..."},
          // Steps of two pixels that meet only at corners are one pixel wide already.
          std::vector<std::string>{
              "..........",
              ".##.......",
              "...##.....",
              ".....##...",
              "..........",
          }})
        EXPECT_EQ(Thinned(rows), Join(rows));
}

TEST(ThinImage, StaircasesKeepOnePixelPerStepExceptTheEndPoint) {
    // Steps running down to the right become a diagonal.
    EXPECT_EQ(Thinned({"........", ".##.....", "..##....", "...##...", "....##..", "........"}),
              Join({"........", "..#.....", "...#....", "....#...", ".....#..", "........"}));
    // Mirrored, the lowest step keeps both pixels: its left pixel is an end
    // point by the time it is looked at.
    EXPECT_EQ(Thinned({"........", "....##..", "...##...", "..##....", ".##.....", "........"}),
              Join({"........", ".....#..", "....#...", "...#....", ".##.....", "........"}));
}

TEST(ThinImage, BorderPixelsAreNeverDeleted) {
    Image image(6, 5, 0);  // all black: only the interior may thin
    ThinImage(image.view());
    for (int x = 0; x < 6; ++x) EXPECT_TRUE(image.at(x, 0) == 0 && image.at(x, 4) == 0);
    for (int y = 0; y < 5; ++y) EXPECT_TRUE(image.at(0, y) == 0 && image.at(5, y) == 0);
    for (int w = 1; w <= 3; ++w)
        for (int h = 1; h <= 2; ++h) {
            Image tiny(w, h, 0);
            const Image start = tiny;
            ThinImage(tiny.view());
            EXPECT_TRUE(tiny == start);
        }
}

// 8-connected components of black pixels.
int Components(const Image& image) {
    const int w = image.width(), h = image.height();
    std::vector<int> seen(static_cast<std::size_t>(w) * h, 0);
    int count = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (image.at(x, y) != 0 || seen[static_cast<std::size_t>(y) * w + x]) continue;
            ++count;
            std::vector<std::pair<int, int>> stack{{x, y}};
            seen[static_cast<std::size_t>(y) * w + x] = 1;
            while (!stack.empty()) {
                auto [cx, cy] = stack.back();
                stack.pop_back();
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = cx + dx, ny = cy + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h || image.at(nx, ny) != 0) continue;
                        if (!seen[static_cast<std::size_t>(ny) * w + nx]++) stack.push_back({nx, ny});
                    }
            }
        }
    return count;
}

TEST(ThinImage, KeepsTheNumberOfObjectsAndNeverAddsInk) {
    for (unsigned seed = 31000; seed < 31300; ++seed) {
        std::mt19937 rng(seed);
        Image image = raster_testing::RandomImage(rng, Content::kDrawing);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.at(x, y) != 0) image.at(x, y) = 255;
        const Image before = image;
        ThinImage(image.view());
        ASSERT_EQ(Components(image), Components(before)) << "seed " << seed << "\n" << before.picture();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_TRUE(image.at(x, y) == before.at(x, y) || image.at(x, y) == 255);
        Image again = image;  // thinning a thinned image changes nothing
        ThinImage(again.view());
        ASSERT_TRUE(again == image) << "seed " << seed;
    }
}

TEST(RemoveShortBranches, FreeEndsLoseOnePixelPerPass) {
    const std::vector<std::string> line{"...........", ".#########.", "..........."};
    EXPECT_EQ(Pruned(line, 1), Join({"...........", "..#######..", "..........."}));
    EXPECT_EQ(Pruned(line, 3), Join({"...........", "....###....", "..........."}));
    EXPECT_EQ(Pruned(line, 0), Join(line));
    EXPECT_EQ(Pruned(line, -5), Join(line));
    // Of a two-pixel segment the pixel visited later survives, then stays.
    EXPECT_EQ(Pruned({"....", ".##.", "...."}, 1), Join({"....", "..#.", "...."}));
    EXPECT_EQ(Pruned({"....", ".##.", "...."}, 6), Join({"....", "..#.", "...."}));
}

TEST(RemoveShortBranches, TShapeKeepsItsStemWhileTheBarIsThreeLong) {
    const std::vector<std::string> t{".........", ".#######.", "....#....", "....#....", "........."};
    EXPECT_EQ(Pruned(t, 1), Join({".........", "..#####..", "....#....", ".........", "........."}));
    EXPECT_EQ(Pruned(t, 2), Join({".........", "...###...", "....#....", ".........", "........."}));
    // The third pass starts from a bar of three: its ends go, the stem stays
    // (NW, N and NE were black when it was judged).
    EXPECT_EQ(Pruned(t, 3), Join({".........", "....#....", "....#....", ".........", "........."}));
    // Once the bar is one pixel the stem is a free end like any other.
    EXPECT_EQ(Pruned(t, 4), Join({".........", ".........", "....#....", ".........", "........."}));
}

TEST(RemoveShortBranches, LoopsAndMarksLeftBefore) {
    const std::vector<std::string> diamond{".......", "...#...", "..#.#..", ".#...#.",
                                           "..#.#..", "...#...", "......."};
    EXPECT_EQ(Pruned(diamond, 5), Join(diamond));
    const std::vector<std::string> square{".......", ".#####.", ".#...#.", ".#...#.", ".#####.", "......."};
    const std::string corners = Join({".......", "..###..", ".#...#.", ".#...#.", "..###..", "......."});
    EXPECT_EQ(Pruned(square, 1), corners);
    EXPECT_EQ(Pruned(square, 5), corners);

    // A 123 already in the image counts as marked: the erasing sweep turns
    // it white (it has a black neighbour) or black (all neighbours white).
    Image image = FromPicture({".....", ".#...", ".....", "...#.", "....."});
    image.at(1, 3) = 123;  // beside nothing: restored to black
    image.at(2, 1) = 123;  // beside the black pixel at (3, 1)
    RemoveShortBranches(image.view(), 1);
    EXPECT_EQ(image.at(1, 3), 0);
    EXPECT_EQ(image.at(2, 1), 255);
    EXPECT_EQ(Count(image, 123), 0);
}

TEST(ThinOracle, ThinImage) {
    raster_testing::CompareOnRandomImages(
        "ThinImage", 41000, 4000, {Content::kDrawing, Content::kBlackWhite, Content::kGrey},
        [](ImageView v, std::mt19937&) { ThinImage(v); },
        [](ImageView v, std::mt19937&) { oracle::ThinImage(v, ThinDeleteTable); });
}

TEST(ThinOracle, RemoveShortBranches) {
    auto passes = [](std::mt19937& rng) { return std::uniform_int_distribution<int>(-1, 12)(rng); };
    raster_testing::CompareOnRandomImages(
        "RemoveShortBranches", 42000, 4000, {Content::kDrawing, Content::kBlackWhite},
        [&](ImageView v, std::mt19937& r) { RemoveShortBranches(v, passes(r)); },
        [&](ImageView v, std::mt19937& r) { oracle::RemoveShortBranches(v, passes(r)); });
}

TEST(ThinOracle, RemoveShortBranchesOnEveryRowWidth) {
    auto passes = [](std::mt19937& rng) { return std::uniform_int_distribution<int>(1, 6)(rng); };
    raster_testing::CompareOnEveryWidth(
        "RemoveShortBranches", 45000, {Content::kDrawing, Content::kBlackWhite},
        [&](ImageView v, std::mt19937& r) { RemoveShortBranches(v, passes(r)); },
        [&](ImageView v, std::mt19937& r) { oracle::RemoveShortBranches(v, passes(r)); });
}

// Larger thinned drawings, where later passes work from the pixels the
// previous pass changed rather than from a whole scan.
TEST(ThinOracle, ThinnedDrawingsPrunedOverManyPasses) {
    for (unsigned seed = 43000; seed < 43060; ++seed) {
        std::mt19937 rng(seed);
        const int w = std::uniform_int_distribution<int>(60, 201)(rng);
        const int h = std::uniform_int_distribution<int>(60, 201)(rng);
        Image image = raster_testing::RandomImage(rng, Content::kDrawing, w, h, 12);
        ThinImage(image.view());
        const int passes = std::uniform_int_distribution<int>(1, 40)(rng);
        Image expected = image;
        oracle::RemoveShortBranches(expected.view(), passes);
        RemoveShortBranches(image.view(), passes);
        ASSERT_TRUE(image == expected) << "seed " << seed << ", passes " << passes;
        Image thick = raster_testing::RandomImage(rng, Content::kDrawing, w, h, 12);
        Image thickExpected = thick;
        oracle::ThinImage(thickExpected.view(), ThinDeleteTable);
        ThinImage(thick.view());
        ASSERT_TRUE(thick == thickExpected) << "seed " << seed;
    }
}

// Dense black-and-white noise and thick drawings on sizes either side of the
// 64-pixel words and 16-pixel blocks the faster thinning works in, with the
// grey values and stray marks the random contents carry. Dense noise takes
// many iterations, so late passes start from the few pixels still changing.
TEST(ThinOracle, DenseImagesAcrossWordAndBlockSizes) {
    const int sides[] = {3, 15, 16, 17, 63, 64, 65, 66, 127, 129, 190};
    unsigned seed = 44000;
    for (int w : sides)
        for (int h : sides) {
            std::mt19937 rng(++seed);
            const Content content = seed % 2 ? Content::kBlackWhite : Content::kDrawing;
            Image image = raster_testing::RandomImage(rng, content, w, h, 1 + w * h / 400);
            Image expected = image;
            oracle::ThinImage(expected.view(), ThinDeleteTable);
            ThinImage(image.view());
            ASSERT_TRUE(image == expected) << "seed " << seed << ", image " << w << " x " << h;
            ASSERT_TRUE(image.paddingIntact()) << "seed " << seed;
        }
}

}  // namespace
}  // namespace lintra
