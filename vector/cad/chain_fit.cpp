#include "vector/cad/chain_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "vector/cad/primitive_fit.h"

namespace lintra {

namespace {

using CadPoint = cad::Point;

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kLargestRadius = 1e5;  // beyond it an arc is a straight piece
constexpr int kCornerReach = 3;         // how far a corner may move along the chain

// Pixel coordinates are far from overflow: the plain square root is exact
// enough and much cheaper than hypot.
double Distance(CadPoint a, CadPoint b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

double Wrap(double angle) {
    angle = std::fmod(angle, kTwoPi);
    return angle < 0 ? angle + kTwoPi : angle;
}

struct ArcShape {
    CadPoint centre;
    double radius = 0;
    double start = 0;  // angle of the first end
    double sweep = 0;  // included angle, > 0
    bool counterClockwise = true;
    CadPoint first, last;  // from the centre to the first end and to the last
};

// The arc from a through m to b, or nothing when they are (nearly) in line.
std::optional<ArcShape> ArcThrough(CadPoint a, CadPoint m, CadPoint b) {
    const double bx = m.x - a.x, by = m.y - a.y, cx = b.x - a.x, cy = b.y - a.y;
    const double d = 2 * (bx * cy - by * cx);
    if (std::abs(d) < 1e-9) return std::nullopt;
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    ArcShape arc;
    arc.centre = {a.x + (cy * b2 - by * c2) / d, a.y + (bx * c2 - cx * b2) / d};
    arc.radius = Distance(arc.centre, a);
    if (arc.radius > kLargestRadius) return std::nullopt;
    // m to the right of a->b means the arc runs counter-clockwise.
    arc.counterClockwise = cx * by - cy * bx < 0;
    const double a0 = std::atan2(a.y - arc.centre.y, a.x - arc.centre.x);
    const double a1 = std::atan2(b.y - arc.centre.y, b.x - arc.centre.x);
    arc.start = a0;
    arc.sweep = arc.counterClockwise ? Wrap(a1 - a0) : Wrap(a0 - a1);
    arc.first = {a.x - arc.centre.x, a.y - arc.centre.y};
    arc.last = {b.x - arc.centre.x, b.y - arc.centre.y};
    return arc;
}

// Whether the direction v from the arc's centre, of the given length, lies
// inside the arc and clear of both its ends by an angle whose sine is 1e-6,
// far more than rounding can move an angle: such a direction is within the
// arc whatever its angle works out to, so that need not be worked out.
bool ClearlyWithin(const ArcShape& arc, CadPoint v, double length) {
    // The arc turns counter-clockwise from s to e.
    const CadPoint s = arc.counterClockwise ? arc.first : arc.last;
    const CadPoint e = arc.counterClockwise ? arc.last : arc.first;
    const double clearance = 1e-6 * arc.radius * length;
    const double pastStart = s.x * v.y - s.y * v.x;  // positive: v turned counter-clockwise from s
    const double beforeEnd = v.x * e.y - v.y * e.x;  // positive: e turned counter-clockwise from v
    // Up to a half turn the arc is where both hold; beyond it, where either
    // does (the rest of the circle, less than a half turn, is where neither).
    if (arc.sweep <= std::numbers::pi) return pastStart > clearance && beforeEnd > clearance;
    return pastStart > clearance || beforeEnd > clearance;
}

// A chain as points in drawing order; a closed one ends on its first point.
class Fitter {
public:
    Fitter(std::span<const CadPoint> points, double tolerance, bool arcs)
        : m_p(points), m_tolerance(tolerance), m_arcs(arcs && tolerance > 0) {}

    std::vector<cad::Vertex> Fit(std::vector<std::size_t>& pointOf) {
        const int last = static_cast<int>(m_p.size()) - 1;
        // Most chains have a few pieces: room for them at once.
        std::vector<int> ends{0};
        std::vector<double> bulges;
        ends.reserve(8), bulges.reserve(8);
        for (int i = 0; i < last;) {
            const int line = Longest(i + 1, [&](int j) { return LineFits(i, j); });
            // An arc is worth its bulge when it reaches at least three pixels
            // further than the straight piece.
            const int arcStart = std::max(line + 3, i + 4);
            int arc = i;
            std::optional<ArcShape> shape;
            if (m_arcs && arcStart <= last && ArcFits(i, arcStart))
                arc = Longest(arcStart, [&](int k) { return ArcFits(i, k).has_value(); });
            if (arc > i && (shape = ArcFits(i, arc)) && !NearlyStraight(*shape, i, line)) {
                bulges.push_back((shape->counterClockwise ? 1 : -1) * std::tan(shape->sweep / 4));
                i = arc;
            } else {
                bulges.push_back(0);
                i = line;
            }
            ends.push_back(i);
        }
        PlaceCorners(ends, bulges);
        std::vector<cad::Vertex> vertices;
        vertices.reserve(ends.size());
        pointOf.reserve(ends.size());
        for (std::size_t n = 0; n < ends.size(); ++n) {
            vertices.push_back({m_p[ends[n]], n < bulges.size() ? bulges[n] : 0.0});
            pointOf.push_back(static_cast<std::size_t>(ends[n]));
        }
        return vertices;
    }

private:
    // The largest j >= first for which fits(j) holds, found by doubling the
    // step and then halving it; fits(first) holds.
    template <typename Fits>
    int Longest(int first, Fits fits) const {
        const int last = static_cast<int>(m_p.size()) - 1;
        int good = first, step = 1;
        while (good + step <= last && fits(good + step)) good += step, step *= 2;
        for (step /= 2; step > 0; step /= 2)
            if (good + step <= last && fits(good + step)) good += step;
        return good;
    }

    // The largest distance from a point between i and j to the segment
    // from point i to point j; once it passes limit, some distance beyond
    // limit, for a caller that only asks whether it stays within.
    double LineError(int i, int j, double limit = std::numeric_limits<double>::infinity()) const {
        const CadPoint a = m_p[i], b = m_p[j];
        const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
        const double length = std::sqrt(length2);
        // The points are pixel positions, whole numbers, so the projection's
        // place along the segment compares exactly without dividing by
        // length2. Dividing by length keeps the order of distances, so the
        // farthest point across is the one with the largest cross product,
        // divided once; a cross product past crossLimit is surely past limit.
        // The points are taken from j back: a chain strays from a straight
        // piece first at its far end, so a piece that does not fit is told
        // after a few points, and the largest distance is the same in any
        // order.
        const double crossLimit = limit * length * (1 + 1e-12);
        double worstEnd = 0, worstCross = 0;
        for (int k = j - 1; k > i; --k) {
            const CadPoint p = m_p[k];
            const double along = (p.x - a.x) * dx + (p.y - a.y) * dy;
            if (length2 == 0 || along <= 0)
                worstEnd = std::max(worstEnd, Distance(p, a));
            else if (along >= length2)
                worstEnd = std::max(worstEnd, Distance(p, b));
            else
                worstCross = std::max(worstCross, std::abs((p.x - a.x) * dy - (p.y - a.y) * dx));
            if (worstEnd > limit || worstCross > crossLimit) break;
        }
        return std::max(worstEnd, worstCross > 0 ? worstCross / length : 0.0);
    }
    bool LineFits(int i, int j) const { return LineError(i, j, m_tolerance) <= m_tolerance; }

    // Whether an arc from point i is only a straight piece bent a little to
    // reach past the point line: so flat that it strays from its chord by
    // hardly more than the tolerance. The straight piece is taken instead and
    // what lies beyond it fitted on its own, so that a straight stroke that
    // runs into a curve stays straight.
    bool NearlyStraight(const ArcShape& arc, int i, int line) const {
        if (line <= i + 1) return false;
        const double sagitta = arc.radius * (1 - std::cos(arc.sweep / 2));
        return sagitta <= 1.25 * m_tolerance;
    }

    std::optional<ArcShape> ArcFits(int i, int k) const {
        if (k - i < 4) return std::nullopt;
        std::optional<ArcShape> arc = ArcThrough(m_p[i], m_p[(i + k) / 2], m_p[k]);
        if (!arc || arc->sweep > 1.75 * std::numbers::pi) return std::nullopt;
        const double slack = m_tolerance / arc->radius;
        // From k back, as LineError does: whether every point fits does not
        // depend on the order, and a miss is nearly always at the far end.
        for (int n = k - 1; n > i; --n) {
            const CadPoint p = m_p[n];
            const double distance = Distance(p, arc->centre);
            if (std::abs(distance - arc->radius) > m_tolerance) return std::nullopt;
            if (ClearlyWithin(*arc, {p.x - arc->centre.x, p.y - arc->centre.y}, distance)) continue;
            const double angle = std::atan2(p.y - arc->centre.y, p.x - arc->centre.x);
            const double along = arc->counterClockwise ? Wrap(angle - arc->start) : Wrap(arc->start - angle);
            if (along > arc->sweep + slack && along < kTwoPi - slack) return std::nullopt;
        }
        return arc;
    }

    // Moves each corner between two straight pieces to the nearby pixel
    // where the larger of the two pieces' errors is least.
    void PlaceCorners(std::vector<int>& ends, const std::vector<double>& bulges) const {
        for (std::size_t n = 1; n + 1 < ends.size(); ++n) {
            if (bulges[n - 1] != 0 || bulges[n] != 0) continue;
            const int before = ends[n - 1], after = ends[n + 1];
            int best = ends[n];
            double bestError = std::max(LineError(before, best), LineError(best, after));
            for (int c = std::max(before + 1, ends[n] - kCornerReach);
                 c <= std::min(after - 1, ends[n] + kCornerReach); ++c) {
                const double limit = bestError - 1e-9;
                const double error = std::max(LineError(before, c, limit), LineError(c, after, limit));
                if (error < limit) best = c, bestError = error;
            }
            ends[n] = best;
        }
    }

    std::span<const CadPoint> m_p;
    double m_tolerance;
    bool m_arcs;
};

// Where a closed chain should start: its sharpest turn, over three pixels
// either side, so that a corner is a vertex rather than the middle of a piece.
std::size_t SharpestTurn(const std::vector<CadPoint>& points) {
    const std::size_t n = points.size();
    std::size_t best = 0;
    double bestCosine = 2;
    for (std::size_t i = 0; i < n; ++i) {
        const CadPoint a = points[(i + n - std::min<std::size_t>(3, n - 1)) % n], p = points[i],
                       b = points[(i + 3) % n];
        const double ux = p.x - a.x, uy = p.y - a.y, vx = b.x - p.x, vy = b.y - p.y;
        const double length = std::sqrt((ux * ux + uy * uy) * (vx * vx + vy * vy));
        if (length == 0) continue;
        const double cosine = (ux * vx + uy * vy) / length;
        if (cosine < bestCosine - 1e-12) bestCosine = cosine, best = i;
    }
    return best;
}

}  // namespace

FittedChain FitChain(std::span<const Point> chain, bool closed, double tolerance, bool arcs) {
    FittedChain fitted;
    std::vector<CadPoint> points;
    points.reserve(chain.size() + 1);
    for (const lintra::Point& p : chain) {
        const CadPoint q{static_cast<double>(p.x), static_cast<double>(p.y)};
        if (points.empty() || !(points.back() == q)) points.push_back(q);
    }
    if (points.empty()) return fitted;
    fitted.closed = closed && points.size() >= 3;
    if (fitted.closed) {
        if (arcs && tolerance > 0 && points.size() >= 8) {
            std::optional<cad::Circle> circle = cad::FitCircle(points);
            if (circle && circle->radius >= 1.5 &&
                std::all_of(points.begin(), points.end(), [&](const CadPoint& p) {
                    return std::abs(Distance(p, circle->centre) - circle->radius) <= tolerance;
                })) {
                fitted.isCircle = true;
                fitted.circle = *circle;
                fitted.points = std::move(points);
                return fitted;
            }
        }
        std::rotate(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(SharpestTurn(points)),
                    points.end());
        points.push_back(points.front());
    }
    if (points.size() == 1) {
        fitted.points = points;
        fitted.pointOf = {0};
        fitted.vertices.push_back({points.front(), 0});
        return fitted;
    }
    fitted.points = std::move(points);
    fitted.vertices = Fitter(fitted.points, tolerance, arcs).Fit(fitted.pointOf);
    if (fitted.closed) fitted.vertices.pop_back();  // the closing vertex is the first
    return fitted;
}

}  // namespace lintra
