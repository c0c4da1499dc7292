// What the two DXF dialects of the CAD drawing share: the writer of group
// codes and values, the extents the header reports, and the entities, which
// differ only in how each begins and how a polyline is written.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "vector/cad/cad_drawing.h"
#include "vector/cad/cad_geometry.h"
#include "vector/cad/cad_number.h"

namespace lintra::dxf {

using cad::Point;

// Group code and value pairs, each line ended by CR LF as in the program's
// other DXF file.
class TagWriter {
public:
    void Tag(int code, std::string_view value) {
        Code(code);
        m_text.append(value);
        m_text += "\r\n";
    }
    void Int(int code, long value) { Tag(code, std::to_string(value)); }
    void Real(int code, double value) {
        Code(code);
        cad::AppendNumber(m_text, value);
        m_text += "\r\n";
    }
    // Handles are upper-case hexadecimal without leading zeros.
    void Handle(int code, unsigned handle) {
        char text[16];
        std::snprintf(text, sizeof text, "%X", handle);
        Tag(code, text);
    }
    // x, y and z = 0 under the codes base, base + 10, base + 20.
    void At(int base, Point p) {
        Real(base, p.x);
        Real(base + 10, p.y);
        Real(base + 20, 0);
    }
    void At2(int base, Point p) {
        Real(base, p.x);
        Real(base + 10, p.y);
    }
    // Text another writer wrote, as it stands.
    void Append(std::string_view text) { m_text.append(text); }
    std::string Take() { return std::move(m_text); }

private:
    void Code(int code) {
        m_text += std::to_string(code);
        m_text += "\r\n";
    }

    std::string m_text;
};

// The box the file reports and the opening view shows: the geometry, or the
// sheet when there is none.
cad::Box ReportedExtents(const cad::Drawing& drawing);

// What sets a dialect's entities apart. An entity is known by its place in
// the file, counted from 0 over lines, arcs, circles, then polylines; parts
// of the section may be written at once on several threads.
class Dialect {
public:
    virtual ~Dialect() = default;
    // The tags that open the entity of the type, with its subclass where
    // the dialect has subclasses.
    virtual void Begin(TagWriter& out, std::size_t entity, std::string_view type,
                       std::string_view subclass) const = 0;
    // A further subclass marker within an entity, where the dialect has them.
    virtual void Subclass(TagWriter& out, std::string_view name) const = 0;
    virtual void Polyline(TagWriter& out, std::size_t entity, const cad::Polyline& polyline) const = 0;
};

// The ENTITIES section: lines, arcs, circles, then polylines.
void WriteEntities(TagWriter& out, const cad::Drawing& drawing, const Dialect& dialect);

// The whole file in each dialect.
std::string R2000Text(const cad::Drawing& drawing);
std::string R12Text(const cad::Drawing& drawing);

}  // namespace lintra::dxf
