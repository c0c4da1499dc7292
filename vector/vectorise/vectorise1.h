// Vectorise 1: peels outer contours off a work image one after another,
// numbers each contour's pixels in a label grid, then walks every numbered
// contour and merges runs of equal steps into segments.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/message_sink.h"
#include "image/image_view.h"
#include "vector/segments/segment.h"
#include "vector/vectorise/label_grid.h"

namespace lintra {

// Neighbour counts k of the isolated-point passes (RemoveIsolatedPoints) in
// the peeling: before every trace a pass with k = 8 removes lone black and
// lone white pixels; after an isolated start pixel, a pass with k = 7 also
// changes pixels with at most one neighbour of their own colour.
inline constexpr int kPeelStepNeighbours = 8;
inline constexpr int kPeelIsolatedNeighbours = 7;

// What Vectorise 1 works on; the view owns all of it.
struct Vectorise1Context {
    ImageView current;
    ImageView previous;
    ImageView work;
    LabelGrid* grid = nullptr;
    std::int32_t* contourCount = nullptr;
    SegmentList* segments = nullptr;
    MessageSink* sink = nullptr;
};

// The body of the Vectorise 1 command (32783): empties the list, peels and
// numbers every contour, walks each into segments, and leaves the current
// image as it was (the previous image equals it). The caller switches to
// vector mode.
// Ends on every image, and soon: where grey values would make the peeling
// repeat itself for ever it stops at the first repetition, and it never
// takes more peel steps than the picture has black and white interior
// pixels (see ContourPeeler).
// Each message ("有孤立点存在", "此轮廓为空") is shown at most once per run,
// however often its cause comes up.
// Does nothing unless the three images are 8-bit images of one size and
// the list, grid, count and sink are given; the grid is resized to fit.
// Cost: a few passes over the image plus work proportional to the contours.
void Vectorise1(const Vectorise1Context& context);
// The body of the peel-contour command (32811): peels one contour off the
// work image into the current image; shows "OVER" when nothing is left. The
// caller displays the work image.
void PeelContour(const Vectorise1Context& context);

}  // namespace lintra
