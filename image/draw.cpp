#include "image/draw.h"

#include <algorithm>

namespace lintra {

Palette256 CreateDibPalette(const Dib& dib) {
    Palette256 palette{};
    const RgbQuad* table = dib.GetColorTable();
    if (table == nullptr) return palette;
    std::uint32_t count = std::min<std::uint32_t>(dib.GetColorCount(), 256);
    for (std::uint32_t i = 0; i < count; ++i)
        palette[i] = PaletteEntry{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    return palette;
}

void DrawDib(Canvas& canvas, const Dib& dib) {
    if (dib.IsEmpty() || dib.GetBitCount() != 8) return;
    int width = dib.GetWidth();
    int height = dib.GetHeight();
    int stride = static_cast<int>(BmpStride(8, width));
    canvas.DrawIndexedImage(kDrawMargin, kDrawMargin, dib.GetBits(), width, height, stride,
                            CreateDibPalette(dib));
}

}  // namespace lintra
