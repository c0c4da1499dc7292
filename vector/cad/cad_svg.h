// The SVG file of a CAD drawing: width and height are the sheet in its unit
// (mm, in, or plain numbers for pixels), the viewBox is the sheet in drawing
// units with y turned over so the y-up drawing stands upright; lines, arcs,
// circles and polylines (bulges as arc segments) are stroked thinly, never
// filled.
#pragma once

#include <string>

#include "vector/cad/cad_drawing.h"

namespace lintra {

// The whole file text. Throws std::invalid_argument when the drawing cannot
// be written (cad::RequireWritable).
std::string CadSvgText(const cad::Drawing& drawing);

// Writes CadSvgText to path through a temporary file renamed over it.
// Throws std::invalid_argument as CadSvgText, before touching path, and
// FileError when the file cannot be written; the earlier file is then intact.
void WriteCadSvg(const std::string& path, const cad::Drawing& drawing);

}  // namespace lintra
