// Geometry the CAD file writers share: the arc a polyline bulge stands for,
// the true extents of a drawing (arcs and bulged stretches by their curve,
// not by their end points), and the check that a drawing can be written.
#pragma once

#include <limits>

#include "vector/cad/cad_drawing.h"

namespace lintra::cad {

// An axis-aligned box; empty (min above max) until a point is added.
struct Box {
    Point min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    Point max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};

    bool Empty() const { return min.x > max.x; }
    void Add(Point p);
};

// The arc of the stretch from `from` to `to` with a non-zero bulge, as a
// counter-clockwise Arc (for a negative bulge it runs from `to` back to
// `from`). Angles in [0, 360).
Arc ArcOfBulge(Point from, Point to, double bulge);

// The counter-clockwise sweep of an arc in degrees, in (0, 360]; equal start
// and end angles mean the whole circle.
double SweepDegrees(const Arc& arc);

// The smallest box holding every entity of the drawing; empty when the
// drawing has none.
Box GeometryExtents(const Drawing& drawing);

// Throws std::invalid_argument, naming the entity and the reason, when a
// coordinate, radius, angle, bulge or the sheet is not finite, a radius is
// not positive or a polyline has fewer than two vertices; such a drawing
// cannot be written as a file every CAD reader accepts.
void RequireWritable(const Drawing& drawing);

}  // namespace lintra::cad
