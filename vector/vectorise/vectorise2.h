// Vectorise 2: follows strokes from the lowest, leftmost black pixel,
// preferring to keep its direction, erasing every pixel it passes; each
// stroke becomes a polyline and a numbered numeric-control block.
#pragma once

#include <array>
#include <string>

#include "image/image_view.h"
#include "vector/segments/segment.h"

namespace lintra {

// Neighbour codes of the stroke follower: 1 NW, 2 N, 3 NE, 4 W, 5 E, 6 SW,
// 7 S, 8 SE, 0 stop; 9 means no direction yet.
// white[i] is true when neighbour i (in the order NW, N, NE, W, E, SW, S, SE)
// is white. Keeps the current direction (a code) while that neighbour is
// ink, else takes the first ink neighbour in the order N, W, SW, SE, NW, NE,
// E, S; 0 when there is none.
int NextStrokeStep(const std::array<bool, 8>& white, int direction);

// Walks and erases every stroke of image (its border is whitened first),
// appending segments to the list (not emptied here) and the numeric-control
// blocks to ncText.
void TraceStrokes(ImageView image, SegmentList& segments, std::string& ncText);

}  // namespace lintra
