// The drawing pass on a recording canvas: where the bitmap and the
// segments land, and the palette handed over.
#include "image/draw.h"

#include <gtest/gtest.h>

#include <list>

#include "bmp_test_support.h"

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
        dib.Read((dir / "in.bmp"), sink);
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

}  // namespace
}  // namespace lintra
