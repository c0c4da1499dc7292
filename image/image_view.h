// A light, non-owning view of an 8-bit image's pixel rows: what every raster
// operation works on in place.
//
// Pixel (x, y) is byte y * stride + x; y = 0 is the bottom row of the picture
// and y grows upwards on the screen. Only the width pixels of each row belong
// to the picture: the padding up to the stride is never read or written.
#pragma once

#include <cassert>
#include <cstdint>

namespace lintra {

struct ImageView {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    int bitCount = 8;  // operations that care refuse anything but 8

    bool empty() const { return pixels == nullptr || width <= 0 || height <= 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    std::uint8_t* row(int y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
    // Unchecked access, for inner loops that stay inside the image.
    std::uint8_t& at(int x, int y) const {
        assert(contains(x, y));
        return row(y)[x];
    }
    // Checked read: positions outside the image read as white background.
    std::uint8_t get(int x, int y) const { return contains(x, y) ? row(y)[x] : 255; }
    // Bytes from the first pixel to the end of the last row's padding.
    std::size_t byteSize() const {
        return static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    }
};

}  // namespace lintra
