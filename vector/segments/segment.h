// The vector result: straight segments in pixel coordinates (x from the
// left, y from the bottom row up), kept in the order they were appended.
#pragma once

#include <cstdint>
#include <vector>

namespace lintra {

class CLineSegment {
public:
    // Each coordinate is truncated toward zero.
    CLineSegment(double x1, double y1, double x2, double y2)
        : x1(static_cast<std::int32_t>(x1)),
          y1(static_cast<std::int32_t>(y1)),
          x2(static_cast<std::int32_t>(x2)),
          y2(static_cast<std::int32_t>(y2)) {}

    std::int32_t x1;
    std::int32_t y1;
    std::int32_t x2;
    std::int32_t y2;

    friend bool operator==(const CLineSegment&, const CLineSegment&) = default;
};

// The document's list; it owns its records by value.
using SegmentList = std::vector<CLineSegment>;

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Appends the segment from -> to at the tail of the list.
inline void AppendSegment(SegmentList& list, Point from, Point to) {
    list.emplace_back(from.x, from.y, to.x, to.y);
}

}  // namespace lintra
