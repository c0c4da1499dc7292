// The width of a black-and-white picture's strokes, measured once before
// they are thinned, so that everything scaled by it (how far thinning bends
// the centre line at a junction, the fit tolerance) follows the picture.
#pragma once

#include "image/image_view.h"

namespace lintra {

// The typical width in pixels of the black (below 128) strokes: for each
// black pixel of every few rows, the shortest of its runs of black through
// it along the rows, the columns and both diagonals (a diagonal step counts
// sqrt 2), which is the stroke's width to within 8% whatever its direction;
// then the median over those pixels. 0 when the picture has no black.
double MeasureStrokeWidth(ImageView image);

}  // namespace lintra
