#include "vector/cad/cad_export.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "vector/cad/cad_geometry.h"
#include "vector/cad/chain_fit.h"
#include "vector/cad/junction_fit.h"
#include "vector/cad/stroke_graph.h"

namespace lintra {

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kMetresPerInch = 0.0254;

double UnitsPerInch(cad::Unit unit) {
    return unit == cad::Unit::Millimetre ? kMillimetresPerInch : 1.0;
}

cad::Point Scaled(cad::Point p, const CadScale& scale) {
    return {p.x * scale.x, p.y * scale.y};
}

// Points along the stretch a -> b of the given bulge, a excluded, b
// included, no further than flatness from the arc.
void Flatten(cad::Point a, cad::Point b, double bulge, double flatness, std::vector<cad::Vertex>& out) {
    if (bulge != 0) {
        const cad::Arc arc = cad::ArcOfBulge(a, b, bulge);
        const double sweep = 4 * std::atan(std::abs(bulge));
        const double step = 2 * std::acos(std::max(0.0, 1 - flatness / arc.radius));
        const int pieces = std::max(2, static_cast<int>(std::ceil(sweep / std::max(step, 1e-3))));
        const double start = std::atan2(a.y - arc.centre.y, a.x - arc.centre.x);
        for (int i = 1; i < pieces; ++i) {
            const double angle = start + (bulge > 0 ? 1 : -1) * sweep * i / pieces;
            out.push_back(
                {{arc.centre.x + arc.radius * std::cos(angle), arc.centre.y + arc.radius * std::sin(angle)},
                 0});
        }
    }
    out.push_back({b, 0});
}

// A fitted chain as straight pieces only, for scales that differ along x and
// y, under which a circle is no longer a circle.
FittedChain Flattened(const FittedChain& chain, double flatness) {
    FittedChain flat;
    flat.closed = chain.closed || chain.isCircle;
    std::vector<cad::Vertex> v = chain.vertices;
    if (chain.isCircle) {
        const cad::Circle& c = chain.circle;
        v = {{{c.centre.x + c.radius, c.centre.y}, 1.0}, {{c.centre.x - c.radius, c.centre.y}, 1.0}};
    }
    if (v.empty()) return flat;
    flat.vertices.push_back({v.front().at, 0});
    const std::size_t stretches = flat.closed ? v.size() : v.size() - 1;
    for (std::size_t i = 0; i < stretches; ++i)
        Flatten(v[i].at, v[(i + 1) % v.size()].at, v[i].bulge, flatness, flat.vertices);
    if (flat.closed) flat.vertices.pop_back();  // back on the first
    return flat;
}

void Add(cad::Drawing& drawing, const FittedChain& chain, const CadScale& scale) {
    if (chain.isCircle) {
        drawing.circles.push_back({Scaled(chain.circle.centre, scale), chain.circle.radius * scale.x});
        return;
    }
    if (chain.vertices.size() < 2) return;  // a lone pixel draws nothing
    if (!chain.closed && chain.vertices.size() == 2) {
        const cad::Point a = Scaled(chain.vertices[0].at, scale), b = Scaled(chain.vertices[1].at, scale);
        if (chain.vertices[0].bulge == 0)
            drawing.lines.push_back({a, b});
        else
            drawing.arcs.push_back(cad::ArcOfBulge(a, b, chain.vertices[0].bulge));
        return;
    }
    cad::Polyline polyline;
    polyline.closed = chain.closed;
    for (const cad::Vertex& v : chain.vertices) polyline.vertices.push_back({Scaled(v.at, scale), v.bulge});
    drawing.polylines.push_back(std::move(polyline));
}

}  // namespace

double StrokeWidthOf(const CadOptions& options, const PictureGeometry& picture) {
    double dpi = options.dpi;
    if (dpi <= 0) dpi = picture.xPelsPerMeter > 0 ? picture.xPelsPerMeter * kMetresPerInch : kDefaultCadDpi;
    const double widest = std::max(2.0, kWidestPenMm / kMillimetresPerInch * dpi);
    return std::clamp(options.strokeWidth > 0 ? options.strokeWidth : kAssumedStrokeWidth, 1.0, widest);
}

double ToleranceOf(const CadOptions& options, const PictureGeometry& picture) {
    if (options.tolerance >= 0) return options.tolerance;
    return std::clamp(StrokeWidthOf(options, picture) / 2, 1.0, 3.0);
}

CadScale ScaleFor(const CadOptions& options, const PictureGeometry& picture) {
    CadScale scale;
    if (options.unit == cad::Unit::Pixel) return scale;
    double dpiX = options.dpi, dpiY = options.dpi;
    if (dpiX <= 0) {
        if (picture.xPelsPerMeter > 0 && picture.yPelsPerMeter > 0) {
            dpiX = picture.xPelsPerMeter * kMetresPerInch;
            dpiY = picture.yPelsPerMeter * kMetresPerInch;
        } else {
            dpiX = dpiY = kDefaultCadDpi;
            scale.assumedDpi = true;
        }
    }
    scale.x = UnitsPerInch(options.unit) / dpiX;
    scale.y = UnitsPerInch(options.unit) / dpiY;
    return scale;
}

cad::Drawing BuildCadDrawing(const SegmentList& segments, const PictureGeometry& picture,
                             const CadOptions& options) {
    const CadScale scale = ScaleFor(options, picture);
    cad::Drawing drawing;
    drawing.unit = options.unit;
    drawing.sheetWidth = picture.width * scale.x;
    drawing.sheetHeight = picture.height * scale.y;
    const bool square = std::abs(scale.x - scale.y) <= 1e-9 * std::max(scale.x, scale.y);
    const StrokeGraph graph = BuildStrokeGraph(segments);
    const double tolerance = ToleranceOf(options, picture);
    std::vector<FittedChain> fitted;
    if (tolerance > 0) {
        fitted = FitAtJunctions(graph, tolerance, StrokeWidthOf(options, picture), options.fit);
    } else {
        fitted.reserve(graph.chains.size());
        for (const StrokeChain& chain : graph.chains)
            fitted.push_back(FitChain(graph.PointsOf(chain), chain.closed, 0, options.fit));
    }
    for (FittedChain& chain : fitted) {
        if (!square) chain = Flattened(chain, std::max(tolerance, 0.05) / 4);
        Add(drawing, chain, scale);
    }
    return drawing;
}

std::vector<cad::Line> StraightPieces(const cad::Drawing& drawing, double flatness) {
    std::vector<cad::Line> pieces = drawing.lines;
    auto addPath = [&](std::vector<cad::Vertex> vertices, bool closed) {
        FittedChain chain;
        chain.vertices = std::move(vertices);
        chain.closed = closed;
        const FittedChain flat = Flattened(chain, flatness);
        const std::size_t n = flat.vertices.size();
        for (std::size_t i = 0; i + 1 < n + (closed ? 1 : 0); ++i)
            pieces.push_back({flat.vertices[i].at, flat.vertices[(i + 1) % n].at});
    };
    for (const cad::Arc& arc : drawing.arcs) {
        const double a0 = arc.startDegrees * std::numbers::pi / 180,
                     a1 = arc.endDegrees * std::numbers::pi / 180;
        double sweep = std::fmod(a1 - a0 + 4 * std::numbers::pi, 2 * std::numbers::pi);
        if (sweep == 0) sweep = 2 * std::numbers::pi;
        const cad::Point from{arc.centre.x + arc.radius * std::cos(a0),
                              arc.centre.y + arc.radius * std::sin(a0)};
        const cad::Point to{arc.centre.x + arc.radius * std::cos(a1),
                            arc.centre.y + arc.radius * std::sin(a1)};
        addPath({{from, std::tan(sweep / 4)}, {to, 0}}, false);
    }
    for (const cad::Circle& c : drawing.circles) {
        FittedChain chain;
        chain.isCircle = true;
        chain.circle = c;
        const FittedChain flat = Flattened(chain, flatness);
        const std::size_t n = flat.vertices.size();
        for (std::size_t i = 0; i < n; ++i)
            pieces.push_back({flat.vertices[i].at, flat.vertices[(i + 1) % n].at});
    }
    for (const cad::Polyline& p : drawing.polylines) addPath(p.vertices, p.closed);
    return pieces;
}

const char* UnitName(cad::Unit unit) {
    switch (unit) {
        case cad::Unit::Millimetre:
            return "mm";
        case cad::Unit::Inch:
            return "in";
        case cad::Unit::Pixel:
            break;
    }
    return "px";
}

bool ParseUnit(const std::string& name, cad::Unit& unit) {
    for (cad::Unit u : {cad::Unit::Pixel, cad::Unit::Millimetre, cad::Unit::Inch})
        if (name == UnitName(u)) {
            unit = u;
            return true;
        }
    return false;
}

}  // namespace lintra
