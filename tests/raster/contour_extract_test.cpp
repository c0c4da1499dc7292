// Contour extraction 1 and 2: the hand-worked cases and a comparison with
// plain transcriptions of their steps on random grey images.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "raster/contour.h"
#include "tests/raster/contour_test_image.h"

namespace lintra {
namespace {

using contour_testing::FromPicture;
using contour_testing::TestImage;

// Threshold, result image of 255, interior black pixels kept unless all
// eight neighbours are black (their sum is 0), result copied back.
void LiteralExtract1(TestImage& image) {
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.at(x, y) = image.at(x, y) <= 127 ? 0 : 255;
    TestImage result(w, h);
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            if (image.at(x, y) != 0) continue;
            result.at(x, y) = 0;
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (dx != 0 || dy != 0) sum += image.at(x + dx, y + dy);
            if (sum == 0) result.at(x, y) = 255;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.at(x, y) = result.at(x, y);
}

// Marking sweep from the top, in place, then the whitening sweep.
void LiteralExtract2(TestImage& image) {
    const int w = image.width(), h = image.height();
    for (int y = h - 2; y >= 1; --y)
        for (int x = 1; x <= w - 2; ++x) {
            const std::uint8_t p = image.at(x, y);
            if (p != 0 && p != 9) continue;
            int white = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx != 0 || dy != 0) && image.at(x + dx, y + dy) == 255) ++white;
            if (white % 9 == 0) image.at(x, y) = 9;
        }
    for (int y = h - 2; y >= 1; --y)
        for (int x = 1; x <= w - 2; ++x)
            if (image.at(x, y) == 9) image.at(x, y) = 255;
}

TEST(ExtractContour, SolidSquareKeepsItsRim) {
    const TestImage square = FromPicture({".....", ".###.", ".###.", ".###.", "....."});
    const TestImage rim = FromPicture({".....", ".###.", ".#.#.", ".###.", "....."});
    TestImage one = square;
    ExtractContour1(one.view());
    EXPECT_EQ(one.picture(), rim.picture());
    TestImage two = square;
    ExtractContour2(two.view());
    EXPECT_EQ(two.picture(), rim.picture());
    EXPECT_TRUE(one.paddingIntact() && two.paddingIntact());
}

TEST(ExtractContour, GreyValuesAndMarks) {
    // Contour 1 thresholds first: 127 is black, 128 white.
    TestImage grey(3, 3, 255);
    grey.at(1, 1) = 127;
    ExtractContour1(grey.view());
    EXPECT_EQ(grey.at(1, 1), 0);
    grey = TestImage(3, 3, 255);
    grey.at(1, 1) = 128;
    ExtractContour1(grey.view());
    EXPECT_EQ(grey.at(1, 1), 255);
    // Surrounded by 127s (black after the threshold) the pixel is interior.
    grey = TestImage(3, 3, 127);
    ExtractContour1(grey.view());
    EXPECT_TRUE(grey.samePixels(TestImage(3, 3, 255)));

    // Contour 2 reads only 255 as white: grey neighbours make a black pixel
    // interior, and a mark left from before is whitened wherever it stands.
    TestImage two(4, 3, 200);
    two.at(1, 1) = 0;
    two.at(2, 1) = 9;
    two.at(3, 1) = 9;  // border: untouched
    ExtractContour2(two.view());
    EXPECT_EQ(two.at(1, 1), 255);
    EXPECT_EQ(two.at(2, 1), 255);
    EXPECT_EQ(two.at(3, 1), 9);
    EXPECT_EQ(two.at(0, 0), 200);
    two = TestImage(4, 3, 255);
    two.at(1, 1) = 0;
    two.at(2, 1) = 9;
    ExtractContour2(two.view());
    EXPECT_EQ(two.at(1, 1), 0);  // white neighbours: an outline pixel
    EXPECT_EQ(two.at(2, 1), 255);
}

TEST(ExtractContour, ImagesWithoutInterior) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 5}, {7, 2}}) {
        TestImage one(w, h, 0);
        ExtractContour1(one.view());
        EXPECT_TRUE(one.samePixels(TestImage(w, h, 255)));
        TestImage two(w, h, 9);
        ExtractContour2(two.view());
        EXPECT_TRUE(two.samePixels(TestImage(w, h, 9)));
        EXPECT_TRUE(one.paddingIntact() && two.paddingIntact());
    }
}

TEST(ExtractContour, MatchesTheLiteralStepsOnRandomImages) {
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    const std::uint8_t palette[] = {0, 0, 0, 255, 255, 255, 9, 127, 128, 1, 254};
    for (int round = 0; round < 2000; ++round) {
        // Widths up to 40 run the word-at-a-time path with every tail length.
        const int w = 1 + static_cast<int>(rng() % 40);
        const int h = 1 + static_cast<int>(rng() % 13);
        const bool binary = rng() % 2 == 0;
        TestImage image(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.at(x, y) = binary ? (rng() % 3 == 0 ? 255 : 0) : palette[rng() % sizeof palette];
        TestImage one = image, literal_one = image;
        ExtractContour1(one.view());
        LiteralExtract1(literal_one);
        ASSERT_TRUE(one.samePixels(literal_one)) << "seed " << seed << " round " << round;
        TestImage two = image, literal_two = image;
        ExtractContour2(two.view());
        LiteralExtract2(literal_two);
        ASSERT_TRUE(two.samePixels(literal_two)) << "seed " << seed << " round " << round;
        ASSERT_TRUE(one.paddingIntact() && two.paddingIntact()) << "seed " << seed;
        if (binary) {
            // On black and white, 2 followed by whitening the border gives 1.
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (x == 0 || y == 0 || x == w - 1 || y == h - 1) two.at(x, y) = 255;
            ASSERT_TRUE(two.samePixels(one)) << "seed " << seed << " round " << round;
        }
    }
}

}  // namespace
}  // namespace lintra
