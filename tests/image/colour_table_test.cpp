// 8-bit pictures read as grey levels: a colour table that is not the
// identity grey ramp is turned into the grey levels it shows, on real files
// and on crafted ones; identity files load byte for byte as they are.
#include "image/colour_table.h"

#include <gtest/gtest.h>

#include "bmp_test_support.h"
#include "formats/read_picture.h"
#include "image/dib.h"
#include "support/test_data.h"

namespace lintra {
namespace {

using test::Sample;
using testing::BmpBuilder;
using testing::Bytes;

constexpr ReadOptions kGrey{.greyLevels = true};

void ExpectIdentityTable(const Dib& dib) {
    ASSERT_EQ(dib.GetColorCount(), 256u);
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& e = dib.GetColorTable()[i];
        ASSERT_TRUE(e.rgbRed == i && e.rgbGreen == i && e.rgbBlue == i && e.rgbReserved == 0)
            << "entry " << i;
    }
}

// Every pixel of greyed is the grey level of its index's entry in asRead.
void ExpectGreyOfTable(Dib& asRead, Dib& greyed) {
    ASSERT_EQ(greyed.GetWidth(), asRead.GetWidth());
    ASSERT_EQ(greyed.GetHeight(), asRead.GetHeight());
    ImageView from = asRead.View(), to = greyed.View();
    for (int y = 0; y < from.height; ++y)
        for (int x = 0; x < from.width; ++x)
            ASSERT_EQ(to.at(x, y), GreyLevel(asRead.GetColorTable()[from.at(x, y)])) << x << "," << y;
}

TEST(ColourTableTest, PaletteAndOutOfOrderGreyFilesBecomeTheGreyLevelsTheyShow) {
    // GraphicsMagick's 256-colour palette, Pillow's 16 colours, netpbm's grey
    // entries out of index order.
    for (const char* name :
         {"ctrlbox_layout_824x532_8bit_palette_graphicsmagick.bmp", "lamp_194x285_8bit_16colours_pillow.bmp",
          "page_384x191_8bit_grey_clrused0_netpbm.bmp"}) {
        SCOPED_TRACE(name);
        test::RecordingSink sink;
        Dib asRead, greyed;
        ReadPicture(asRead, Sample(name), sink);
        ReadPicture(greyed, Sample(name), sink, kGrey);
        ASSERT_EQ(asRead.m_bValid, 1);
        ASSERT_EQ(greyed.m_bValid, 1);
        EXPECT_FALSE(HasIdentityGreyTable(asRead));
        ExpectIdentityTable(greyed);
        ExpectGreyOfTable(asRead, greyed);
        EXPECT_EQ(greyed.m_nBlockSize,
                  40u + 1024u + greyed.m_nStride * static_cast<std::uint32_t>(greyed.GetHeight()));
        EXPECT_TRUE(sink.messages.empty());
    }
}

TEST(ColourTableTest, CtrlboxDrawingIsNotAllBlack) {
    // Read as indices, most of the sheet is index 0..15 (near black); its
    // table shows a light background.
    test::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, Sample("ctrlbox_layout_824x532_8bit_palette_graphicsmagick.bmp"), sink, kGrey);
    ImageView v = dib.View();
    std::size_t light = 0;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) light += v.at(x, y) >= 128;
    EXPECT_GT(light, static_cast<std::size_t>(v.width) * v.height / 2);
}

TEST(ColourTableTest, IdentityFilesLoadByteForByteAsBefore) {
    for (const char* name :
         {"horse_400x328_8bit_grey_pillow.bmp", "capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp",
          "text_448x172_8bit_grey_v4header_imagemagick.bmp"}) {
        SCOPED_TRACE(name);
        test::RecordingSink sink;
        Dib plain, greyed;
        ReadPicture(plain, Sample(name), sink);
        ReadPicture(greyed, Sample(name), sink, kGrey);
        EXPECT_TRUE(HasIdentityGreyTable(plain));
        ASSERT_EQ(greyed.m_nBlockSize, plain.m_nBlockSize);
        EXPECT_EQ(Bytes(greyed.m_pBlock, greyed.m_pBlock + greyed.m_nBlockSize),
                  Bytes(plain.m_pBlock, plain.m_pBlock + plain.m_nBlockSize));
    }
}

TEST(ColourTableTest, IndicesBeyondAShortTableBecomeBlackAndPaddingIsNotAPixel) {
    // Four entries, red first; pixels 0..5 on a row of 6 (stride 8).
    BmpBuilder b = BmpBuilder::Indexed8(6, 2, 4, [](int x, int) { return static_cast<std::uint8_t>(x); });
    b.table[0] = {0, 0, 255, 0};
    b.table[1] = {255, 255, 255, 0};
    b.table[2] = {0, 0, 0, 0};
    b.table[3] = {128, 128, 128, 0};
    test::TempDir dir;
    std::string path = dir / "short.bmp";
    testing::WriteBytes(path, b.Build());
    test::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, path, sink, kGrey);
    ASSERT_EQ(dib.m_bValid, 1);
    ExpectIdentityTable(dib);
    const std::uint8_t* row = dib.GetBits();
    EXPECT_EQ(Bytes(row, row + 6), (Bytes{76, 255, 0, 128, 0, 0}));

    // An identity prefix of four entries is already grey: left as it is.
    BmpBuilder ramp =
        BmpBuilder::Indexed8(6, 2, 4, [](int x, int) { return static_cast<std::uint8_t>(x * 40); });
    testing::WriteBytes(path, ramp.Build());
    ReadPicture(dib, path, sink, kGrey);
    EXPECT_EQ(dib.GetColorCount(), 4u);
    EXPECT_EQ(dib.View().at(5, 0), 200);
}

}  // namespace
}  // namespace lintra
