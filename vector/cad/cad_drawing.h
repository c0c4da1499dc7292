// The CAD-ready drawing: straight lines, arcs, circles and polylines (with
// arcs as bulges) in drawing units, with the sheet they lie on. Coordinates
// keep the segment list's placement scaled to the unit: x from the left,
// y up, a pixel's centre at its (column, row from the bottom) times the scale.
#pragma once

#include <cstddef>
#include <vector>

namespace lintra::cad {

enum class Unit { Pixel, Millimetre, Inch };

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Line {
    Point from;
    Point to;
};

// Counter-clockwise from startDegrees to endDegrees (DXF's convention).
struct Arc {
    Point centre;
    double radius = 0;
    double startDegrees = 0;
    double endDegrees = 0;
};

struct Circle {
    Point centre;
    double radius = 0;
};

// bulge is that of the stretch from this vertex to the next (to the first
// when the polyline is closed): tan(included angle / 4), positive
// counter-clockwise, 0 for a straight stretch.
struct Vertex {
    Point at;
    double bulge = 0;
};

struct Polyline {
    std::vector<Vertex> vertices;
    bool closed = false;
};

struct Drawing {
    Unit unit = Unit::Pixel;
    // The picture's extent in the unit: (0, 0) to (sheetWidth, sheetHeight).
    double sheetWidth = 0;
    double sheetHeight = 0;
    std::vector<Line> lines;
    std::vector<Arc> arcs;
    std::vector<Circle> circles;
    std::vector<Polyline> polylines;

    std::size_t EntityCount() const { return lines.size() + arcs.size() + circles.size() + polylines.size(); }
};

}  // namespace lintra::cad
