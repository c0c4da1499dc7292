// Reading BMP files: where the reader finds the colour table and the rows,
// the fill-ins it makes, and every kind of damaged file it refuses.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

#include "base/file_error.h"
#include "base/parallel_rows.h"
#include "bmp_test_support.h"
#include "formats/read_picture.h"
#include "image/bmp_messages.h"
#include "image/depth.h"
#include "image/dib.h"

namespace lintra {
namespace {

using test::TempDir;
using testing::BmpBuilder;
using testing::Bytes;
using testing::RecordingSink;

std::uint8_t Diagonal(int x, int y) {
    return static_cast<std::uint8_t>(x * 7 + y * 13);
}

class DibReadTest : public ::testing::Test {
protected:
    // Writes the bytes to a file and reads it into dib.
    void ReadBytesInto(Dib& dib, const Bytes& bytes, const std::string& name = "in.bmp") {
        std::string path = (dir / name);
        testing::WriteBytes(path, bytes);
        ReadPicture(dib, path, sink);
    }
    std::uint32_t BlockOffset(Dib& dib, const void* p) {
        return static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(p) - dib.m_pBlock);
    }

    TempDir dir;
    RecordingSink sink;
};

TEST_F(DibReadTest, EightBitWithoutColourCountGets256EntriesAndFilledInSizes) {
    BmpBuilder b = BmpBuilder::Indexed8(101, 10, 256, Diagonal);
    b.info.biClrUsed = 0;
    b.info.biSizeImage = 0;
    Dib dib;
    ReadBytesInto(dib, b.Build());

    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(dib.GetColorCount(), 256u);
    EXPECT_EQ(+dib.m_pInfoHeader->biClrUsed, 256u);
    EXPECT_EQ(+dib.m_pInfoHeader->biSizeImage, 1040u);  // stride 104 x 10 rows
    EXPECT_EQ(BlockOffset(dib, dib.GetColorTable()), 40u);
    EXPECT_EQ(BlockOffset(dib, dib.GetBits()), 40u + 1024u);
    EXPECT_EQ(dib.GetBits()[104 * 3 + 5], Diagonal(5, 3));

    // The fill-ins are what Save writes; nothing else changes.
    std::string out = (dir / "out.bmp");
    dib.Write(out);
    Bytes written = testing::ReadBytes(out);
    Bytes expected = b.Build();
    std::uint32_t clrUsed = 256, sizeImage = 1040;
    std::memcpy(&expected[46], &clrUsed, 4);
    std::memcpy(&expected[34], &sizeImage, 4);
    EXPECT_EQ(written, expected);
}

TEST_F(DibReadTest, LayoutFollowsInfoHeaderSizeAndColourCount) {
    Dib dib;
    BmpBuilder sixteen = BmpBuilder::Indexed8(9, 4, 16, Diagonal);
    ReadBytesInto(dib, sixteen.Build());
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_EQ(BlockOffset(dib, dib.GetBits()), 104u);
    EXPECT_EQ(dib.GetColorCount(), 16u);

    // A longer (version 4) info header moves table and rows along.
    BmpBuilder v4 = BmpBuilder::Indexed8(9, 4, 16, Diagonal);
    v4.info.biSize = 108;
    v4.headerExtra.assign(68, 0x11);
    ReadBytesInto(dib, v4.Fit().Build());
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_EQ(BlockOffset(dib, dib.GetColorTable()), 108u);
    EXPECT_EQ(BlockOffset(dib, dib.GetBits()), 108u + 64u);
    EXPECT_EQ(dib.GetBits()[12 * 2 + 3], Diagonal(3, 2));

    // The pointers all name the one block, which holds the file behind its header.
    EXPECT_EQ(static_cast<void*>(dib.m_pInfoHeader), static_cast<void*>(dib.m_pBlock));
    EXPECT_EQ(static_cast<void*>(dib.m_pBitmapInfo), static_cast<void*>(dib.m_pBlock));
    EXPECT_EQ(dib.m_nBlockSize, v4.Build().size() - 14);
    EXPECT_EQ(+dib.m_fileHeader.bfOffBits, +v4.file.bfOffBits);
}

TEST_F(DibReadTest, TwentyFourBitHasNoColourTable) {
    BmpBuilder b;
    b.info.biWidth = 3;
    b.info.biHeight = 2;
    b.info.biBitCount = 24;
    b.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    Dib dib;
    ReadBytesInto(dib, b.Fit().Build());
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_EQ(dib.GetColorTable(), nullptr);
    EXPECT_EQ(dib.GetColorCount(), 0u);
    EXPECT_EQ(BlockOffset(dib, dib.GetBits()), 40u);
    EXPECT_EQ(dib.ComputeStride(), 12u);
    EXPECT_EQ(+dib.m_pInfoHeader->biSizeImage, 24u);
    EXPECT_TRUE(HasLoadableDepth(dib));
}

TEST_F(DibReadTest, RowsComeFromBehindTheColourTableWhateverTheOffsetSays) {
    BmpBuilder b = BmpBuilder::Indexed8(4, 2, 2, Diagonal);
    b.gap = {0x77, 0x77, 0x77, 0x77};
    b.Fit();  // bfOffBits points behind the gap
    Dib dib;
    ReadBytesInto(dib, b.Build());
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_EQ(BlockOffset(dib, dib.GetBits()), 48u);
    EXPECT_EQ(dib.GetBits()[0], 0x77);
}

TEST_F(DibReadTest, TopDownFileIsTurnedBottomUp) {
    BmpBuilder bottomUp = BmpBuilder::Indexed8(5, 3, 256, Diagonal);
    BmpBuilder topDown = bottomUp;
    topDown.info.biHeight = -3;
    for (int y = 0; y < 3; ++y)
        std::copy_n(bottomUp.rows.begin() + (2 - y) * 8, 8, topDown.rows.begin() + y * 8);

    Dib a, b;
    ReadBytesInto(a, bottomUp.Build(), "a.bmp");
    ReadBytesInto(b, topDown.Build(), "b.bmp");
    ASSERT_EQ(b.m_bValid, 1);
    EXPECT_EQ(b.GetHeight(), 3);
    EXPECT_EQ(0, std::memcmp(a.GetBits(), b.GetBits(), 24));

    // Saved, it is an ordinary bottom-up file.
    std::string out = (dir / "out.bmp");
    b.Write(out);
    EXPECT_EQ(testing::ReadBytes(out), bottomUp.Build());
}

TEST_F(DibReadTest, DepthsOutsideEightAndTwentyFourReadButAreNotLoadable) {
    Dib dib;
    EXPECT_FALSE(HasLoadableDepth(dib));

    BmpBuilder oneBit;
    oneBit.info.biWidth = 9;
    oneBit.info.biHeight = 2;
    oneBit.info.biBitCount = 1;
    oneBit.table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    oneBit.rows.assign(8, 0);
    ReadBytesInto(dib, oneBit.Fit().Build());
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_EQ(dib.ComputeStride(), 4u);
    EXPECT_FALSE(HasLoadableDepth(dib));

    // 32-bit rows with channel masks are plain rows; the depth decides.
    BmpBuilder masks;
    masks.info.biWidth = 2;
    masks.info.biHeight = 2;
    masks.info.biBitCount = 32;
    masks.info.biCompression = 3;
    masks.rows.assign(16, 0);
    ReadBytesInto(dib, masks.Fit().Build());
    ASSERT_EQ(dib.m_bValid, 1);
    EXPECT_EQ(dib.GetBitCount(), 32);
    EXPECT_FALSE(HasLoadableDepth(dib));
}

// One damaged file: how to damage a good 8-bit 4 x 3 file, and what the
// reader must say.
struct Damage {
    const char* name;
    std::function<Bytes(BmpBuilder&)> make;
    const char* message;
};

Bytes Build(BmpBuilder& b) {
    return b.Build();
}

Bytes Truncated(const BmpBuilder& b, std::size_t length) {
    Bytes bytes = b.Build();
    bytes.resize(length);
    return bytes;
}

class DibRefusalTest : public DibReadTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DibRefusalTest, RefusesWithMessageAndKeepsThePreviousImage) {
    Dib dib;
    BmpBuilder good = BmpBuilder::Indexed8(6, 3, 256, Diagonal);
    ReadBytesInto(dib, good.Build(), "good.bmp");
    ASSERT_EQ(dib.m_bValid, 1);
    const std::uint8_t* block = dib.m_pBlock;
    BitmapFileHeader fileHeader = dib.m_fileHeader;
    std::string path = dib.m_szPath;
    Bytes pixels(dib.GetBits(), dib.GetBits() + 24);

    BmpBuilder bad = BmpBuilder::Indexed8(4, 3, 256, Diagonal);
    ReadBytesInto(dib, GetParam().make(bad), "bad.bmp");

    EXPECT_EQ(dib.m_bValid, 0);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, GetParam().message);
    EXPECT_STREQ(sink.messages[0].second.c_str(), kAppTitle);
    // The earlier image is untouched and still usable.
    EXPECT_EQ(dib.m_pBlock, block);
    EXPECT_EQ(0, std::memcmp(&dib.m_fileHeader, &fileHeader, sizeof fileHeader));
    EXPECT_EQ(dib.m_szPath, path);
    EXPECT_EQ(dib.GetWidth(), 6);
    EXPECT_EQ(Bytes(dib.GetBits(), dib.GetBits() + 24), pixels);
    std::string out = (dir / "out.bmp");
    dib.Write(out);
    EXPECT_EQ(testing::ReadBytes(out), good.Build());
}

const Damage kDamages[] = {
    {"EmptyFile", [](BmpBuilder&) { return Bytes{}; }, kMsgNotBitmap},
    {"OneByte", [](BmpBuilder&) { return Bytes{'B'}; }, kMsgNotBitmap},
    {"WrongSignature",
     [](BmpBuilder& b) {
         b.file.bfType = 0x5842;
         return Build(b);
     },
     kMsgNotBitmap},
    {"SignatureOnly", [](BmpBuilder& b) { return Truncated(b, 2); }, kMsgNoInfoHeader},
    {"EndsInInfoHeader", [](BmpBuilder& b) { return Truncated(b, 14 + 39); }, kMsgNoInfoHeader},
    {"InfoHeaderLongerThanFile",
     [](BmpBuilder& b) {
         b.info.biSize = 5000;
         return Build(b);
     },
     kMsgNoInfoHeader},
    {"OldInfoHeader",
     [](BmpBuilder& b) {
         b.info.biSize = 12;
         return Build(b);
     },
     kMsgOldInfoHeader},
    {"ZeroWidth",
     [](BmpBuilder& b) {
         b.info.biWidth = 0;
         return Build(b);
     },
     kMsgBadDimensions},
    {"NegativeWidth",
     [](BmpBuilder& b) {
         b.info.biWidth = -4;
         return Build(b);
     },
     kMsgBadDimensions},
    {"ZeroHeight",
     [](BmpBuilder& b) {
         b.info.biHeight = 0;
         return Build(b);
     },
     kMsgBadDimensions},
    {"LowestHeight",
     [](BmpBuilder& b) {
         b.info.biHeight = INT_MIN;
         return Build(b);
     },
     kMsgBadDimensions},
    {"Rle4",
     [](BmpBuilder& b) {
         b.info.biCompression = 2;
         return Build(b);
     },
     kMsgCompression},
    {"Rle8On24Bits",
     [](BmpBuilder& b) {
         b.info.biBitCount = 24;
         b.info.biCompression = kBiRle8;
         return Build(b);
     },
     kMsgCompression},
    {"MasksOn8Bits",
     [](BmpBuilder& b) {
         b.info.biCompression = 3;
         return Build(b);
     },
     kMsgCompression},
    {"Jpeg",
     [](BmpBuilder& b) {
         b.info.biCompression = 4;
         return Build(b);
     },
     kMsgCompression},
    {"Rle8TopDown",
     [](BmpBuilder& b) {
         b.info.biCompression = kBiRle8;
         b.info.biHeight = -3;
         return Build(b);
     },
     kMsgBadRle},
    {"Rle8RunPastRow",
     [](BmpBuilder& b) {
         b.info.biCompression = kBiRle8;
         b.rows = {5, 1, 0, 1};
         return Build(b.Fit());
     },
     kMsgBadRle},
    {"ColourCount257",
     [](BmpBuilder& b) {
         b.info.biClrUsed = 257;
         return Build(b);
     },
     kMsgBadColourCount},
    {"ColourCountHuge",
     [](BmpBuilder& b) {
         b.info.biClrUsed = 0xFFFFFFFF;
         return Build(b);
     },
     kMsgBadColourCount},
    {"EndsInColourTable", [](BmpBuilder& b) { return Truncated(b, 14 + 40 + 1023); }, kMsgNoColourTable},
    {"TwentyFourBitTableBeyondFile",
     [](BmpBuilder& b) {
         b.info.biBitCount = 24;
         b.info.biClrUsed = 0x40000000;
         return Build(b);
     },
     kMsgNoColourTable},
    {"OneRowByteMissing", [](BmpBuilder& b) { return Truncated(b, b.Build().size() - 1); }, kMsgNoPixels},
    {"BigImageInSmallFile",
     [](BmpBuilder& b) {
         b.info.biWidth = 2000;
         b.info.biHeight = 2000;
         return Build(b);
     },
     kMsgNoPixels},
    {"RowsBeyondFourGigabytes",
     [](BmpBuilder& b) {
         b.info.biWidth = 3000000;
         b.info.biHeight = 2000000;
         b.info.biBitCount = 24;
         return Build(b);
     },
     kMsgTooLarge},
    {"WidestRowOverflows",
     [](BmpBuilder& b) {
         b.info.biWidth = INT_MAX;
         b.info.biHeight = INT_MAX;
         b.info.biBitCount = 24;
         return Build(b);
     },
     kMsgTooLarge},
    {"Rle8DecodesBeyondCap",
     [](BmpBuilder& b) {
         b.info.biCompression = kBiRle8;
         b.info.biWidth = 20000;
         b.info.biHeight = 20000;
         b.rows = {0, 1};
         return Build(b.Fit());
     },
     kMsgTooLarge},
};

INSTANTIATE_TEST_SUITE_P(Damaged, DibRefusalTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(DibReadTest, FileThatCannotBeReadThrowsWithPathAndReason) {
    Dib dib;
    std::string missing = (dir / "missing.bmp");
    try {
        ReadPicture(dib, missing, sink);
        FAIL() << "no exception";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), missing);
        EXPECT_NE(error.reason().find("No such file"), std::string::npos) << error.reason();
    }
    EXPECT_THROW(ReadPicture(dib, dir.path(), sink), FileError);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(dib.IsEmpty());
}

// A picture of several 2 MB pieces is read, and copied, in pieces on the
// worker threads: every byte lands where one read and one memcpy put it.
TEST_F(DibReadTest, LargePictureReadsAndCopiesAlikeOnAnyThreadCount) {
    const int w = 2501, h = 2003;  // about 5 MB of rows, not a whole number of pieces
    const Bytes bytes = BmpBuilder::Indexed8(w, h, 256, Diagonal).Build();
    for (int threads : {1, 2, 3}) {
        SetThreadCount(threads);
        Dib dib, copy;
        ReadBytesInto(dib, bytes);
        ASSERT_EQ(dib.m_bValid, 1) << threads;
        ASSERT_TRUE(copy.CopyImage(dib));
        const std::uint32_t stride = dib.ComputeStride();
        for (const Dib* d : {&dib, &copy})
            for (int y = 0; y < h; y += 97)
                for (int x = 0; x < w; x += 13)
                    ASSERT_EQ(d->GetBits()[static_cast<std::size_t>(y) * stride + x], Diagonal(x, y))
                        << threads << " threads, " << x << "," << y;
        EXPECT_EQ(std::memcmp(copy.m_pBlock, dib.m_pBlock, dib.m_nBlockSize), 0);
    }
    SetThreadCount(0);
}

}  // namespace
}  // namespace lintra
