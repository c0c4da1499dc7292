// The CAD DXF file: the structure strict readers check (handles, owners,
// subclass markers, tables), units and extents, both versions, numbers, and
// drawings that cannot be written. tests/vector/cad/cad_readers.sh has the
// files read by ezdxf, LibreCAD and dxf-parser.
#include "vector/cad/cad_dxf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>

#include "support/test_files.h"
#include "tests/vector/cad/cad_test_drawings.h"
#include "vector/cad/cad_export.h"
#include "vector/cad/cad_geometry.h"
#include "vector/cad/cad_number.h"
#include "vector/cad/cad_svg.h"

namespace lintra {
namespace {

struct Tag {
    int code;
    std::string value;
};

// Group code and value lines, each ended by CR LF; fails on a bare LF.
std::vector<Tag> ReadTags(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the last line has no CR LF";
    EXPECT_EQ(lines.size() % 2, 0u);
    std::vector<Tag> tags;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        EXPECT_EQ(lines[i + 1].find('\n'), std::string::npos);
        tags.push_back({std::stoi(lines[i]), lines[i + 1]});
    }
    return tags;
}

// The value of a header variable's first group.
std::string HeaderValue(const std::vector<Tag>& tags, const std::string& name, int code) {
    for (std::size_t i = 0; i < tags.size(); ++i)
        if (tags[i].code == 9 && tags[i].value == name)
            for (std::size_t j = i + 1; j < tags.size() && tags[j].code != 9 && tags[j].code != 0; ++j)
                if (tags[j].code == code) return tags[j].value;
    return "";
}

// Entity types between "2 ENTITIES" and its ENDSEC, counted.
std::map<std::string, int> EntityCounts(const std::vector<Tag>& tags) {
    std::map<std::string, int> counts;
    bool inside = false;
    for (const Tag& t : tags) {
        if (t.code == 2 && t.value == "ENTITIES") inside = true;
        if (inside && t.code == 0 && t.value == "ENDSEC") break;
        if (inside && t.code == 0) ++counts[t.value];
    }
    return counts;
}

TEST(CadDxfTest, R2000HandlesAreUniqueAndEveryOwnerExists) {
    std::vector<Tag> tags = ReadTags(CadDxfText(test::PartsCadDrawing(), DxfVersion::R2000));
    // Every handle after the header (where $HANDSEED has code 5, too).
    std::set<unsigned long> handles;
    auto classes = std::find_if(tags.begin(), tags.end(), [](const Tag& t) { return t.value == "CLASSES"; });
    for (auto t = classes; t != tags.end(); ++t)
        if (t->code == 5 || t->code == 105) {
            EXPECT_TRUE(handles.insert(std::stoul(t->value, nullptr, 16)).second) << "handle " << t->value;
        }
    // 9 tables, 7 objects (4 dictionaries, 2 layouts, a placeholder), 2 layers, 3 line types, style, appid,
    // dimstyle, 2 block records, 2 blocks with their ends, the viewport, 5 entities.
    EXPECT_EQ(handles.size(), 9u + 7 + 2 + 3 + 1 + 1 + 1 + 2 + 4 + 1 + 5);
    unsigned long seed = std::stoul(HeaderValue(tags, "$HANDSEED", 5), nullptr, 16);
    EXPECT_GT(seed, *handles.rbegin());
    for (const Tag& t : tags)
        if (t.code == 330 || t.code == 340 || t.code == 350 || t.code == 390) {
            unsigned long h = std::stoul(t.value, nullptr, 16);
            EXPECT_TRUE(h == 0 || handles.count(h)) << t.code << " points at missing handle " << t.value;
        }
}

TEST(CadDxfTest, R2000EntitiesCarryTheirSubclassesLayerAndModelSpaceOwner) {
    std::vector<Tag> tags = ReadTags(CadDxfText(test::PartsCadDrawing(), DxfVersion::R2000));
    std::string modelSpace;
    for (std::size_t i = 0; i + 1 < tags.size(); ++i)
        if (tags[i].code == 0 && tags[i].value == "BLOCK_RECORD" &&
            tags[i + 4].value == "AcDbBlockTableRecord" && tags[i + 5].value == "*Model_Space")
            modelSpace = tags[i + 1].value;
    ASSERT_FALSE(modelSpace.empty());
    const std::map<std::string, std::vector<std::string>> subclasses = {
        {"LINE", {"AcDbEntity", "AcDbLine"}},
        {"ARC", {"AcDbEntity", "AcDbCircle", "AcDbArc"}},
        {"CIRCLE", {"AcDbEntity", "AcDbCircle"}},
        {"LWPOLYLINE", {"AcDbEntity", "AcDbPolyline"}}};
    auto entities =
        std::find_if(tags.begin(), tags.end(), [](const Tag& t) { return t.value == "ENTITIES"; });
    ASSERT_NE(entities, tags.end());
    int seen = 0;
    for (auto it = entities + 1; it->value != "ENDSEC"; ++it) {
        ASSERT_EQ(it->code, 0);
        std::string type = it->value;
        std::vector<std::string> markers;
        std::string owner, layer;
        for (++it; it->code != 0; ++it) {
            if (it->code == 100) markers.push_back(it->value);
            if (it->code == 330) owner = it->value;
            if (it->code == 8) layer = it->value;
        }
        --it;
        EXPECT_EQ(markers, subclasses.at(type)) << type;
        EXPECT_EQ(owner, modelSpace) << type;
        EXPECT_EQ(layer, kCadLayer) << type;
        ++seen;
    }
    EXPECT_EQ(seen, 5);
    EXPECT_EQ(EntityCounts(tags),
              (std::map<std::string, int>{{"ARC", 1}, {"CIRCLE", 1}, {"LINE", 1}, {"LWPOLYLINE", 2}}));
}

TEST(CadDxfTest, R2000HasTheTablesStrictReadersLookUp) {
    std::vector<Tag> tags = ReadTags(CadDxfText(test::EmptyCadDrawing(), DxfVersion::R2000));
    std::vector<std::string> sections, tables;
    std::set<std::string> names;
    for (std::size_t i = 0; i + 1 < tags.size(); ++i) {
        if (tags[i].value == "SECTION") sections.push_back(tags[i + 1].value);
        if (tags[i].value == "TABLE") tables.push_back(tags[i + 1].value);
        if (tags[i].code == 2) names.insert(tags[i].value);
    }
    EXPECT_EQ(sections,
              (std::vector<std::string>{"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS"}));
    EXPECT_EQ(tables, (std::vector<std::string>{"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID",
                                                "DIMSTYLE", "BLOCK_RECORD"}));
    for (const char* name : {"*Active", "ByBlock", "ByLayer", "Continuous", "0", "Lintra", "Standard", "ACAD",
                             "*Model_Space", "*Paper_Space"})
        EXPECT_TRUE(names.count(name)) << name;
    EXPECT_EQ(HeaderValue(tags, "$ACADVER", 1), "AC1015");
    EXPECT_EQ(tags.back().value, "EOF");
}

TEST(CadDxfTest, UnitsGoToInsUnitsMeasurementAndThePaper) {
    for (auto [unit, insunits, measurement, paperWidth] : {std::tuple{cad::Unit::Pixel, "0", "0", "420"},
                                                           {cad::Unit::Millimetre, "4", "1", "420"},
                                                           {cad::Unit::Inch, "1", "0", "16.535433"}}) {
        cad::Drawing d = test::EmptyCadDrawing();
        d.unit = unit;
        std::vector<Tag> tags = ReadTags(CadDxfText(d, DxfVersion::R2000));
        EXPECT_EQ(HeaderValue(tags, "$INSUNITS", 70), insunits);
        EXPECT_EQ(HeaderValue(tags, "$MEASUREMENT", 70), measurement);
        EXPECT_EQ(HeaderValue(tags, "$PLIMMAX", 10), paperWidth);
    }
}

TEST(CadDxfTest, ExtentsFollowTheCurvesAndFallBackToTheSheet) {
    // A half circle below the chord (0,0)-(10,0), and an arc from 300 to 60
    // degrees whose rightmost point is at 0 degrees, not at an end.
    cad::Drawing d = test::EmptyCadDrawing();
    d.polylines.push_back({{{{0, 0}, 1}, {{10, 0}, 0}}, false});
    d.arcs.push_back({{20, 0}, 2, 300, 60});
    for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R12}) {
        std::vector<Tag> tags = ReadTags(CadDxfText(d, version));
        EXPECT_EQ(HeaderValue(tags, "$EXTMIN", 10), "0");
        EXPECT_EQ(HeaderValue(tags, "$EXTMIN", 20), "-5");
        EXPECT_EQ(HeaderValue(tags, "$EXTMAX", 10), "22");
        EXPECT_EQ(HeaderValue(tags, "$EXTMAX", 20), "1.732051");
        EXPECT_EQ(HeaderValue(tags, "$LIMMAX", 10), "120");
        EXPECT_EQ(HeaderValue(tags, "$LIMMAX", 20), "80");
    }
    for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R12}) {
        std::vector<Tag> tags = ReadTags(CadDxfText(test::EmptyCadDrawing(), version));
        EXPECT_EQ(HeaderValue(tags, "$EXTMIN", 10) + "," + HeaderValue(tags, "$EXTMIN", 20), "0,0");
        EXPECT_EQ(HeaderValue(tags, "$EXTMAX", 10) + "," + HeaderValue(tags, "$EXTMAX", 20), "120,80");
        EXPECT_TRUE(EntityCounts(tags).empty());
    }
}

TEST(CadDxfTest, R12WritesPolylinesAsVerticesWithBulgesAndNoHandles) {
    std::vector<Tag> tags = ReadTags(CadDxfText(test::PartsCadDrawing(), DxfVersion::R12));
    EXPECT_EQ(HeaderValue(tags, "$ACADVER", 1), "AC1009");
    for (const Tag& t : tags) {
        EXPECT_NE(t.code, 5);
        EXPECT_NE(t.code, 100);
        EXPECT_NE(t.value, "LWPOLYLINE");
    }
    EXPECT_EQ(EntityCounts(tags),
              (std::map<std::string, int>{
                  {"ARC", 1}, {"CIRCLE", 1}, {"LINE", 1}, {"POLYLINE", 2}, {"SEQEND", 2}, {"VERTEX", 8}}));
    // The bulges in vertex order, and each POLYLINE's closed flag.
    std::vector<std::string> bulges, closed;
    std::string entity;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].code == 0) entity = tags[i].value;
        if (entity == "VERTEX" && tags[i].code == 42) bulges.push_back(tags[i].value);
        if (tags[i].value == "POLYLINE")
            for (std::size_t j = i + 1; tags[j].code != 0; ++j)
                if (tags[j].code == 70) closed.push_back(tags[j].value);
    }
    EXPECT_EQ(bulges, (std::vector<std::string>{"0.5", "-0.25", "-1"}));
    EXPECT_EQ(closed, (std::vector<std::string>{"0", "1"}));
}

TEST(CadDxfTest, LwPolylineKeepsVertexCountBulgesAndClosedFlag) {
    std::vector<Tag> tags = ReadTags(CadDxfText(test::PartsCadDrawing(), DxfVersion::R2000));
    std::vector<std::string> summary;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].value != "LWPOLYLINE") continue;
        std::string s;
        for (std::size_t j = i + 1; tags[j].code != 0; ++j)
            if (tags[j].code == 90 || tags[j].code == 70 || tags[j].code == 42 || tags[j].code == 10)
                s += std::to_string(tags[j].code) + ":" + tags[j].value + " ";
        summary.push_back(s);
    }
    EXPECT_EQ(summary, (std::vector<std::string>{"90:4 70:0 10:5 42:0.5 10:15 42:-0.25 10:25 10:25 ",
                                                 "90:4 70:1 10:10 10:10 10:20 10:20 42:-1 "}));
}

TEST(CadNumberTest, SixDecimalsShortestFormNoNegativeZero) {
    auto text = [](double v) {
        std::string s;
        cad::AppendNumber(s, v);
        return s;
    };
    EXPECT_EQ(text(0.1 + 0.2), "0.3");
    EXPECT_EQ(text(12.5), "12.5");
    EXPECT_EQ(text(100), "100");
    EXPECT_EQ(text(-3.25), "-3.25");
    EXPECT_EQ(text(-0.0000001), "0");
    EXPECT_EQ(text(-0.0), "0");
    EXPECT_EQ(text(2.0 / 3), "0.666667");
    EXPECT_EQ(text(1234567.1234567), "1234567.123457");
    EXPECT_EQ(text(1e20), "100000000000000000000");
}

TEST(CadDxfTest, DrawingsThatCannotBeWrittenAreRefusedAndNothingIsWritten) {
    const double nan = std::nan("");
    const double inf = INFINITY;
    std::vector<cad::Drawing> bad(6, test::PartsCadDrawing());
    bad[0].lines[0].to.x = nan;
    bad[1].arcs[0].endDegrees = inf;
    bad[2].circles[0].radius = 0;
    bad[3].polylines[0].vertices[1].bulge = nan;
    bad[4].polylines[1].vertices.resize(1);
    bad[5].sheetHeight = -inf;
    test::TempDir dir;
    std::string path = dir / "kept.dxf";
    std::ofstream(path) << "earlier";
    for (const cad::Drawing& d : bad)
        for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R12}) {
            EXPECT_THROW(CadDxfText(d, version), std::invalid_argument);
            EXPECT_THROW(WriteCadDxf(path, d, version), std::invalid_argument);
        }
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier");
    EXPECT_EQ(dir.Contents().size(), 1u);
}

TEST(CadDxfTest, WriteCadDxfWritesTheText) {
    test::TempDir dir;
    for (DxfVersion version : {DxfVersion::R2000, DxfVersion::R12}) {
        WriteCadDxf(dir / "parts.dxf", test::ManyCadDrawing(), version);
        std::ifstream in(dir / "parts.dxf", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
                  CadDxfText(test::ManyCadDrawing(), version));
    }
}

// The entity types a reader should find, "TYPE count" lines in name order.
std::string ExpectedCounts(const cad::Drawing& d, DxfVersion version) {
    std::map<std::string, std::size_t> counts{
        {"ARC", d.arcs.size()},
        {"CIRCLE", d.circles.size()},
        {"LINE", d.lines.size()},
        {version == DxfVersion::R12 ? "POLYLINE" : "LWPOLYLINE", d.polylines.size()}};
    std::string text;
    for (const auto& [type, n] : counts)
        if (n) text += type + " " + std::to_string(n) + "\n";
    return text;
}

// Not a check: writes the sample drawings as DXF (with the counts a reader
// should find) and SVG into the folder named by LINTRA_CAD_SAMPLES_DIR, for
// tests/vector/cad/cad_readers.sh.
TEST(CadReaderFiles, WriteSamples) {
    const char* dir = std::getenv("LINTRA_CAD_SAMPLES_DIR");
    if (!dir) GTEST_SKIP() << "LINTRA_CAD_SAMPLES_DIR is not set";
    for (auto [name, drawing] : {std::pair{"empty", test::EmptyCadDrawing()},
                                 {"parts", test::PartsCadDrawing()},
                                 {"many", test::ManyCadDrawing()}}) {
        std::string base = std::string(dir) + "/" + name;
        for (auto [version, suffix] : {std::pair{DxfVersion::R2000, "_r2000"}, {DxfVersion::R12, "_r12"}}) {
            WriteCadDxf(base + suffix + ".dxf", drawing, version);
            std::ofstream(base + suffix + ".expected") << ExpectedCounts(drawing, version);
        }
        WriteCadSvg(base + ".svg", drawing);
    }
    // The samples' traced drawings, in millimetres at the given 300 dpi.
    CadOptions options;
    options.unit = cad::Unit::Millimetre;
    options.dpi = 300;
    for (const std::string& name : test::kTracedSamples) {
        Dib dib;
        const SegmentList segments = test::TraceSample(name, dib);
        const cad::Drawing drawing =
            BuildCadDrawing(segments, {dib.GetWidth(), dib.GetHeight(), 0, 0}, options);
        const std::string base = std::string(dir) + "/" + name.substr(0, name.find('_'));
        for (auto [version, suffix] : {std::pair{DxfVersion::R2000, "_r2000"}, {DxfVersion::R12, "_r12"}}) {
            WriteCadDxf(base + suffix + ".dxf", drawing, version);
            std::ofstream(base + suffix + ".expected") << ExpectedCounts(drawing, version);
        }
        WriteCadSvg(base + ".svg", drawing);
    }
}

}  // namespace
}  // namespace lintra
