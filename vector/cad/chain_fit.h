// Fitting a stroke chain within a tolerance in pixels: straight pieces and
// circular arcs whose ends lie on the chain's own pixels, a closed chain on a
// circle as one circle.
//
// The chain is covered greedily from one end, each piece as long as it stays
// within the tolerance (the greedy form of polyline approximation; Ramer and
// Douglas-Peucker give the same pieces on a stroke that turns one way at each
// corner, and its chord test is the one used here). An arc is the circle
// through the piece's two ends and its middle pixel, taken when it covers more
// than the straight piece would; a corner between two straight pieces then
// moves, within three pixels, to where both fit best, which puts it on the
// drawn corner instead of one pixel past it. A closed chain whose pixels all
// lie within the tolerance of their least-squares circle (Kasa, "A circle
// fitting procedure and its error analysis", IEEE Trans. Instrum. Meas. 1976)
// is that circle. A tolerance of 0 keeps every pixel that is not on a
// straight run, so the path is the pixel path exactly.
#pragma once

#include <span>
#include <vector>

#include "vector/cad/cad_drawing.h"
#include "vector/cad/stroke_graph.h"

namespace lintra {

struct FittedChain {
    std::vector<cad::Vertex> vertices;  // in pixels; bulges as in cad::Vertex
    bool closed = false;
    bool isCircle = false;
    cad::Circle circle;  // when isCircle
    // The pixel positions fitted (a closed chain from the vertex it starts
    // on, that position repeated at the end) and, per vertex and then the
    // closing one, the position it lies on.
    std::vector<cad::Point> points;
    std::vector<std::size_t> pointOf;
};

// The chain of pixel positions (closed: its last joins its first) fitted
// within tolerance pixels; with arcs false, straight pieces only.
FittedChain FitChain(std::span<const Point> chain, bool closed, double tolerance, bool arcs);

}  // namespace lintra
