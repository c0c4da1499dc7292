// Black-and-white conversion by a threshold of each pixel's own
// neighbourhood, for scans whose paper darkens unevenly and whose ink is
// faint: Sauvola's local threshold. Leaves only 0 and 255, in place.
//
// Border rule: the window is clipped to the image; the mean and deviation
// are those of the pixels inside it.
#pragma once

#include "image/image_view.h"

namespace lintra {

// The smallest and largest window side, in pixels, and the sensitivity range.
inline constexpr int kAdaptiveWindowMin = 3;
inline constexpr int kAdaptiveWindowMax = 4001;
inline constexpr int kAdaptiveSensitivityMin = 1;
inline constexpr int kAdaptiveSensitivityMax = 99;

// J. Sauvola and M. Pietikainen, "Adaptive document image binarization",
// Pattern Recognition 33 (2000) 225-236: with m and s the mean and standard
// deviation of the window x window square about a pixel (window made odd,
// within kAdaptiveWindowMin to kAdaptiveWindowMax), the pixel becomes 0 when
// p < m * (1 + k * (s / 128 - 1)) with k = (100 - sensitivity) / 100, else
// 255. On plain paper (s near 0) ink is what is darker than sensitivity per
// cent of the paper around it. Linear in the pixels whatever the window
// (running column and row sums), banded on the worker threads; the result
// does not depend on the number of threads. Sensitivity is clamped to its
// range.
void BinariseAdaptive(ImageView image, int window, int sensitivity);

// The defaults for strokes strokeWidth pixels wide: a window about twelve
// strokes across, wide enough that a stroke's inside is compared with the
// paper beside it, and a sensitivity that keeps ink at two thirds of the
// paper's brightness while grain of a sixth stays white.
// 0 or less stands for the assumed width of 4 pixels (a 0.35 mm pen at
// 300 dpi).
int AdaptiveWindowFor(double strokeWidth);
inline constexpr int kAdaptiveSensitivity = 66;
// The window AdaptiveWindowFor gives the strokes of the grey picture image
// as BinariseAdaptive leaves them with the assumed width's window and
// sensitivity; image is unchanged.
int AdaptiveWindowOf(ImageView image, int sensitivity);

}  // namespace lintra
