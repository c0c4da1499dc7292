// The operations that split their rows into bands for the worker threads
// give the same bytes with 1, 2 and 3 threads, on real pictures and on every
// small size, with bands as short as one row.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/parallel_rows.h"
#include "formats/read_picture.h"
#include "image/dib.h"
#include "raster/binarise.h"
#include "raster/binarise_adaptive.h"
#include "raster/blobs.h"
#include "raster/cleanup.h"
#include "raster/edge.h"
#include "raster/raster_private.h"
#include "raster/thin.h"
#include "support/recording_sink.h"
#include "support/test_data.h"
#include "tests/raster/raster_test_image.h"

namespace lintra {
namespace {

using raster_testing::Content;
using raster_testing::Image;
using raster_testing::RandomImage;

// Runs an operation on its image and appends anything else it computes
// (a histogram, blob labels) to extra.
using Operation = std::function<void(ImageView, std::vector<std::int64_t>& extra)>;

struct Named {
    const char* name;
    Operation run;
};

void Labels(ImageView image, std::vector<std::int64_t>& extra) {
    BlobLabelState state;
    // The first run grows the tables on one band; the second uses the bands.
    LabelBlackBlobs(state, image);
    LabelBlackBlobs(state, image);
    extra.push_back(state.labelCounter);
    extra.insert(extra.end(), state.area.begin(), state.area.end());
    for (const BlobRun& run : state.runs) extra.insert(extra.end(), {run.y, run.x0, run.x1, run.label});
}

const std::vector<Named>& Operations() {
    static const float kOdd[6] = {1, -2, 3, 0, 5, -1};             // 2 x 3, integer, scale 1/2
    static const float kFraction[6] = {0.3f, 1, -0.7f, 2, 0, -1};  // 3 x 2, scale 0.4
    static const std::vector<Named> operations{
        {"EdgeSobel", [](ImageView i, auto&) { EdgeSobel(i); }},
        {"EdgePrewitt", [](ImageView i, auto&) { EdgePrewitt(i); }},
        {"EdgeKirsch", [](ImageView i, auto&) { EdgeKirsch(i); }},
        {"EdgeGaussLaplace", [](ImageView i, auto&) { EdgeGaussLaplace(i); }},
        {"EdgeRoberts", [](ImageView i, auto&) { EdgeRoberts(i); }},
        {"EdgeGradient", [](ImageView i, auto&) { EdgeGradient(i); }},
        {"ApplyTemplate integer",
         [](ImageView i, auto&) {
             if (i.height >= 2 && i.width >= 3)
                 ApplyTemplate(i.pixels, i.width, i.height, i.stride, 2, 3, 2, 1, kOdd, 0.5f);
         }},
        {"ApplyTemplate fraction",
         [](ImageView i, auto&) {
             if (i.height >= 3 && i.width >= 2)
                 ApplyTemplate(i.pixels, i.width, i.height, i.stride, 3, 2, 0, 2, kFraction, 0.4f);
         }},
        {"BinariseGradient", [](ImageView i, auto&) { BinariseGradient(i, 30); }},
        {"BinariseThreshold", [](ImageView i, auto&) { BinariseThreshold(i, 128); }},
        {"BinariseAdaptive 15", [](ImageView i, auto&) { BinariseAdaptive(i, 15, 66); }},
        {"BinariseAdaptive 101", [](ImageView i, auto&) { BinariseAdaptive(i, 101, 80); }},
        {"ComputeHistogram and BinariseIterative",
         [](ImageView i, auto& extra) {
             Histogram histogram;
             ComputeHistogram(i, histogram);
             extra.assign(histogram.begin(), histogram.end());
             BinariseIterative(i, histogram);
         }},
        {"InvertBlackWhite", [](ImageView i, auto&) { InvertBlackWhite(i); }},
        {"RemoveBlackWhitePoints", [](ImageView i, auto&) { RemoveBlackWhitePoints(i); }},
        {"LabelBlackBlobs", [](ImageView i, auto& extra) { Labels(i, extra); }},
        {"RemoveSmallBlackBlobs",
         [](ImageView i, auto&) {
             BlobLabelState state;
             state.runs.reserve(1);  // as after an earlier run: in bands
             RemoveSmallBlackBlobs(state, i, 4);
         }},
        {"RemoveShortBranches 3", [](ImageView i, auto&) { RemoveShortBranches(i, 3); }},
        {"RemoveShortBranches 255", [](ImageView i, auto&) { RemoveShortBranches(i, 255); }},
    };
    return operations;
}

class RowBandsTest : public ::testing::Test {
protected:
    void SetUp() override { raster_detail::SetMinBandPixels(1); }
    void TearDown() override {
        raster_detail::SetMinBandPixels(0);
        SetThreadCount(0);
    }

    // Every operation on input with 2 and 3 threads against 1 thread.
    static void ExpectSameOnAnyThreads(const Image& input, const std::string& what) {
        for (const Named& operation : Operations()) {
            SetThreadCount(1);
            Image expected = input;
            std::vector<std::int64_t> expectedExtra;
            operation.run(expected.view(), expectedExtra);
            for (int threads : {2, 3}) {
                SetThreadCount(threads);
                Image actual = input;
                std::vector<std::int64_t> actualExtra;
                operation.run(actual.view(), actualExtra);
                ASSERT_TRUE(actual == expected && actualExtra == expectedExtra)
                    << operation.name << " with " << threads << " threads differs on " << what;
            }
        }
    }
};

Image FromSample(const std::string& name, bool binarise) {
    Dib dib;
    test::RecordingSink sink;
    ReadPicture(dib, test::Sample(name), sink);
    Dib::ConvertToGrey(dib);
    const ImageView view = dib.View();
    Image image(view.width, view.height);
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) image.at(x, y) = view.row(y)[x];
    if (binarise) BinariseThreshold(image.view(), 127);
    return image;
}

TEST_F(RowBandsTest, RealPicturesGiveTheSameBytes) {
    for (const char* name :
         {"camera_512x512_8bit_grey_imagemagick.bmp", "page_384x191_8bit_grey_clrused0_netpbm.bmp"})
        ExpectSameOnAnyThreads(FromSample(name, false), name);
    // The ink drawing binarised, so that the blob and branch passes meet
    // strokes that cross every band border.
    ExpectSameOnAnyThreads(FromSample("capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp", true), "capitol");
}

TEST_F(RowBandsTest, EverySmallSizeGivesTheSameBytes) {
    for (int width = 1; width <= 70; ++width)
        for (int height : {1, 2, 3, 4, 5, 7, 11}) {
            std::mt19937 rng(static_cast<unsigned>(width * 100 + height));
            const Content content = width % 2 == 0 ? Content::kDrawing : Content::kGrey;
            ExpectSameOnAnyThreads(RandomImage(rng, content, width, height, 2),
                                   std::to_string(width) + " x " + std::to_string(height));
        }
}

TEST_F(RowBandsTest, TheSplitCoversTheRowsInAFewBandsPerThread) {
    for (int threads : {1, 2, 3}) {
        SetThreadCount(threads);
        const std::vector<raster_detail::RowBand> bands = raster_detail::SplitRows(1, 100, 5);
        ASSERT_EQ(bands.size(), threads == 1 ? 1u : 4u * threads);
        EXPECT_EQ(bands.front().begin, 1);
        EXPECT_EQ(bands.back().end, 101);
        for (std::size_t k = 1; k < bands.size(); ++k) EXPECT_EQ(bands[k].begin, bands[k - 1].end);
    }
    raster_detail::SetMinBandPixels(0);
    EXPECT_EQ(raster_detail::SplitRows(1, 100, 5).size(), 1u) << "tiny images stay on one thread";
}

}  // namespace
}  // namespace lintra
