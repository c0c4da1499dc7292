// What the drawing pass paints on: a screen widget, a printer page or a test
// recorder. Coordinates are device pixels with y growing downwards.
#pragma once

#include <array>
#include <cstdint>

namespace lintra {

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};
using Palette256 = std::array<PaletteEntry, 256>;

struct PenColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // Paints an 8-bit indexed image with its top-left corner at (left, top),
    // one device pixel per image pixel. pixels holds height rows of stride
    // bytes, the bottom row of the picture first.
    virtual void DrawIndexedImage(int left, int top, const std::uint8_t* pixels, int width, int height,
                                  int stride, const Palette256& palette) = 0;
    // Selects a solid pen one device pixel wide.
    virtual void SetPen(PenColour colour) = 0;
    // Draws a line from (x1, y1) to (x2, y2) with the current pen, the end
    // pixel excluded.
    virtual void DrawLine(int x1, int y1, int x2, int y2) = 0;
};

}  // namespace lintra
