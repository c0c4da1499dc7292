// The isolated-point pass with k = 8 as Vectorise 1 needs it, fast.
//
// Border rule: the interior only is visited (1 <= x <= W-2, 1 <= y <= H-2);
// a neighbour is white when exactly 255.
#pragma once

#include "image/image_view.h"

namespace lintra {

// Gives exactly RemoveIsolatedPoints(image, 8): a black pixel whose eight
// neighbours are white turns white, a white pixel with no white neighbour
// turns black. Such a pixel has no neighbour that the pass could change the
// other way, so no decision depends on another and the sequential pass
// equals a parallel one, here done eight pixels at a time.
void RemoveIsolatedPointsAtOnce(ImageView image);

}  // namespace lintra
