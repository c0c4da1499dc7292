#include "image/draw.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

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

void ReduceDarkest(const std::uint8_t* pixels, int width, int height, int stride, const Palette256& palette,
                   std::uint8_t* out, int outWidth, int outHeight, int outStride) {
    // Luminance of each index, in integer weights (0.299, 0.587, 0.114 times 1000).
    std::array<int, 256> luma{};
    for (int i = 0; i < 256; ++i)
        luma[i] = 299 * palette[i].red + 587 * palette[i].green + 114 * palette[i].blue;
    // The first picture column of each output column; the last entry is width.
    std::vector<int> columnStart(static_cast<std::size_t>(outWidth) + 1);
    for (int x = 0; x <= outWidth; ++x)
        columnStart[x] = static_cast<int>(static_cast<std::int64_t>(x) * width / outWidth);
    std::vector<std::uint8_t> darkest(static_cast<std::size_t>(outWidth));
    for (int y = 0; y < outHeight; ++y) {
        const int rowBegin = static_cast<int>(static_cast<std::int64_t>(y) * height / outHeight);
        const int rowEnd = static_cast<int>(static_cast<std::int64_t>(y + 1) * height / outHeight);
        // Each block's darkest pixel over the rows of this output row, one
        // picture row at a time, so the rows are read in memory order.
        for (int row = rowBegin; row < rowEnd; ++row) {
            const std::uint8_t* line = pixels + static_cast<std::ptrdiff_t>(row) * stride;
            for (int x = 0; x < outWidth; ++x) {
                std::uint8_t best = row == rowBegin ? line[columnStart[x]] : darkest[x];
                int bestLuma = luma[best];
                for (int col = columnStart[x]; col < columnStart[x + 1]; ++col) {
                    if (luma[line[col]] < bestLuma) {
                        best = line[col];
                        bestLuma = luma[best];
                    }
                }
                darkest[x] = best;
            }
        }
        std::copy(darkest.begin(), darkest.end(), out + static_cast<std::ptrdiff_t>(y) * outStride);
    }
}

}  // namespace lintra
