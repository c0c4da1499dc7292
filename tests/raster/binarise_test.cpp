// Binarisation: the strict and non-strict comparisons, the frame of the
// gradient rule, the iterative threshold with its empty-class and 64-bit
// cases, and comparisons with the plain transcriptions.
#include "raster/binarise.h"

#include <gtest/gtest.h>

#include <limits>

#include "raster/raster_private.h"
#include "tests/raster/raster_compare.h"
#include "tests/raster/raster_oracle.h"

namespace lintra {
namespace {

using raster_detail::IterativeThreshold;
using raster_testing::Content;
using raster_testing::Count;
using raster_testing::Image;

TEST(BinariseThreshold, StrictlyAboveTheThresholdIsWhite) {
    Image image(4, 1);
    image.at(0, 0) = 30;
    image.at(1, 0) = 31;
    image.at(2, 0) = 0;
    image.at(3, 0) = 255;
    Image low = image, high = image;
    BinariseThreshold(image.view(), 30);
    EXPECT_EQ(image.picture(), "#.#.\n");
    BinariseThreshold(low.view(), -1);  // below 0: everything white
    EXPECT_EQ(Count(low, 255), 4);
    BinariseThreshold(high.view(), 255);  // 255 or more: everything black
    EXPECT_EQ(Count(high, 0), 4);
    EXPECT_TRUE(image.paddingIntact() && low.paddingIntact() && high.paddingIntact());
}

TEST(BinariseGradient, StrictComparisonAndWhiteFrame) {
    auto inner = [](int centre, int left, int below, int threshold) {
        Image image(3, 3, 0);
        image.at(1, 1) = static_cast<std::uint8_t>(centre);
        image.at(0, 1) = static_cast<std::uint8_t>(left);
        image.at(1, 0) = static_cast<std::uint8_t>(below);
        BinariseGradient(image.view(), threshold);
        EXPECT_EQ(Count(image, 255) - (image.at(1, 1) == 255), 8);  // the frame
        return static_cast<int>(image.at(1, 1));
    };
    EXPECT_EQ(inner(100, 82, 76, 30), 0);     // dx 18, dy 24: exactly 30
    EXPECT_EQ(inner(100, 69, 100, 30), 255);  // dx 31: 31
    EXPECT_EQ(inner(100, 97, 96, 30), 0);     // dx 3, dy 4: 5
    EXPECT_EQ(inner(100, 100, 100, -1), 255);
    EXPECT_EQ(inner(255, 0, 0, 360), 0);  // 360.6 truncates to 360

    Image uniform(6, 5, 140);
    BinariseGradient(uniform.view(), 30);
    EXPECT_EQ(uniform.picture(), "......\n.####.\n.####.\n.####.\n......\n");
    for (int w = 1; w <= 4; ++w)
        for (int h = 1; h <= 4; ++h)
            if (w <= 2 || h <= 2) {
                Image small(w, h, 0);
                BinariseGradient(small.view(), 30);
                EXPECT_EQ(Count(small, 255), w * h);
                EXPECT_TRUE(small.paddingIntact());
            }
}

TEST(ComputeHistogram, CountsEveryPixelAndNoPadding) {
    Image image(5, 3, 7);  // padding holds the sentinel 0x5A
    image.at(4, 2) = raster_testing::kSentinel;
    Histogram histogram;
    histogram.fill(99);
    ComputeHistogram(image.view(), histogram);
    EXPECT_EQ(histogram[7], 14);
    EXPECT_EQ(histogram[raster_testing::kSentinel], 1);
    std::int64_t total = 0;
    for (std::int32_t n : histogram) total += n;
    EXPECT_EQ(total, 15);
}

Histogram HistogramOf(Image& image) {
    Histogram histogram;
    ComputeHistogram(image.view(), histogram);
    return histogram;
}

TEST(BinariseIterative, WorkedThresholds) {
    // Already black and white: 0 and 255 give 127 at once; nothing changes.
    Image bw = raster_testing::FromPicture({"#..#", ".##."});
    const Image start = bw;
    EXPECT_EQ(IterativeThreshold(HistogramOf(bw)), 127);
    BinariseIterative(bw.view(), HistogramOf(bw));
    EXPECT_TRUE(bw == start);

    // Equally many 50s and 200s: 125, twice.
    Image two(4, 2, 50);
    for (int x = 0; x < 4; ++x) two.at(x, 1) = 200;
    EXPECT_EQ(IterativeThreshold(HistogramOf(two)), 125);
    BinariseIterative(two.view(), HistogramOf(two));
    EXPECT_EQ(two.picture(), "....\n####\n");

    // A pixel equal to the threshold turns white (>=), where BinariseThreshold
    // with the same threshold turns it black (>).
    Image equal(201, 2, 0);
    for (int x = 0; x < 201; ++x) equal.at(x, 1) = 254;
    equal.at(0, 0) = 127;
    Image same = equal;
    EXPECT_EQ(IterativeThreshold(HistogramOf(equal)), 127);
    BinariseIterative(equal.view(), HistogramOf(equal));
    EXPECT_EQ(equal.at(0, 0), 255);
    BinariseThreshold(same.view(), 127);
    EXPECT_EQ(same.at(0, 0), 0);
}

TEST(BinariseIterative, EmptyClassAtTheStartKeeps127) {
    struct Case {
        std::uint8_t a, b;
        int white;
    };
    // Uniform images and images all on one side of 127.
    for (Case c :
         {Case{200, 200, 6}, Case{100, 100, 0}, Case{127, 127, 6}, Case{128, 255, 6}, Case{10, 127, 3}}) {
        Image image(3, 2, c.a);
        for (int x = 0; x < 3; ++x) image.at(x, 1) = c.b;
        EXPECT_EQ(IterativeThreshold(HistogramOf(image)), 127);
        BinariseIterative(image.view(), HistogramOf(image));
        EXPECT_EQ(Count(image, 255), c.white) << int(c.a) << " " << int(c.b);
    }
    Histogram none{};
    EXPECT_EQ(IterativeThreshold(none), 127);
}

TEST(BinariseIterative, WeightedSumsDoNotOverflow) {
    // Counts of a picture far beyond 8.4 million pixels: 255 x count passes
    // 2^31, which 32-bit sums would wrap.
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    Histogram h{};
    h[0] = big;
    h[255] = big;
    EXPECT_EQ(IterativeThreshold(h), 127);
    h = {};
    h[50] = big;
    h[200] = big;
    EXPECT_EQ(IterativeThreshold(h), 125);
    h = {};
    h[20] = big;
    h[230] = 3;
    h[240] = big;
    EXPECT_EQ(IterativeThreshold(h), 129);  // m2 = 239 (truncated), (20 + 239) / 2
}

constexpr auto kAll = {Content::kGrey, Content::kSmoothGrey, Content::kBlackWhite, Content::kDrawing};

TEST(BinariseOracle, GradientThresholdIterative) {
    auto threshold = [](std::mt19937& rng) { return std::uniform_int_distribution<int>(-3, 365)(rng); };
    raster_testing::CompareOnRandomImages(
        "BinariseGradient", 11000, 3000, kAll,
        [&](ImageView v, std::mt19937& r) { BinariseGradient(v, threshold(r)); },
        [&](ImageView v, std::mt19937& r) { oracle::BinariseGradient(v, threshold(r)); });
    raster_testing::CompareOnRandomImages(
        "BinariseThreshold", 12000, 3000, kAll,
        [&](ImageView v, std::mt19937& r) { BinariseThreshold(v, threshold(r) - 50); },
        [&](ImageView v, std::mt19937& r) { oracle::BinariseThreshold(v, threshold(r) - 50); });
    raster_testing::CompareOnRandomImages(
        "BinariseIterative", 13000, 3000, kAll,
        [](ImageView v, std::mt19937&) {
            Histogram h;
            ComputeHistogram(v, h);
            BinariseIterative(v, h);
        },
        [](ImageView v, std::mt19937&) {
            Histogram h{};
            for (int y = 0; y < v.height; ++y)
                for (int x = 0; x < v.width; ++x) ++h[v.at(x, y)];
            oracle::BinariseIterative(v, h);
        });
}

TEST(BinariseOracle, EveryRowWidth) {
    auto threshold = [](std::mt19937& rng) { return std::uniform_int_distribution<int>(-3, 365)(rng); };
    raster_testing::CompareOnEveryWidth(
        "BinariseGradient", 14000, kAll,
        [&](ImageView v, std::mt19937& r) { BinariseGradient(v, threshold(r)); },
        [&](ImageView v, std::mt19937& r) { oracle::BinariseGradient(v, threshold(r)); });
    raster_testing::CompareOnEveryWidth(
        "BinariseThreshold", 15000, kAll,
        [&](ImageView v, std::mt19937& r) { BinariseThreshold(v, threshold(r) - 50); },
        [&](ImageView v, std::mt19937& r) { oracle::BinariseThreshold(v, threshold(r) - 50); });
}

}  // namespace
}  // namespace lintra
