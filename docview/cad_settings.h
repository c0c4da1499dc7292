// The choices of the CAD-ready export, as the options dialog and the command
// line give them, and what the last export wrote.
#pragma once

#include <cstddef>
#include <string>

#include "vector/cad/cad_dxf.h"
#include "vector/cad/cad_export.h"

namespace lintra {

struct CadExportSettings {
    CadOptions options;
    DxfVersion version = DxfVersion::R2000;
};

struct CadExportReport {
    std::size_t lines = 0, arcs = 0, circles = 0, polylines = 0;
    bool noResolution = false;  // mm or inches asked for a picture without one
    double dpi = 0;             // the dpi the drawing was scaled by (x), 0 for pixels
    double strokeWidth = 0;     // the stroke width the fit assumed, in pixels
    double tolerance = 0;       // the fit tolerance used, in pixels
    bool skewFound = false;     // the drawing's skew could be measured (cad::MeasureSkew)
    double skewDegrees = 0;     // the skew measured, counter-clockwise
    bool deskewed = false;      // the drawing was turned back by it
    std::size_t Entities() const { return lines + arcs + circles + polylines; }
};

// Whether path names an SVG file (by its extension, in any case).
bool IsSvgPath(const std::string& path);

}  // namespace lintra
