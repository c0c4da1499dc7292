#include "vector/segments/svg.h"

#include <cstdio>

namespace lintra {
namespace {

// A pixel centre: x + 0.5, and y counted from the top. Every value is a
// whole number and a half, which %.1f prints exactly.
void AppendPoint(std::string& out, char command, int x, int y, int height) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%c%.1f %.1f", command, x + 0.5, height - 1 - y + 0.5);
    out.append(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::string SvgText(const SegmentList& segments, int width, int height) {
    std::string out;
    out.reserve(256 + segments.size() * 24);
    char header[256];
    std::snprintf(
        header, sizeof header,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\n",
        width, height, width, height);
    out += header;
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out += "<path fill=\"none\" stroke=\"#800000\" stroke-width=\"1\" stroke-linecap=\"square\" d=\"";
    for (const CLineSegment& s : segments) {
        AppendPoint(out, 'M', s.x1, s.y1, height);
        AppendPoint(out, 'L', s.x2, s.y2, height);
    }
    out += "\"/>\n</svg>\n";
    return out;
}

}  // namespace lintra
