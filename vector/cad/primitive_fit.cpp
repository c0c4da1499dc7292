#include "vector/cad/primitive_fit.h"

#include <cmath>

namespace lintra::cad {

namespace {

double Length(Point v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
}

// Crossings of a straight line with a circle.
std::vector<Point> LineCircle(const StraightLine& l, const Circle& c) {
    const double fx = l.at.x - c.centre.x, fy = l.at.y - c.centre.y;
    const double b = fx * l.along.x + fy * l.along.y;
    const double q = fx * fx + fy * fy - c.radius * c.radius;
    const double discriminant = b * b - q;
    if (discriminant < 0) return {};
    const double root = std::sqrt(discriminant);
    std::vector<Point> out;
    for (double t : {-b - root, -b + root}) out.push_back({l.at.x + t * l.along.x, l.at.y + t * l.along.y});
    return out;
}

std::vector<Point> CircleCircle(const Circle& a, const Circle& b) {
    const double dx = b.centre.x - a.centre.x, dy = b.centre.y - a.centre.y;
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d == 0 || d > a.radius + b.radius || d < std::abs(a.radius - b.radius)) return {};
    const double along = (a.radius * a.radius - b.radius * b.radius + d * d) / (2 * d);
    const double h = std::sqrt(std::max(0.0, a.radius * a.radius - along * along));
    const Point m{a.centre.x + along * dx / d, a.centre.y + along * dy / d};
    return {{m.x - h * dy / d, m.y + h * dx / d}, {m.x + h * dy / d, m.y - h * dx / d}};
}

// Calls f with each point of a, then each of b.
template <typename F>
void ForEachOf(std::span<const Point> a, std::span<const Point> b, F f) {
    for (const Point& p : a) f(p);
    for (const Point& p : b) f(p);
}

}  // namespace

std::optional<StraightLine> FitLine(std::span<const Point> points, std::span<const Point> more) {
    const double n = static_cast<double>(points.size() + more.size());
    if (n < 2) return std::nullopt;
    double mx = 0, my = 0;
    ForEachOf(points, more, [&](const Point& p) { mx += p.x, my += p.y; });
    mx /= n, my /= n;
    double sxx = 0, syy = 0, sxy = 0;
    ForEachOf(points, more, [&](const Point& p) {
        const double u = p.x - mx, v = p.y - my;
        sxx += u * u, syy += v * v, sxy += u * v;
    });
    if (sxx + syy < 1e-12) return std::nullopt;
    // The principal axis of the scatter matrix.
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    return StraightLine{{mx, my}, {std::cos(angle), std::sin(angle)}};
}

std::optional<Circle> FitCircle(std::span<const Point> points, std::span<const Point> more) {
    const double n = static_cast<double>(points.size() + more.size());
    if (n < 3) return std::nullopt;
    double mx = 0, my = 0;
    ForEachOf(points, more, [&](const Point& p) { mx += p.x, my += p.y; });
    mx /= n, my /= n;
    double suu = 0, svv = 0, suv = 0, suuu = 0, svvv = 0, suvv = 0, svuu = 0;
    ForEachOf(points, more, [&](const Point& p) {
        const double u = p.x - mx, v = p.y - my;
        suu += u * u, svv += v * v, suv += u * v;
        suuu += u * u * u, svvv += v * v * v, suvv += u * v * v, svuu += v * u * u;
    });
    const double det = suu * svv - suv * suv;
    if (std::abs(det) < 1e-12) return std::nullopt;
    const double rx = (suuu + suvv) / 2, ry = (svvv + svuu) / 2;
    const double uc = (rx * svv - ry * suv) / det, vc = (ry * suu - rx * suv) / det;
    const double radius = std::sqrt(uc * uc + vc * vc + (suu + svv) / n);
    return Circle{{uc + mx, vc + my}, radius};
}

StraightLine LineThrough(Point a, Point b) {
    const Point v{b.x - a.x, b.y - a.y};
    const double length = Length(v);
    if (length == 0) return {a, {1, 0}};
    return {a, {v.x / length, v.y / length}};
}

Point Nearest(const Shape& shape, Point p) {
    if (shape.isCircle) {
        const Circle& c = shape.circle;
        const Point v{p.x - c.centre.x, p.y - c.centre.y};
        const double d = Length(v);
        if (d == 0) return {c.centre.x + c.radius, c.centre.y};
        return {c.centre.x + v.x * c.radius / d, c.centre.y + v.y * c.radius / d};
    }
    const StraightLine& l = shape.line;
    const double t = (p.x - l.at.x) * l.along.x + (p.y - l.at.y) * l.along.y;
    return {l.at.x + t * l.along.x, l.at.y + t * l.along.y};
}

double DistanceTo(const Shape& shape, Point p) {
    const Point q = Nearest(shape, p);
    return Length({p.x - q.x, p.y - q.y});
}

std::vector<Point> Crossings(const Shape& a, const Shape& b) {
    if (a.isCircle && b.isCircle) return CircleCircle(a.circle, b.circle);
    if (a.isCircle) return LineCircle(b.line, a.circle);
    if (b.isCircle) return LineCircle(a.line, b.circle);
    const StraightLine &l = a.line, &m = b.line;
    const double det = l.along.x * m.along.y - l.along.y * m.along.x;
    if (std::abs(det) < 1e-9) return {};
    const double t = ((m.at.x - l.at.x) * m.along.y - (m.at.y - l.at.y) * m.along.x) / det;
    return {{l.at.x + t * l.along.x, l.at.y + t * l.along.y}};
}

}  // namespace lintra::cad
