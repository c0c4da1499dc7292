// The segment list as an SVG drawing of the image's size, upright: image
// row y = 0 is the bottom of the drawing, each segment end on the centre of
// its pixel, in the view's dark red.
#pragma once

#include <string>

#include "vector/segments/segment.h"

namespace lintra {

// The whole SVG text: one path with a move and a line per segment.
std::string SvgText(const SegmentList& segments, int width, int height);

}  // namespace lintra
