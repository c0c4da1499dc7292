// Real BMP files written by common tools, and the public BMP suite: each
// must end opened or refused as its index says, plain files must save back
// byte for byte, and every encoding of one picture must read alike.
#include <gtest/gtest.h>

#include <map>

#include "base/file_error.h"
#include "bmp_test_support.h"
#include "formats/read_picture.h"
#include "image/depth.h"
#include "image/dib.h"
#include "support/csv.h"
#include "support/test_data.h"

namespace lintra {
namespace {

using test::ReadCsv;

struct RealFile {
    std::string name;  // for the test name
    std::string path;
    std::string expected;
    std::string alsoAcceptable;
};

std::vector<RealFile> AllRealFiles() {
    std::vector<RealFile> files;
    for (auto& row : ReadCsv(test::kSamplesDir + "files.csv"))
        files.push_back({"samples_" + row["file"], test::kSamplesDir + row["file"], row["expected"], ""});
    for (auto& row : ReadCsv(test::kSuiteDir + "index.csv")) {
        if (row["included"] != "yes") continue;
        files.push_back({"bmpsuite_" + row["folder"] + "_" + row["name"],
                         test::kSuiteDir + row["folder"] + "/" + row["name"], row["expected"],
                         row["also_acceptable"]});
    }
    return files;
}

std::string TestName(const ::testing::TestParamInfo<RealFile>& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// True for a file the reader keeps exactly as it is: uncompressed,
// bottom-up, 8 or 24 bits, with both fill-in fields already set.
bool KeptAsIs(const testing::Bytes& bytes) {
    if (bytes.size() < 54) return false;
    BitmapInfoHeader info;
    std::memcpy(&info, bytes.data() + 14, sizeof info);
    return info.biSize >= 40 && info.biCompression == kBiRgb && info.biHeight > 0 &&
           (info.biBitCount == 8 || info.biBitCount == 24) && info.biClrUsed != 0 && info.biSizeImage != 0;
}

class RealFileTest : public ::testing::TestWithParam<RealFile> {};

TEST_P(RealFileTest, EndsAsIndexedAndPlainFilesSaveBackUnchanged) {
    const RealFile& file = GetParam();
    test::RequireFixture(file.path);  // a missing file would pass as refused
    testing::RecordingSink sink;
    Dib dib;
    ASSERT_NO_THROW(ReadPicture(dib, file.path, sink));
    bool opened = dib.m_bValid == 1 && HasLoadableDepth(dib);
    std::string outcome = opened ? "open" : "refuse";
    EXPECT_TRUE(outcome == file.expected || outcome == file.alsoAcceptable)
        << file.path << ": " << outcome << ", expected " << file.expected
        << (sink.messages.empty() ? "" : "; said: " + sink.messages[0].first);
    // A refusal by the reader is always explained; the depth check is the view's.
    EXPECT_EQ(sink.messages.size(), dib.m_bValid == 1 ? 0u : 1u);

    testing::Bytes original = testing::ReadBytes(file.path);
    if (opened && KeptAsIs(original)) {
        test::TempDir dir;
        dib.Write((dir / "copy.bmp"));
        EXPECT_TRUE(testing::ReadBytes((dir / "copy.bmp")) == original) << file.path << " changed on saving";
    }
}

INSTANTIATE_TEST_SUITE_P(Index, RealFileTest, ::testing::ValuesIn(AllRealFiles()), TestName);

TEST(RealFileIndexTest, BothIndexesAreThere) {
    std::size_t samples = ReadCsv(test::RequireFixture(test::kSamplesDir + "files.csv")).size();
    std::size_t suite = ReadCsv(test::RequireFixture(test::kSuiteDir + "index.csv")).size();
    EXPECT_GE(samples, 10u);
    EXPECT_GE(suite, 80u);
}

// Reads a file that must open and returns its width, height and rows.
struct Picture {
    int width = 0, height = 0;
    testing::Bytes rows;
    testing::Bytes table;
};

Picture ReadPicture(const std::string& path) {
    testing::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, path, sink);
    EXPECT_EQ(dib.m_bValid, 1) << path;
    Picture p;
    if (dib.m_bValid != 1) return p;
    p.width = dib.GetWidth();
    p.height = dib.GetHeight();
    p.rows.assign(dib.GetBits(), dib.GetBits() + dib.ComputeStride() * p.height);
    if (dib.GetColorTable())
        p.table.assign(reinterpret_cast<const std::uint8_t*>(dib.GetColorTable()),
                       reinterpret_cast<const std::uint8_t*>(dib.GetColorTable() + dib.GetColorCount()));
    return p;
}

void ExpectSamePicture(const std::string& a, const std::string& b) {
    Picture pa = ReadPicture(test::RequireFixture(test::kTestData + a));
    Picture pb = ReadPicture(test::RequireFixture(test::kTestData + b));
    EXPECT_EQ(pa.width, pb.width);
    EXPECT_EQ(pa.height, pb.height);
    EXPECT_TRUE(pa.rows == pb.rows) << a << " and " << b << " differ in their pixels";
    EXPECT_TRUE(pa.table == pb.table) << a << " and " << b << " differ in their colour tables";
}

TEST(SamePictureTest, Rle8DecodesToTheUncompressedPixels) {
    ExpectSamePicture("/samples/camera_512x512_8bit_rle8_imagemagick.bmp",
                      "/samples/camera_512x512_8bit_grey_imagemagick.bmp");
    ExpectSamePicture("/bmpsuite/g/pal8rle.bmp", "/bmpsuite/g/pal8.bmp");
}

TEST(SamePictureTest, TopDownReadsAsBottomUp) {
    ExpectSamePicture("/bmpsuite/g/pal8topdown.bmp", "/bmpsuite/g/pal8.bmp");
}

TEST(SamePictureTest, LongerInfoHeadersReadAlike) {
    ExpectSamePicture("/bmpsuite/g/pal8v4.bmp", "/bmpsuite/g/pal8.bmp");
    ExpectSamePicture("/bmpsuite/g/pal8v5.bmp", "/bmpsuite/g/pal8.bmp");
}

TEST(SamePictureTest, DecodedRle8SavesAsAPlainFileThatReadsBackTheSame) {
    std::string rle = test::Sample("camera_512x512_8bit_rle8_imagemagick.bmp");
    testing::RecordingSink sink;
    Dib dib;
    ReadPicture(dib, rle, sink);
    ASSERT_EQ(dib.m_bValid, 1);
    test::TempDir dir;
    dib.Write((dir / "plain.bmp"));
    // The saved file is the uncompressed sample apart from the fields
    // ImageMagick's two writers fill differently.
    testing::Bytes saved = testing::ReadBytes((dir / "plain.bmp"));
    testing::Bytes plain = testing::ReadBytes(test::Sample("camera_512x512_8bit_grey_imagemagick.bmp"));
    ASSERT_EQ(saved.size(), plain.size());
    EXPECT_TRUE(std::equal(saved.begin() + 1078, saved.end(), plain.begin() + 1078));
    BitmapFileHeader header;
    std::memcpy(&header, saved.data(), sizeof header);
    EXPECT_EQ(+header.bfSize, saved.size());
    EXPECT_EQ(+header.bfOffBits, 1078u);
}

// Hand-made pairs in tests/data/bmp: reading the first and saving it must
// give the second, written out by hand (make_golden.py).
TEST(HandMadeFileTest, NormalisedFilesSaveAsTheirPlainTwins) {
    const std::string data = test::kTestData + "/bmp/";
    for (const char* name : {"rle8_5x4", "topdown_24bit_3x2"}) {
        testing::RecordingSink sink;
        Dib dib;
        ReadPicture(dib, data + name + ".bmp", sink);
        ASSERT_EQ(dib.m_bValid, 1) << name;
        test::TempDir dir;
        dib.Write((dir / "saved.bmp"));
        testing::Bytes expected = testing::ReadBytes(data + name + "_plain.bmp");
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_TRUE(testing::ReadBytes((dir / "saved.bmp")) == expected) << name;
    }
}

}  // namespace
}  // namespace lintra
