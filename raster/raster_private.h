// Helpers shared by the raster operations; not part of the library's interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/image_view.h"
#include "raster/binarise.h"

namespace lintra::raster_detail {

// True when the view describes pixel rows an operation may touch: 8 bits per
// pixel, a positive size and rows no longer than the stride. Every operation
// leaves anything else alone rather than read outside the block.
inline bool Usable(ImageView image) {
    return !image.empty() && image.bitCount == 8 && image.stride >= image.width;
}

// Maps every pixel of the image through a 256-entry table, row by row, so the
// padding bytes are never touched.
inline void ApplyTable(ImageView image, const std::array<std::uint8_t, 256>& table) {
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.row(y);
        for (int x = 0; x < image.width; ++x) row[x] = table[row[x]];
    }
}

// Index of the first byte of p[0..n) that differs from 255, or n: lets the
// sequential passes jump over the white background eight bytes at a time.
inline int SkipWhite(const std::uint8_t* p, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word != ~std::uint64_t{0}) break;
    }
    while (i < n && p[i] == 255) ++i;
    return i;
}

// The threshold BinariseIterative finds from a histogram: 127, then the
// mean of the two class means until it repeats; 127 when a class is empty.
int IterativeThreshold(const Histogram& histogram);

}  // namespace lintra::raster_detail
