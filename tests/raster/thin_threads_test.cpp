// Thinning on several threads gives the image thinning on one thread gives,
// byte for byte, on a scanned drawing and on random drawings and noise of
// shapes that cut the diagonal bands every way.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <random>
#include <string>

#include "base/parallel_rows.h"
#include "formats/read_picture.h"
#include "image/dib.h"
#include "raster/binarise.h"
#include "raster/thin.h"
#include "tests/raster/raster_oracle.h"
#include "tests/raster/raster_test_image.h"
#include "tests/support/recording_sink.h"
#include "tests/support/test_data.h"

namespace lintra {
namespace {

using raster_testing::Content;
using raster_testing::Image;

class ThinThreads : public ::testing::Test {
protected:
    void SetUp() override {
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) < 2)
            GTEST_SKIP() << "one CPU: thinning keeps to one thread";
    }
    void TearDown() override { SetThreadCount(0); }

    // Thins copies of input on 1, 2 and 3 threads and expects them equal to
    // the plain transcription's result.
    static void ExpectSameOnEveryThreadCount(const Image& input, const std::string& what) {
        Image expected = input;
        oracle::ThinImage(expected.view(), ThinDeleteTable);
        for (int threads = 1; threads <= 3; ++threads) {
            SetThreadCount(threads);
            Image actual = input;
            ThinImage(actual.view(), threads);
            ASSERT_TRUE(actual == expected) << what << " on " << threads << " threads";
            ASSERT_TRUE(actual.paddingIntact()) << what;
        }
    }
};

// A sample scan, binarised as the command does.
Image BinarisedSample(const std::string& name) {
    Dib dib;
    test::RecordingSink sink;
    ReadPicture(dib, test::Sample(name), sink);
    EXPECT_EQ(dib.m_bValid, 1) << name;
    Image image(dib.GetWidth(), dib.GetHeight());
    const std::uint32_t stride = dib.ComputeStride();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.at(x, y) = dib.GetBits()[static_cast<std::size_t>(y) * stride + x];
    Histogram histogram;
    ComputeHistogram(image.view(), histogram);
    BinariseIterative(image.view(), histogram);
    return image;
}

TEST_F(ThinThreads, AScannedDrawingIsThinnedAlike) {
    const char* name = "capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp";
    ExpectSameOnEveryThreadCount(BinarisedSample(name), name);
}

// Widths either side of whole 64-pixel words, pictures a few pixels wide or
// high (bands that hold only a corner of each row, or rows that end inside
// the first band), thick drawings that take many passes and dense noise
// whose deletions cross the band boundaries everywhere.
TEST_F(ThinThreads, RandomDrawingsAndNoiseAreThinnedAlike) {
    const int widths[] = {3, 65, 256, 300, 511, 512, 513, 640, 777, 1029, 9000};
    unsigned seed = 46000;
    for (int w : widths)
        for (Content content : {Content::kDrawing, Content::kBlackWhite}) {
            // A drawing in a strip a few pixels wide takes about a pass per
            // pixel of its height, and cuts the bands no other way.
            if (w < 64 && content == Content::kDrawing) continue;
            std::mt19937 rng(++seed);
            const int h = std::uniform_int_distribution<int>(65536 / w + 1, 65536 / w + 120)(rng);
            const int shapes = content == Content::kDrawing ? 40 : 1;
            const Image input = raster_testing::RandomImage(rng, content, w, h, shapes);
            ExpectSameOnEveryThreadCount(input, "seed " + std::to_string(seed));
        }
}

// Ink in one corner only, along one diagonal only, or none: most bands hold
// no marks, or the marks counted in the sampled rows are none at all.
TEST_F(ThinThreads, InkInOnePlaceIsThinnedAlike) {
    const int w = 700, h = 500;
    std::mt19937 rng(47000);
    const Image blob = raster_testing::RandomImage(rng, Content::kDrawing, 120, 90, 6);
    Image corner(w, h), diagonal(w, h), blank(w, h);
    for (Image* image : {&corner, &diagonal, &blank})
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image->at(x, y) = 255;
    for (int y = 0; y < blob.height(); ++y)
        for (int x = 0; x < blob.width(); ++x) corner.at(w - blob.width() + x, y) = blob.at(x, y);
    // A thick stroke along the diagonal x + y = 600 (from the top).
    for (int y = 0; y < h; ++y)
        for (int x = std::max(0, 600 - (h - 1 - y) - 4); x < std::min(w, 600 - (h - 1 - y) + 4); ++x)
            diagonal.at(x, y) = 0;
    ExpectSameOnEveryThreadCount(corner, "ink in a corner");
    ExpectSameOnEveryThreadCount(diagonal, "ink along a diagonal");
    ExpectSameOnEveryThreadCount(blank, "no ink");
}

}  // namespace
}  // namespace lintra
