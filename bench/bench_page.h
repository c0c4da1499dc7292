// The shared test page of the benchmarks: a synthetic 300-dpi scan of a line
// drawing, as an 8-bit grey image, and its binarised and thinned forms.
//
// What it draws (seeded, deterministic, the same on every machine): a paper
// background of 236 to 250 that drifts slowly across the page, a drawing
// frame with a title block, straight lines (mostly horizontal and vertical,
// some slanted, some dashed), rectangles, circles and arcs, and rows of
// lettering made of short pen strokes; strokes are 2 to 6 pixels wide with
// anti-aliased edges and ink of grey 25 to 70. The whole is softened by a
// 3 x 3 blur (the scanner's optics), then gets grain noise (sigma about 3)
// and dark specks of 1 to 3 pixels (dust). At 600 dpi the same drawing gets
// strokes, dashes and specks twice as large in pixels; its colour form is a
// scan of slightly warm paper with grain in each channel.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image_view.h"

namespace lintra::bench {

inline constexpr int kA4Width = 2480;   // 210 mm at 300 dpi
inline constexpr int kA4Height = 3508;  // 297 mm at 300 dpi

// An owned 8-bit image with rows padded to a multiple of 4 bytes, as in a BMP.
struct PageImage {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> pixels;

    ImageView view() { return ImageView{pixels.data(), width, height, stride, 8}; }
};

// The page size the benchmarks use: A4 at 300 dpi, or 256 x 256 when the
// environment variable LINTRA_BENCH_SMALL is set to anything but "0" (the
// smoke run in CI).
struct PageSize {
    int width = kA4Width;
    int height = kA4Height;
};
PageSize BenchPageSize();

// An owned 24-bit image (blue, green, red per pixel), rows padded to a
// multiple of 4 bytes.
struct ColourImage {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> pixels;
};

// The A4 sheet at dpi (150 or more; 150 below it): 2480 x 3508 at 300 dpi,
// in proportion at the others (1240 x 1754 at 150, 9920 x 14032 at 1200).
PageSize A4Size(int dpi);

// A grey scan of a line drawing of the given size (at least 1 x 1; the
// drawing scales with the page). dpi (150 or more; 150 below it) sets how
// many pixels one 300-dpi dot of pen, dash or dust covers, so a 600-dpi
// A4 page holds the 300-dpi page's drawing at twice the resolution rather
// than four times as many objects, and a 150-dpi one at half of it. The same seed always gives the same page.
PageImage MakeScannedPage(int width, int height, std::uint32_t seed = 1, int dpi = 300);
// The colour scan of a grey page: warm paper (red above green above blue by
// a few levels where the paper shows) and independent grain (sigma 2) in each
// channel, so it holds many thousands of colours while its grey stays within
// a few levels of the page's. Seeded like the page.
ColourImage MakeColourScan(const PageImage& grey, std::uint32_t seed = 1);
// The scan binarised by ComputeHistogram and BinariseIterative: 0 ink, 255 paper.
PageImage MakeBinarisedPage(int width, int height, std::uint32_t seed = 1);
// The binarised page thinned by ThinImage, then MakeBorderWhite: one-pixel
// lines, as vectorisation expects them.
PageImage MakeThinnedPage(int width, int height, std::uint32_t seed = 1);

}  // namespace lintra::bench
