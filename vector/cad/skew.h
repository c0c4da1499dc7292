// The skew of a scanned drawing, measured from its long straight pieces, and
// the drawing turned about a point, so that a page scanned a little askew
// can be exported with its main directions exact.
#pragma once

#include "vector/cad/cad_drawing.h"

namespace lintra::cad {

// The largest skew measured, in degrees: scans are turned by a degree or
// two, while a drawing's own lines a few degrees off the axes, which must
// not be taken for its main directions, are less rare the wider this is.
inline constexpr double kLargestSkewDegrees = 5;

struct Skew {
    bool found = false;  // false: too few long straight pieces, or no clear main direction
    double degrees = 0;  // counter-clockwise (y up) from the axes to the main directions
};

// The skew of the drawing's straight pieces (lines and the straight stretches
// of polylines) at least a fiftieth of the sheet's larger side long: the
// direction, modulo 90 degrees and within kLargestSkewDegrees of the axes,
// that the pieces' length gathers most on, refined by the mean of the
// directions within half a degree of it, weighted by length squared. Not
// found when fewer than two pieces lie that near or they hold less than a
// tenth of the long pieces' length.
Skew MeasureSkew(const Drawing& drawing);

// Turns every entity of the drawing counter-clockwise by degrees about
// centre: ends and vertices, centres, arcs' start and end angles; radii and
// bulges stay as they are. The sheet stays where it is.
void TurnDrawing(Drawing& drawing, double degrees, Point centre);

// Measures the drawing's skew and, when one is found, turns the drawing back
// by it about the sheet's centre; returns the skew measured.
Skew Deskew(Drawing& drawing);

}  // namespace lintra::cad
