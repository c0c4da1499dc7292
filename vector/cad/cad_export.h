// The CAD-ready drawing of a segment list: its stroke chains fitted within a
// tolerance and scaled from pixels to the chosen unit.
#pragma once

#include <string>
#include <vector>

#include "vector/cad/cad_drawing.h"
#include "vector/segments/segment.h"

namespace lintra {

// The picture's size and resolution (pixels per metre, 0 when unknown).
struct PictureGeometry {
    int width = 0;
    int height = 0;
    int xPelsPerMeter = 0;
    int yPelsPerMeter = 0;
};

// A tolerance below 0: the fit tolerance follows the stroke width.
inline constexpr double kAutoTolerance = -1;

struct CadOptions {
    cad::Unit unit = cad::Unit::Pixel;
    double dpi = 0;                     // > 0 overrides the picture's own resolution
    double tolerance = kAutoTolerance;  // pixels; 0 keeps the pixel path
    bool fit = true;                    // arcs and circles; off gives straight pieces only
    double strokeWidth = 0;             // of the ink, in pixels; 0 when not measured
    bool deskew = false;                // the export turned back by the skew measured (cad::Deskew)
};

// The stroke width the fit assumes when none was measured, in pixels: a
// 0.35 mm pen at 300 dpi.
inline constexpr double kAssumedStrokeWidth = 4;
// The widest pen a line drawing is drawn with, in millimetres: ink measured
// wider is filled areas, not strokes, and is taken as this wide.
inline constexpr double kWidestPenMm = 0.7;

// The stroke width the fit works with, in pixels: the measured one, else
// the assumed; at least 1 and at most kWidestPenMm at the picture's
// resolution (or the dpi given, or kDefaultCadDpi), but never below 2.
double StrokeWidthOf(const CadOptions& options, const PictureGeometry& picture);
// The tolerance the fit works with, in pixels: the one given, else half the
// stroke width (the thinned centre line wanders by about that much across a
// stroke's width), within 1 to 3 pixels.
double ToleranceOf(const CadOptions& options, const PictureGeometry& picture);

// Drawing units per pixel along x and y, and whether a fallback dpi was used
// because millimetres or inches were asked for a picture with no resolution.
struct CadScale {
    double x = 1;
    double y = 1;
    bool assumedDpi = false;
};

inline constexpr double kDefaultCadDpi = 300;

// The scale for options and picture: the given dpi, else the picture's
// resolution, else kDefaultCadDpi (assumedDpi set).
CadScale ScaleFor(const CadOptions& options, const PictureGeometry& picture);

// The fitted drawing of the segments in the options' unit.
cad::Drawing BuildCadDrawing(const SegmentList& segments, const PictureGeometry& picture,
                             const CadOptions& options);

// The drawing as straight pieces, its arcs and circles flattened to within
// flatness of the curve, for drawing it back onto a grid.
std::vector<cad::Line> StraightPieces(const cad::Drawing& drawing, double flatness);

// The unit's name as the command line and the settings spell it: px, mm, in.
const char* UnitName(cad::Unit unit);
// The unit named px, mm or in; false for any other name.
bool ParseUnit(const std::string& name, cad::Unit& unit);

}  // namespace lintra
