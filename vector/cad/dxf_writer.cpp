#include "vector/cad/dxf_writer.h"

#include <array>

#include "base/parallel_rows.h"
#include "vector/cad/cad_dxf.h"
#include "vector/cad/cad_geometry.h"

namespace lintra::dxf {

cad::Box ReportedExtents(const cad::Drawing& drawing) {
    cad::Box box = cad::GeometryExtents(drawing);
    if (box.Empty()) {
        box.Add({0, 0});
        box.Add({drawing.sheetWidth, drawing.sheetHeight});
    }
    return box;
}

namespace {

// Entities first .. last - 1 in the file's order.
void WriteEntityRange(TagWriter& out, const cad::Drawing& drawing, const Dialect& dialect, std::size_t first,
                      std::size_t last) {
    const std::size_t arcs = drawing.lines.size(), circles = arcs + drawing.arcs.size(),
                      polylines = circles + drawing.circles.size();
    for (std::size_t e = first; e < last; ++e) {
        if (e < arcs) {
            const cad::Line& line = drawing.lines[e];
            dialect.Begin(out, e, "LINE", "AcDbLine");
            out.At(10, line.from);
            out.At(11, line.to);
        } else if (e < circles) {
            const cad::Arc& arc = drawing.arcs[e - arcs];
            dialect.Begin(out, e, "ARC", "AcDbCircle");
            out.At(10, arc.centre);
            out.Real(40, arc.radius);
            dialect.Subclass(out, "AcDbArc");
            out.Real(50, arc.startDegrees);
            out.Real(51, arc.endDegrees);
        } else if (e < polylines) {
            const cad::Circle& circle = drawing.circles[e - circles];
            dialect.Begin(out, e, "CIRCLE", "AcDbCircle");
            out.At(10, circle.centre);
            out.Real(40, circle.radius);
        } else {
            dialect.Polyline(out, e, drawing.polylines[e - polylines]);
        }
    }
}

}  // namespace

void WriteEntities(TagWriter& out, const cad::Drawing& drawing, const Dialect& dialect) {
    out.Tag(0, "SECTION");
    out.Tag(2, "ENTITIES");
    // Writing numbers is most of the file's work: each half of the entities
    // is written into a text of its own at once, then the two joined.
    const std::size_t count = drawing.EntityCount();
    std::array<TagWriter, 2> halves;
    ParallelRows(2, 1, [&](int begin, int end) {
        for (int h = begin; h < end; ++h)
            WriteEntityRange(halves[h], drawing, dialect, count * h / 2, count * (h + 1) / 2);
    });
    for (TagWriter& half : halves) out.Append(half.Take());
    out.Tag(0, "ENDSEC");
}

}  // namespace lintra::dxf
