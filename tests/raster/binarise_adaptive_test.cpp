// Adaptive black and white: the running sums against a plain transcription
// of the window, and a drawn page whose paper darkens strongly to one corner
// under faint ink and grain.
#include "raster/binarise_adaptive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "raster/binarise.h"
#include "raster/blobs.h"
#include "raster/stroke_width.h"
#include "tests/raster/raster_test_image.h"

namespace lintra {
namespace {

using raster_testing::Content;
using raster_testing::Image;

// The threshold of each pixel from its window's pixels, summed one by one.
Image PlainSauvola(const Image& input, int window, int sensitivity) {
    const int w = input.width(), h = input.height(), r = window / 2;
    const double k = (100 - sensitivity) / 100.0;
    Image out = input;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::int64_t sum = 0, squares = 0, n = 0;
            for (int v = std::max(0, y - r); v <= std::min(h - 1, y + r); ++v)
                for (int u = std::max(0, x - r); u <= std::min(w - 1, x + r); ++u) {
                    sum += input.at(u, v);
                    squares += input.at(u, v) * input.at(u, v);
                    ++n;
                }
            const double mean = static_cast<double>(sum) / static_cast<double>(n);
            const double deviation =
                std::sqrt(std::max(0.0, static_cast<double>(squares) / static_cast<double>(n) - mean * mean));
            out.at(x, y) = input.at(x, y) < mean * (1 + k * (deviation / 128 - 1)) ? 0 : 255;
        }
    return out;
}

TEST(BinariseAdaptive, MatchesThePlainWindowOnRandomImages) {
    std::mt19937 rng(24);
    for (int i = 0; i < 300; ++i) {
        const Content content = i % 3 == 0   ? Content::kGrey
                                : i % 3 == 1 ? Content::kSmoothGrey
                                             : Content::kDrawing;
        Image input = raster_testing::RandomImage(rng, content);
        const int window = std::uniform_int_distribution<int>(3, 60)(rng);
        const int sensitivity = std::uniform_int_distribution<int>(1, 99)(rng);
        Image actual = input;
        BinariseAdaptive(actual.view(), window, sensitivity);
        ASSERT_TRUE(actual == PlainSauvola(input, window, sensitivity) && actual.paddingIntact())
            << "case " << i << ": " << input.width() << " x " << input.height() << ", window " << window
            << ", sensitivity " << sensitivity;
    }
}

// A page 480 x 360: paper at 245 darkening to 60% towards one corner, faint
// strokes 3 pixels wide at 45% of the paper below them (lines every way,
// rings), seeded grain of sigma 12 and single dust pixels.
TEST(BinariseAdaptive, KeepsFaintStrokesOnAStrongGradientAndDropsTheGrain) {
    const int w = 480, h = 360;
    const double pen = 3;
    Image page(w, h), ink(w, h, 255);
    auto onStroke = [&](double x, double y) {
        auto nearSegment = [&](double x0, double y0, double x1, double y1) {
            const double dx = x1 - x0, dy = y1 - y0;
            const double t = std::clamp(((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            return std::hypot(x - x0 - t * dx, y - y0 - t * dy);
        };
        double d = std::min({nearSegment(20, 20, 460, 20), nearSegment(20, 340, 460, 340),
                             nearSegment(20, 20, 20, 340), nearSegment(460, 20, 460, 340),
                             nearSegment(40, 40, 440, 320), nearSegment(60, 300, 420, 60)});
        for (double cx : {120.0, 240.0, 380.0}) d = std::min(d, std::abs(std::hypot(x - cx, y - 180) - 40));
        return d;
    };
    std::mt19937 rng(7);
    std::normal_distribution<double> grain(0, 12);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double paper = 245 * (1 - 0.4 * std::pow((double(x) / w + double(y) / h) / 2, 1.5));
            const bool stroke = onStroke(x, y) <= pen / 2;
            if (stroke) ink.at(x, y) = 0;
            page.at(x, y) = static_cast<std::uint8_t>(
                std::clamp(std::lround((stroke ? 0.45 * paper : paper) + grain(rng)), 0L, 255L));
        }
    for (int i = 0; i < 40; ++i) page.at(rng() % w, rng() % h) = 40;  // dust

    // A single threshold for the page loses the strokes or blackens the corner.
    Image global = page;
    Histogram histogram{};
    ComputeHistogram(global.view(), histogram);
    BinariseIterative(global.view(), histogram);
    int globalWrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) globalWrong += global.at(x, y) != ink.at(x, y);

    Image local = page;
    BinariseAdaptive(local.view(), AdaptiveWindowFor(pen), kAdaptiveSensitivity);
    int strokeMissed = 0, wrong = 0;
    Image away = local;  // black pixels beyond the strokes' reach
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = onStroke(x, y);
            strokeMissed += d <= 0.5 && local.at(x, y) != 0;
            wrong += local.at(x, y) != ink.at(x, y);
            if (d <= pen) away.at(x, y) = 255;
        }
    EXPECT_EQ(strokeMissed, 0) << "centre-line pixels left white";
    EXPECT_LT(wrong * 10, globalWrong)
        << "adaptive " << wrong << " pixels wrong, one threshold " << globalWrong;
    BlobLabelState blobs;
    LabelBlackBlobs(blobs, away.view());
    const std::int64_t largest =
        blobs.area.empty() ? 0 : *std::max_element(blobs.area.begin(), blobs.area.end());
    EXPECT_LE(largest, 2) << "a speck larger than the grain and the dust";
    EXPECT_NEAR(MeasureStrokeWidth(local.view()), pen, 0.1 * pen);
}

// Drawn strokes of each width, in every direction and around rings: the
// measured width is within a tenth.
TEST(MeasureStrokeWidth, FindsTheWidthOfDrawnStrokes) {
    for (double pen : {2.0, 4.0, 8.0}) {
        Image image(400, 400);
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 400; ++x) {
                const double cx = x + 0.5, cy = y + 0.5;
                const double d =
                    std::min({std::abs(cy - 50), std::abs(cx - 50), std::abs(cx - cy) / std::sqrt(2.0),
                              std::abs(cx + cy - 400) / std::sqrt(2.0),
                              std::abs(std::hypot(cx - 260, cy - 260) - 90)});
                if (d < pen / 2) image.at(x, y) = 0;
            }
        EXPECT_NEAR(MeasureStrokeWidth(image.view()), pen, 0.1 * pen) << "pen " << pen;
    }
}

}  // namespace
}  // namespace lintra
