// The DXF file of a CAD drawing: R2000 (AC1015) with handles, units,
// extents and the tables, blocks and objects strict readers want, or R12
// (AC1009) for old readers; lines, arcs, circles and polylines with their
// bulges on one layer "Lintra" of colour 7. CR LF line breaks, numbers in
// the C locale with at most six decimals.
#pragma once

#include <string>

#include "vector/cad/cad_drawing.h"

namespace lintra {

enum class DxfVersion { R2000, R12 };

// The layer every entity lies on.
inline constexpr const char* kCadLayer = "Lintra";

// The whole file text. Throws std::invalid_argument when the drawing cannot
// be written (cad::RequireWritable: a number that is not finite, a radius
// that is not positive, a polyline of fewer than two vertices).
std::string CadDxfText(const cad::Drawing& drawing, DxfVersion version);

// Writes CadDxfText to path through a temporary file renamed over it.
// Throws std::invalid_argument as CadDxfText, before touching path, and
// FileError when the file cannot be written; the earlier file is then intact.
void WriteCadDxf(const std::string& path, const cad::Drawing& drawing, DxfVersion version);

}  // namespace lintra
