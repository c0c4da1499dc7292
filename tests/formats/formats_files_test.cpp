// Real pictures in the formats beside BMP (tests/data/formats, written by
// ImageMagick and Pillow): each opens or is refused as its index says, enters
// as the BMP of the same pixels would (grey, colour table or 24-bit colour),
// and every lossless encoding of one picture decodes to the same pixels,
// checked against the BMP sample it was made from where there is one.
#include <gtest/gtest.h>

#include <cstdlib>

#include "formats/read_picture.h"
#include "image/bmp_test_support.h"
#include "image/colour_table.h"
#include "image/dib.h"
#include "support/csv.h"
#include "support/test_data.h"

namespace lintra {
namespace {

const std::string kFormatsDir = test::kTestData + "/formats/";

std::string Formats(const std::string& name) {
    return test::RequireFixture(kFormatsDir + name);
}

// The picture's pixels, top row first, width x bytes-per-pixel per row.
struct Pixels {
    int width = 0, height = 0, channels = 0;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Pixels&) const = default;
};

Pixels PixelsOf(Dib& dib) {
    Pixels p{dib.GetWidth(), dib.GetHeight(), dib.GetBitCount() / 8, {}};
    for (int y = p.height - 1; y >= 0; --y) {
        const std::uint8_t* row = dib.GetBits() + static_cast<std::size_t>(y) * dib.m_nStride;
        p.bytes.insert(p.bytes.end(), row, row + p.width * p.channels);
    }
    return p;
}

// Reads path (as it is, or with the table turned into grey levels).
Pixels Decode(const std::string& path, ReadOptions options = {}) {
    test::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, path, sink, options);
    EXPECT_EQ(dib.m_bValid, 1) << path << (sink.messages.empty() ? "" : ": " + sink.Texts().front());
    return dib.m_bValid == 1 ? PixelsOf(dib) : Pixels{};
}

int LargestDifference(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels) return 256;
    int largest = 0;
    for (std::size_t i = 0; i < a.bytes.size(); ++i)
        largest = std::max(largest, std::abs(a.bytes[i] - b.bytes[i]));
    return largest;
}

struct FormatFile {
    std::string file, expected, path, exact;
};

std::vector<FormatFile> AllFormatFiles() {
    std::vector<FormatFile> files;
    for (auto& row : test::ReadCsv(kFormatsDir + "files.csv"))
        files.push_back({row["file"], row["expected"], row["path"], row["exact"]});
    return files;
}

class FormatFileTest : public ::testing::TestWithParam<FormatFile> {};

TEST_P(FormatFileTest, OpensAsItsPathSaysOrIsRefusedKeepingThePicture) {
    const FormatFile& f = GetParam();
    test::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, test::Sample("page_crop_7x5_8bit_grey_pillow.bmp"), sink);
    std::uint8_t* before = dib.m_pBlock;
    ReadPicture(dib, Formats(f.file), sink);
    if (f.expected == "refuse") {
        EXPECT_EQ(dib.m_bValid, 0);
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_FALSE(sink.Texts().front().empty());
        EXPECT_EQ(dib.m_pBlock, before);
        EXPECT_EQ(dib.GetWidth(), 7);
        return;
    }
    ASSERT_EQ(dib.m_bValid, 1) << (sink.messages.empty() ? "" : sink.Texts().front());
    // The size is in the name: crawfish_459x477_...
    std::size_t x = f.file.find('x'), under = f.file.find('_');
    EXPECT_EQ(dib.GetWidth(), std::atoi(f.file.c_str() + under + 1));
    EXPECT_EQ(dib.GetHeight(), std::atoi(f.file.c_str() + x + 1));
    if (f.path == "colour" && f.file == "crawfish_459x477_rgb_progressive.jpg") {
        // The crawfish is grey, and ImageMagick wrote it as a one-component
        // JPEG: it enters as grey, as the BMP of its pixels would.
        EXPECT_TRUE(dib.GetBitCount() == 8 && HasIdentityGreyTable(dib));
    } else if (f.path == "colour") {
        EXPECT_EQ(dib.GetBitCount(), 24);
    } else {
        ASSERT_EQ(dib.GetBitCount(), 8);
        EXPECT_EQ(HasIdentityGreyTable(dib), f.path == "grey");
        EXPECT_LE(dib.GetColorCount(), 256u);
    }
}

INSTANTIATE_TEST_SUITE_P(Index, FormatFileTest, ::testing::ValuesIn(AllFormatFiles()),
                         [](const ::testing::TestParamInfo<FormatFile>& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(FormatFileIndexTest, EveryFileIsListed) {
    EXPECT_EQ(AllFormatFiles().size(), 37u);
}

TEST(SameFormatPixelsTest, LosslessColourFilesHoldTheSampleBmpPixels) {
    // crawfish: written from the 24-bit netpbm BMP.
    Pixels sample = Decode(test::Sample("crawfish_459x477_24bit_oddwidth_netpbm.bmp"));
    for (const char* name : {"crawfish_459x477_rgb.png", "crawfish_459x477_rgb_deflate.tif",
                             "crawfish_459x477.ppm", "crawfish_459x477_lossless.webp"})
        EXPECT_TRUE(Decode(Formats(name)) == sample) << name;

    // lamp: written from the 16-colour Pillow BMP, so each pixel is the
    // colour of its index.
    test::RecordingSink sink;
    Dib indexed;
    ReadPicture(indexed, test::Sample("lamp_194x285_8bit_16colours_pillow.bmp"), sink);
    Pixels colours = PixelsOf(indexed);
    colours.channels = 3;
    std::vector<std::uint8_t> bgr;
    for (std::uint8_t index : colours.bytes) {
        const RgbQuad& c = indexed.GetColorTable()[index];
        bgr.insert(bgr.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed});
    }
    colours.bytes = bgr;
    for (const char* name : {"lamp_194x285_rgb.png", "lamp_194x285_rgb_deflate.tif", "lamp_194x285.ppm"})
        EXPECT_TRUE(Decode(Formats(name)) == colours) << name;
}

TEST(SameFormatPixelsTest, GreyPngHoldsPillowsGreyOfTheSample) {
    // Pillow's 'L': (19595 R + 38470 G + 7471 B + 32768) >> 16; the 16-bit
    // file holds the same levels times 257.
    Pixels sample = Decode(test::Sample("crawfish_459x477_24bit_oddwidth_netpbm.bmp"));
    Pixels grey{sample.width, sample.height, 1, {}};
    for (std::size_t i = 0; i < sample.bytes.size(); i += 3)
        grey.bytes.push_back(
            static_cast<std::uint8_t>((19595u * sample.bytes[i + 2] + 38470u * sample.bytes[i + 1] +
                                       7471u * sample.bytes[i] + 32768u) >>
                                      16));
    EXPECT_TRUE(Decode(Formats("crawfish_459x477_grey.png")) == grey);
    EXPECT_TRUE(Decode(Formats("crawfish_459x477_grey16.png")) == grey);
}

TEST(SameFormatPixelsTest, EncodingsOfOneGreyOrBilevelPictureDecodeAlike) {
    for (const std::string stem : {"crawfish_459x477", "lamp_194x285"}) {
        SCOPED_TRACE(stem);
        // ImageMagick's grey: its TIFF and PGM files of the lamp differ by one
        // level in 2303 pixels (as Pillow reads them too).
        Pixels pgm = Decode(Formats(stem + ".pgm"));
        EXPECT_LE(LargestDifference(Decode(Formats(stem + "_grey_lzw.tif")), pgm), 1);
        EXPECT_TRUE(Decode(Formats(stem + "_grey16.png")) == Decode(Formats(stem + "_grey.png")));
        // ImageMagick's threshold: black and white only, ink where PBM says 1.
        Pixels pbm = Decode(Formats(stem + ".pbm"));
        EXPECT_TRUE(Decode(Formats(stem + "_bilevel.png")) == pbm);
        EXPECT_TRUE(Decode(Formats(stem + "_g4.tif")) == pbm);
        std::size_t ink = 0;
        for (std::uint8_t v : pbm.bytes) {
            ASSERT_TRUE(v == 0 || v == 255);
            ink += v == 0;
        }
        EXPECT_GT(ink, 0u);
        EXPECT_LT(ink, pbm.bytes.size() / 2);
    }
    // Both pages of the two-page file are the LZW grey picture.
    Pixels lzw = Decode(Formats("crawfish_459x477_grey_lzw.tif"));
    EXPECT_TRUE(Decode(Formats("crawfish_459x477_multipage.tif")) == lzw);
    EXPECT_TRUE(Decode(Formats("crawfish_459x477_multipage.tif"), {.page = 2}) == lzw);
}

TEST(SameFormatPixelsTest, JpegAndAlphaFilesWithinTwoLevelsOfPillow) {
    for (const std::string stem : {"crawfish_459x477", "lamp_194x285"})
        for (const std::string kind : {"_grey.jpg", "_rgb_progressive.jpg", "_rgba.png"}) {
            Pixels pillow = Decode(Formats("pillow/" + stem + kind + ".png"));
            EXPECT_LE(LargestDifference(Decode(Formats(stem + kind)), pillow), 2) << stem + kind;
        }
}

TEST(SameFormatPixelsTest, PalettePngBecomesTheGreyOfItsColours) {
    test::RecordingSink sink;
    Dib asRead, greyed;
    ReadPicture(asRead, Formats("crawfish_459x477_pal.png"), sink);
    ReadPicture(greyed, Formats("crawfish_459x477_pal.png"), sink, {.greyLevels = true});
    ASSERT_EQ(asRead.m_bValid, 1);
    ASSERT_EQ(greyed.m_bValid, 1);
    ASSERT_LE(asRead.GetColorCount(), 64u);
    EXPECT_TRUE(HasIdentityGreyTable(greyed));
    Pixels from = PixelsOf(asRead), to = PixelsOf(greyed);
    for (std::size_t i = 0; i < from.bytes.size(); ++i)
        ASSERT_EQ(to.bytes[i], GreyLevel(asRead.GetColorTable()[from.bytes[i]])) << i;
}

TEST(FormatRefusalTest, MissingPageAndBudgetAreRefusedWithTheirReason) {
    test::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, Formats("crawfish_459x477_multipage.tif"), sink, {.page = 3});
    EXPECT_EQ(dib.m_bValid, 0);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"打开失败,TIFF文件只有2页,没有第3页!"});

    sink.messages.clear();
    ReadPicture(dib, Formats("bomb_100000x100000.png"), sink);
    EXPECT_EQ(sink.Texts(),
              std::vector<std::string>{"打开失败,图像有100000 x 100000个像素,超过了300000000个像素的上限!"});

    // One pixel beyond a lowered budget, in every reader.
    for (const char* name : {"lamp_194x285_grey.png", "lamp_194x285_g4.tif", "lamp_194x285_grey.jpg",
                             "lamp_194x285.pgm", "crawfish_459x477_lossless.webp"}) {
        sink.messages.clear();
        std::uint64_t pixels = name[0] == 'l' ? 194 * 285 : 459 * 477;
        ReadPicture(dib, Formats(name), sink, {.maxPixels = pixels - 1});
        EXPECT_EQ(dib.m_bValid, 0) << name;
        ASSERT_EQ(sink.messages.size(), 1u) << name;
        EXPECT_NE(sink.Texts().front().find("上限"), std::string::npos) << name;
        ReadPicture(dib, Formats(name), sink, {.maxPixels = pixels});
        EXPECT_EQ(dib.m_bValid, 1) << name;
    }
}

TEST(FormatRefusalTest, DamagedFilesNameTheLibrarysReason) {
    test::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, Formats("crawfish_459x477_truncated.jpg"), sink);
    ReadPicture(dib, Formats("crawfish_459x477_badcrc.png"), sink);
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.Texts()[0], "打开失败,JPEG文件已损坏或不完整: Premature end of JPEG file");
    // libpng stops at the damaged chunk's name before its checksum.
    EXPECT_EQ(sink.Texts()[1], "打开失败,PNG文件已损坏或不完整: IDA[AB]: invalid chunk type");
}

}  // namespace
}  // namespace lintra
