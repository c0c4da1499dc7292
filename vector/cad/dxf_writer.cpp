#include "vector/cad/dxf_writer.h"

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

void WriteEntities(TagWriter& out, const cad::Drawing& drawing, Dialect& dialect) {
    out.Tag(0, "SECTION");
    out.Tag(2, "ENTITIES");
    for (const cad::Line& line : drawing.lines) {
        dialect.Begin(out, "LINE", "AcDbLine");
        out.At(10, line.from);
        out.At(11, line.to);
    }
    for (const cad::Arc& arc : drawing.arcs) {
        dialect.Begin(out, "ARC", "AcDbCircle");
        out.At(10, arc.centre);
        out.Real(40, arc.radius);
        dialect.Subclass(out, "AcDbArc");
        out.Real(50, arc.startDegrees);
        out.Real(51, arc.endDegrees);
    }
    for (const cad::Circle& circle : drawing.circles) {
        dialect.Begin(out, "CIRCLE", "AcDbCircle");
        out.At(10, circle.centre);
        out.Real(40, circle.radius);
    }
    for (const cad::Polyline& polyline : drawing.polylines) dialect.Polyline(out, polyline);
    out.Tag(0, "ENDSEC");
}

}  // namespace lintra::dxf
