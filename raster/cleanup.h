// Stage three, black-and-white clean-up, pixel by pixel, in place.
//
// Border rule: the neighbourhood operations visit the interior only
// (1 <= x <= W-2, 1 <= y <= H-2); a neighbour is white when exactly 255 and
// black when exactly 0.
#pragma once

#include "image/image_view.h"

namespace lintra {

// The threshold RemoveBlackWhitePoints applies before its majority filter.
inline constexpr int kBlackWhitePointsThreshold = 100;

// 255 and 0 swap over the whole image; other values stay.
void InvertBlackWhite(ImageView image);
// BinariseThreshold at kBlackWhitePointsThreshold, then a majority filter
// over the interior read from the thresholded image: black turns white with
// >= 5 white neighbours, white turns black with >= 4 black neighbours.
void RemoveBlackWhitePoints(ImageView image);
// Sequential pass in scan order from the bottom: a white pixel with at most
// 8 - k white neighbours turns black, a black pixel with at least k turns white.
void RemoveIsolatedPoints(ImageView image, int k);
// The outermost rows and columns become 255.
void MakeBorderWhite(ImageView image);

}  // namespace lintra
