// Straight lines and circles fitted to points by least squares, and the
// points where two of them cross.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "vector/cad/cad_drawing.h"

namespace lintra::cad {

// An unbounded straight line: a point on it and its direction, of length 1.
struct StraightLine {
    Point at;
    Point along;
};

// A straight line or a whole circle: what a fitted piece lies on.
struct Shape {
    bool isCircle = false;
    StraightLine line;
    Circle circle;
};

// The line nearest the points in the least-squares sense, measured across
// it (total least squares: through their mean along their principal axis);
// nothing for fewer than two distinct points. The points are those of
// `points` followed by those of `more`.
std::optional<StraightLine> FitLine(std::span<const Point> points, std::span<const Point> more = {});

// The least-squares circle through the points (Kasa, "A circle fitting
// procedure and its error analysis", IEEE Trans. Instrum. Meas. 1976);
// nothing when they are (nearly) in line or fewer than three. The points are
// those of `points` followed by those of `more`.
std::optional<Circle> FitCircle(std::span<const Point> points, std::span<const Point> more = {});

// The straight line through a and b (a when they coincide, along x).
StraightLine LineThrough(Point a, Point b);

// The distance from p to the shape, and the shape's point nearest p.
double DistanceTo(const Shape& shape, Point p);
Point Nearest(const Shape& shape, Point p);

// The points where the two shapes cross (none, one or two).
std::vector<Point> Crossings(const Shape& a, const Shape& b);

}  // namespace lintra::cad
