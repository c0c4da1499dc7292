// The R12 (AC1009) file for old readers.
#include "vector/cad/cad_dxf.h"
#include "vector/cad/dxf_writer.h"

namespace lintra::dxf {

namespace {

// R12 has no handles, subclasses or objects: the header, the few tables old
// readers look up, empty blocks, and the entities, polylines as POLYLINE,
// VERTEX ... SEQEND.
void R12Header(TagWriter& out, const cad::Drawing& drawing) {
    cad::Box extents = ReportedExtents(drawing);
    out.Tag(0, "SECTION");
    out.Tag(2, "HEADER");
    out.Tag(9, "$ACADVER");
    out.Tag(1, "AC1009");
    out.Tag(9, "$INSBASE");
    out.At(10, {0, 0});
    out.Tag(9, "$EXTMIN");
    out.At(10, extents.min);
    out.Tag(9, "$EXTMAX");
    out.At(10, extents.max);
    out.Tag(9, "$LIMMIN");
    out.At2(10, {0, 0});
    out.Tag(9, "$LIMMAX");
    out.At2(10, {drawing.sheetWidth, drawing.sheetHeight});
    out.Tag(0, "ENDSEC");
}

void R12Tables(TagWriter& out) {
    out.Tag(0, "SECTION");
    out.Tag(2, "TABLES");
    out.Tag(0, "TABLE");
    out.Tag(2, "LTYPE");
    out.Int(70, 1);
    out.Tag(0, "LTYPE");
    out.Tag(2, "CONTINUOUS");
    out.Int(70, 0);
    out.Tag(3, "Solid line");
    out.Int(72, 65);
    out.Int(73, 0);
    out.Real(40, 0);
    out.Tag(0, "ENDTAB");
    out.Tag(0, "TABLE");
    out.Tag(2, "LAYER");
    out.Int(70, 2);
    for (const char* name : {"0", kCadLayer}) {
        out.Tag(0, "LAYER");
        out.Tag(2, name);
        out.Int(70, 0);
        out.Int(62, 7);
        out.Tag(6, "CONTINUOUS");
    }
    out.Tag(0, "ENDTAB");
    out.Tag(0, "TABLE");
    out.Tag(2, "STYLE");
    out.Int(70, 1);
    out.Tag(0, "STYLE");
    out.Tag(2, "STANDARD");
    out.Int(70, 0);
    out.Real(40, 0);
    out.Real(41, 1);
    out.Real(50, 0);
    out.Int(71, 0);
    out.Real(42, 2.5);
    out.Tag(3, "txt");
    out.Tag(4, "");
    out.Tag(0, "ENDTAB");
    out.Tag(0, "ENDSEC");
}

// Entities with their layer and no more; polylines as POLYLINE, VERTEX ...
// SEQEND.
class R12Entities : public Dialect {
public:
    void Begin(TagWriter& out, std::size_t, std::string_view type, std::string_view) const override {
        out.Tag(0, type);
        out.Tag(8, kCadLayer);
    }
    void Subclass(TagWriter&, std::string_view) const override {}
    void Polyline(TagWriter& out, std::size_t entity, const cad::Polyline& polyline) const override {
        Begin(out, entity, "POLYLINE", {});
        out.Int(66, 1);
        out.At(10, {0, 0});
        out.Int(70, polyline.closed ? 1 : 0);
        for (const cad::Vertex& v : polyline.vertices) {
            Begin(out, entity, "VERTEX", {});
            out.At(10, v.at);
            if (v.bulge != 0) out.Real(42, v.bulge);
        }
        Begin(out, entity, "SEQEND", {});
    }
};

}  // namespace

std::string R12Text(const cad::Drawing& drawing) {
    TagWriter out;
    R12Header(out, drawing);
    R12Tables(out);
    out.Tag(0, "SECTION");
    out.Tag(2, "BLOCKS");
    out.Tag(0, "ENDSEC");
    R12Entities entities;
    WriteEntities(out, drawing, entities);
    out.Tag(0, "EOF");
    return out.Take();
}

}  // namespace lintra::dxf
