// The drawing pass onto a Canvas: the displayed image as a bitmap, one
// device pixel per image pixel with its top-left corner at (5, 5), or the
// segment list in dark red over the same pixel grid.
#pragma once

#include "image/canvas.h"
#include "image/dib.h"

namespace lintra {

// Distance of the picture from the left and top edges of the view.
inline constexpr int kDrawMargin = 5;
// The vector drawing's pen: red 128, green 0, blue 0.
inline constexpr PenColour kSegmentPen{128, 0, 0};

// A 256-entry palette from dib's colour table: entry i takes the red, green
// and blue of table entry i for the first min(colour count, 256) entries;
// every other entry, and every flag, is 0 (black).
Palette256 CreateDibPalette(const Dib& dib);

// Paints an 8-bit dib at (5, 5), unscaled, with CreateDibPalette's palette.
// An empty Dib or one of another depth paints nothing.
void DrawDib(Canvas& canvas, const Dib& dib);

// Reduces an 8-bit indexed picture (height rows of stride bytes, the bottom
// row first) to outWidth x outHeight pixels, rows in the same order, for a
// view that shows it smaller than one screen pixel per picture pixel. Each
// output pixel covers the block of picture pixels [x * width / outWidth,
// (x + 1) * width / outWidth) across, likewise down, and takes the index of
// its darkest pixel by palette's luminance (the first of equal ones), so
// one-pixel dark strokes stay whole at any reduction. Requires 1 <= outWidth
// <= width, 1 <= outHeight <= height and outStride >= outWidth.
void ReduceDarkest(const std::uint8_t* pixels, int width, int height, int stride, const Palette256& palette,
                   std::uint8_t* out, int outWidth, int outHeight, int outStride);

// Draws every record of segments, in list order, from (x1 + 5, H - y1 + 4)
// to (x2 + 5, H - y2 + 4) with the dark red pen, H being imageHeight: image
// row y = 0 lands on the device row where DrawDib shows it. Works on any
// range of records with x1, y1, x2 and y2; an empty range draws nothing.
template <typename SegmentRange>
void DrawSegments(Canvas& canvas, const SegmentRange& segments, int imageHeight) {
    canvas.SetPen(kSegmentPen);
    int bottom = imageHeight + kDrawMargin - 1;
    for (const auto& segment : segments) {
        canvas.DrawLine(segment.x1 + kDrawMargin, bottom - segment.y1, segment.x2 + kDrawMargin,
                        bottom - segment.y2);
    }
}

}  // namespace lintra
