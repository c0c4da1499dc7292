// Vectorise 1: peels outer contours off a work image one after another,
// numbers each contour's pixels in a label grid, then walks every numbered
// contour and merges runs of equal steps into segments.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/image_view.h"
#include "image/message_sink.h"
#include "vector/segment.h"

namespace lintra {

// Contour numbers per pixel, one contiguous block indexed [x][y]; 0 = none.
class LabelGrid {
public:
    LabelGrid() = default;
    LabelGrid(int width, int height) { Reset(width, height); }
    void Reset(int width, int height) {
        width_ = width;
        height_ = height;
        cells_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    }
    void Clear() { std::fill(cells_.begin(), cells_.end(), 0); }
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return cells_.empty(); }
    std::int32_t& at(int x, int y) { return cells_[static_cast<std::size_t>(x) * height_ + y]; }
    std::int32_t at(int x, int y) const { return cells_[static_cast<std::size_t>(x) * height_ + y]; }
    // Cell (x, y) is data()[x * height() + y].
    std::int32_t* data() { return cells_.data(); }
    const std::int32_t* data() const { return cells_.data(); }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::int32_t> cells_;
};

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

// The body of command 32783: empties the list, peels and numbers every
// contour, walks each into segments, and leaves the current image as it was
// (the previous image equals it). The caller switches to vector mode.
// Ends on every image: where grey values would make the peeling repeat
// itself for ever, it stops at the first repetition (see ContourPeeler).
// Does nothing unless the three images are 8-bit images of one size and
// the list, grid, count and sink are given; the grid is resized to fit.
// Cost: a few passes over the image plus work proportional to the contours.
void Vectorise1(const Vectorise1Context& context);
// The body of command 32811: peels one contour off the work image into the
// current image; shows "OVER" when nothing is left. The caller displays the
// work image.
void PeelContour(const Vectorise1Context& context);

}  // namespace lintra
