#include "vector/cad/cad_svg.h"

#include <cmath>
#include <numbers>

#include "base/atomic_file.h"
#include "vector/cad/cad_export.h"
#include "vector/cad/cad_geometry.h"
#include "vector/cad/cad_number.h"

namespace lintra {

namespace {

using cad::Point;

// The unit suffix of width and height; pixels are SVG's own user units.
const char* UnitSuffix(cad::Unit unit) {
    return unit == cad::Unit::Pixel ? "" : UnitName(unit);
}

// A hairline a plotter would draw: 0.25 mm, a hundredth of an inch, a pixel.
double StrokeWidth(cad::Unit unit) {
    switch (unit) {
        case cad::Unit::Millimetre:
            return 0.25;
        case cad::Unit::Inch:
            return 0.01;
        case cad::Unit::Pixel:
            break;
    }
    return 1;
}

class SvgWriter {
public:
    explicit SvgWriter(const cad::Drawing& drawing) : m_drawing(drawing) {}

    std::string Text() {
        const char* unit = UnitSuffix(m_drawing.unit);
        m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
        m_out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
        Number(m_drawing.sheetWidth);
        m_out += unit;
        m_out += "\" height=\"";
        Number(m_drawing.sheetHeight);
        m_out += unit;
        m_out += "\" viewBox=\"0 0 ";
        Number(m_drawing.sheetWidth);
        m_out += ' ';
        Number(m_drawing.sheetHeight);
        m_out += "\">\n<g fill=\"none\" stroke=\"black\" stroke-width=\"";
        Number(StrokeWidth(m_drawing.unit));
        m_out += "\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
        for (const cad::Line& line : m_drawing.lines) {
            m_out += "<path d=\"M";
            Pair(line.from);
            m_out += " L";
            Pair(line.to);
            m_out += "\"/>\n";
        }
        for (const cad::Arc& arc : m_drawing.arcs) {
            m_out += "<path d=\"M";
            Pair(OnCircle(arc.centre, arc.radius, arc.startDegrees));
            ArcTo(arc);
            m_out += "\"/>\n";
        }
        for (const cad::Circle& circle : m_drawing.circles) {
            m_out += "<circle cx=\"";
            Number(circle.centre.x);
            m_out += "\" cy=\"";
            Number(m_drawing.sheetHeight - circle.centre.y);
            m_out += "\" r=\"";
            Number(circle.radius);
            m_out += "\"/>\n";
        }
        for (const cad::Polyline& polyline : m_drawing.polylines) Polyline(polyline);
        m_out += "</g>\n</svg>\n";
        return std::move(m_out);
    }

private:
    static Point OnCircle(Point centre, double radius, double degrees) {
        double radians = degrees * std::numbers::pi / 180;
        return {centre.x + radius * std::cos(radians), centre.y + radius * std::sin(radians)};
    }

    void Number(double value) { cad::AppendNumber(m_out, value); }
    // A drawing point in SVG coordinates: y measured down from the top.
    void Pair(Point p) {
        m_out += ' ';
        Number(p.x);
        m_out += ' ';
        Number(m_drawing.sheetHeight - p.y);
    }
    // Turning y over turns the drawing's counter-clockwise into the
    // picture's counter-clockwise, SVG's negative direction: sweep flag 0
    // for a counter-clockwise stretch, 1 for a clockwise one.
    void ArcSegment(double radius, bool large, bool clockwise, Point to) {
        m_out += " A ";
        Number(radius);
        m_out += ' ';
        Number(radius);
        m_out += large ? " 0 1 " : " 0 0 ";
        m_out += clockwise ? '1' : '0';
        Pair(to);
    }
    // From the arc's start, counter-clockwise to its end; a whole circle
    // in two halves, since one SVG arc cannot end where it starts.
    void ArcTo(const cad::Arc& arc) {
        double sweep = cad::SweepDegrees(arc);
        if (sweep >= 360) {
            ArcSegment(arc.radius, false, false, OnCircle(arc.centre, arc.radius, arc.startDegrees + 180));
            ArcSegment(arc.radius, false, false, OnCircle(arc.centre, arc.radius, arc.startDegrees + 360));
            return;
        }
        ArcSegment(arc.radius, sweep > 180, false,
                   OnCircle(arc.centre, arc.radius, arc.startDegrees + sweep));
    }
    // The stretch from `from` to `to` with the given bulge: the included
    // angle 4 atan|bulge| is over 180 degrees exactly when |bulge| > 1.
    void Stretch(Point from, Point to, double bulge) {
        if (bulge == 0) {
            m_out += " L";
            Pair(to);
            return;
        }
        cad::Arc arc = cad::ArcOfBulge(from, to, bulge);
        ArcSegment(arc.radius, std::abs(bulge) > 1, bulge < 0, to);
    }
    void Polyline(const cad::Polyline& polyline) {
        const std::vector<cad::Vertex>& v = polyline.vertices;
        m_out += "<path d=\"M";
        Pair(v[0].at);
        for (std::size_t i = 1; i < v.size(); ++i) Stretch(v[i - 1].at, v[i].at, v[i - 1].bulge);
        if (polyline.closed) {
            if (v.back().bulge != 0) Stretch(v.back().at, v[0].at, v.back().bulge);
            m_out += " Z";
        }
        m_out += "\"/>\n";
    }

    const cad::Drawing& m_drawing;
    std::string m_out;
};

}  // namespace

std::string CadSvgText(const cad::Drawing& drawing) {
    cad::RequireWritable(drawing);
    return SvgWriter(drawing).Text();
}

void WriteCadSvg(const std::string& path, const cad::Drawing& drawing) {
    std::string text = CadSvgText(drawing);
    WriteFileAtomically(path, {Bytes(text.data(), text.size())});
}

}  // namespace lintra
