// Black-and-white clean-up: the worked neighbour counts, the sequential
// update of isolated-point removal, the border, and comparisons with the
// plain transcriptions.
#include "raster/cleanup.h"

#include <gtest/gtest.h>

#include "tests/raster/raster_compare.h"
#include "tests/raster/raster_oracle.h"

namespace lintra {
namespace {

using raster_testing::Content;
using raster_testing::FromPicture;
using raster_testing::Image;

TEST(InvertBlackWhite, SwapsOnlyBlackAndWhite) {
    Image image(3, 2);
    image.at(0, 0) = 0;
    image.at(1, 0) = 128;
    image.at(2, 0) = 255;
    image.at(0, 1) = 1;
    const Image start = image;
    InvertBlackWhite(image.view());
    EXPECT_EQ(image.at(0, 0), 255);
    EXPECT_EQ(image.at(1, 0), 128);
    EXPECT_EQ(image.at(2, 0), 0);
    EXPECT_EQ(image.at(0, 1), 1);
    InvertBlackWhite(image.view());
    EXPECT_TRUE(image == start);
}

TEST(InvertBlackWhite, EveryValueAtEveryPlaceOfARow) {
    // 256 values along rows of 33 and 47 pixels: each value meets the runs
    // of 16 and the single pixels that finish a row.
    for (int width : {33, 47}) {
        Image image(width, (256 + width - 1) / width);
        for (int i = 0; i < 256; ++i) image.at(i % width, i / width) = static_cast<std::uint8_t>(i);
        const Image start = image;
        InvertBlackWhite(image.view());
        for (int i = 0; i < 256; ++i) {
            const int expected = i == 0 ? 255 : i == 255 ? 0 : i;
            ASSERT_EQ(image.at(i % width, i / width), expected) << "value " << i << ", width " << width;
        }
        EXPECT_TRUE(image.paddingIntact());
    }
}

TEST(MakeBorderWhite, WhitensTheOutermostRowsAndColumnsOnly) {
    Image one(1, 1, 0);
    MakeBorderWhite(one.view());
    EXPECT_EQ(one.at(0, 0), 255);
    Image image(5, 4, 0);
    MakeBorderWhite(image.view());
    EXPECT_EQ(image.picture(), ".....\n.###.\n.###.\n.....\n");
    EXPECT_TRUE(image.paddingIntact());
}

// The centre of a 3 x 3 image (inside a white frame of 5 x 5) with `whites`
// of its eight neighbours white, after RemoveBlackWhitePoints.
int MajorityCentre(std::uint8_t centre, int whites) {
    Image image(5, 5, 255);
    const int ring[8][2] = {{1, 1}, {2, 1}, {3, 1}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {1, 2}};
    for (int i = 0; i < 8; ++i) image.at(ring[i][0], ring[i][1]) = i < whites ? 255 : 0;
    image.at(2, 2) = centre;
    RemoveBlackWhitePoints(image.view());
    return image.at(2, 2);
}

TEST(RemoveBlackWhitePoints, MajorityCounts) {
    EXPECT_EQ(MajorityCentre(0, 4), 0);      // black, 4 white neighbours: stays
    EXPECT_EQ(MajorityCentre(0, 5), 255);    // 5: turns white
    EXPECT_EQ(MajorityCentre(255, 4), 0);    // white, 4 black neighbours: turns black
    EXPECT_EQ(MajorityCentre(255, 5), 255);  // 3 black: stays
    EXPECT_EQ(MajorityCentre(100, 0), 0);    // thresholded to black first
    EXPECT_EQ(MajorityCentre(101, 8), 255);  // thresholded to white first
}

TEST(RemoveBlackWhitePoints, BorderKeepsItsThresholdedValue) {
    Image image(4, 3, 255);
    image.at(0, 1) = 0;    // a black border pixel among white
    image.at(3, 0) = 101;  // thresholded white
    image.at(3, 2) = 100;  // thresholded black
    RemoveBlackWhitePoints(image.view());
    EXPECT_EQ(image.at(0, 1), 0);
    EXPECT_EQ(image.at(3, 0), 255);
    EXPECT_EQ(image.at(3, 2), 0);
    EXPECT_TRUE(image.paddingIntact());
}

TEST(RemoveIsolatedPoints, EightNeighbours) {
    Image single = FromPicture({".....", ".....", "..#..", ".....", "....."});
    RemoveIsolatedPoints(single.view(), 8);
    EXPECT_EQ(raster_testing::Count(single, 0), 0);

    Image diagonal = FromPicture({".....", "..#..", ".#...", "....."});
    const Image keep = diagonal;
    RemoveIsolatedPoints(diagonal.view(), 8);
    EXPECT_TRUE(diagonal == keep);

    Image hole = FromPicture({"#####", "#####", "##.##", "#####", "#####"});
    RemoveIsolatedPoints(hole.view(), 8);
    EXPECT_EQ(raster_testing::Count(hole, 255), 0);
}

TEST(RemoveIsolatedPoints, SequentialUpdateRemovesARunOfThreeWithSeven) {
    // The left pixel goes first; then the middle one sees 7 whites, the right 8.
    Image run = FromPicture({".....", ".###.", "....."});
    RemoveIsolatedPoints(run.view(), 7);
    EXPECT_EQ(run.picture(), ".....\n.....\n.....\n");
    // With k = 8 none of the three has eight white neighbours.
    Image kept = FromPicture({".....", ".###.", "....."});
    RemoveIsolatedPoints(kept.view(), 8);
    EXPECT_EQ(kept.picture(), ".....\n.###.\n.....\n");
}

TEST(Cleanup, ViewsThatAreNotEightBitOrTooShortAreLeftAlone) {
    Image image = FromPicture({"#.#", ".#.", "#.#"});
    const Image start = image;
    ImageView bad = image.view();
    bad.bitCount = 24;
    InvertBlackWhite(bad);
    RemoveBlackWhitePoints(bad);
    RemoveIsolatedPoints(bad, 8);
    MakeBorderWhite(bad);
    bad = image.view();
    bad.stride = 2;
    MakeBorderWhite(bad);
    EXPECT_TRUE(image == start);
}

constexpr auto kAll = {Content::kGrey, Content::kSmoothGrey, Content::kBlackWhite, Content::kDrawing};

TEST(CleanupOracle, MajorityFilterAndIsolatedPoints) {
    raster_testing::CompareOnRandomImages(
        "RemoveBlackWhitePoints", 21000, 3000, kAll,
        [](ImageView v, std::mt19937&) { RemoveBlackWhitePoints(v); },
        [](ImageView v, std::mt19937&) { oracle::RemoveBlackWhitePoints(v); });
    auto k = [](std::mt19937& rng) { return std::uniform_int_distribution<int>(-1, 10)(rng); };
    raster_testing::CompareOnRandomImages(
        "RemoveIsolatedPoints", 22000, 4000, {Content::kBlackWhite, Content::kDrawing, Content::kGrey},
        [&](ImageView v, std::mt19937& r) { RemoveIsolatedPoints(v, k(r)); },
        [&](ImageView v, std::mt19937& r) { oracle::RemoveIsolatedPoints(v, k(r)); });
}

TEST(CleanupOracle, EveryRowWidth) {
    raster_testing::CompareOnEveryWidth(
        "RemoveBlackWhitePoints", 23000, kAll, [](ImageView v, std::mt19937&) { RemoveBlackWhitePoints(v); },
        [](ImageView v, std::mt19937&) { oracle::RemoveBlackWhitePoints(v); });
    auto k = [](std::mt19937& rng) { return std::uniform_int_distribution<int>(-1, 10)(rng); };
    raster_testing::CompareOnEveryWidth(
        "RemoveIsolatedPoints", 24000, {Content::kBlackWhite, Content::kDrawing, Content::kGrey},
        [&](ImageView v, std::mt19937& r) { RemoveIsolatedPoints(v, k(r)); },
        [&](ImageView v, std::mt19937& r) { oracle::RemoveIsolatedPoints(v, k(r)); });
}

}  // namespace
}  // namespace lintra
