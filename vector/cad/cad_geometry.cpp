#include "vector/cad/cad_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace lintra::cad {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

double NormalisedDegrees(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360.0;
    return d >= 360.0 ? 0.0 : d;
}

double DegreesOf(Point from, Point centre) {
    return NormalisedDegrees(std::atan2(from.y - centre.y, from.x - centre.x) * kDegreesPerRadian);
}

Point OnCircle(Point centre, double radius, double degrees) {
    double radians = degrees / kDegreesPerRadian;
    return {centre.x + radius * std::cos(radians), centre.y + radius * std::sin(radians)};
}

// End points, plus every axis direction (0, 90, 180, 270 degrees) the
// counter-clockwise sweep passes: the extreme points of the arc.
void AddArc(Box& box, const Arc& arc) {
    double sweep = SweepDegrees(arc);
    double start = NormalisedDegrees(arc.startDegrees);
    box.Add(OnCircle(arc.centre, arc.radius, start));
    box.Add(OnCircle(arc.centre, arc.radius, start + sweep));
    for (int axis = 0; axis < 360; axis += 90) {
        double ahead = NormalisedDegrees(axis - start);
        if (ahead <= sweep) box.Add(OnCircle(arc.centre, arc.radius, axis));
    }
}

bool Finite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

[[noreturn]] void Refuse(const char* kind, std::size_t index, const char* reason) {
    throw std::invalid_argument(std::string("CAD drawing: ") + kind + " " + std::to_string(index) + " " +
                                reason);
}

}  // namespace

void Box::Add(Point p) {
    min.x = std::min(min.x, p.x);
    min.y = std::min(min.y, p.y);
    max.x = std::max(max.x, p.x);
    max.y = std::max(max.y, p.y);
}

Arc ArcOfBulge(Point from, Point to, double bulge) {
    // The included angle is 4 atan(bulge); the centre lies on the chord's
    // perpendicular bisector, c (1 - b^2) / (4 b) to the left of the chord
    // (negative: to the right), which covers both the short and the long arc.
    double dx = to.x - from.x;
    double dy = to.y - from.y;
    double chord = std::hypot(dx, dy);
    double offset = (1 - bulge * bulge) / (4 * bulge);
    Point centre{(from.x + to.x) / 2 - dy * offset, (from.y + to.y) / 2 + dx * offset};
    double radius = chord * (1 + bulge * bulge) / (4 * std::abs(bulge));
    if (bulge < 0) std::swap(from, to);
    return {centre, radius, DegreesOf(from, centre), DegreesOf(to, centre)};
}

double SweepDegrees(const Arc& arc) {
    double sweep = NormalisedDegrees(arc.endDegrees - arc.startDegrees);
    return sweep == 0 ? 360.0 : sweep;
}

Box GeometryExtents(const Drawing& drawing) {
    Box box;
    for (const Line& line : drawing.lines) {
        box.Add(line.from);
        box.Add(line.to);
    }
    for (const Arc& arc : drawing.arcs) AddArc(box, arc);
    for (const Circle& circle : drawing.circles) {
        box.Add({circle.centre.x - circle.radius, circle.centre.y - circle.radius});
        box.Add({circle.centre.x + circle.radius, circle.centre.y + circle.radius});
    }
    for (const Polyline& polyline : drawing.polylines) {
        const std::vector<Vertex>& v = polyline.vertices;
        for (std::size_t i = 0; i < v.size(); ++i) {
            box.Add(v[i].at);
            bool last = i + 1 == v.size();
            if (v[i].bulge == 0 || (last && !polyline.closed)) continue;
            AddArc(box, ArcOfBulge(v[i].at, v[last ? 0 : i + 1].at, v[i].bulge));
        }
    }
    return box;
}

void RequireWritable(const Drawing& drawing) {
    if (!std::isfinite(drawing.sheetWidth) || !std::isfinite(drawing.sheetHeight))
        throw std::invalid_argument("CAD drawing: the sheet size is not finite");
    for (std::size_t i = 0; i < drawing.lines.size(); ++i)
        if (!Finite(drawing.lines[i].from) || !Finite(drawing.lines[i].to))
            Refuse("line", i, "has a coordinate that is not finite");
    for (std::size_t i = 0; i < drawing.arcs.size(); ++i) {
        const Arc& arc = drawing.arcs[i];
        if (!Finite(arc.centre) || !std::isfinite(arc.startDegrees) || !std::isfinite(arc.endDegrees))
            Refuse("arc", i, "has a coordinate or angle that is not finite");
        if (!(arc.radius > 0) || !std::isfinite(arc.radius))
            Refuse("arc", i, "has no positive finite radius");
    }
    for (std::size_t i = 0; i < drawing.circles.size(); ++i) {
        const Circle& circle = drawing.circles[i];
        if (!Finite(circle.centre)) Refuse("circle", i, "has a coordinate that is not finite");
        if (!(circle.radius > 0) || !std::isfinite(circle.radius))
            Refuse("circle", i, "has no positive finite radius");
    }
    for (std::size_t i = 0; i < drawing.polylines.size(); ++i) {
        const Polyline& polyline = drawing.polylines[i];
        if (polyline.vertices.size() < 2) Refuse("polyline", i, "has fewer than two vertices");
        for (const Vertex& v : polyline.vertices)
            if (!Finite(v.at) || !std::isfinite(v.bulge))
                Refuse("polyline", i, "has a coordinate or bulge that is not finite");
    }
}

}  // namespace lintra::cad
