// Edge operations: the worked values, the border rules, tiny images, and
// comparisons with the plain double-precision transcription.
#include "raster/edge.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/raster/raster_compare.h"
#include "tests/raster/raster_oracle.h"

namespace lintra {
namespace {

using raster_testing::Content;
using raster_testing::Image;

using EdgeOp = void (*)(ImageView);

TEST(Edge, UniformImageGivesZeroInsideEachBorderRule) {
    for (EdgeOp op : {EdgeSobel, EdgePrewitt, EdgeKirsch}) {
        Image image(7, 6, 90);
        op(image.view());
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 7; ++x) {
                const bool border = x == 0 || y == 0 || x == 6 || y == 5;
                EXPECT_EQ(image.at(x, y), border ? 90 : 0) << x << "," << y;
            }
    }
    Image gauss(9, 8, 90);
    EdgeGaussLaplace(gauss.view());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(gauss.at(x, y), x < 2 || y < 2 || x > 6 || y > 5 ? 90 : 0) << x << "," << y;

    Image roberts(5, 4, 90);
    EdgeRoberts(roberts.view());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(roberts.at(x, y), x == 4 || y == 3 ? 255 : 0);

    Image gradient(5, 4, 90);
    EdgeGradient(gradient.view());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(gradient.at(x, y), x == 0 || y == 0 || x == 4 || y == 3 ? 255 : 0);
    for (Image* image : {&roberts, &gradient}) EXPECT_TRUE(image->paddingIntact());
}

TEST(Edge, VerticalStepClampsSobelAndKirschTo255) {
    // Columns 0-2 black, 3-5 white: next to the step Sobel sums 4 x 255 = 1020
    // and Kirsch 0.5 x 15 x 255 = 1912.5; both store 255. Away from it: 0.
    for (EdgeOp op : {EdgeSobel, EdgeKirsch, EdgePrewitt}) {
        Image image(6, 5, 255);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 3; ++x) image.at(x, y) = 0;
        op(image.view());
        for (int y = 1; y < 4; ++y) {
            EXPECT_EQ(image.at(1, y), 0);
            EXPECT_EQ(image.at(2, y), 255);
            EXPECT_EQ(image.at(3, y), 255);
            EXPECT_EQ(image.at(4, y), 0);
        }
    }
}

TEST(Edge, ScaledResponsesRoundHalfUpAndClampAbove255) {
    // A 1 x 1 template shows the rounding directly.
    const float one = 1.0f;
    auto apply = [&](std::uint8_t value, float scale) {
        Image image(1, 1, value);
        ApplyTemplate(image.data(), 1, 1, image.stride(), 1, 1, 0, 0, &one, scale);
        return static_cast<int>(image.at(0, 0));
    };
    EXPECT_EQ(apply(42, 0.25f), 11);    // 10.5
    EXPECT_EQ(apply(41, 0.25f), 10);    // 10.25
    EXPECT_EQ(apply(43, 0.25f), 11);    // 10.75
    EXPECT_EQ(apply(255, 1.0f), 255);   // exactly 255
    EXPECT_EQ(apply(255, 0.5f), 128);   // 127.5
    EXPECT_EQ(apply(200, 2.0f), 255);   // 400
    EXPECT_EQ(apply(200, -0.5f), 100);  // the magnitude counts

    // The Gauss-Laplace sum 24 x 2 - 4 - 2 = 42 at the centre: 10.5 gives 11.
    Image image(5, 5, 0);
    image.at(2, 2) = 2;
    image.at(0, 0) = 1;  // weight -2
    image.at(1, 0) = 1;  // weight -4
    EdgeGaussLaplace(image.view());
    EXPECT_EQ(image.at(2, 2), 11);
}

TEST(Edge, GradientOfThreeAndFourIsFiveAndLargeMagnitudesClamp) {
    Image image(3, 3, 0);
    image.at(1, 1) = 7;
    image.at(0, 1) = 4;  // dx = 3
    image.at(1, 0) = 3;  // dy = 4
    EdgeGradient(image.view());
    EXPECT_EQ(image.at(1, 1), 5);

    Image steep(3, 3, 0);
    steep.at(1, 1) = 255;  // dx = dy = 255: 360.6
    EdgeGradient(steep.view());
    EXPECT_EQ(steep.at(1, 1), 255);
}

TEST(Edge, RootOfEverySquareSumIsTheTruncatedRoot) {
    // Every |dx|, |dy| the differences can take, through EdgeGradient.
    for (int dx = 0; dx <= 255; ++dx)
        for (int dy = 0; dy <= 255; ++dy) {
            Image image(3, 3, 255);
            image.at(0, 1) = static_cast<std::uint8_t>(255 - dx);
            image.at(1, 0) = static_cast<std::uint8_t>(255 - dy);
            EdgeGradient(image.view());
            const int expected =
                std::min(255, static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy))));
            ASSERT_EQ(image.at(1, 1), expected) << dx << "," << dy;
        }
}

// The same on one wide image, so that the roots are taken sixteen pixels at
// a time as well as in the last pixels of each row: pair k sits in columns
// 2k + 1 (the measured pixel, 255) and 2k + 2.
TEST(Edge, RootOfEverySquareSumOnWideRows) {
    const int pairs = 256 * 256, width = 2 * pairs + 3;
    auto expected = [](int k) {
        return std::min(
            255,
            static_cast<int>(std::sqrt(static_cast<double>((k / 256) * (k / 256) + (k % 256) * (k % 256)))));
    };
    // EdgeGradient: dx from the left neighbour (column 2k), dy from below.
    Image gradient(width, 3, 255);
    for (int k = 0; k < pairs; ++k) {
        gradient.at(2 * k, 1) = static_cast<std::uint8_t>(255 - k / 256);
        gradient.at(2 * k + 1, 0) = static_cast<std::uint8_t>(255 - k % 256);
    }
    EdgeGradient(gradient.view());
    for (int k = 0; k < pairs; ++k) ASSERT_EQ(gradient.at(2 * k + 1, 1), expected(k)) << "pair " << k;
    // EdgeRoberts at column 2k + 1 of row 0: d1 = p(2k + 2, 0) - p(2k + 1, 1),
    // d2 = p(2k + 1, 0) - p(2k + 2, 1).
    Image roberts(width, 2, 255);
    for (int k = 0; k < pairs; ++k) {
        roberts.at(2 * k + 1, 1) = static_cast<std::uint8_t>(255 - k / 256);
        roberts.at(2 * k + 2, 1) = static_cast<std::uint8_t>(255 - k % 256);
    }
    EdgeRoberts(roberts.view());
    for (int k = 0; k < pairs; ++k) ASSERT_EQ(roberts.at(2 * k + 1, 0), expected(k)) << "pair " << k;
}

TEST(Edge, ImagesSmallerThanTheTemplateStayAndDifferenceOperationsWhiten) {
    for (int w = 1; w <= 5; ++w)
        for (int h = 1; h <= 5; ++h) {
            Image start(w, h, 77);
            start.at(0, 0) = 3;
            for (EdgeOp op : {EdgeSobel, EdgePrewitt, EdgeKirsch}) {
                Image image = start;
                op(image.view());
                if (w < 3 || h < 3) {
                    EXPECT_TRUE(image == start) << w << "x" << h;
                }
            }
            Image gauss = start;
            EdgeGaussLaplace(gauss.view());
            if (w < 5 || h < 5) {
                EXPECT_TRUE(gauss == start) << w << "x" << h;
            }
            if (w == 1 || h == 1) {
                Image roberts = start;
                EdgeRoberts(roberts.view());
                EXPECT_EQ(raster_testing::Count(roberts, 255), w * h);
            }
            if (w <= 2 || h <= 2) {
                Image gradient = start;
                EdgeGradient(gradient.view());
                EXPECT_EQ(raster_testing::Count(gradient, 255), w * h);
                EXPECT_TRUE(gradient.paddingIntact());
            }
        }
}

TEST(Edge, BadArgumentsLeaveThePixelsAlone) {
    Image image(6, 6, 40);
    image.at(3, 3) = 200;
    const Image start = image;
    const float c[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    ApplyTemplate(image.data(), 6, 6, image.stride(), 3, 3, 3, 1, c, 1.0f);   // anchor outside
    ApplyTemplate(image.data(), 6, 6, image.stride(), 3, 3, -1, 1, c, 1.0f);  // anchor outside
    ApplyTemplate(image.data(), 6, 6, 2, 3, 3, 1, 1, c, 1.0f);                // stride below width
    ApplyTemplate(image.data(), 6, 6, image.stride(), 0, 3, 0, 1, c, 1.0f);   // empty template
    ApplyTemplate(image.data(), 6, 6, image.stride(), 3, 3, 1, 1, nullptr, 1.0f);
    ApplyTemplate(nullptr, 6, 6, 8, 3, 3, 1, 1, c, 1.0f);
    EXPECT_TRUE(image == start);
    ImageView wide = image.view();
    wide.bitCount = 24;
    for (EdgeOp op : {EdgeSobel, EdgePrewitt, EdgeKirsch, EdgeGaussLaplace, EdgeRoberts, EdgeGradient})
        op(wide);
    EXPECT_TRUE(image == start);
}

constexpr auto kAll = {Content::kGrey, Content::kSmoothGrey, Content::kBlackWhite, Content::kDrawing};

void CompareEdge(const char* name, unsigned seed, EdgeOp fast, EdgeOp slow) {
    raster_testing::CompareOnRandomImages(
        name, seed, 3000, kAll, [fast](ImageView v, std::mt19937&) { fast(v); },
        [slow](ImageView v, std::mt19937&) { slow(v); });
}

TEST(EdgeOracle, SobelPrewittKirschGaussLaplaceRobertsGradient) {
    CompareEdge("EdgeSobel", 1000, EdgeSobel, oracle::EdgeSobel);
    CompareEdge("EdgePrewitt", 2000, EdgePrewitt, oracle::EdgePrewitt);
    CompareEdge("EdgeKirsch", 3000, EdgeKirsch, oracle::EdgeKirsch);
    CompareEdge("EdgeGaussLaplace", 4000, EdgeGaussLaplace, oracle::EdgeGaussLaplace);
    CompareEdge("EdgeRoberts", 5000, EdgeRoberts, oracle::EdgeRoberts);
    CompareEdge("EdgeGradient", 6000, EdgeGradient, oracle::EdgeGradient);
}

TEST(EdgeOracle, EveryRowWidth) {
    const std::pair<const char*, std::pair<EdgeOp, EdgeOp>> ops[] = {
        {"EdgeSobel", {EdgeSobel, oracle::EdgeSobel}},
        {"EdgePrewitt", {EdgePrewitt, oracle::EdgePrewitt}},
        {"EdgeKirsch", {EdgeKirsch, oracle::EdgeKirsch}},
        {"EdgeGaussLaplace", {EdgeGaussLaplace, oracle::EdgeGaussLaplace}},
        {"EdgeRoberts", {EdgeRoberts, oracle::EdgeRoberts}},
        {"EdgeGradient", {EdgeGradient, oracle::EdgeGradient}}};
    unsigned seed = 8000;
    for (const auto& [name, pair] : ops) {
        const EdgeOp fast = pair.first, slow = pair.second;
        raster_testing::CompareOnEveryWidth(
            name, seed += 200, kAll, [fast](ImageView v, std::mt19937&) { fast(v); },
            [slow](ImageView v, std::mt19937&) { slow(v); });
    }
}

// Random templates: integer ones with power-of-two scales take the integer
// path; fractional coefficients or other scales the double one.
TEST(EdgeOracle, ApplyTemplateWithRandomTemplates) {
    struct Template {
        int H, W, MX, MY;
        std::vector<float> c;
        float scale;
    };
    auto draw = [](std::mt19937& rng) {
        auto uniform = [&rng](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
        Template t{uniform(1, 5), uniform(1, 5), 0, 0, {}, 1};
        t.MX = uniform(0, t.W - 1);
        t.MY = uniform(0, t.H - 1);
        const bool fractional = uniform(0, 3) == 0;
        for (int i = 0; i < t.H * t.W; ++i)
            t.c.push_back(fractional ? static_cast<float>(uniform(-40, 40)) / 8.0f + 0.1f
                                     : static_cast<float>(uniform(-9, 9)));
        static const float scales[] = {1, 0.5f, 0.25f, 0.125f, 1.0f / 1024, 2, 0.3f, -0.5f, 0};
        t.scale = scales[uniform(0, 8)];
        return t;
    };
    raster_testing::CompareOnRandomImages(
        "ApplyTemplate", 7000, 3000, kAll,
        [&](ImageView v, std::mt19937& rng) {
            const Template t = draw(rng);
            ApplyTemplate(v.pixels, v.width, v.height, v.stride, t.H, t.W, t.MX, t.MY, t.c.data(), t.scale);
        },
        [&](ImageView v, std::mt19937& rng) {
            const Template t = draw(rng);
            oracle::ApplyTemplate(v.pixels, v.width, v.height, v.stride, t.H, t.W, t.MX, t.MY, t.c.data(),
                                  t.scale);
        });
}

}  // namespace
}  // namespace lintra
