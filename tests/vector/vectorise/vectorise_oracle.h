// Plain transcriptions of the two vectorisers, step by step as they are
// defined: whole-image isolated-point passes, image copies and grid passes
// for every contour, a fresh start scan for every contour and stroke. The
// library's versions must give the same segments, images, grid and count.
// Also compiled into the benchmark program, so it needs no test framework.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/message_sink.h"
#include "image/image_view.h"
#include "vector/segments/segment.h"

namespace lintra::oracle {

// The label grid as the view declares it: one column of H entries per x.
using Grid = std::vector<std::vector<std::int32_t>>;

struct Vectorise1Images {
    ImageView current;
    ImageView previous;
    ImageView work;
};

// Vectorise 1 with the same three safeguards as the library (a work image
// that comes back to a state in which an isolated start pixel was reported
// ends the peeling; so does reaching as many peel steps as the work image had
// black or white interior pixels; a contour walk that repeats itself stops),
// written plainly. grid is resized to W x H.
void Vectorise1(const Vectorise1Images& images, Grid& grid, std::int32_t& contourCount, SegmentList& segments,
                MessageSink& sink);

// Vectorise 2's walk over the image, restarting the start scan for every
// stroke and formatting the numeric-control text with "%.3f".
void TraceStrokes(ImageView image, SegmentList& segments, std::string& ncText);

}  // namespace lintra::oracle
