// The eight-at-a-time isolated-point pass against the sequential one, and
// its word kernel against its row rule.
#include "vector/vectorise/isolated_pass.h"

#include <gtest/gtest.h>

#include "raster/cleanup.h"
#include "support/row_compare.h"
#include "tests/vector/vectorise/vector_test_image.h"
#include "vector/vectorise/isolated_pass_rows.h"

namespace lintra {
namespace {

using vector_testing::Image;
using vector_testing::RandomDrawing;

TEST(IsolatedPassTest, GivesTheSequentialPassResult) {
    for (std::uint32_t seed = 1; seed <= 4000; ++seed) {
        RandomDrawing drawing(seed);
        // Dense pictures, so that lone black and lone white pixels abound
        // next to each other and across the eight-pixel words.
        Image picture = seed % 2 == 0 ? drawing.MakeDenseGrey(40) : drawing.Make(40, seed % 3 == 0);
        Image sequential = picture;
        Image atOnce = picture;
        RemoveIsolatedPoints(sequential.view(), 8);
        RemoveIsolatedPointsAtOnce(atOnce.view());
        ASSERT_EQ(atOnce, sequential) << "seed " << seed << "\n" << picture.values();
    }
}

TEST(IsolatedPassTest, ChangesOnlyLonePixelsOfTheInterior) {
    Image image(19, 5, 0);
    image.Fill(1, 1, 17, 3, 255);
    image.at(3, 2) = 0;  // black among white: becomes white
    image.Fill(10, 1, 16, 3, 0);
    image.at(13, 2) = 255;  // white among black: becomes black
    image.at(11, 2) = 128;  // grey is never changed
    Image expected = image;
    expected.at(3, 2) = 255;
    expected.at(13, 2) = 0;
    RemoveIsolatedPointsAtOnce(image.view());
    EXPECT_EQ(image, expected);  // the black border and the padding stay
}

TEST(IsolatedPassTest, WordKernelGivesTheRowRuleOnEveryWidth) {
    using row_testing::RowResult;
    row_testing::CompareKernelWithRule(
        "IsolatedPassRowWords", 1000, [](const row_testing::Rows& rows, int w, bool kernel, std::mt19937&) {
            RowResult r{row_testing::OutputRow(rows, w), 1};
            if (kernel) r.stop = vector_detail::IsolatedPassRowWords(rows[0], r.bytes.data(), rows[2], w);
            vector_detail::IsolatedPassRow(rows[0], r.bytes.data(), rows[2], r.stop, w);
            return r;
        });
}

}  // namespace
}  // namespace lintra
