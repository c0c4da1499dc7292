// The Dib's own operations: stride, grey conversion, pixel copies and
// saving, including saves that fail.
#include "image/dib.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "base/file_error.h"
#include "bmp_test_support.h"
#include "formats/read_picture.h"

namespace lintra {
namespace {

using test::TempDir;
using testing::BmpBuilder;
using testing::Bytes;

class DibTest : public ::testing::Test {
protected:
    void Load(Dib& dib, const BmpBuilder& b, const std::string& name = "in.bmp") {
        testing::WriteBytes((dir / name), b.Build());
        ReadPicture(dib, (dir / name), sink);
        ASSERT_EQ(dib.m_bValid, 1);
    }
    TempDir dir;
    testing::RecordingSink sink;
};

TEST(BmpStrideTest, RowLengthRoundedUpToFourBytes) {
    struct Case {
        int bits, width;
        std::int64_t stride;
    };
    const Case cases[] = {{1, 9, 4},
                          {4, 9, 8},
                          {8, 101, 104},
                          {8, 100, 100},
                          {24, 101, 304},
                          {24, 100, 300},
                          {1, 33, 8},
                          {4, 1, 4},
                          {16, 9, 12},
                          {32, 9, 12},
                          {8, 2147483647, 2147483648}};
    for (const Case& c : cases)
        EXPECT_EQ(BmpStride(c.bits, c.width), c.stride) << c.bits << " bits, width " << c.width;
}

TEST_F(DibTest, ComputeStrideStoresBitCountAndStride) {
    Dib dib;
    EXPECT_EQ(dib.ComputeStride(), 0u);
    Load(dib, BmpBuilder::Indexed8(101, 2, 2, [](int, int) { return 1; }));
    EXPECT_EQ(dib.ComputeStride(), 104u);
    EXPECT_EQ(dib.m_nStride, 104u);
    EXPECT_EQ(dib.m_nBitCount, 8u);
}

TEST_F(DibTest, EmptyDibReportsNothing) {
    Dib dib;
    EXPECT_TRUE(dib.IsEmpty());
    EXPECT_EQ(dib.GetWidth(), 0);
    EXPECT_EQ(dib.GetColorCount(), 0u);
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.m_nBlockSize, 0u);
    EXPECT_TRUE(dib.View().empty());
}

TEST_F(DibTest, ConvertToGreyMapsColoursToTruncatedBrightness) {
    // (colour, expected grey) pairs; the rest of the 256 entries are black.
    struct Colour {
        std::uint8_t r, g, b, grey;
    };
    const Colour colours[] = {{255, 255, 255, 255}, {255, 0, 0, 76},   {0, 255, 0, 149},
                              {0, 0, 255, 29},      {59, 59, 59, 58},  {128, 128, 128, 128},
                              {240, 240, 240, 240}, {10, 200, 30, 123}};
    const int n = static_cast<int>(std::size(colours));
    BmpBuilder b =
        BmpBuilder::Indexed8(n, 2, 256, [n](int x, int y) { return static_cast<std::uint8_t>((x + y) % n); });
    for (int i = 0; i < n; ++i) b.table[i] = {colours[i].b, colours[i].g, colours[i].r, 9};
    Dib dib;
    Load(dib, b);
    Dib::ConvertToGrey(dib);

    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < n; ++x)
            EXPECT_EQ(dib.View().at(x, y), colours[(x + y) % n].grey) << x << "," << y;
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& e = dib.GetColorTable()[i];
        ASSERT_TRUE(e.rgbRed == i && e.rgbGreen == i && e.rgbBlue == i && e.rgbReserved == 0)
            << "entry " << i;
    }
}

TEST_F(DibTest, ConvertToGreyLeavesPaddingAndShortTablesAlone) {
    // A 16-entry table: the rows start right behind it, so rewriting 256
    // entries would destroy pixels. Indices past the table show black.
    BmpBuilder b = BmpBuilder::Indexed8(
        3, 2, 16, [](int x, int y) { return static_cast<std::uint8_t>(x == 0 ? 200 : 5 + y); });
    for (auto& e : b.table) e = {0, 0, 255, 0};  // all red
    Dib dib;
    Load(dib, b);
    Dib::ConvertToGrey(dib);

    const std::uint8_t* rows = dib.GetBits();
    EXPECT_EQ(Bytes(rows, rows + 8), (Bytes{0, 76, 76, 0xEE, 0, 76, 76, 0xEE}));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(+dib.GetColorTable()[i].rgbGreen, i);
}

TEST_F(DibTest, CopyPixelsCopiesRowsOnly) {
    Dib source, destination;
    BmpBuilder a =
        BmpBuilder::Indexed8(5, 3, 256, [](int x, int y) { return static_cast<std::uint8_t>(x + 10 * y); });
    BmpBuilder b = BmpBuilder::Indexed8(5, 3, 256, [](int, int) { return 0; });
    b.table[3] = {1, 2, 3, 4};
    Load(source, a, "a.bmp");
    Load(destination, b, "b.bmp");
    Dib::CopyPixels(destination, source);
    EXPECT_EQ(0, std::memcmp(destination.GetBits(), source.GetBits(), 24));
    EXPECT_EQ(destination.GetColorTable()[3].rgbRed, 3);

    // A smaller destination gets what fits, nothing more.
    Dib small;
    Load(small, BmpBuilder::Indexed8(2, 1, 256, [](int, int) { return 0; }), "c.bmp");
    Dib::CopyPixels(small, source);
    EXPECT_EQ(small.View().at(1, 0), 1);
}

TEST_F(DibTest, CopyImageIsAnIndependentTwin) {
    // A 16-entry table behind a 108-byte header: the copy's pointers must
    // land at the same offsets of its own block.
    BmpBuilder b =
        BmpBuilder::Indexed8(5, 3, 16, [](int x, int y) { return static_cast<std::uint8_t>(x + y); });
    b.info.biSize = 108;
    b.headerExtra.assign(68, 7);
    Dib source, copy, empty;
    Load(source, b.Fit());
    ASSERT_TRUE(copy.CopyImage(source));
    EXPECT_NE(copy.m_pBlock, source.m_pBlock);
    ASSERT_EQ(copy.m_nBlockSize, source.m_nBlockSize);
    EXPECT_EQ(0, std::memcmp(copy.m_pBlock, source.m_pBlock, source.m_nBlockSize));
    EXPECT_EQ(copy.GetBits() - copy.m_pBlock, source.GetBits() - source.m_pBlock);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(copy.GetColorTable()) - copy.m_pBlock, 108);
    EXPECT_EQ(copy.m_nStride, 8u);
    EXPECT_EQ(copy.m_szPath, source.m_szPath);
    copy.View().at(0, 0) = 99;
    EXPECT_EQ(source.View().at(0, 0), 0);

    // Copying an empty Dib empties the destination.
    ASSERT_TRUE(copy.CopyImage(empty));
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(copy.GetBits(), nullptr);
}

TEST_F(DibTest, WriteReproducesTheFileByteForByte) {
    BmpBuilder b =
        BmpBuilder::Indexed8(7, 5, 16, [](int x, int y) { return static_cast<std::uint8_t>(x ^ y); });
    b.file.bfReserved1 = 0x1234;
    b.file.bfSize = 999;  // wrong, and kept
    b.info.biClrImportant = 3;
    b.rows.insert(b.rows.end(), {1, 2, 3});  // trailing bytes behind the rows
    Dib dib;
    Load(dib, b);
    dib.Write((dir / "out.bmp"));
    EXPECT_EQ(testing::ReadBytes((dir / "out.bmp")), b.Build());
    EXPECT_EQ(dib.m_szPath, (dir / "out.bmp"));

    // Writing over a longer file replaces all of it.
    testing::WriteBytes((dir / "long.bmp"), Bytes(5000, 1));
    dib.Write((dir / "long.bmp"));
    EXPECT_EQ(testing::ReadBytes((dir / "long.bmp")), b.Build());
}

// Every way a save can fail leaves the earlier file as it was and no
// temporary file behind.
class FailedWriteTest : public DibTest {
protected:
    void SetUp() override {
        Load(dib, BmpBuilder::Indexed8(300, 300, 256,
                                       [](int x, int y) { return static_cast<std::uint8_t>(x * y); }));
        testing::WriteBytes((dir / "old.bmp"), old);
    }
    void ExpectOnlyOldFiles() {
        EXPECT_EQ(testing::ReadBytes((dir / "old.bmp")), old);
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "old.bmp" || name == "in.bmp" || name == "file") << name;
            ++files;
        }
        EXPECT_LE(files, 3);
    }
    Dib dib;
    const Bytes old = Bytes{'B', 'M', 'o', 'l', 'd'};
};

TEST_F(FailedWriteTest, MissingFolderOrFileAsFolder) {
    EXPECT_THROW(dib.Write((dir / "no/such/folder/x.bmp")), FileError);
    testing::WriteBytes((dir / "file"), {1});
    try {
        dib.Write((dir / "file/x.bmp"));
        FAIL() << "no exception";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), (dir / "file/x.bmp"));
        EXPECT_FALSE(error.reason().empty());
    }
    EXPECT_THROW(dib.Write(dir.path()), FileError);  // the destination is a folder
    ExpectOnlyOldFiles();
}

TEST_F(FailedWriteTest, WriteCutOffPartWayKeepsTheEarlierFile) {
    // A file-size limit makes the write fail after a few kilobytes, as a
    // full disk would.
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool threw = false;
    try {
        dib.Write((dir / "old.bmp"));
    } catch (const FileError& error) {
        threw = true;
        EXPECT_EQ(error.path(), (dir / "old.bmp"));
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(threw);
    ExpectOnlyOldFiles();
}

}  // namespace
}  // namespace lintra
