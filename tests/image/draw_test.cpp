// The drawing pass on a recording canvas: where the bitmap and the
// segments land, and the palette handed over.
#include "image/draw.h"

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <vector>

#include "bmp_test_support.h"
#include "formats/read_picture.h"

namespace lintra {
namespace {

struct RecordingCanvas : Canvas {
    struct Image {
        int left, top;
        const std::uint8_t* pixels;
        int width, height, stride;
        Palette256 palette;
    };
    struct Line {
        int x1, y1, x2, y2;
        PenColour pen;
    };
    void DrawIndexedImage(int left, int top, const std::uint8_t* pixels, int width, int height, int stride,
                          const Palette256& palette) override {
        images.push_back({left, top, pixels, width, height, stride, palette});
    }
    void SetPen(PenColour colour) override {
        pen = colour;
        ++penChanges;
    }
    void DrawLine(int x1, int y1, int x2, int y2) override { lines.push_back({x1, y1, x2, y2, pen}); }

    std::vector<Image> images;
    std::vector<Line> lines;
    PenColour pen;
    int penChanges = 0;
};

class DrawTest : public ::testing::Test {
protected:
    void Load(Dib& dib, const testing::BmpBuilder& b) {
        testing::WriteBytes((dir / "in.bmp"), b.Build());
        ReadPicture(dib, (dir / "in.bmp"), sink);
        ASSERT_EQ(dib.m_bValid, 1);
    }
    test::TempDir dir;
    testing::RecordingSink sink;
    RecordingCanvas canvas;
};

TEST_F(DrawTest, BitmapSitsAtFiveFiveOnePixelPerPixel) {
    Dib dib;
    Load(dib, testing::BmpBuilder::Indexed8(201, 100, 256, [](int, int) { return 7; }));
    DrawDib(canvas, dib);
    ASSERT_EQ(canvas.images.size(), 1u);
    const auto& image = canvas.images[0];
    EXPECT_EQ(image.left, 5);
    EXPECT_EQ(image.top, 5);
    EXPECT_EQ(image.width, 201);
    EXPECT_EQ(image.height, 100);
    EXPECT_EQ(image.stride, 204);
    EXPECT_EQ(image.pixels, dib.GetBits());
    EXPECT_TRUE(canvas.lines.empty());
}

TEST_F(DrawTest, PaletteHas256EntriesBlackBeyondTheColourCount) {
    testing::BmpBuilder b = testing::BmpBuilder::Indexed8(4, 4, 16, [](int x, int) { return x; });
    for (int i = 0; i < 16; ++i) b.table[i] = {static_cast<std::uint8_t>(i), 100, 200, 77};
    Dib dib;
    Load(dib, b);
    Palette256 palette = CreateDibPalette(dib);
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = palette[i];
        if (i < 16) {
            EXPECT_TRUE(e.red == 200 && e.green == 100 && e.blue == i && e.flags == 0) << "entry " << i;
        } else {
            EXPECT_TRUE(e.red == 0 && e.green == 0 && e.blue == 0 && e.flags == 0) << "entry " << i;
        }
    }
    Palette256 none = CreateDibPalette(Dib());
    EXPECT_TRUE(std::all_of(none.begin(), none.end(),
                            [](const PaletteEntry& e) { return e.red == 0 && e.green == 0 && e.blue == 0; }));
}

TEST_F(DrawTest, OnlyEightBitImagesAreDrawn) {
    Dib empty;
    DrawDib(canvas, empty);
    testing::BmpBuilder b;
    b.info.biWidth = 1;
    b.info.biHeight = 1;
    b.info.biBitCount = 24;
    b.rows = {1, 2, 3, 0};
    Dib colour;
    Load(colour, b.Fit());
    DrawDib(canvas, colour);
    EXPECT_TRUE(canvas.images.empty());
}

TEST_F(DrawTest, SegmentsAreFlippedOntoTheBitmapsPixelGrid) {
    struct Record {
        int x1, y1, x2, y2;
    };
    std::list<Record> segments = {{0, 0, 10, 0}, {3, 99, 3, 99}, {-2, 50, 7, 120}};
    DrawSegments(canvas, segments, 100);
    ASSERT_EQ(canvas.lines.size(), 3u);
    auto expectLine = [&](std::size_t i, int x1, int y1, int x2, int y2) {
        const auto& l = canvas.lines[i];
        EXPECT_TRUE(l.x1 == x1 && l.y1 == y1 && l.x2 == x2 && l.y2 == y2)
            << "line " << i << ": " << l.x1 << "," << l.y1 << " " << l.x2 << "," << l.y2;
        EXPECT_TRUE(l.pen.red == 128 && l.pen.green == 0 && l.pen.blue == 0);
    };
    expectLine(0, 5, 104, 15, 104);  // the bottom row lands on the bitmap's last row
    expectLine(1, 8, 5, 8, 5);       // the top row on its first
    expectLine(2, 3, 54, 12, -16);

    RecordingCanvas empty;
    DrawSegments(empty, std::vector<Record>{}, 100);
    EXPECT_TRUE(empty.lines.empty());
    EXPECT_TRUE(empty.images.empty());
}

// The reduction written plainly: each output pixel's block scanned on its own.
std::vector<std::uint8_t> ReduceDarkestReference(const std::vector<std::uint8_t>& pixels, int width,
                                                 int height, int stride, const Palette256& palette,
                                                 int outWidth, int outHeight) {
    auto luma = [&](std::uint8_t i) {
        return 299 * palette[i].red + 587 * palette[i].green + 114 * palette[i].blue;
    };
    std::vector<std::uint8_t> out(static_cast<std::size_t>(outWidth) * outHeight);
    for (int y = 0; y < outHeight; ++y)
        for (int x = 0; x < outWidth; ++x) {
            const int y0 = y * height / outHeight, y1 = (y + 1) * height / outHeight;
            const int x0 = x * width / outWidth, x1 = (x + 1) * width / outWidth;
            std::uint8_t best = pixels[static_cast<std::size_t>(y0) * stride + x0];
            for (int row = y0; row < y1; ++row)
                for (int col = x0; col < x1; ++col) {
                    const std::uint8_t p = pixels[static_cast<std::size_t>(row) * stride + col];
                    if (luma(p) < luma(best)) best = p;
                }
            out[static_cast<std::size_t>(y) * outWidth + x] = best;
        }
    return out;
}

TEST(ReduceDarkestTest, MatchesThePlainLoopAndKeepsOnePixelStrokes) {
    std::mt19937 random(25);
    for (int trial = 0; trial < 60; ++trial) {
        const int width = 1 + static_cast<int>(random() % 97), height = 1 + static_cast<int>(random() % 83);
        const int stride = (width + 3) / 4 * 4;
        const int outWidth = 1 + static_cast<int>(random() % width);
        const int outHeight = 1 + static_cast<int>(random() % height);
        // A grey table on even trials, a random colour table on odd ones.
        Palette256 palette{};
        for (int i = 0; i < 256; ++i) {
            const auto r = static_cast<std::uint8_t>(trial % 2 ? random() : i);
            palette[i] = {r, static_cast<std::uint8_t>(trial % 2 ? random() : i),
                          static_cast<std::uint8_t>(trial % 2 ? random() : i), 0};
        }
        // Mostly white with sparse dark pixels and one-pixel strokes, as on a thinned page.
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * height, 255);
        for (auto& p : pixels)
            if (random() % 7 == 0) p = static_cast<std::uint8_t>(random());
        const int strokeRow = static_cast<int>(random() % height),
                  strokeColumn = static_cast<int>(random() % width);
        for (int x = 0; x < width; ++x) pixels[static_cast<std::size_t>(strokeRow) * stride + x] = 0;
        for (int y = 0; y < height; ++y) pixels[static_cast<std::size_t>(y) * stride + strokeColumn] = 0;

        std::vector<std::uint8_t> out(static_cast<std::size_t>(outWidth + 3) * outHeight, 77);
        ReduceDarkest(pixels.data(), width, height, stride, palette, out.data(), outWidth, outHeight,
                      outWidth + 3);
        const auto expected =
            ReduceDarkestReference(pixels, width, height, stride, palette, outWidth, outHeight);
        SCOPED_TRACE(::testing::Message() << "trial " << trial << ": " << width << "x" << height << " to "
                                          << outWidth << "x" << outHeight);
        for (int y = 0; y < outHeight; ++y)
            for (int x = 0; x < outWidth; ++x)
                ASSERT_EQ(out[static_cast<std::size_t>(y) * (outWidth + 3) + x],
                          expected[static_cast<std::size_t>(y) * outWidth + x])
                    << "at " << x << ", " << y;
        // The padding of each output row is left alone.
        EXPECT_EQ(out[static_cast<std::size_t>(outWidth)], 77);
        if (trial % 2 == 0) {
            // With grey levels the strokes come through whole: a black row and column.
            // The output row and column whose blocks hold the stroke.
            auto blockOf = [](int at, int size, int outSize) {
                int b = 0;
                while ((b + 1) * size / outSize <= at) ++b;
                return b;
            };
            const int row = blockOf(strokeRow, height, outHeight),
                      column = blockOf(strokeColumn, width, outWidth);
            for (int x = 0; x < outWidth; ++x)
                EXPECT_EQ(out[static_cast<std::size_t>(row) * (outWidth + 3) + x], 0);
            for (int y = 0; y < outHeight; ++y)
                EXPECT_EQ(out[static_cast<std::size_t>(y) * (outWidth + 3) + column], 0);
        }
    }
}

}  // namespace
}  // namespace lintra
