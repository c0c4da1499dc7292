#include "vector/cad/cad_export.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "vector/cad/cad_geometry.h"
#include "vector/cad/chain_fit.h"
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

// The point of the segment a-b nearest to p.
cad::Point NearestOnSegment(cad::Point p, cad::Point a, cad::Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    const double t = length2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
    return {a.x + t * dx, a.y + t * dy};
}

// The point of the stretch a -> b with the given bulge nearest to p: on the
// arc where p's direction from the centre falls within it, else an end.
cad::Point NearestOnStretch(cad::Point p, cad::Point a, cad::Point b, double bulge) {
    if (bulge == 0) return NearestOnSegment(p, a, b);
    const cad::Arc arc = cad::ArcOfBulge(a, b, bulge);
    const double angle = std::atan2(p.y - arc.centre.y, p.x - arc.centre.x) * 180 / std::numbers::pi;
    const double from = std::fmod(angle - arc.startDegrees + 720, 360);
    if (from <= cad::SweepDegrees(arc)) {
        const double d = std::hypot(p.x - arc.centre.x, p.y - arc.centre.y);
        if (d > 0)
            return {arc.centre.x + (p.x - arc.centre.x) * arc.radius / d,
                    arc.centre.y + (p.y - arc.centre.y) * arc.radius / d};
    }
    return std::hypot(p.x - a.x, p.y - a.y) <= std::hypot(p.x - b.x, p.y - b.y) ? a : b;
}

// The point of the fitted chain nearest to p.
cad::Point NearestOn(const FittedChain& chain, cad::Point p) {
    if (chain.isCircle) {
        const cad::Circle& c = chain.circle;
        const double d = std::hypot(p.x - c.centre.x, p.y - c.centre.y);
        if (d == 0) return {c.centre.x + c.radius, c.centre.y};
        return {c.centre.x + (p.x - c.centre.x) * c.radius / d,
                c.centre.y + (p.y - c.centre.y) * c.radius / d};
    }
    const std::vector<cad::Vertex>& v = chain.vertices;
    cad::Point best = p;
    double bestDistance = -1;
    const std::size_t n = v.size();
    for (std::size_t i = 0; i + 1 < n + (chain.closed ? 1 : 0); ++i) {
        const cad::Point q = NearestOnStretch(p, v[i].at, v[(i + 1) % n].at, v[i].bulge);
        const double d = std::hypot(p.x - q.x, p.y - q.y);
        if (bestDistance < 0 || d < bestDistance) best = q, bestDistance = d;
    }
    return best;
}

// Puts the ends of chains that stop at a junction a chain runs through onto
// that chain as fitted, so that they meet it with no gap: the junction pixel
// itself may lie off the straightened line by up to the tolerance.
void MeetAtJunctions(const StrokeGraph& graph, std::vector<FittedChain>& fitted) {
    // Per node, the point on the first chain through it, if one runs through.
    std::vector<std::optional<cad::Point>> onThrough;
    for (std::size_t i = 0; i < graph.chains.size(); ++i)
        for (const auto& [index, node] : graph.chains[i].through) {
            if (static_cast<std::size_t>(node) >= onThrough.size()) onThrough.resize(node + 1);
            if (!onThrough[node]) {
                const Point p = graph.PointsOf(graph.chains[i])[index];
                onThrough[node] = NearestOn(fitted[i], {double(p.x), double(p.y)});
            }
        }
    auto meeting = [&](int node) {
        return node >= 0 && static_cast<std::size_t>(node) < onThrough.size() ? onThrough[node]
                                                                              : std::nullopt;
    };
    for (std::size_t i = 0; i < graph.chains.size(); ++i) {
        std::vector<cad::Vertex>& v = fitted[i].vertices;
        if (fitted[i].isCircle || fitted[i].closed || v.size() < 2) continue;
        if (const auto at = meeting(graph.chains[i].startNode)) v.front().at = *at;
        if (const auto at = meeting(graph.chains[i].endNode)) v.back().at = *at;
    }
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
    std::vector<FittedChain> fitted;
    fitted.reserve(graph.chains.size());
    for (const StrokeChain& chain : graph.chains)
        fitted.push_back(FitChain(graph.PointsOf(chain), chain.closed, options.tolerance, options.fit));
    if (options.tolerance > 0) MeetAtJunctions(graph, fitted);
    for (FittedChain& chain : fitted) {
        if (!square) chain = Flattened(chain, std::max(options.tolerance, 0.05) / 4);
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
