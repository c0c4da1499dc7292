// The CAD-ready drawing of a segment list: its stroke chains fitted within a
// tolerance and scaled from pixels to the chosen unit.
#pragma once

#include <string>
#include <vector>

#include "vector/cad/cad_drawing.h"
#include "vector/segment.h"

namespace lintra {

struct CadOptions {
    cad::Unit unit = cad::Unit::Pixel;
    double dpi = 0;          // > 0 overrides the picture's own resolution
    double tolerance = 1.0;  // pixels; 0 keeps the pixel path
    bool fit = true;         // arcs and circles; off gives straight pieces only
};

// The picture's size and resolution (pixels per metre, 0 when unknown).
struct PictureGeometry {
    int width = 0;
    int height = 0;
    int xPelsPerMeter = 0;
    int yPelsPerMeter = 0;
};

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
