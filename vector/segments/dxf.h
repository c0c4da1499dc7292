// The DXF text of a segment list: a header with the drawing limits (0, 0)
// to (width, height) and one LINE entity per segment on layer "Vorlak",
// CR LF line breaks, no line break after EOF.
#pragma once

#include <string>

#include "vector/segments/segment.h"

namespace lintra {

// The whole file text for the list and the image size.
std::string DxfText(const SegmentList& segments, int width, int height);
// Writes DxfText to path through a temporary file renamed over it.
// Throws FileError on failure; the earlier file at path is then intact.
void WriteDxf(const std::string& path, const SegmentList& segments, int width, int height);

}  // namespace lintra
