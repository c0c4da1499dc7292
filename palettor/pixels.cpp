#include "palettor/pixels.h"

#include <cstddef>
#include <cstring>

namespace lintra::palettor {

void ReduceToCodes(const unsigned char* pixels, const SourceLayout& layout, std::uint16_t* codes) {
    const std::size_t width = static_cast<std::size_t>(layout.width);
    const std::size_t height = static_cast<std::size_t>(layout.height);
    for (std::size_t y = 0; y < height; ++y) {
        const std::size_t stored = layout.topDown ? height - 1 - y : y;
        const unsigned char* src = pixels + stored * layout.stride;
        std::uint16_t* dst = codes + y * width;
        for (std::size_t x = 0; x < width; ++x, src += 3) dst[x] = ColourCode(src[0], src[1], src[2]);
    }
}

void WriteIndices(const std::uint16_t* codes, const SourceLayout& layout, const Palette& palette,
                  unsigned char* rows) {
    const std::size_t width = static_cast<std::size_t>(layout.width);
    const std::size_t height = static_cast<std::size_t>(layout.height);
    const std::size_t padding = layout.outputStride - width;
    const std::uint8_t* map = palette.map.data();
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint16_t* src = codes + y * width;
        unsigned char* dst = rows + y * layout.outputStride;
        for (std::size_t x = 0; x < width; ++x) dst[x] = map[src[x]];
        std::memset(dst + width, 0, padding);
    }
}

}  // namespace lintra::palettor
