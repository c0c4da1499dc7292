// The benchmark page and lintra-make-page: the files hold exactly the page
// the in-process benchmarks time, the colour scan is a real colour picture
// of the same drawing, the pages at 150 to 1200 dpi are the same drawing at
// each resolution, and the tool reports its errors by exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_page.h"
#include "bench/page_bmp.h"
#include "bench/page_tool.h"
#include "formats/read_picture.h"
#include "image/dib.h"
#include "raster/binarise.h"

namespace lintra::bench {
namespace {

class CountingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lintra-page-XXXXXX").string();
        m_path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Reads path through Lintra's own reader; the rows of width bytes each.
std::vector<std::vector<std::uint8_t>> ReadRows(const std::string& path, int bytesPerPixel, Dib& dib) {
    CountingSink sink;
    ReadPicture(dib, path, sink);
    EXPECT_EQ(dib.m_bValid, 1);
    EXPECT_TRUE(sink.messages.empty());
    std::vector<std::vector<std::uint8_t>> rows;
    if (dib.m_bValid != 1) return rows;
    const std::uint32_t stride = dib.ComputeStride();
    for (int y = 0; y < dib.GetHeight(); ++y) {
        const std::uint8_t* row = dib.GetBits() + static_cast<std::size_t>(y) * stride;
        rows.emplace_back(row, row + static_cast<std::size_t>(dib.GetWidth()) * bytesPerPixel);
    }
    return rows;
}

template <typename Page>
std::vector<std::uint8_t> Row(const Page& page, int y, int bytesPerPixel) {
    const std::uint8_t* row = page.pixels.data() + static_cast<std::size_t>(y) * page.stride;
    return {row, row + static_cast<std::size_t>(page.width) * bytesPerPixel};
}

PageImage Binarised(PageImage page) {
    Histogram histogram;
    ComputeHistogram(page.view(), histogram);
    BinariseIterative(page.view(), histogram);
    return page;
}

double InkShare(const PageImage& page) {
    long ink = 0;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            ink += page.pixels[static_cast<std::size_t>(y) * page.stride + x] == 0;
    return static_cast<double>(ink) / (static_cast<double>(page.width) * page.height);
}

TEST(BenchPageFiles, GreyAndColourFilesReadBackAsThePagesRows) {
    TempFolder folder;
    // An odd width, so both files have padded rows.
    const PageImage grey = MakeScannedPage(301, 203, 7);
    const ColourImage colour = MakeColourScan(grey, 7);
    WriteGreyBmp(folder / "grey.bmp", grey);
    WriteColourBmp(folder / "colour.bmp", colour);

    Dib greyDib;
    const auto greyRows = ReadRows(folder / "grey.bmp", 1, greyDib);
    ASSERT_EQ(greyDib.GetBitCount(), 8);
    ASSERT_EQ(greyDib.GetWidth(), 301);
    ASSERT_EQ(greyDib.GetHeight(), 203);
    ASSERT_EQ(greyRows.size(), 203u);
    for (int y = 0; y < grey.height; ++y) ASSERT_EQ(greyRows[y], Row(grey, y, 1)) << "row " << y;
    // An identity grey table: the indices are the grey levels.
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& entry = greyDib.GetColorTable()[i];
        ASSERT_TRUE(entry.rgbRed == i && entry.rgbGreen == i && entry.rgbBlue == i) << "entry " << i;
    }

    Dib colourDib;
    const auto colourRows = ReadRows(folder / "colour.bmp", 3, colourDib);
    ASSERT_EQ(colourDib.GetBitCount(), 24);
    ASSERT_EQ(colourRows.size(), 203u);
    for (int y = 0; y < colour.height; ++y) ASSERT_EQ(colourRows[y], Row(colour, y, 3)) << "row " << y;
}

TEST(BenchPageFiles, UnwritablePathThrowsNamingIt) {
    const PageImage page = MakeScannedPage(8, 8);
    const std::string path = "/nonexistent-folder-of-lintra/page.bmp";
    try {
        WriteGreyBmp(path, page);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos);
    }
}

TEST(BenchPage, SameSeedSamePageOtherSeedOtherPage) {
    const PageImage a = MakeScannedPage(200, 280, 3), b = MakeScannedPage(200, 280, 3);
    const PageImage c = MakeScannedPage(200, 280, 4);
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_NE(a.pixels, c.pixels);
    EXPECT_EQ(MakeColourScan(a, 3).pixels, MakeColourScan(b, 3).pixels);
    // 300 dpi is the default; 150 draws finer pens, and anything below it
    // counts as 150.
    EXPECT_EQ(MakeScannedPage(200, 280, 3, 300).pixels, a.pixels);
    EXPECT_NE(MakeScannedPage(200, 280, 3, 150).pixels, a.pixels);
    EXPECT_EQ(MakeScannedPage(200, 280, 3, 100).pixels, MakeScannedPage(200, 280, 3, 150).pixels);
}

// The colour scan must give the converters real work (many colours) while
// tracing to the same drawing: its grey stays on the page's side of the
// threshold.
TEST(BenchPage, ColourScanHasManyColoursAndTheSameDrawing) {
    const PageImage grey = MakeScannedPage(620, 877);
    const ColourImage colour = MakeColourScan(grey);
    std::set<std::uint32_t> colours;
    long agree = 0, warm = 0, paper = 0;
    double shift = 0;
    for (int y = 0; y < grey.height; ++y)
        for (int x = 0; x < grey.width; ++x) {
            const std::uint8_t* p =
                colour.pixels.data() + static_cast<std::size_t>(y) * colour.stride + 3 * x;
            const int g = grey.pixels[static_cast<std::size_t>(y) * grey.stride + x];
            colours.insert(p[0] | p[1] << 8 | p[2] << 16);
            const double luminance = 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
            shift += luminance - g;
            agree += (luminance >= 128) == (g >= 128);
            if (g > 200) {
                ++paper;
                warm += p[2] > p[0];
            }
        }
    const double pixels = static_cast<double>(grey.width) * grey.height;
    EXPECT_GT(colours.size(), 10000u);
    EXPECT_LT(std::abs(shift / pixels), 2.0);
    EXPECT_GT(agree / pixels, 0.999);
    EXPECT_GT(static_cast<double>(warm) / paper, 0.9);  // the paper is warm: red above blue
}

// The share of pixels of low (binarised) that agree with the 2 x 2
// majority of the page at twice its resolution.
double HalvedAgreement(const PageImage& low, const PageImage& high) {
    long agree = 0;
    for (int y = 0; y < low.height; ++y)
        for (int x = 0; x < low.width; ++x) {
            int ink = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    ink += high.pixels[static_cast<std::size_t>(2 * y + dy) * high.stride + 2 * x + dx] == 0;
            agree += (ink >= 2) == (low.pixels[static_cast<std::size_t>(y) * low.stride + x] == 0);
        }
    return static_cast<double>(agree) / (static_cast<double>(low.width) * low.height);
}

// Each resolution holds the same drawing: the 600-dpi page halved by 2 x 2
// majority matches the 300-dpi one almost everywhere, with about the same
// share of ink (a little less: the one-pixel blur widens thin strokes less
// at 600 dpi), and so does the 300-dpi page against the 150-dpi one.
TEST(BenchPage, EachResolutionIsTheSameDrawing) {
    const PageImage low = Binarised(MakeScannedPage(310, 438, 5, 150));
    const PageImage mid = Binarised(MakeScannedPage(620, 877, 5, 300));
    const PageImage high = Binarised(MakeScannedPage(1240, 1754, 5, 600));
    EXPECT_NEAR(InkShare(high) / InkShare(mid), 1.0, 0.2);  // measured 0.88
    EXPECT_NEAR(InkShare(mid) / InkShare(low), 1.0, 0.2);   // measured 0.88
    EXPECT_GT(HalvedAgreement(mid, high), 0.98);
    EXPECT_GT(HalvedAgreement(low, mid), 0.95);  // measured 0.966
    // Not four times the drawing in four times the pixels: a 300-dpi page of
    // that size has four times the objects with strokes half as wide, so
    // more ink (overlaps keep it from doubling).
    const PageImage crowded = Binarised(MakeScannedPage(1240, 1754, 5, 300));
    EXPECT_GT(InkShare(crowded) / InkShare(high), 1.15);  // measured 1.3
}

TEST(BenchPage, A4SheetAtEachResolution) {
    EXPECT_EQ(A4Size(300).width, kA4Width);
    EXPECT_EQ(A4Size(300).height, kA4Height);
    EXPECT_EQ(A4Size(150).width, 1240);
    EXPECT_EQ(A4Size(150).height, 1754);
    EXPECT_EQ(A4Size(600).width, 4960);
    EXPECT_EQ(A4Size(600).height, 7016);
    EXPECT_EQ(A4Size(1200).width, 9920);
    EXPECT_EQ(A4Size(1200).height, 14032);
}

int RunTool(std::initializer_list<std::string> args) {
    std::vector<std::string> owned{"lintra-make-page"};
    owned.insert(owned.end(), args);
    std::vector<const char*> argv;
    for (const std::string& a : owned) argv.push_back(a.c_str());
    return RunMakePage(static_cast<int>(argv.size()), argv.data());
}

TEST(MakePageTool, WritesTheRequestedFiles) {
    TempFolder folder;
    ASSERT_EQ(
        RunTool({"--size", "10x7", "--seed", "9", "--grey", folder / "g.bmp", "--colour", folder / "c.bmp"}),
        0);
    EXPECT_EQ(std::filesystem::file_size(folder / "g.bmp"), 14u + 40 + 1024 + 12 * 7);
    EXPECT_EQ(std::filesystem::file_size(folder / "c.bmp"), 14u + 40 + 32 * 7);
    Dib dib;
    const auto rows = ReadRows(folder / "g.bmp", 1, dib);
    const PageImage page = MakeScannedPage(10, 7, 9);
    ASSERT_EQ(rows.size(), 7u);
    for (int y = 0; y < 7; ++y) EXPECT_EQ(rows[y], Row(page, y, 1));
    // The header records the resolution asked for, so a page exported in
    // millimetres comes out at its size.
    for (const auto& [dpi, perMetre] :
         {std::pair{"150", 5906}, {"300", 11811}, {"600", 23622}, {"1200", 47244}}) {
        ASSERT_EQ(RunTool({"--dpi", dpi, "--size", "10x7", "--grey", folder / "g.bmp", "--colour",
                           folder / "c.bmp"}),
                  0);
        for (const char* name : {"g.bmp", "c.bmp"}) {
            Dib written;
            ReadRows(folder / name, std::string(name) == "g.bmp" ? 1 : 3, written);
            EXPECT_EQ(written.GetBitmapInfo()->bmiHeader.biXPelsPerMeter, perMetre) << dpi << " " << name;
            EXPECT_EQ(written.GetBitmapInfo()->bmiHeader.biYPelsPerMeter, perMetre) << dpi << " " << name;
        }
    }
}

TEST(MakePageTool, UsageErrorsExitTwoAndWriteNothing) {
    TempFolder folder;
    const std::string out = folder / "g.bmp";
    EXPECT_EQ(RunTool({}), 2);                                // nothing to write
    EXPECT_EQ(RunTool({"--dpi", "450", "--grey", out}), 2);   // only 150, 300, 600 or 1200
    EXPECT_EQ(RunTool({"--dpi", "300x", "--grey", out}), 2);  // not a number
    EXPECT_EQ(RunTool({"--size", "0x5", "--grey", out}), 2);  // empty page
    EXPECT_EQ(RunTool({"--size", "12", "--grey", out}), 2);   // no height
    EXPECT_EQ(RunTool({"--seed", "-1", "--grey", out}), 2);   // seeds are unsigned
    EXPECT_EQ(RunTool({"--grey"}), 2);                        // value missing
    EXPECT_EQ(RunTool({"--gray", out}), 2);                   // unknown option
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(RunTool({"--help"}), 0);
}

TEST(MakePageTool, UnwritableFileExitsOne) {
    EXPECT_EQ(RunTool({"--size", "4x4", "--grey", "/nonexistent-folder-of-lintra/g.bmp"}), 1);
}

}  // namespace
}  // namespace lintra::bench
