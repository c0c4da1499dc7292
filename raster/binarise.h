// Stage two: black-and-white conversion. Each operation leaves only 0 and
// 255 in the image, in place.
#pragma once

#include <array>
#include <cstdint>

#include "image/image_view.h"

namespace lintra {

using Histogram = std::array<std::int32_t, 256>;

// Gradient magnitude g (as EdgeGradient) > threshold gives 255, else 0;
// the outermost frame becomes 255.
void BinariseGradient(ImageView image, int threshold);
// p > threshold gives 255, else 0.
void BinariseThreshold(ImageView image, int threshold);
// Zeroes the 256 counts, then counts every pixel of the image.
void ComputeHistogram(ImageView image, Histogram& histogram);
// Two-class iterative threshold T from the image's own histogram, starting
// at 127; p >= T gives 255, else 0. An empty class at the start keeps 127.
// Returns T, or -1 for an image it leaves alone.
int BinariseIterative(ImageView image, const Histogram& histogram);
// The threshold T BinariseIterative uses for histogram (BinariseIterative
// gives what BinariseThreshold with T - 1 gives).
int IterativeThresholdOf(const Histogram& histogram);

}  // namespace lintra
