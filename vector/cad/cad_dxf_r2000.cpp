// The R2000 (AC1015) file: handles, units, extents and the tables, blocks
// and objects strict readers want.
#include <cstdio>
#include <string_view>

#include "vector/cad/cad_dxf.h"
#include "vector/cad/dxf_writer.h"

namespace lintra::dxf {

namespace {

// $INSUNITS: 0 unitless, 1 inches, 4 millimetres.
int InsUnits(cad::Unit unit) {
    switch (unit) {
        case cad::Unit::Millimetre:
            return 4;
        case cad::Unit::Inch:
            return 1;
        case cad::Unit::Pixel:
            break;
    }
    return 0;
}

// The paper of the paper-space layout, A3 landscape, in the drawing's unit
// (millimetres for a unitless drawing). Readers that print take the paper
// from $PLIMMAX; without it LibreCAD reads its A4 default in the drawing's
// unit, 210 x 297 inches for an inch drawing.
Point A3Paper(cad::Unit unit) {
    constexpr double kMillimetresPerInch = 25.4;
    return unit == cad::Unit::Inch ? Point{420 / kMillimetresPerInch, 297 / kMillimetresPerInch}
                                   : Point{420, 297};
}

// Handles of the R2000 file's fixed objects; entities follow from
// kFirstEntity on, and $HANDSEED is the one after the last.
enum FixedHandle : unsigned {
    kBlockRecordTable = 0x1,
    kLayerTable = 0x2,
    kStyleTable = 0x3,
    kLinetypeTable = 0x5,
    kViewTable = 0x6,
    kUcsTable = 0x7,
    kViewportTable = 0x8,
    kAppIdTable = 0x9,
    kDimStyleTable = 0xA,
    kRootDictionary = 0xC,
    kGroupDictionary = 0xD,
    kPlotStyleDictionary = 0xE,
    kNormalPlotStyle = 0xF,
    kLayerZero = 0x10,
    kLayerDrawing = 0x11,
    kLinetypeByBlock = 0x12,
    kLinetypeByLayer = 0x13,
    kLinetypeContinuous = 0x14,
    kStyleStandard = 0x15,
    kAppIdAcad = 0x16,
    kDimStyleStandard = 0x17,
    kModelSpaceRecord = 0x18,
    kPaperSpaceRecord = 0x19,
    kModelSpaceBlock = 0x1A,
    kModelSpaceEnd = 0x1B,
    kPaperSpaceBlock = 0x1C,
    kPaperSpaceEnd = 0x1D,
    kActiveViewport = 0x1E,
    kLayoutDictionary = 0x1F,
    kModelLayout = 0x20,
    kPaperLayout = 0x21,
    kFirstEntity = 0x30,
};

class R2000Writer {
public:
    explicit R2000Writer(const cad::Drawing& drawing) : m_drawing(drawing) {}

    std::string Text() {
        Header();
        m_out.Tag(0, "SECTION");
        m_out.Tag(2, "CLASSES");
        Class("ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault");
        Class("ACDBPLACEHOLDER", "AcDbPlaceHolder");
        m_out.Tag(0, "ENDSEC");
        Tables();
        Blocks();
        WriteEntities(m_out, m_drawing, Entities());
        Objects();
        m_out.Tag(0, "EOF");
        return m_out.Take();
    }

private:
    void Header() {
        cad::Box extents = ReportedExtents(m_drawing);
        m_out.Tag(0, "SECTION");
        m_out.Tag(2, "HEADER");
        m_out.Tag(9, "$ACADVER");
        m_out.Tag(1, "AC1015");
        m_out.Tag(9, "$DWGCODEPAGE");
        m_out.Tag(3, "ANSI_1252");
        m_out.Tag(9, "$INSBASE");
        m_out.At(10, {0, 0});
        m_out.Tag(9, "$EXTMIN");
        m_out.At(10, extents.min);
        m_out.Tag(9, "$EXTMAX");
        m_out.At(10, extents.max);
        m_out.Tag(9, "$LIMMIN");
        m_out.At2(10, {0, 0});
        m_out.Tag(9, "$LIMMAX");
        m_out.At2(10, {m_drawing.sheetWidth, m_drawing.sheetHeight});
        m_out.Tag(9, "$PLIMMIN");
        m_out.At2(10, {0, 0});
        m_out.Tag(9, "$PLIMMAX");
        m_out.At2(10, A3Paper(m_drawing.unit));
        m_out.Tag(9, "$INSUNITS");
        m_out.Int(70, InsUnits(m_drawing.unit));
        m_out.Tag(9, "$MEASUREMENT");
        m_out.Int(70, m_drawing.unit == cad::Unit::Millimetre ? 1 : 0);
        m_out.Tag(9, "$HANDSEED");
        m_out.Handle(5, kFirstEntity + static_cast<unsigned>(m_drawing.EntityCount()));
        m_out.Tag(0, "ENDSEC");
    }

    void Class(std::string_view dxfName, std::string_view className) {
        m_out.Tag(0, "CLASS");
        m_out.Tag(1, dxfName);
        m_out.Tag(2, className);
        m_out.Tag(3, "ObjectDBX Classes");
        m_out.Int(90, 0);
        m_out.Int(280, 0);
        m_out.Int(281, 0);
    }

    void Table(std::string_view name, unsigned handle, int entries) {
        m_out.Tag(0, "TABLE");
        m_out.Tag(2, name);
        m_out.Handle(5, handle);
        m_out.Handle(330, 0);
        m_out.Tag(100, "AcDbSymbolTable");
        m_out.Int(70, entries);
        if (name == "DIMSTYLE") m_out.Tag(100, "AcDbDimStyleTable");
    }
    // The start of a table record up to its name; a DIMSTYLE's handle has
    // group code 105.
    void Record(std::string_view type, unsigned handle, unsigned table, std::string_view subclass,
                std::string_view name) {
        m_out.Tag(0, type);
        m_out.Handle(type == "DIMSTYLE" ? 105 : 5, handle);
        m_out.Handle(330, table);
        m_out.Tag(100, "AcDbSymbolTableRecord");
        m_out.Tag(100, subclass);
        m_out.Tag(2, name);
        m_out.Int(70, 0);
    }

    void Tables() {
        m_out.Tag(0, "SECTION");
        m_out.Tag(2, "TABLES");
        Table("VPORT", kViewportTable, 1);
        ActiveViewport();
        m_out.Tag(0, "ENDTAB");

        Table("LTYPE", kLinetypeTable, 3);
        Linetype(kLinetypeByBlock, "ByBlock", "");
        Linetype(kLinetypeByLayer, "ByLayer", "");
        Linetype(kLinetypeContinuous, "Continuous", "Solid line");
        m_out.Tag(0, "ENDTAB");

        Table("LAYER", kLayerTable, 2);
        Layer(kLayerZero, "0");
        Layer(kLayerDrawing, kCadLayer);
        m_out.Tag(0, "ENDTAB");

        Table("STYLE", kStyleTable, 1);
        Record("STYLE", kStyleStandard, kStyleTable, "AcDbTextStyleTableRecord", "Standard");
        m_out.Real(40, 0);
        m_out.Real(41, 1);
        m_out.Real(50, 0);
        m_out.Int(71, 0);
        m_out.Real(42, 2.5);
        m_out.Tag(3, "txt");
        m_out.Tag(4, "");
        m_out.Tag(0, "ENDTAB");

        Table("VIEW", kViewTable, 0);
        m_out.Tag(0, "ENDTAB");
        Table("UCS", kUcsTable, 0);
        m_out.Tag(0, "ENDTAB");

        Table("APPID", kAppIdTable, 1);
        Record("APPID", kAppIdAcad, kAppIdTable, "AcDbRegAppTableRecord", "ACAD");
        m_out.Tag(0, "ENDTAB");

        Table("DIMSTYLE", kDimStyleTable, 1);
        Record("DIMSTYLE", kDimStyleStandard, kDimStyleTable, "AcDbDimStyleTableRecord", "Standard");
        m_out.Tag(0, "ENDTAB");

        Table("BLOCK_RECORD", kBlockRecordTable, 2);
        Record("BLOCK_RECORD", kModelSpaceRecord, kBlockRecordTable, "AcDbBlockTableRecord", "*Model_Space");
        m_out.Handle(340, kModelLayout);
        Record("BLOCK_RECORD", kPaperSpaceRecord, kBlockRecordTable, "AcDbBlockTableRecord", "*Paper_Space");
        m_out.Handle(340, kPaperLayout);
        m_out.Tag(0, "ENDTAB");
        m_out.Tag(0, "ENDSEC");
    }

    // The opening view: the extents with a margin, centred.
    void ActiveViewport() {
        constexpr double kAspect = 1.5;
        cad::Box box = ReportedExtents(m_drawing);
        Point centre{(box.min.x + box.max.x) / 2, (box.min.y + box.max.y) / 2};
        double height = 1.1 * std::max(box.max.y - box.min.y, (box.max.x - box.min.x) / kAspect);
        if (!(height > 0)) height = 1;
        Record("VPORT", kActiveViewport, kViewportTable, "AcDbViewportTableRecord", "*Active");
        m_out.At2(10, {0, 0});
        m_out.At2(11, {1, 1});
        m_out.At2(12, centre);
        m_out.At2(13, {0, 0});
        m_out.At2(14, {1, 1});
        m_out.At2(15, {1, 1});
        m_out.At(16, {0, 0});
        m_out.Real(36, 1);
        m_out.At(17, {0, 0});
        m_out.Real(37, 0);
        m_out.Real(40, height);
        m_out.Real(41, kAspect);
        m_out.Real(42, 50);
        m_out.Real(43, 0);
        m_out.Real(44, 0);
        m_out.Real(50, 0);
        m_out.Real(51, 0);
        for (auto [code, value] : {std::pair{71, 0},
                                   {72, 100},
                                   {73, 1},
                                   {74, 3},
                                   {75, 0},
                                   {76, 0},
                                   {77, 0},
                                   {78, 0},
                                   {281, 0},
                                   {65, 1}})
            m_out.Int(code, value);
        m_out.At(110, {0, 0});
        m_out.At(111, {1, 0});
        m_out.At(112, {0, 1});
        m_out.Int(79, 0);
        m_out.Real(146, 0);
    }

    void Linetype(unsigned handle, std::string_view name, std::string_view description) {
        Record("LTYPE", handle, kLinetypeTable, "AcDbLinetypeTableRecord", name);
        m_out.Tag(3, description);
        m_out.Int(72, 65);
        m_out.Int(73, 0);
        m_out.Real(40, 0);
    }

    void Layer(unsigned handle, std::string_view name) {
        Record("LAYER", handle, kLayerTable, "AcDbLayerTableRecord", name);
        m_out.Int(62, 7);
        m_out.Tag(6, "Continuous");
        m_out.Int(370, -3);
        m_out.Handle(390, kNormalPlotStyle);
    }

    void Blocks() {
        m_out.Tag(0, "SECTION");
        m_out.Tag(2, "BLOCKS");
        Block(kModelSpaceBlock, kModelSpaceEnd, kModelSpaceRecord, "*Model_Space", false);
        Block(kPaperSpaceBlock, kPaperSpaceEnd, kPaperSpaceRecord, "*Paper_Space", true);
        m_out.Tag(0, "ENDSEC");
    }

    void Block(unsigned begin, unsigned end, unsigned record, std::string_view name, bool paper) {
        m_out.Tag(0, "BLOCK");
        m_out.Handle(5, begin);
        m_out.Handle(330, record);
        m_out.Tag(100, "AcDbEntity");
        if (paper) m_out.Int(67, 1);
        m_out.Tag(8, "0");
        m_out.Tag(100, "AcDbBlockBegin");
        m_out.Tag(2, name);
        m_out.Int(70, 0);
        m_out.At(10, {0, 0});
        m_out.Tag(3, name);
        m_out.Tag(1, "");
        m_out.Tag(0, "ENDBLK");
        m_out.Handle(5, end);
        m_out.Handle(330, record);
        m_out.Tag(100, "AcDbEntity");
        if (paper) m_out.Int(67, 1);
        m_out.Tag(8, "0");
        m_out.Tag(100, "AcDbBlockEnd");
    }

    // Model-space entities: each with its handle, its owner and the
    // subclass markers; polylines as LWPOLYLINE.
    class Entities : public Dialect {
    public:
        // Entity e's handle is kFirstEntity + e.
        void Begin(TagWriter& out, std::size_t entity, std::string_view type,
                   std::string_view subclass) const override {
            out.Tag(0, type);
            out.Handle(5, kFirstEntity + static_cast<unsigned>(entity));
            out.Handle(330, kModelSpaceRecord);
            out.Tag(100, "AcDbEntity");
            out.Tag(8, kCadLayer);
            out.Tag(100, subclass);
        }
        void Subclass(TagWriter& out, std::string_view name) const override { out.Tag(100, name); }
        void Polyline(TagWriter& out, std::size_t entity, const cad::Polyline& polyline) const override {
            Begin(out, entity, "LWPOLYLINE", "AcDbPolyline");
            out.Int(90, static_cast<long>(polyline.vertices.size()));
            out.Int(70, polyline.closed ? 1 : 0);
            out.Real(43, 0);
            for (const cad::Vertex& v : polyline.vertices) {
                out.At2(10, v.at);
                if (v.bulge != 0) out.Real(42, v.bulge);
            }
        }
    };

    // The root dictionary with the (empty) group dictionary, the layouts
    // of model space and of one paper space, and the plot style names the
    // layers point at.
    void Objects() {
        m_out.Tag(0, "SECTION");
        m_out.Tag(2, "OBJECTS");
        Dictionary("DICTIONARY", kRootDictionary, 0);
        m_out.Tag(3, "ACAD_GROUP");
        m_out.Handle(350, kGroupDictionary);
        m_out.Tag(3, "ACAD_LAYOUT");
        m_out.Handle(350, kLayoutDictionary);
        m_out.Tag(3, "ACAD_PLOTSTYLENAME");
        m_out.Handle(350, kPlotStyleDictionary);
        Dictionary("DICTIONARY", kGroupDictionary, kRootDictionary);
        Dictionary("DICTIONARY", kLayoutDictionary, kRootDictionary);
        m_out.Tag(3, "Model");
        m_out.Handle(350, kModelLayout);
        m_out.Tag(3, "Layout1");
        m_out.Handle(350, kPaperLayout);
        Layout(kModelLayout, "Model", 0, kModelSpaceRecord);
        Layout(kPaperLayout, "Layout1", 1, kPaperSpaceRecord);
        Dictionary("ACDBDICTIONARYWDFLT", kPlotStyleDictionary, kRootDictionary);
        m_out.Tag(3, "Normal");
        m_out.Handle(350, kNormalPlotStyle);
        m_out.Tag(100, "AcDbDictionaryWithDefault");
        m_out.Handle(340, kNormalPlotStyle);
        m_out.Tag(0, "ACDBPLACEHOLDER");
        m_out.Handle(5, kNormalPlotStyle);
        Reactor(kPlotStyleDictionary);
        m_out.Handle(330, kPlotStyleDictionary);
        m_out.Tag(0, "ENDSEC");
    }

    // A layout on an A3 sheet with no printer chosen; the model layout's
    // limits and extents are the drawing's.
    void Layout(unsigned handle, std::string_view name, int tabOrder, unsigned blockRecord) {
        m_out.Tag(0, "LAYOUT");
        m_out.Handle(5, handle);
        Reactor(kLayoutDictionary);
        m_out.Handle(330, kLayoutDictionary);
        m_out.Tag(100, "AcDbPlotSettings");
        m_out.Tag(1, "");
        m_out.Tag(2, "none_device");
        m_out.Tag(4, "ISO_A3_(420.00_x_297.00_MM)");
        m_out.Tag(6, "");
        for (auto [code, value] : {std::pair{40, 7.5},
                                   {41, 20},
                                   {42, 7.5},
                                   {43, 20},
                                   {44, 420},
                                   {45, 297},
                                   {46, 0},
                                   {47, 0},
                                   {48, 0},
                                   {49, 0},
                                   {140, 0},
                                   {141, 0},
                                   {142, 1},
                                   {143, 1}})
            m_out.Real(code, value);
        m_out.Int(70, tabOrder == 0 ? 1024 : 0);
        m_out.Int(72, 1);
        m_out.Int(73, 1);
        m_out.Int(74, 5);
        m_out.Tag(7, "");
        m_out.Int(75, 16);
        m_out.Real(147, 1);
        m_out.Real(148, 0);
        m_out.Real(149, 0);
        m_out.Tag(100, "AcDbLayout");
        m_out.Tag(1, name);
        m_out.Int(70, 1);
        m_out.Int(71, tabOrder);
        cad::Box extents = ReportedExtents(m_drawing);
        bool model = tabOrder == 0;
        m_out.At2(10, {0, 0});
        Point paper = A3Paper(m_drawing.unit);
        m_out.At2(11, model ? Point{m_drawing.sheetWidth, m_drawing.sheetHeight} : paper);
        m_out.At(12, {0, 0});
        m_out.At(14, model ? extents.min : Point{0, 0});
        m_out.At(15, model ? extents.max : paper);
        m_out.Real(146, 0);
        m_out.At(13, {0, 0});
        m_out.At(16, {1, 0});
        m_out.At(17, {0, 1});
        m_out.Int(76, 0);
        m_out.Handle(330, blockRecord);
    }

    void Dictionary(std::string_view type, unsigned handle, unsigned owner) {
        m_out.Tag(0, type);
        m_out.Handle(5, handle);
        if (owner != 0) Reactor(owner);
        m_out.Handle(330, owner);
        m_out.Tag(100, "AcDbDictionary");
        m_out.Int(281, 1);
    }
    void Reactor(unsigned owner) {
        m_out.Tag(102, "{ACAD_REACTORS");
        m_out.Handle(330, owner);
        m_out.Tag(102, "}");
    }

    const cad::Drawing& m_drawing;
    TagWriter m_out;
};

}  // namespace

std::string R2000Text(const cad::Drawing& drawing) {
    return R2000Writer(drawing).Text();
}

}  // namespace lintra::dxf
