// Helpers shared by the raster operations; not part of the library's interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/image_view.h"
#include "raster/binarise.h"

namespace lintra::raster_detail {

// True when the view describes pixel rows an operation may touch: 8 bits per
// pixel, a positive size and rows no longer than the stride. Every operation
// leaves anything else alone rather than read outside the block.
inline bool Usable(ImageView image) {
    return !image.empty() && image.bitCount == 8 && image.stride >= image.width;
}

// Every pixel becomes 255 where it is at least level, else 0; a level of 0
// or less whitens and one above 255 blackens the whole image.
void ThresholdAtLeast(ImageView image, int level);
// Every 0 becomes 255 and every 255 becomes 0; other values stay.
void SwapBlackAndWhite(ImageView image);

// The threshold BinariseIterative finds from a histogram: 127, then the
// mean of the two class means until it repeats; 127 when a class is empty.
int IterativeThreshold(const Histogram& histogram);

}  // namespace lintra::raster_detail
