// Fuzz target: the CAD-ready drawing of any segment list. The input's first
// three bytes choose the stroke width (1 to 12 px), the tolerance (automatic,
// or 0, 0.5, 1, 2 or 3 px) and whether arcs and circles are fitted; every
// four bytes after them are a segment's ends on a 64 x 64 grid, where strokes
// cross, touch and retrace one another often. The drawing must be one every
// CAD reader accepts (finite, positive radii, polylines of two vertices or
// more) and stay near the strokes it was fitted to.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "vector/cad/cad_export.h"
#include "vector/cad/cad_geometry.h"

using namespace lintra;

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

constexpr double kTolerances[] = {kAutoTolerance, 0, 0.5, 1, 2, 3};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    CadOptions options;
    options.strokeWidth = 1 + data[0] % 12;
    options.tolerance = kTolerances[data[1] % std::size(kTolerances)];
    options.fit = data[2] % 2 == 0;
    SegmentList segments;
    for (std::size_t i = 3; i + 4 <= size && segments.size() < 4096; i += 4)
        segments.emplace_back(data[i] % 64, data[i + 1] % 64, data[i + 2] % 64, data[i + 3] % 64);
    const cad::Drawing drawing = BuildCadDrawing(segments, {64, 64, 0, 0}, options);
    try {
        cad::RequireWritable(drawing);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "%s\n", error.what());
        Fail("the drawing cannot be written");
    }
    // Ends may reach past the strokes to where they meet, by a few stroke
    // widths at most.
    const double margin = 8 * options.strokeWidth + 8;
    auto strays = [&](const cad::Drawing& part) {
        const cad::Box box = cad::GeometryExtents(part);
        return !box.Empty() && (box.min.x < -margin || box.min.y < -margin || box.max.x > 63 + margin ||
                                box.max.y > 63 + margin);
    };
    if (!strays(drawing)) return 0;
    for (const cad::Arc& arc : drawing.arcs)
        if (strays({.arcs = {arc}}))
            std::fprintf(stderr, "arc about (%g, %g) radius %g from %g to %g degrees\n", arc.centre.x,
                         arc.centre.y, arc.radius, arc.startDegrees, arc.endDegrees);
    for (const cad::Circle& circle : drawing.circles)
        if (strays({.circles = {circle}}))
            std::fprintf(stderr, "circle about (%g, %g) radius %g\n", circle.centre.x, circle.centre.y,
                         circle.radius);
    for (const cad::Polyline& polyline : drawing.polylines)
        if (strays({.polylines = {polyline}}))
            for (const cad::Vertex& v : polyline.vertices)
                std::fprintf(stderr, "polyline vertex (%g, %g) bulge %g\n", v.at.x, v.at.y, v.bulge);
    for (const cad::Line& line : drawing.lines)
        if (strays({.lines = {line}}))
            std::fprintf(stderr, "line (%g, %g) to (%g, %g)\n", line.from.x, line.from.y, line.to.x,
                         line.to.y);
    Fail("the drawing strays far from the strokes");
    return 0;
}
