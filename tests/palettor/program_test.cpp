// Runs the built Palettor on files made here and checks its output bytes,
// its messages and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "tests/palettor/palettor_test_support.h"
#include "tests/palettor/reference_sort.h"

namespace lintra::palettor::test {
namespace {

const Bgr kRed{0, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

// The 54-byte header Palettor writes for a plain source made by Make24BitBmp.
Bytes ExpectedHeader(int width, int height) {
    const std::uint32_t stride8 = (width + 3) / 4 * 4;
    Bytes h(54, 0);
    h[0] = 'B';
    h[1] = 'M';
    Put32(h, 2, 1078 + stride8 * height);
    Put32(h, 10, 1078);
    Put32(h, 14, 40);
    Put32(h, 18, width);
    Put32(h, 22, height);
    Put16(h, 26, 1);
    Put16(h, 28, 8);
    Put32(h, 34, stride8 * height);
    Put32(h, 38, 2835);
    Put32(h, 42, 2835);
    return h;
}

// The palette index of output pixel (x, row from the top).
unsigned IndexAt(const Bytes& out, int x, int rowFromTop) {
    const int width = static_cast<int>(Get32(out, 18));
    const int height = static_cast<int>(Get32(out, 22));
    const int stride = (width + 3) / 4 * 4;
    return out.at(1078 + static_cast<std::size_t>(height - 1 - rowFromTop) * stride + x);
}

Bgr EntryColour(const Bytes& out, unsigned index) {
    return {out.at(54 + 4 * index), out.at(55 + 4 * index), out.at(56 + 4 * index)};
}

class PalettorProgram : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(PalettorProgram, FourByOneExampleByteForByte) {
    const std::string in = dir / "four.bmp", out = dir / "four8.bmp";
    WriteFile(in, Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack}));
    const RunResult run = RunPalettor({in, out});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, ReadMessages(in, "ff 0 0 0"));

    Bytes expected = ExpectedHeader(4, 1);
    EXPECT_EQ(Get32(expected, 2), 1078u + 4);
    EXPECT_EQ(Get32(expected, 34), 4u);
    // Entries 0 to 2 as worked out by hand; the 253 others come from codes
    // that do not occur, in the order the count sort leaves them.
    std::vector<std::int32_t> counts(4096, 0);
    counts[15] = 2;
    counts[4095] = 1;
    counts[0] = 1;
    std::vector<std::uint16_t> order(4096);
    std::iota(order.begin(), order.end(), std::uint16_t{0});
    ReferenceSort(counts.data(), order.data(), 4096);
    ASSERT_EQ((std::vector<std::uint16_t>(order.begin(), order.begin() + 3)),
              (std::vector<std::uint16_t>{15, 4095, 0}));
    for (int p = 0; p < 256; ++p) {
        expected.push_back(static_cast<unsigned char>((order[p] >> 8) * 16));
        expected.push_back(static_cast<unsigned char>((order[p] >> 4 & 15) * 16));
        expected.push_back(static_cast<unsigned char>((order[p] & 15) * 16));
        expected.push_back(0);
    }
    const Bytes firstEntries(expected.begin() + 54, expected.begin() + 66);
    EXPECT_EQ(firstEntries, (Bytes{0, 0, 240, 0, 240, 240, 240, 0, 0, 0, 0, 0}));
    expected.insert(expected.end(), {0, 0, 1, 2});
    EXPECT_EQ(ReadFile(out), expected);
}

TEST_F(PalettorProgram, OddWidthRowsArePaddedAndTheirPaddingSkipped) {
    // Width 5: input rows of 16 bytes (one padding byte), output rows of 8.
    // The padding holds a colour of its own, which must not be counted.
    std::vector<Bgr> px;
    for (int k = 0; k < 10; ++k) px.push_back(k % 3 == 0 ? kWhite : k % 3 == 1 ? kBlack : kRed);
    SourceOptions options;
    options.paddingByte = 0x80;
    const std::string in = dir / "five.bmp", out = dir / "five8.bmp";
    const Bytes source = Make24BitBmp(5, 2, px, options);
    ASSERT_EQ(source.size(), 54u + 2 * 16);
    WriteFile(in, source);
    const RunResult run = RunPalettor({in, out});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, ReadMessages(in, "0 0 0 80"));
    const Bytes result = ReadFile(out);
    ASSERT_EQ(result.size(), 1078u + 2 * 8);
    EXPECT_EQ(Bytes(result.begin(), result.begin() + 54), ExpectedHeader(5, 2));
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 5; ++x) {
            const Bgr want = px[row * 5 + x];
            const Bgr got = EntryColour(result, IndexAt(result, x, row));
            EXPECT_EQ(got.b, want.b & 0xf0);
            EXPECT_EQ(got.g, want.g & 0xf0);
            EXPECT_EQ(got.r, want.r & 0xf0);
        }
    }
    // White (4 pixels), black (3), red (3): the padding colour 0x808080 is
    // not among the three codes that occur, so it would have to show up as
    // a count of its own to get an early entry.
    EXPECT_EQ(IndexAt(result, 0, 0), 0u);
    for (int k = 0; k < 3; ++k) {
        const Bgr e = EntryColour(result, k);
        EXPECT_FALSE(e.b == 0x80 && e.g == 0x80 && e.r == 0x80) << "entry " << k;
    }
}

TEST_F(PalettorProgram, ColoursDifferingInTheLowBitsShareAnEntry) {
    const std::vector<Bgr> px{{0x10, 0x20, 0x30}, {0x1f, 0x2f, 0x3f}, {0x15, 0x2a, 0x33}, {0x20, 0x20, 0x30}};
    const std::string in = dir / "low.bmp", out = dir / "low8.bmp";
    WriteFile(in, Make24BitBmp(4, 1, px));
    ASSERT_EQ(RunPalettor({in, out}).status, 0);
    const Bytes result = ReadFile(out);
    EXPECT_EQ(IndexAt(result, 0, 0), 0u);
    EXPECT_EQ(IndexAt(result, 1, 0), 0u);
    EXPECT_EQ(IndexAt(result, 2, 0), 0u);
    EXPECT_EQ(IndexAt(result, 3, 0), 1u);
    const Bgr e = EntryColour(result, 0);
    EXPECT_EQ(e.b, 0x10);
    EXPECT_EQ(e.g, 0x20);
    EXPECT_EQ(e.r, 0x30);
}

// Pixels for 256 colours on the even nibbles (blue and green 0..14, red
// 0..6), each twice, plus the given rare colours once each.
std::vector<Bgr> EvenGridPixels(const std::vector<Bgr>& rare) {
    std::vector<Bgr> px;
    for (int b = 0; b < 16; b += 2)
        for (int g = 0; g < 16; g += 2)
            for (int r = 0; r < 8; r += 2)
                for (int twice = 0; twice < 2; ++twice)
                    px.push_back({static_cast<unsigned char>(b * 16), static_cast<unsigned char>(g * 16),
                                  static_cast<unsigned char>(r * 16)});
    px.insert(px.end(), rare.begin(), rare.end());
    return px;
}

int EntryOf(const Bytes& out, Bgr colour) {
    for (int i = 0; i < 256; ++i) {
        const Bgr e = EntryColour(out, i);
        if (e.b == colour.b && e.g == colour.g && e.r == colour.r) return i;
    }
    return -1;
}

TEST_F(PalettorProgram, ExactlyTwoHundredFiftySixColoursKeepTheirOwnEntries) {
    const std::vector<Bgr> px = EvenGridPixels({});
    const std::string in = dir / "grid.bmp", out = dir / "grid8.bmp";
    WriteFile(in, Make24BitBmp(16, static_cast<int>(px.size() / 16), px));
    ASSERT_EQ(RunPalettor({in, out}).status, 0);
    const Bytes result = ReadFile(out);
    std::vector<bool> used(256, false);
    for (std::size_t k = 0; k < px.size(); ++k) {
        const unsigned index = IndexAt(result, static_cast<int>(k % 16), static_cast<int>(k / 16));
        const Bgr e = EntryColour(result, index);
        EXPECT_TRUE(e.b == px[k].b && e.g == px[k].g && e.r == px[k].r) << "pixel " << k;
        used[index] = true;
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), true), 256);
}

TEST_F(PalettorProgram, RareColoursShareTheNearestEntryLowerIndexOnTies) {
    // (16, 0, 0) lies between (0, 0, 0) and (32, 0, 0); (240, 240, 112)
    // is nearest to (224, 224, 96) alone. Both occur once, less often than
    // any grid colour, so the grid fills the palette.
    const Bgr between{16, 0, 0}, corner{240, 240, 112};
    const std::vector<Bgr> px = EvenGridPixels({between, corner, kBlack, kBlack, kBlack, kBlack});
    const std::string in = dir / "rare.bmp", out = dir / "rare8.bmp";
    WriteFile(in, Make24BitBmp(static_cast<int>(px.size()), 1, px));
    ASSERT_EQ(RunPalettor({in, out}).status, 0);
    const Bytes result = ReadFile(out);
    const int low = EntryOf(result, {0, 0, 0}), high = EntryOf(result, {32, 0, 0});
    ASSERT_EQ(low, 0);  // black is now the most frequent colour
    ASSERT_GT(high, 0);
    const int width = static_cast<int>(px.size());
    EXPECT_EQ(static_cast<int>(IndexAt(result, width - 6, 0)), low);
    EXPECT_EQ(static_cast<int>(IndexAt(result, width - 5, 0)), EntryOf(result, {224, 224, 96}));
    EXPECT_EQ(EntryOf(result, between), -1);
    EXPECT_EQ(EntryOf(result, corner), -1);
}

TEST_F(PalettorProgram, BytesAfterThePixelsAreCountedAndReported) {
    SourceOptions options;
    options.trailer = {0xaa, 0xbb};
    const std::string in = dir / "extra.bmp", out = dir / "extra8.bmp";
    WriteFile(in, Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack}, options));
    const RunResult run = RunPalettor({in, out});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, ReadMessages(in, "ff 0 0 0", 2));
    EXPECT_EQ(ReadFile(out).size(), 1082u);
}

TEST_F(PalettorProgram, SameFileTwiceIsReplacedByItsEightBitVersion) {
    const Bytes source = Make24BitBmp(3, 2, {kRed, kWhite, kBlack, kBlack, kRed, kRed});
    const std::string copy = dir / "copy.bmp", separate = dir / "separate.bmp";
    WriteFile(copy, source);
    WriteFile(separate, source);
    ASSERT_EQ(RunPalettor({separate, dir / "separate8.bmp"}).status, 0);
    const RunResult run = RunPalettor({copy, copy});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, ReadMessages(copy, "0 0 0 0"));
    EXPECT_EQ(ReadFile(copy), ReadFile(dir / "separate8.bmp"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST_F(PalettorProgram, ReplacingKeepsLinksAndPermissions) {
    const std::string in = dir / "in.bmp", target = dir / "target.bmp", link = dir / "link.bmp";
    WriteFile(in, Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack}));
    WriteFile(target, Bytes{'o', 'l', 'd'});
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target.bmp", link);
    const RunResult run = RunPalettor({in, link});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(target).size(), 1082u);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PalettorProgram, ReadOnlyDestinationIsNotReplaced) {
    // Root may write any file; run as nobody then, in a folder anyone may
    // write, on a file only root may write.
    std::string prefix;
    if (getuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv";
        prefix = "exec setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    const std::string in = dir / "in.bmp", out = dir / "locked.bmp";
    WriteFile(in, Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack}));
    WriteFile(out, Bytes{'o', 'l', 'd'});
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const RunResult run = RunPalettor({in, out}, prefix);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.output, ReadMessages(in, "ff 0 0 0") + "open new file failed.\n");
    EXPECT_EQ(ReadFile(out), (Bytes{'o', 'l', 'd'}));
}

TEST_F(PalettorProgram, FewerThanTwoNamesPrintsTheUsage) {
    const std::string usage = "Usage:\n    " + PalettorPath() +
                              " filename1 filename2\n"
                              "    filename1 : source 24bit BMP filename    like: xxx.bmp\n"
                              "    filename2 : new 256 color BMP filename\n";
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{dir / "only.bmp"}}) {
        const RunResult run = RunPalettor(args);
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.output, usage);
    }
}

TEST_F(PalettorProgram, MissingSourceIsReported) {
    const std::string in = dir / "absent.bmp", out = dir / "out.bmp";
    const RunResult run = RunPalettor({in, out});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.output, "!!!file " + in + " open failed.\n");
    EXPECT_FALSE(fs::exists(out));
}

// Runs Palettor on bytes that must be refused: exit 255, the open message,
// then the given refusal, and no destination.
void ExpectRefused(const TempDir& dir, const Bytes& source, const std::string& message) {
    const std::string in = dir / "bad.bmp", out = dir / "bad8.bmp";
    WriteFile(in, source);
    const RunResult run = RunPalettor({in, out});
    EXPECT_EQ(run.status, 255) << message;
    EXPECT_EQ(run.output, "file " + in + " open success.\n" + message);
    EXPECT_FALSE(fs::exists(out)) << message;
}

TEST_F(PalettorProgram, OtherBitCountsAreRefused) {
    Bytes eight = Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack});
    Put16(eight, 28, 8);
    ExpectRefused(dir, eight, "This is not a 24bit BMP file.\n");
    Put16(eight, 28, 32);
    ExpectRefused(dir, eight, "This is not a 24bit BMP file.\n");
}

TEST_F(PalettorProgram, ShortSourcesAreRefused) {
    const Bytes whole = Make24BitBmp(5, 3, std::vector<Bgr>(15, kRed));
    ExpectRefused(dir, Bytes(whole.begin(), whole.end() - 1),
                  "The file has 101 bytes but its header needs 102.\n");
    ExpectRefused(dir, Bytes(whole.begin(), whole.begin() + 54),
                  "The file has 54 bytes but its header needs 102.\n");
    ExpectRefused(dir, Bytes(whole.begin(), whole.begin() + 53), "The BMP header is incomplete.\n");
    ExpectRefused(dir, Bytes{}, "The BMP header is incomplete.\n");
    Bytes offBeyond = whole;
    Put32(offBeyond, 10, 1000);
    ExpectRefused(dir, offBeyond, "The file has 102 bytes but its header needs 1048.\n");
}

TEST_F(PalettorProgram, ImpossibleSizesAreRefused) {
    const Bytes good = Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack});
    struct Case {
        std::int32_t width, height;
        std::string message;
    };
    const std::vector<Case> cases{
        {0, 1, "The image size 0 x 1 is not valid.\n"},
        {-4, 1, "The image size -4 x 1 is not valid.\n"},
        {4, 0, "The image size 4 x 0 is not valid.\n"},
        {4, INT32_MIN, "The image size 4 x -2147483648 is not valid.\n"},
        {INT32_MAX, INT32_MAX, "The image size 2147483647 x 2147483647 is too large.\n"},
        {3000000, 2000000, "The image size 3000000 x 2000000 is too large.\n"},
        {65536, 65536, "The image size 65536 x 65536 is too large.\n"},
        {1000, -1000, "The file has 66 bytes but its header needs 3000054.\n"},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        Put32(bad, 18, static_cast<std::uint32_t>(c.width));
        Put32(bad, 22, static_cast<std::uint32_t>(c.height));
        ExpectRefused(dir, bad, c.message);
    }
    Bytes compressed = good;
    Put32(compressed, 30, 4);
    ExpectRefused(dir, compressed, "Only uncompressed 24bit BMP files can be converted.\n");
}

TEST_F(PalettorProgram, DestinationThatCannotBeCreatedIsReported) {
    const std::string in = dir / "in.bmp";
    WriteFile(in, Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack}));
    WriteFile(dir / "plain", Bytes{1, 2, 3});
    // A parent that is a regular file fails even for root.
    for (const std::string& out :
         {dir / "no/such/folder/out.bmp", dir / "plain/out.bmp", dir.path().string()}) {
        const RunResult run = RunPalettor({in, out});
        EXPECT_EQ(run.status, 255) << out;
        EXPECT_EQ(run.output, ReadMessages(in, "ff 0 0 0") + "open new file failed.\n") << out;
    }
    EXPECT_EQ(ReadFile(dir / "plain"), (Bytes{1, 2, 3}));
}

TEST_F(PalettorProgram, FailedWriteKeepsTheOldDestination) {
    const std::string in = dir / "in.bmp", out = dir / "old.bmp";
    WriteFile(in, Make24BitBmp(64, 64, std::vector<Bgr>(64 * 64, kRed)));
    const Bytes old{'o', 'l', 'd'};
    WriteFile(out, old);
    // A file-size limit of 512 bytes makes the write fail part way, the
    // way a full disk would.
    const RunResult run = RunPalettor({in, out}, "trap '' XFSZ; ulimit -f 1; exec ");
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.output, ReadMessages(in, "ff 0 0 ff") + "write new file failed.\n");
    EXPECT_EQ(ReadFile(out), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "a temporary file was left behind";
}

TEST_F(PalettorProgram, FailedWriteToADeviceIsReported) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string in = dir / "in.bmp";
    WriteFile(in, Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack}));
    const RunResult run = RunPalettor({in, "/dev/full"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.output, ReadMessages(in, "ff 0 0 0") + "write new file failed.\n");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A picture with many colours, with its bottom-up 54-byte conversion as the
// reference the other layouts must match.
std::vector<Bgr> ManyColours(int width, int height) {
    std::vector<Bgr> px;
    std::mt19937 rng(99);
    for (int k = 0; k < width * height; ++k) {
        px.push_back({static_cast<unsigned char>(rng()), static_cast<unsigned char>(rng() % 64),
                      static_cast<unsigned char>(k % 251)});
    }
    return px;
}

TEST_F(PalettorProgram, OtherLayoutsGiveThePlainLayoutsResult) {
    const int width = 37, height = 23;
    const std::vector<Bgr> px = ManyColours(width, height);
    const std::string plain = dir / "plain.bmp", plain8 = dir / "plain8.bmp";
    WriteFile(plain, Make24BitBmp(width, height, px));
    ASSERT_EQ(RunPalettor({plain, plain8}).status, 0);
    const Bytes reference = ReadFile(plain8);
    ASSERT_EQ(reference.size(), 1078u + 40 * height);

    SourceOptions topDown;
    topDown.topDown = true;
    SourceOptions v5;
    v5.infoHeaderSize = 124;
    SourceOptions table;
    table.gap = 300 * 4;
    table.clrUsed = 300;
    SourceOptions v4Table;
    v4Table.infoHeaderSize = 108;
    v4Table.gap = 256 * 4;
    v4Table.clrUsed = 256;
    v4Table.topDown = true;
    for (const auto& [name, options] : std::vector<std::pair<std::string, SourceOptions>>{
             {"top-down", topDown}, {"v5", v5}, {"table", table}, {"v4-table", v4Table}}) {
        const std::string in = dir / (name + ".bmp"), out = dir / (name + "8.bmp");
        WriteFile(in, Make24BitBmp(width, height, px, options));
        const RunResult run = RunPalettor({in, out});
        ASSERT_EQ(run.status, 0) << name << "\n" << run.output;
        Bytes result = ReadFile(out);
        if (options.clrUsed == 256) {
            EXPECT_EQ(Get32(result, 46), 256u) << name;
            Put32(result, 46, 0);
        }
        EXPECT_EQ(result, reference) << name;
    }
}

TEST_F(PalettorProgram, HeaderFieldsBeyondTheLayoutAreKept) {
    Bytes source = Make24BitBmp(4, 1, {kRed, kRed, kWhite, kBlack});
    Put16(source, 6, 0x1234);
    Put16(source, 8, 0x5678);
    Put32(source, 38, 1111);
    Put32(source, 42, 2222);
    Put32(source, 50, 77);
    const std::string in = dir / "fields.bmp", out = dir / "fields8.bmp";
    WriteFile(in, source);
    ASSERT_EQ(RunPalettor({in, out}).status, 0);
    const Bytes result = ReadFile(out);
    EXPECT_EQ(Get16(result, 6), 0x1234u);
    EXPECT_EQ(Get16(result, 8), 0x5678u);
    EXPECT_EQ(Get32(result, 38), 1111u);
    EXPECT_EQ(Get32(result, 42), 2222u);
    EXPECT_EQ(Get32(result, 50), 77u);
}

TEST_F(PalettorProgram, CorruptHeadersNeverCrashIt) {
    const Bytes good = Make24BitBmp(7, 5, ManyColours(7, 5));
    std::mt19937 rng(4242);
    const std::string in = dir / "mutant.bmp", out = dir / "mutant8.bmp";
    for (int round = 0; round < 150; ++round) {
        Bytes mutant = good;
        for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n; ++k) {
            mutant[rng() % 54] = static_cast<unsigned char>(rng());
        }
        mutant[28] = 24;
        mutant[29] = 0;
        if (round % 5 == 0) mutant.resize(rng() % mutant.size());
        WriteFile(in, mutant);
        const RunResult run = RunPalettor({in, out});
        ASSERT_TRUE(run.status == 0 || run.status == 255) << "round " << round << " status " << run.status;
        if (run.status == 0) {
            const Bytes result = ReadFile(out);
            ASSERT_GE(result.size(), 1078u);
            EXPECT_EQ(Get32(result, 2), result.size()) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace lintra::palettor::test
