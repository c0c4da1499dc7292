// Vectorise 1: peels outer contours off a work image one after another,
// numbers each contour's pixels in a label grid, then walks every numbered
// contour and merges runs of equal steps into segments.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/image_view.h"
#include "image/large_block.h"
#include "image/message_sink.h"
#include "vector/segment.h"

namespace lintra {

// Contour numbers per pixel, indexed [x][y] (cell x * height() + y); 0 =
// none. The numbers are kept as two 16-bit planes: the low halves for every
// cell, and the high halves in a second plane made only when a number above
// 65535 is first stored, so a picture with fewer contours costs 2 bytes per
// pixel. Both planes are zero pages that take memory only once touched:
// sizing the grid when a picture is opened costs nothing until Vectorise 1
// runs, its first run needs no clearing, and the high plane takes memory
// only where the high numbers lie.
class LabelGrid {
public:
    LabelGrid() = default;
    LabelGrid(int width, int height) { Reset(width, height); }
    // The given size, every cell 0.
    void Reset(int width, int height) {
        m_width = width;
        m_height = height;
        m_low = AllocateZeroedLarge<std::uint16_t>(static_cast<std::size_t>(width) *
                                                   static_cast<std::size_t>(height));
        m_high.reset();
        m_untouched = true;
    }
    // Every cell 0.
    void Clear() {
        if (!m_untouched) std::fill(m_low.get(), m_low.get() + count(), std::uint16_t{0});
        m_high.reset();
        m_untouched = true;
    }
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return count() == 0; }
    std::size_t Cell(int x, int y) const { return static_cast<std::size_t>(x) * m_height + y; }
    std::int32_t at(int x, int y) const { return Get(Cell(x, y)); }
    void Set(int x, int y, std::int32_t label) { Put(Cell(x, y), label); }
    std::int32_t Get(std::size_t cell) const {
        std::uint32_t label = m_low[cell];
        if (m_high) label |= std::uint32_t{m_high[cell]} << 16;
        return static_cast<std::int32_t>(label);
    }
    void Put(std::size_t cell, std::int32_t label) {
        m_untouched = false;
        const auto bits = static_cast<std::uint32_t>(label);
        m_low[cell] = static_cast<std::uint16_t>(bits);
        const auto high = static_cast<std::uint16_t>(bits >> 16);
        if (high != 0 && !m_high) m_high = AllocateZeroedLarge<std::uint16_t>(count());
        // Reading a zero page costs no memory; only cells that held or now
        // hold a high half are written.
        if (m_high && (high != 0 || m_high[cell] != 0)) m_high[cell] = high;
    }

private:
    std::size_t count() const {
        return m_low ? static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) : 0;
    }

    int m_width = 0;
    int m_height = 0;
    ZeroedLargeBlock<std::uint16_t> m_low;
    ZeroedLargeBlock<std::uint16_t> m_high;  // made at the first number above 65535
    bool m_untouched = false;                // no cell written since the last Reset or Clear
};

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
