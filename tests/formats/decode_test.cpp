// The readers beside BMP on crafted files: the format is told by the first
// bytes whatever the name, the netpbm reader's header and sample rules, and
// refusals that leave the earlier picture as it was.
#include "formats/decode.h"

#include <gtest/gtest.h>

#include "formats/read_picture.h"
#include "image/bmp_messages.h"
#include "image/bmp_test_support.h"

namespace lintra {
namespace {

using testing::Bytes;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

class DecodeTest : public ::testing::Test {
protected:
    // Writes bytes to name and reads it; true when the read succeeded.
    bool ReadBytes(const Bytes& bytes, const std::string& name = "in.pnm", ReadOptions options = {}) {
        std::string path = dir / name;
        testing::WriteBytes(path, bytes);
        ReadPicture(dib, path, sink, options);
        return dib.m_bValid == 1;
    }
    // Row y from the top, width x channels bytes.
    Bytes TopRow(int y) {
        const std::uint8_t* row = RowFromTop(dib, static_cast<std::uint32_t>(y));
        return Bytes(row, row + dib.GetWidth() * dib.GetBitCount() / 8);
    }
    test::TempDir dir;
    test::RecordingSink sink;
    Dib dib;
};

TEST(DetectFormatTest, FirstBytesDecide) {
    auto detect = [](const std::string& s) { return DetectFormat(Text(s)); };
    EXPECT_EQ(detect("BM...."), ImageFormat::Bmp);
    EXPECT_EQ(detect("\x89PNG\r\n\x1a\n...."), ImageFormat::Png);
    EXPECT_EQ(detect(std::string("\xFF\xD8\xFF\xE0", 4)), ImageFormat::Jpeg);
    EXPECT_EQ(detect(std::string("II*\0", 4)), ImageFormat::Tiff);
    EXPECT_EQ(detect(std::string("MM\0*", 4)), ImageFormat::Tiff);
    EXPECT_EQ(detect(std::string("RIFF\x10\0\0\0WEBPVP8L", 16)), ImageFormat::WebP);
    EXPECT_EQ(detect(std::string("RIFF\x10\0\0\0WAVEfmt ", 16)), ImageFormat::Unknown);
    EXPECT_EQ(detect("P5\n3 2\n255\n"), ImageFormat::Pnm);
    EXPECT_EQ(detect("P5#c\n"), ImageFormat::Pnm);
    EXPECT_EQ(detect("P7\nWIDTH 3"), ImageFormat::Unknown);
    EXPECT_EQ(detect("Plain text"), ImageFormat::Unknown);
    EXPECT_EQ(detect(""), ImageFormat::Unknown);
}

TEST_F(DecodeTest, NameDoesNotDecide) {
    ASSERT_TRUE(ReadBytes(Text("P2 2 1 255 7 9"), "drawing.bmp"));
    EXPECT_EQ(TopRow(0), (Bytes{7, 9}));
    ASSERT_TRUE(ReadBytes(testing::BmpBuilder::Indexed8(2, 1, 256, [](int x, int) { return x + 1; }).Build(),
                          "drawing.png"));
    EXPECT_EQ(TopRow(0), (Bytes{1, 2}));
    EXPECT_FALSE(ReadBytes(Text("hello"), "drawing.png"));
    EXPECT_EQ(sink.Texts().back(), kMsgNotBitmap);
}

TEST_F(DecodeTest, PlainNetpbmWithCommentsAndScaledLevels) {
    // A bitmap: 1 is ink; digits need no spaces between them.
    ASSERT_TRUE(ReadBytes(Text("P1\n# drawn by hand\n3 2\n101\n0 1\n0")));
    EXPECT_EQ(dib.GetBitCount(), 8);
    EXPECT_EQ(TopRow(0), (Bytes{0, 255, 0}));
    EXPECT_EQ(TopRow(1), (Bytes{255, 0, 255}));
    // Largest value 1000: levels scaled to 255 and rounded.
    ASSERT_TRUE(ReadBytes(Text("P2 3 1 1000 0 500 1000")));
    EXPECT_EQ(TopRow(0), (Bytes{0, 128, 255}));
    // Colour goes to 24 bits, stored blue, green, red.
    ASSERT_TRUE(ReadBytes(Text("P3 1 1 255 10 20 30")));
    EXPECT_EQ(dib.GetBitCount(), 24);
    EXPECT_EQ(TopRow(0), (Bytes{30, 20, 10}));
}

TEST_F(DecodeTest, RawNetpbmAtEightAndSixteenBits) {
    Bytes grey16 = Text("P5 2 1 65535\n");
    grey16.insert(grey16.end(), {0x80, 0x80, 0xFF, 0xFF});  // 32896 = 128 x 257
    ASSERT_TRUE(ReadBytes(grey16));
    EXPECT_EQ(TopRow(0), (Bytes{128, 255}));
    Bytes bits = Text("P4 10 1\n");
    bits.insert(bits.end(), {0b10000000, 0b01000000});
    ASSERT_TRUE(ReadBytes(bits));
    EXPECT_EQ(TopRow(0), (Bytes{0, 255, 255, 255, 255, 255, 255, 255, 255, 0}));
}

TEST_F(DecodeTest, DamagedNetpbmIsRefusedAndTheEarlierPictureKept) {
    ASSERT_TRUE(ReadBytes(Text("P2 2 1 255 7 9")));
    std::uint8_t* before = dib.m_pBlock;
    struct Case {
        const char* bytes;
        const char* reason;
    };
    const Case cases[] = {{"P2 2 1 255 7", "a number is missing"},
                          {"P2 2 1 255 7 256", "a sample is above the largest value"},
                          {"P2 0 1 255", "no picture size"},
                          {"P2 2 1 0 0 0", "the largest sample value is 0"},
                          {"P5 4 4 255\nabc", "the file ends early"},
                          {"P2 99999999999 1 255", "a number is too large"},
                          {"P1 2 1 0 2", "a sample is missing"}};
    for (const Case& c : cases) {
        sink.messages.clear();
        EXPECT_FALSE(ReadBytes(Text(c.bytes))) << c.bytes;
        ASSERT_EQ(sink.messages.size(), 1u) << c.bytes;
        EXPECT_EQ(sink.Texts()[0], std::string("打开失败,PNM文件已损坏或不完整: ") + c.reason) << c.bytes;
        EXPECT_EQ(dib.m_pBlock, before);
        EXPECT_EQ(TopRow(0), (Bytes{7, 9}));
    }
}

TEST_F(DecodeTest, BudgetIsCheckedOnTheHeaderAlone) {
    EXPECT_FALSE(ReadBytes(Text("P5 3 2 255\n"), "in.pnm", {.maxPixels = 5}));
    EXPECT_EQ(sink.Texts().back(), "打开失败,图像有3 x 2个像素,超过了5个像素的上限!");
    // A BMP is held to the same budget.
    EXPECT_FALSE(ReadBytes(testing::BmpBuilder::Indexed8(3, 2, 256, [](int, int) { return 0; }).Build(),
                           "in.bmp", {.maxPixels = 5}));
    EXPECT_EQ(sink.Texts().back(), "打开失败,图像有3 x 2个像素,超过了5个像素的上限!");
    EXPECT_TRUE(ReadBytes(testing::BmpBuilder::Indexed8(3, 2, 256, [](int, int) { return 0; }).Build(),
                          "in.bmp", {.maxPixels = 6}));
}

}  // namespace
}  // namespace lintra
