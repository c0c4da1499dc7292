// Helpers shared by the raster operations; not part of the library's interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

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

// Row bands for the worker threads (base/parallel_rows.h). An operation
// that writes in place first saves, on the calling thread, the input rows
// each band reads beyond its own, then runs the bands at once; so the bands
// are fixed before any runs, whatever grouping the workers then make.
struct RowBand {
    int begin = 0;  // first row
    int end = 0;    // one past the last row
};
// The smallest band, in rows, for rows of width pixels: enough pixels that a
// band outweighs handing it to a worker.
int MinBandRows(int width);
// Sets the smallest band in pixels (0 restores the default); tests lower it
// to band even the smallest images.
void SetMinBandPixels(int pixels);
// Rows first .. first + count - 1 in bands of at least MinBandRows(width)
// rows: one with one thread, else perThread for each thread of
// ThreadCount(); none when count <= 0.
std::vector<RowBand> SplitRows(int first, int count, int width, int perThread = 4);
// Calls band(k) for k = 0 .. bands - 1, on the worker threads at once (each
// thread taking the next band left), and returns when all have returned.
void ForEachBand(std::size_t bands, const std::function<void(std::size_t k)>& band);

}  // namespace lintra::raster_detail
