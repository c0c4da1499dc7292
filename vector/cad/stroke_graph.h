// The stroke graph of a segment list: the segments drawn onto the pixel grid,
// walked into chains of pixels that meet at junction nodes.
//
// Drawing the segments onto the grid writes a stretch traced twice once, and
// joins ends that stop one pixel step short of another stroke, since those
// pixels touch. Pixels are neighbours when they share a side, or a corner
// with no pixel of the set beside both (mixed adjacency, as in Gonzalez and
// Woods, Digital Image Processing, 2.5.2), so a staircase is one chain and not
// a row of triangles. Pixels with one or three or more neighbours end chains;
// touching junction pixels form one node whose pixel nearest their centre
// every chain there starts or ends on. At a node, two chains whose directions
// continue one another join into one chain through it.
#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

#include "vector/segments/segment.h"

namespace lintra {

struct StrokeChain {
    // Its pixel positions in order are the graph's points [first, first +
    // count); a closed chain does not repeat its first.
    std::size_t first = 0;
    std::size_t count = 0;
    bool closed = false;
    int startNode = -1;  // the node each end lies on, or -1 for a free end
    int endNode = -1;
    // The nodes the chain passes through, by the index of their point.
    std::vector<std::pair<std::size_t, int>> through;
};

// The chains, their points one after another in one list.
struct StrokeGraph {
    std::vector<Point> points;
    std::vector<StrokeChain> chains;

    std::span<const Point> PointsOf(const StrokeChain& chain) const {
        return std::span<const Point>(points).subspan(chain.first, chain.count);
    }
};

// The chains of the segment list, in a fixed order for a given list.
StrokeGraph BuildStrokeGraph(const SegmentList& segments);

}  // namespace lintra
