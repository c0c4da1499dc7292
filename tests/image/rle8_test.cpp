// RLE8 decoding: the escapes, what skipped pixels become, and streams built
// to overrun their rows or their bytes.
#include "image/rle8.h"

#include <gtest/gtest.h>

#include <random>

#include "bmp_test_support.h"
#include "formats/read_picture.h"
#include "image/dib.h"

namespace lintra {
namespace {

using testing::Bytes;

// Rows with guard bytes on both sides, so a write outside them shows.
struct GuardedRows {
    GuardedRows(int width, int height) : width(width), height(height), stride((width + 3) / 4 * 4) {
        memory.assign(kGuard + static_cast<std::size_t>(stride) * height + kGuard, kMark);
        std::fill_n(rows(), static_cast<std::size_t>(stride) * height, 0);
    }
    std::uint8_t* rows() { return memory.data() + kGuard; }
    bool Decode(const Bytes& stream) {
        return DecodeRle8(stream, rows(), width, height, static_cast<std::size_t>(stride));
    }
    bool GuardsIntact() const {
        auto untouched = [](auto first, auto last) {
            return std::all_of(first, last, [](auto b) { return b == kMark; });
        };
        return untouched(memory.begin(), memory.begin() + kGuard) &&
               untouched(memory.end() - kGuard, memory.end());
    }
    Bytes Pixels() { return Bytes(rows(), rows() + static_cast<std::size_t>(stride) * height); }

    static constexpr std::size_t kGuard = 64;
    static constexpr std::uint8_t kMark = 0xA5;
    int width, height, stride;
    Bytes memory;
};

TEST(Rle8Test, DecodesRunsLiteralsSkipsAndLineEnds) {
    GuardedRows image(5, 3);
    // clang-format off
    Bytes stream = {
        3, 9,              // row 0: 9 9 9
        0, 2, 1, 1,        // skip one right and one up: row 1, x 4
        1, 5,              // row 1: _ _ _ _ 5
        0, 0,              // end of line
        0, 3, 1, 2, 3, 0,  // row 2: literal 1 2 3, padded to even
        2, 4,              // then 4 4
        0, 1,              // end of bitmap
        7, 7,              // never reached
    };
    ASSERT_TRUE(image.Decode(stream));
    Bytes expected = {9, 9, 9, 0, 0, 0, 0, 0,
                      0, 0, 0, 0, 5, 0, 0, 0,
                      1, 2, 3, 4, 4, 0, 0, 0};
    // clang-format on
    EXPECT_EQ(image.Pixels(), expected);
}

TEST(Rle8Test, StreamEndingWithoutEndOfBitmapKeepsWhatItDecoded) {
    GuardedRows image(4, 2);
    EXPECT_TRUE(image.Decode({4, 6, 0, 0}));
    EXPECT_EQ(image.Pixels(), (Bytes{6, 6, 6, 6, 0, 0, 0, 0}));
    // A line end on the top row is allowed; only writing there is not.
    GuardedRows full(4, 1);
    EXPECT_TRUE(full.Decode({4, 6, 0, 0, 0, 0, 0, 1}));
}

TEST(Rle8Test, StreamsThatOverrunAreRefusedWithoutWritingOutside) {
    // clang-format off
    const std::vector<Bytes> overruns = {
        {5, 1},                       // run longer than the row
        {4, 1, 1, 1},                 // run starting at the row end
        {0, 5, 1, 2, 3, 4, 5, 0},     // literal longer than the row
        {0, 2, 5, 0},                 // skip right past the row end
        {0, 2, 0, 3},                 // skip up past the top
        {0, 0, 0, 0, 1, 1},           // run above the top row
        {0, 2, 0, 2, 1, 1},           // skip to the top, then a run
        {0, 4, 1, 2},                 // literal cut short by the stream end
        {0, 2, 1},                    // skip cut short
        {2, 1, 3},                    // a lone byte at the end
    };
    // clang-format on
    for (const Bytes& stream : overruns) {
        GuardedRows image(4, 2);
        EXPECT_FALSE(image.Decode(stream)) << ::testing::PrintToString(stream);
        EXPECT_TRUE(image.GuardsIntact()) << ::testing::PrintToString(stream);
    }
}

TEST(Rle8Test, RandomStreamsNeverWriteOutsideTheRows) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 20000; ++round) {
        int width = 1 + static_cast<int>(random() % 9);
        int height = 1 + static_cast<int>(random() % 5);
        Bytes stream(random() % 40);
        // Small values make escapes and short runs common.
        for (auto& b : stream)
            b = static_cast<std::uint8_t>(random() % 3 == 0 ? random() % 4 : random() % 256);
        GuardedRows image(width, height);
        image.Decode(stream);
        ASSERT_TRUE(image.GuardsIntact())
            << "round " << round << " " << width << "x" << height << " " << ::testing::PrintToString(stream);
    }
}

TEST(Rle8Test, DibHoldsDecodedRowsAsAnUncompressedFile) {
    testing::BmpBuilder b;
    b.info.biWidth = 5;
    b.info.biHeight = 2;
    b.info.biCompression = kBiRle8;
    b.info.biClrUsed = 16;
    for (std::uint8_t i = 0; i < 16; ++i) b.table.push_back({i, i, i, 0});
    b.rows = {5, 3, 0, 0, 0, 2, 1, 0, 2, 7, 0, 1};
    b.info.biSizeImage = static_cast<std::uint32_t>(b.rows.size());
    b.Fit();

    test::TempDir dir;
    testing::RecordingSink sink;
    testing::WriteBytes((dir / "rle.bmp"), b.Build());
    Dib dib;
    ReadPicture(dib, (dir / "rle.bmp"), sink);
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_EQ(Bytes(dib.GetBits(), dib.GetBits() + 16),
              (Bytes{3, 3, 3, 3, 3, 0, 0, 0, 0, 7, 7, 0, 0, 0, 0, 0}));
    EXPECT_EQ(+dib.m_pInfoHeader->biCompression, kBiRgb);
    EXPECT_EQ(+dib.m_pInfoHeader->biSizeImage, 16u);
    EXPECT_EQ(dib.m_nBlockSize, 40u + 64u + 16u);

    // Saved, it is a plain file with sizes and offsets that match its bytes.
    dib.Write((dir / "plain.bmp"));
    Bytes plain = testing::ReadBytes((dir / "plain.bmp"));
    testing::BmpBuilder expected = b;
    expected.info.biCompression = kBiRgb;
    expected.info.biSizeImage = 16;
    expected.rows.assign(dib.GetBits(), dib.GetBits() + 16);
    EXPECT_EQ(plain, expected.Fit().Build());
}

}  // namespace
}  // namespace lintra
