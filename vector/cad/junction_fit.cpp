#include "vector/cad/junction_fit.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <numeric>
#include <optional>

#include "base/parallel_rows.h"
#include "vector/cad/cad_geometry.h"
#include "vector/cad/primitive_fit.h"

namespace lintra {

namespace {

using cad::Shape;
using CadPoint = cad::Point;

constexpr double kPi = std::numbers::pi;
constexpr double kCornerTurn = 25 * kPi / 180;  // a vertex turning more is a corner
// Strokes crossing or meeting leave a few junction pixels close together;
// more than this many is a tangle (rough ink, hatching), not one junction.
constexpr std::size_t kMostNodesAtAJunction = 4;

// Calls side() on one worker thread while the others start calling f(i)
// for every i below n; that thread then joins them. f may change item i
// alone, so the result is the same however the items are shared. Items
// differ widely in cost (a long line beside a dot), so the threads take
// them a few at a time from a shared count rather than half each.
template <typename Side, typename F>
void ForEachItemBeside(const Side& side, std::size_t n, const F& f) {
    constexpr std::size_t kBatch = 16;
    std::atomic<std::size_t> next{0};
    ParallelRows(ThreadCount(), 1, [&](int begin, int) {
        if (begin == 0) side();
        for (std::size_t first = next.fetch_add(kBatch); first < n; first = next.fetch_add(kBatch))
            for (std::size_t i = first; i < std::min(n, first + kBatch); ++i) f(i);
    });
}

template <typename F>
void ForEachItem(std::size_t n, const F& f) {
    ForEachItemBeside([] {}, n, f);
}

// Calls first() and second(), on two threads when there are two.
template <typename First, typename Second>
void BothAtOnce(const First& first, const Second& second) {
    ParallelRows(2, 1, [&](int begin, int end) {
        if (begin == 0) first();
        if (end == 2) second();
    });
}

// Pixel coordinates are far from overflow: the plain square root serves.
double Distance(CadPoint a, CadPoint b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

double Wrap(double angle) {
    angle = std::fmod(angle, 2 * kPi);
    return angle < 0 ? angle + 2 * kPi : angle;
}

CadPoint ToCad(Point p) {
    return {static_cast<double>(p.x), static_cast<double>(p.y)};
}

// The junctions: nodes of the graph, those close enough to be one junction
// gathered into a cluster, each with the radius within which thinning bent
// its strokes.
class Junctions {
public:
    Junctions() = default;
    Junctions(const StrokeGraph& graph, double strokeWidth) : m_width(strokeWidth) {
        int nodes = 0;
        for (const StrokeChain& chain : graph.chains) {
            nodes = std::max({nodes, chain.startNode + 1, chain.endNode + 1});
            for (const auto& [index, node] : chain.through) nodes = std::max(nodes, node + 1);
        }
        m_centre.resize(static_cast<std::size_t>(nodes));
        m_branches.resize(static_cast<std::size_t>(nodes), 0);
        for (const StrokeChain& chain : graph.chains) {
            const auto points = graph.PointsOf(chain);
            if (points.empty()) continue;
            if (chain.startNode >= 0) Note(chain.startNode, points, 0, +1);
            if (chain.endNode >= 0) Note(chain.endNode, points, points.size() - 1, -1);
            for (const auto& [index, node] : chain.through) {
                Note(node, points, index, +1);
                Note(node, points, index, -1);
            }
        }
        SetRadii();
        Cluster();
        MarkCells();
    }

    int ClusterOf(int node) const { return node < 0 ? -1 : m_cluster[node]; }
    const std::vector<int>& Members(int cluster) const { return m_members[cluster]; }
    std::size_t Clusters() const { return m_members.size(); }
    CadPoint ClusterCentre(int cluster) const {
        CadPoint c{0, 0};
        for (int n : m_members[cluster]) c.x += m_centre[n].x, c.y += m_centre[n].y;
        return {c.x / m_members[cluster].size(), c.y / m_members[cluster].size()};
    }
    double ClusterReach(int cluster) const {
        double r = 0;
        for (int n : m_members[cluster]) r = std::max(r, m_radius[n]);
        return r + m_width;
    }
    // Whether the cluster is a tangle of many junctions close together:
    // ink too rough or too dense to be strokes meeting, left as traced.
    bool Tangled(int cluster) const { return m_members[cluster].size() > kMostNodesAtAJunction; }
    // Whether p may lie where the strokes of some junction bend: false for
    // the many points far from every junction, at one look.
    bool MaybeNear(CadPoint p) const {
        const double x = (p.x - m_cellsLeft) / kCell, y = (p.y - m_cellsBottom) / kCell;
        if (!(x >= 0 && y >= 0 && x < m_cellsWide && y < m_cellsHigh)) return false;
        return m_cells[static_cast<std::size_t>(y) * m_cellsWide + static_cast<std::size_t>(x)];
    }
    // Whether p lies where the strokes of the cluster's junctions bend.
    bool Near(int cluster, CadPoint p) const {
        if (Tangled(cluster)) return false;
        for (int n : m_members[cluster])
            if (Distance(p, m_centre[n]) < m_radius[n]) return true;
        return false;
    }

private:
    // Records the direction a branch leaves node from points[index], walking
    // step +1 or -1 along the chain about two stroke widths.
    void Note(int node, std::span<const Point> points, std::size_t index, int step) {
        m_centre[node] = ToCad(points[index]);
        ++m_branches[node];
        const long long reach = std::max<long long>(2, std::llround(2 * m_width));
        const long long to = std::clamp<long long>(static_cast<long long>(index) + step * reach, 0,
                                                   static_cast<long long>(points.size()) - 1);
        const CadPoint far = ToCad(points[static_cast<std::size_t>(to)]);
        const double dx = far.x - m_centre[node].x, dy = far.y - m_centre[node].y, d = std::hypot(dx, dy);
        if (d > 0) m_leaving.push_back({node, {dx / d, dy / d}});
    }

    // Strokes meeting at an angle theta merge for about w / (2 sin(theta/2)).
    void SetRadii() {
        // The directions gathered by node, each node's in the order noted.
        std::vector<std::size_t> first(m_centre.size() + 1, 0);
        for (const Leaving& l : m_leaving) ++first[static_cast<std::size_t>(l.node) + 1];
        for (std::size_t n = 1; n < first.size(); ++n) first[n] += first[n - 1];
        std::vector<CadPoint> directions(m_leaving.size());
        std::vector<std::size_t> next(first.begin(), first.end() - 1);
        for (const Leaving& l : m_leaving) directions[next[static_cast<std::size_t>(l.node)]++] = l.direction;
        m_radius.assign(m_centre.size(), m_width);
        for (std::size_t n = 0; n < m_centre.size(); ++n) {
            double smallest = kPi;
            const std::span<const CadPoint> d(directions.data() + first[n], first[n + 1] - first[n]);
            for (std::size_t i = 0; i < d.size(); ++i)
                for (std::size_t j = i + 1; j < d.size(); ++j)
                    smallest = std::min(smallest,
                                        std::acos(std::clamp(d[i].x * d[j].x + d[i].y * d[j].y, -1.0, 1.0)));
            const double bent = 0.55 * m_width / std::max(std::sin(smallest / 2), 0.05);
            m_radius[n] = std::clamp(bent, m_width, 2.5 * m_width);
        }
    }

    void Cluster() {
        std::vector<int> parent(m_centre.size());
        std::iota(parent.begin(), parent.end(), 0);
        auto find = [&](int n) {
            while (parent[n] != n) n = parent[n] = parent[parent[n]];
            return n;
        };
        // Nodes are few beside the pixels; a grid of cells a reach wide would
        // serve for huge drawings, but sorting by x bounds the pairs tried.
        std::vector<int> order(m_centre.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return m_centre[a].x < m_centre[b].x; });
        const double widest = 5 * m_width;
        // Only junctions, where three or more branches meet, bend strokes; the
        // end of a stroke is a node of one branch and is left alone.
        std::erase_if(order, [&](int n) { return m_branches[n] < 3; });
        for (std::size_t i = 0; i < order.size(); ++i)
            for (std::size_t j = i + 1; j < order.size(); ++j) {
                const int a = order[i], b = order[j];
                if (m_centre[b].x - m_centre[a].x > widest) break;
                if (Distance(m_centre[a], m_centre[b]) <= m_radius[a] + m_radius[b])
                    parent[find(a)] = find(b);
            }
        m_cluster.assign(m_centre.size(), -1);
        for (int n : order) {
            const int root = find(n);
            if (m_cluster[root] < 0) {
                m_cluster[root] = static_cast<int>(m_members.size());
                m_members.emplace_back();
            }
            m_cluster[n] = m_cluster[root];
            m_members[m_cluster[n]].push_back(n);
        }
    }

    // Marks every cell of kCell by kCell pixels that the square about a
    // junction's bend (its centre, give or take its radius) reaches into.
    void MarkCells() {
        bool any = false;
        double left = 0, bottom = 0, right = 0, top = 0;
        auto forEachBend = [&](auto f) {
            for (std::size_t c = 0; c < m_members.size(); ++c)
                if (!Tangled(static_cast<int>(c)))
                    for (int n : m_members[c]) f(m_centre[n], m_radius[n]);
        };
        forEachBend([&](CadPoint c, double r) {
            left = any ? std::min(left, c.x - r) : c.x - r, right = any ? std::max(right, c.x + r) : c.x + r;
            bottom = any ? std::min(bottom, c.y - r) : c.y - r, top = any ? std::max(top, c.y + r) : c.y + r;
            any = true;
        });
        if (!any) return;
        m_cellsLeft = left, m_cellsBottom = bottom;
        m_cellsWide = static_cast<std::size_t>((right - left) / kCell) + 1;
        m_cellsHigh = static_cast<std::size_t>((top - bottom) / kCell) + 1;
        m_cells.assign(m_cellsWide * m_cellsHigh, 0);
        forEachBend([&](CadPoint c, double r) {
            const auto cell = [](double v) { return static_cast<std::size_t>(v / kCell); };
            for (std::size_t y = cell(c.y - r - bottom); y <= cell(c.y + r - bottom); ++y)
                for (std::size_t x = cell(c.x - r - left); x <= cell(c.x + r - left); ++x)
                    m_cells[y * m_cellsWide + x] = 1;
        });
    }

    static constexpr double kCell = 8;
    double m_width = 1;
    std::vector<std::uint8_t> m_cells;  // per cell, row by row: whether a bend reaches into it
    double m_cellsLeft = 0, m_cellsBottom = 0;
    std::size_t m_cellsWide = 0, m_cellsHigh = 0;
    std::vector<CadPoint> m_centre;
    struct Leaving {
        int node;
        CadPoint direction;
    };
    std::vector<Leaving> m_leaving;  // per branch noted, the way it leaves its node
    std::vector<int> m_branches;     // per node, the chains leaving it: 1 at a free end
    std::vector<double> m_radius;
    std::vector<int> m_cluster;
    std::vector<std::vector<int>> m_members;
};

// Boxes filed under the cells of a coarse grid they reach into, so that
// those near a place are found without looking at every one.
class BoxIndex {
public:
    BoxIndex() = default;
    explicit BoxIndex(std::vector<cad::Box> boxes) : m_boxes(std::move(boxes)) {
        for (const cad::Box& b : m_boxes)
            if (!b.Empty()) m_extent.Add(b.min), m_extent.Add(b.max);
        if (m_extent.Empty()) return;
        constexpr double kMostCells = 256;
        m_cell = std::max({64.0, (m_extent.max.x - m_extent.min.x) / kMostCells,
                           (m_extent.max.y - m_extent.min.y) / kMostCells});
        m_wide = Column(m_extent.max.x) + 1;
        const std::size_t high = Row(m_extent.max.y) + 1;
        m_first.assign(m_wide * high + 1, 0);
        ForEachFiling([&](std::size_t cell, std::size_t) { ++m_first[cell + 1]; });
        for (std::size_t c = 1; c < m_first.size(); ++c) m_first[c] += m_first[c - 1];
        m_filed.resize(m_first.back());
        std::vector<std::size_t> next(m_first.begin(), m_first.end() - 1);
        ForEachFiling([&](std::size_t cell, std::size_t i) { m_filed[next[cell]++] = i; });
    }

    // The boxes that meet the square of half-width `half` about `centre`,
    // in their order.
    std::vector<std::size_t> Meeting(CadPoint centre, double half) const {
        std::vector<std::size_t> found;
        const cad::Box& e = m_extent;
        if (e.Empty() || centre.x + half < e.min.x || centre.x - half > e.max.x ||
            centre.y + half < e.min.y || centre.y - half > e.max.y)
            return found;
        for (std::size_t y = Row(centre.y - half); y <= Row(centre.y + half); ++y)
            for (std::size_t x = Column(centre.x - half); x <= Column(centre.x + half); ++x)
                for (std::size_t k = m_first[y * m_wide + x]; k < m_first[y * m_wide + x + 1]; ++k) {
                    const cad::Box& b = m_boxes[m_filed[k]];
                    if (!(b.max.x < centre.x - half || b.min.x > centre.x + half ||
                          b.max.y < centre.y - half || b.min.y > centre.y + half))
                        found.push_back(m_filed[k]);
                }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        return found;
    }

private:
    // The column and row of the cell holding x or y, clamped to the grid.
    std::size_t Column(double x) const {
        return static_cast<std::size_t>(
            std::clamp((x - m_extent.min.x) / m_cell, 0.0, (m_extent.max.x - m_extent.min.x) / m_cell));
    }
    std::size_t Row(double y) const {
        return static_cast<std::size_t>(
            std::clamp((y - m_extent.min.y) / m_cell, 0.0, (m_extent.max.y - m_extent.min.y) / m_cell));
    }
    template <typename F>
    void ForEachFiling(F f) const {
        for (std::size_t i = 0; i < m_boxes.size(); ++i) {
            const cad::Box& b = m_boxes[i];
            if (b.Empty()) continue;
            for (std::size_t y = Row(b.min.y); y <= Row(b.max.y); ++y)
                for (std::size_t x = Column(b.min.x); x <= Column(b.max.x); ++x) f(y * m_wide + x, i);
        }
    }

    std::vector<cad::Box> m_boxes;
    cad::Box m_extent;
    double m_cell = 64;
    std::size_t m_wide = 0;
    std::vector<std::size_t> m_first;  // per cell, row by row, where its boxes start in m_filed; then the end
    std::vector<std::size_t> m_filed;
};

struct Piece {
    std::size_t from = 0, to = 0;  // its range of the chain's points
    bool arc = false;
    bool counterClockwise = true;
    double bulge = 0;  // as fitted first
    Shape shape;
    std::vector<CadPoint> clear;  // its points clear of junctions and corners
    bool removed = false;
};

struct Work {
    FittedChain fit;
    std::vector<Piece> pieces;
    std::vector<CadPoint> vertex;  // piece k runs from vertex[k] to vertex[k + 1]
    std::vector<bool> fixed;       // a vertex placed on a circle found across chains
    std::vector<bool> tangent;     // a vertex where a line runs into an arc as its tangent
    std::vector<int> clusters;     // the junction clusters on the chain
    cad::Box box;                  // its vertices and pixels, once they are placed
    int startCluster = -1, endCluster = -1;
    bool closed = false;
    bool dropped = false;
    bool reverted = false;  // refitting strayed from the pixels: the first fits stand
    // The first fits of the chains joined into it; none for a chain not
    // joined, whose first fit is fit itself.
    std::vector<FittedChain> firstFits;
    // For a chain joined from others, the chains first fitted whose pixels
    // are its own, in order, each walked backwards where reversed: they are
    // gathered into fit.points once the joins are done, so that a line
    // crossed many times is not copied at every crossing.
    struct Part {
        std::size_t work;
        bool reversed;
    };
    std::vector<Part> parts;

    // What stands for the work when its refit strays, its first fits, taken
    // out of it.
    std::vector<FittedChain> TakeFirstFits() {
        if (!firstFits.empty()) return std::move(firstFits);
        std::vector<FittedChain> first(1);
        first[0].vertices = fit.vertices;
        first[0].closed = fit.closed;
        first[0].isCircle = fit.isCircle;
        first[0].circle = fit.circle;
        return first;
    }

    // The same chain walked the other way (its pixels are turned round
    // through its parts).
    void Reverse() {
        std::reverse(pieces.begin(), pieces.end());
        std::reverse(vertex.begin(), vertex.end());
        for (Piece& p : pieces) {
            p.counterClockwise = !p.counterClockwise;
            p.bulge = -p.bulge;
        }
        std::swap(startCluster, endCluster);
    }
};

// The circle through the stretch a -> b of the given bulge.
cad::Circle CircleOfBulge(CadPoint a, CadPoint b, double bulge) {
    const cad::Arc arc = cad::ArcOfBulge(a, b, bulge);
    return {arc.centre, arc.radius};
}

double WorstDistance(const Shape& shape, std::span<const CadPoint> points) {
    double worst = 0;
    for (const CadPoint& p : points) worst = std::max(worst, cad::DistanceTo(shape, p));
    return worst;
}

// A shape fitted to points, and the largest distance of a point from it.
struct Refitted {
    Shape shape;
    double worst = 0;
};

// The shape fitted to the points, those of `points` then those of `more`,
// when it fits them within the tolerance.
std::optional<Refitted> RefitBoth(std::span<const CadPoint> points, std::span<const CadPoint> more,
                                  bool circle, double tolerance) {
    Refitted fitted;
    fitted.shape.isCircle = circle;
    const std::size_t n = points.size() + more.size();
    if (circle) {
        if (n < 5) return std::nullopt;
        const auto c = cad::FitCircle(points, more);
        if (!c || c->radius > 1e5) return std::nullopt;
        fitted.shape.circle = *c;
    } else {
        if (n < 2) return std::nullopt;
        const auto l = cad::FitLine(points, more);
        if (!l) return std::nullopt;
        fitted.shape.line = *l;
    }
    fitted.worst = std::max(WorstDistance(fitted.shape, points), WorstDistance(fitted.shape, more));
    if (fitted.worst > tolerance) return std::nullopt;
    return fitted;
}

// The shape fitted to the points when it fits them within the tolerance.
std::optional<Shape> Refit(std::span<const CadPoint> points, bool circle, double tolerance) {
    const auto fitted = RefitBoth(points, {}, circle, tolerance);
    if (!fitted) return std::nullopt;
    return fitted->shape;
}

class JunctionFitter {
public:
    JunctionFitter(const StrokeGraph& graph, double tolerance, double strokeWidth, bool arcs)
        : m_graph(graph), m_tolerance(tolerance), m_width(std::max(strokeWidth, 1.0)), m_arcs(arcs) {}

    std::vector<FittedChain> Fit() {
        // The work on one chain at a time runs on the worker threads; the
        // work across chains at the junctions and on circles in turn.
        // Each join adds a chain, and there are fewer joins than chains:
        // the list never moves.
        m_work.reserve(2 * m_graph.chains.size());
        m_work.resize(m_graph.chains.size());
        // The junctions are found while the chains' first fits begin.
        ForEachItemBeside([this] { m_junctions = Junctions(m_graph, m_width); }, m_work.size(),
                          [this](std::size_t i) { m_work[i].fit = FirstFit(m_graph.chains[i]); });
        ForEachItem(m_work.size(), [this](std::size_t i) {
            Start(m_work[i], m_graph.chains[i]);
            if (!m_work[i].dropped && !m_work[i].fit.isCircle) Refine(m_work[i]);
        });
        m_atCluster.resize(m_junctions.Clusters());
        for (std::size_t i = 0; i < m_work.size(); ++i) Index(i);
        // The joins each junction offers are weighed on the threads; then
        // the junctions join in turn, weighing again only where an earlier
        // join changed the chains. Joining runs beside the map of the ink,
        // which the search for circles and the check against the ink read.
        std::vector<Joins> planned(m_junctions.Clusters());
        ForEachItem(planned.size(), [&](std::size_t c) { planned[c] = JoinsAt(static_cast<int>(c)); });
        BothAtOnce(
            [&] {
                for (std::size_t c = 0; c < planned.size(); ++c) JoinAcross(static_cast<int>(c), planned[c]);
            },
            [this] { BuildInk(); });
        ForEachItem(m_work.size(), [this](std::size_t i) {
            Work& w = m_work[i];
            if (w.dropped || w.pieces.empty()) return;
            if (!w.parts.empty()) w.fit.points = PointsOfParts(w);
            FindTangents(w);
            PlaceVertices(w);
            for (const CadPoint& p : w.vertex) w.box.Add(p);
            for (const CadPoint& p : w.fit.points) w.box.Add(p);
        });
        if (m_arcs) FindCircles();
        for (int c = 0; c < static_cast<int>(m_junctions.Clusters()); ++c) Meet(c);
        BuildInk();
        // Each chain is checked and given out, and what it held freed,
        // on the threads; then the chains are gathered in order.
        ForEachItem(m_work.size(), [this](std::size_t i) {
            Work& w = m_work[i];
            if (!w.dropped && !w.pieces.empty() && !Faithful(w)) w.reverted = true;
        });
        std::vector<FittedChain> out;
        for (Work& w : m_work) Emit(w, out);
        for (const cad::Circle& c : m_circles) {
            FittedChain chain;
            chain.isCircle = true;
            chain.circle = c;
            out.push_back(std::move(chain));
        }
        Release();
        return out;
    }

private:
    // Frees the work, the largest blocks first: the pixel lists, then the
    // pieces' pixels, then the many small lists. On the A4 page that took
    // about half as long as freeing it chain by chain (2 ms against 4).
    void Release() {
        for (Work& w : m_work) std::vector<CadPoint>().swap(w.fit.points);
        for (Work& w : m_work)
            for (Piece& p : w.pieces) std::vector<CadPoint>().swap(p.clear);
        for (Work& w : m_work) w = Work();
    }

    FittedChain FirstFit(const StrokeChain& chain) const {
        std::span<const Point> points = m_graph.PointsOf(chain);
        // A loop out of a junction and back into it is fitted as a ring, so
        // that it may be a circle.
        const bool loop = !chain.closed && points.size() >= 4 && points.front() == points.back();
        if (loop) points = points.first(points.size() - 1);
        return FitChain(points, chain.closed || loop, m_tolerance, m_arcs);
    }

    // The chain's place among the junctions, from its first fit.
    void Start(Work& w, const StrokeChain& chain) const {
        w.closed = w.fit.closed;
        w.startCluster = m_junctions.ClusterOf(chain.startNode);
        w.endCluster = m_junctions.ClusterOf(chain.endNode);
        for (int c : {w.startCluster, w.endCluster})
            if (c >= 0) w.clusters.push_back(c);
        for (const auto& [index, node] : chain.through)
            if (m_junctions.ClusterOf(node) >= 0) w.clusters.push_back(m_junctions.ClusterOf(node));
        std::sort(w.clusters.begin(), w.clusters.end());
        w.clusters.erase(std::unique(w.clusters.begin(), w.clusters.end()), w.clusters.end());
        // A short loop from a junction back into it is a knot of thinning.
        if (!w.closed && w.startCluster >= 0 && w.startCluster == w.endCluster &&
            !m_junctions.Tangled(w.startCluster) && static_cast<double>(w.fit.points.size()) <= 3 * m_width &&
            std::all_of(w.fit.points.begin(), w.fit.points.end(),
                        [&](const CadPoint& p) { return Masked(w, p); }))
            w.dropped = true;
    }

    // Notes work i under each junction cluster on it, so that the work at a
    // junction is found without looking through every chain.
    void Index(std::size_t i) {
        for (int c : m_work[i].clusters) m_atCluster[c].push_back(i);
    }

    // Whether p lies within the pen's cap at a free end of the chain, where
    // thinning often leaves a hook.
    bool NearFreeEnd(const Work& w, CadPoint p) const {
        if (w.closed || w.fit.points.empty()) return false;
        const double cap = 0.75 * m_width;
        return (w.startCluster < 0 && Distance(p, w.fit.points.front()) < cap) ||
               (w.endCluster < 0 && Distance(p, w.fit.points.back()) < cap);
    }

    bool Masked(const Work& w, CadPoint p) const {
        return m_junctions.MaybeNear(p) && std::any_of(w.clusters.begin(), w.clusters.end(),
                                                       [&](int c) { return m_junctions.Near(c, p); });
    }

    void Refine(Work& w) {
        const FittedChain& f = w.fit;
        if (f.vertices.size() < 2) return;
        const std::size_t count = w.closed ? f.vertices.size() : f.vertices.size() - 1;
        w.vertex.reserve(count + 1);
        w.pieces.reserve(count);
        for (std::size_t k = 0; k <= count; ++k) w.vertex.push_back(f.points[f.pointOf[k]]);
        for (std::size_t k = 0; k < count; ++k) {
            Piece piece;
            piece.from = f.pointOf[k];
            piece.to = f.pointOf[k + 1];
            piece.bulge = f.vertices[k].bulge;
            piece.arc = piece.bulge != 0;
            piece.counterClockwise = piece.bulge > 0;
            w.pieces.push_back(std::move(piece));
        }
        const std::vector<bool> corner = Corners(w);
        for (std::size_t k = 0; k < w.pieces.size(); ++k) {
            Piece& piece = w.pieces[k];
            const CadPoint a = w.vertex[k], b = w.vertex[k + 1];
            piece.clear.reserve(piece.to - piece.from + 1);
            for (std::size_t i = piece.from; i <= piece.to; ++i) {
                const CadPoint p = f.points[i];
                if (Masked(w, p) || NearFreeEnd(w, p)) continue;
                if ((corner[k] && Distance(p, a) < m_width) || (corner[k + 1] && Distance(p, b) < m_width))
                    continue;
                piece.clear.push_back(p);
            }
            piece.shape = FirstShape(piece, a, b);
            if (auto better = Refit(piece.clear, piece.arc, m_tolerance)) piece.shape = *better;
        }
        Merge(w);
        DropUnclearPieces(w);
    }

    // A chain's end at a junction.
    struct EndRef {
        std::size_t work;
        bool atStart;
        bool operator==(const EndRef&) const = default;
    };
    // The chains' ends at a junction, and the pairs of them that one line or
    // circle fits across it, best fit first.
    struct Joins {
        std::vector<EndRef> ends;
        struct Pair {
            Refitted joined;
            std::size_t a, b;  // in ends
        };
        std::vector<Pair> pairs;
    };

    std::vector<EndRef> EndsAt(int cluster) const {
        std::vector<EndRef> ends;
        for (std::size_t i : m_atCluster[cluster]) {
            const Work& w = m_work[i];
            if (w.dropped || w.closed || w.pieces.empty()) continue;
            if (w.startCluster == cluster) ends.push_back({i, true});
            if (w.endCluster == cluster) ends.push_back({i, false});
        }
        return ends;
    }

    Joins JoinsAt(int cluster) const {
        Joins joins;
        if (m_junctions.Tangled(cluster)) return joins;
        joins.ends = EndsAt(cluster);
        const std::vector<EndRef>& ends = joins.ends;
        for (std::size_t a = 0; a < ends.size(); ++a)
            for (std::size_t b = a + 1; b < ends.size(); ++b) {
                // A chain's own two ends close it, when it has two pieces to join.
                if (ends[a].work == ends[b].work && m_work[ends[a].work].pieces.size() < 3) continue;
                if (const auto joined = JoinFit(ends[a].work, ends[a].atStart, ends[b].work, ends[b].atStart))
                    joins.pairs.push_back({*joined, a, b});
            }
        std::stable_sort(
            joins.pairs.begin(), joins.pairs.end(),
            [](const Joins::Pair& l, const Joins::Pair& r) { return l.joined.worst < r.joined.worst; });
        return joins;
    }

    // Chains that end at one junction and carry on each other's line or
    // circle across it (strokes crossing at an X leave four ends and a short
    // bridge between two junction pixels) become one chain, best fit first.
    // `planned` holds the joins weighed before any junction joined: they
    // stand while the same chains end here, which no longer holds once an
    // earlier join made a new chain of one or closed it.
    void JoinAcross(int cluster, Joins& planned) {
        if (m_junctions.Tangled(cluster)) return;
        if (EndsAt(cluster) != planned.ends) planned = JoinsAt(cluster);
        const std::vector<EndRef>& ends = planned.ends;
        std::vector<bool> used(ends.size(), false);
        for (const Joins::Pair& p : planned.pairs) {
            // A chain joined at one end is no more: its other end, also here,
            // belongs to the chain it became.
            if (used[p.a] || used[p.b] || m_work[ends[p.a].work].dropped || m_work[ends[p.b].work].dropped)
                continue;
            used[p.a] = used[p.b] = true;
            if (ends[p.a].work == ends[p.b].work)
                Close(m_work[ends[p.a].work], p.joined.shape);
            else
                Join(ends[p.a].work, ends[p.a].atStart, ends[p.b].work, ends[p.b].atStart, p.joined.shape);
        }
    }

    // The one shape fitted to the two end pieces' clear pixels, and their
    // worst distance from it, when both are straight and run on in line, or
    // both are arcs turning the same way, and it is within the tolerance.
    std::optional<Refitted> JoinFit(std::size_t a, bool aStart, std::size_t b, bool bStart) const {
        const Work &u = m_work[a], &v = m_work[b];
        const Piece& p = aStart ? u.pieces.front() : u.pieces.back();
        const Piece& q = bStart ? v.pieces.front() : v.pieces.back();
        if (p.arc != q.arc || p.clear.size() < 2 || q.clear.size() < 2) return std::nullopt;
        // Directions leaving the junction along each piece.
        const CadPoint pa = aStart ? u.vertex.front() : u.vertex.back();
        const CadPoint pb = aStart ? u.vertex[1] : u.vertex[u.vertex.size() - 2];
        const CadPoint qa = bStart ? v.vertex.front() : v.vertex.back();
        const CadPoint qb = bStart ? v.vertex[1] : v.vertex[v.vertex.size() - 2];
        if (p.arc) {
            // Walked from u into v, both must turn the same way.
            const bool pTurn = aStart ? !p.counterClockwise : p.counterClockwise;
            const bool qTurn = bStart ? q.counterClockwise : !q.counterClockwise;
            if (pTurn != qTurn) return std::nullopt;
        } else {
            const double ux = pb.x - pa.x, uy = pb.y - pa.y, vx = qb.x - qa.x, vy = qb.y - qa.y;
            const double lengths = std::hypot(ux, uy) * std::hypot(vx, vy);
            if (lengths == 0 || (ux * vx + uy * vy) / lengths > -std::cos(6 * kPi / 180)) return std::nullopt;
        }
        return RefitBoth(p.clear, q.clear, p.arc, m_tolerance);
    }

    // The chain closed through the junction both its ends lie at: its last
    // piece and its first become one, which it ends with. `joined` is the
    // shape fitted to the two pieces' pixels taken the other way round.
    void Close(Work& w, const Shape& joined) {
        Piece merged = w.pieces.back();
        const Piece& first = w.pieces.front();
        merged.clear.insert(merged.clear.end(), first.clear.begin(), first.clear.end());
        // Summed in the other order the fit can differ by a rounding, enough
        // to tip a pixel on the tolerance over it.
        merged.shape = Refit(merged.clear, merged.arc, m_tolerance).value_or(joined);
        if (merged.arc) merged.bulge = JoinedBulge(merged, first);
        std::vector<Piece> pieces(w.pieces.begin() + 1, w.pieces.end() - 1);
        pieces.push_back(std::move(merged));
        std::vector<CadPoint> vertex(w.vertex.begin() + 1, w.vertex.end() - 1);
        vertex.push_back(vertex.front());
        w.pieces = std::move(pieces);
        w.vertex = std::move(vertex);
        w.closed = true;
        w.startCluster = w.endCluster = -1;
    }

    // The first bulge of two arcs' pieces turned as one.
    static double JoinedBulge(const Piece& p, const Piece& q) {
        const double turn = std::min(std::atan(std::abs(p.bulge)) + std::atan(std::abs(q.bulge)), 0.49 * kPi);
        return (p.counterClockwise ? 1 : -1) * std::tan(turn);
    }

    // Chain b's pieces carried on after chain a's through the junction, as
    // a chain of its own; a and b are no more. `joined` is the shape fitted
    // to the pixels of a's end piece and then b's.
    void Join(std::size_t a, bool aStart, std::size_t b, bool bStart, const Shape& joined) {
        std::vector<FittedChain> firsts = m_work[a].TakeFirstFits(), more = m_work[b].TakeFirstFits();
        firsts.insert(firsts.end(), std::make_move_iterator(more.begin()),
                      std::make_move_iterator(more.end()));
        Work w;
        w.parts = PartsOf(a, aStart);
        for (const Work::Part& part : PartsOf(b, !bStart)) w.parts.push_back(part);
        Work u = std::move(m_work[a]), v = std::move(m_work[b]);
        // The chains first fitted keep their pixels for the parts.
        m_work[a].fit.points = std::move(u.fit.points);
        m_work[b].fit.points = std::move(v.fit.points);
        if (aStart) u.Reverse();   // u now ends at the junction
        if (!bStart) v.Reverse();  // v now starts there
        w.firstFits = std::move(firsts);
        w.clusters = std::move(u.clusters);
        w.clusters.insert(w.clusters.end(), v.clusters.begin(), v.clusters.end());
        std::sort(w.clusters.begin(), w.clusters.end());
        w.clusters.erase(std::unique(w.clusters.begin(), w.clusters.end()), w.clusters.end());
        w.startCluster = u.startCluster;
        w.endCluster = v.endCluster;
        Piece merged = std::move(u.pieces.back());
        const Piece& next = v.pieces.front();
        merged.clear.insert(merged.clear.end(), next.clear.begin(), next.clear.end());
        merged.shape = joined;
        if (merged.arc) merged.bulge = JoinedBulge(merged, next);
        u.pieces.pop_back();
        w.pieces = std::move(u.pieces);
        w.pieces.push_back(std::move(merged));
        w.pieces.insert(w.pieces.end(), std::make_move_iterator(v.pieces.begin() + 1),
                        std::make_move_iterator(v.pieces.end()));
        w.vertex.assign(u.vertex.begin(), u.vertex.end() - 1);
        w.vertex.insert(w.vertex.end(), v.vertex.begin() + 1, v.vertex.end());
        for (std::size_t gone : {a, b}) {
            m_work[gone].dropped = true;
            m_work[gone].pieces.clear();
            m_work[gone].vertex.clear();
        }
        m_work.push_back(std::move(w));
        Index(m_work.size() - 1);
    }

    // The parts of work i, walked backwards when reversed.
    std::vector<Work::Part> PartsOf(std::size_t i, bool reversed) const {
        std::vector<Work::Part> parts = m_work[i].parts;
        if (parts.empty()) parts.push_back({i, false});
        if (reversed) {
            std::reverse(parts.begin(), parts.end());
            for (Work::Part& part : parts) part.reversed = !part.reversed;
        }
        return parts;
    }

    // A joined chain's pixels, gathered from its parts.
    std::vector<CadPoint> PointsOfParts(const Work& w) const {
        std::size_t count = 0;
        for (const Work::Part& part : w.parts) count += m_work[part.work].fit.points.size();
        std::vector<CadPoint> points;
        points.reserve(count);
        for (const Work::Part& part : w.parts) {
            const std::vector<CadPoint>& from = m_work[part.work].fit.points;
            if (part.reversed)
                points.insert(points.end(), from.rbegin(), from.rend());
            else
                points.insert(points.end(), from.begin(), from.end());
        }
        return points;
    }

    // Per vertex, whether it is a corner between two straight pieces.
    std::vector<bool> Corners(const Work& w) const {
        std::vector<bool> corner(w.vertex.size(), false);
        const std::size_t n = w.pieces.size();
        for (std::size_t k = 0; k + 1 < n + (w.closed ? 1 : 0); ++k) {
            const Piece &p = w.pieces[k], &q = w.pieces[(k + 1) % n];
            if (p.arc || q.arc) continue;
            const CadPoint a = w.vertex[k], m = w.vertex[k + 1], b = w.vertex[k + 2 <= n ? k + 2 : k + 2 - n];
            const double turn = std::abs(
                std::remainder(std::atan2(b.y - m.y, b.x - m.x) - std::atan2(m.y - a.y, m.x - a.x), 2 * kPi));
            if (turn > kCornerTurn) {
                corner[k + 1] = true;
                if (w.closed && k + 1 == n) corner[0] = true;
            }
        }
        return corner;
    }

    static Shape FirstShape(const Piece& piece, CadPoint a, CadPoint b) {
        Shape shape;
        shape.isCircle = piece.arc;
        if (piece.arc)
            shape.circle = CircleOfBulge(a, b, piece.bulge);
        else
            shape.line = cad::LineThrough(a, b);
        return shape;
    }

    // Joins neighbouring pieces of the same kind that one shape fits, a
    // piece with no clear pixel between them included.
    void Merge(Work& w) {
        for (std::size_t k = 0; k + 1 < w.pieces.size();) {
            std::size_t next = k + 1;
            if (w.pieces[next].clear.empty() && next + 1 < w.pieces.size() &&
                w.pieces[next + 1].arc == w.pieces[k].arc)
                ++next;
            const Piece &p = w.pieces[k], &q = w.pieces[next];
            if (p.arc != q.arc || (p.arc && p.counterClockwise != q.counterClockwise) || p.clear.empty() ||
                q.clear.empty()) {
                ++k;
                continue;
            }
            const auto fitted = RefitBoth(p.clear, q.clear, p.arc, m_tolerance);
            if (!fitted) {
                ++k;
                continue;
            }
            Piece merged = p;
            merged.to = q.to;
            merged.clear.insert(merged.clear.end(), q.clear.begin(), q.clear.end());
            merged.shape = fitted->shape;
            for (std::size_t m = k + 1; m <= next && merged.arc; ++m)
                merged.bulge = JoinedBulge(merged, w.pieces[m]);
            w.pieces[k] = std::move(merged);
            w.pieces.erase(w.pieces.begin() + k + 1, w.pieces.begin() + next + 1);
            w.vertex.erase(w.vertex.begin() + k + 1, w.vertex.begin() + next + 1);
        }
    }

    // A piece with no pixel clear of a junction is thinning's bend: between
    // two pieces that cross near it, or at a chain's end beside another
    // piece, it goes and its neighbours reach across.
    void DropUnclearPieces(Work& w) {
        for (std::size_t k = 0; k < w.pieces.size() && w.pieces.size() > 1;) {
            if (!w.pieces[k].clear.empty()) {
                ++k;
                continue;
            }
            const bool first = k == 0, last = k + 1 == w.pieces.size();
            if (!w.closed && (first || last)) {
                // An end in a junction is thinning's bend, and so is a hook
                // no longer than a stroke width at a free end; the piece
                // beside it reaches to the end (a free end keeps its place).
                const bool junction =
                    (first && AtJunction(w.startCluster)) || (last && AtJunction(w.endCluster));
                const bool hook = Distance(w.vertex[k], w.vertex[k + 1]) <= m_width;
                if (junction) {
                    w.pieces.erase(w.pieces.begin() + k);
                    w.vertex.erase(w.vertex.begin() + (first ? 0 : k + 1));
                } else if (hook) {
                    w.pieces.erase(w.pieces.begin() + k);
                    w.vertex.erase(w.vertex.begin() + (first ? 1 : k));
                } else {
                    ++k;
                }
                continue;
            }
            const std::size_t n = w.pieces.size();
            const Piece &before = w.pieces[(k + n - 1) % n], &after = w.pieces[(k + 1) % n];
            const CadPoint middle{(w.vertex[k].x + w.vertex[k + 1].x) / 2,
                                  (w.vertex[k].y + w.vertex[k + 1].y) / 2};
            if (!before.clear.empty() && !after.clear.empty() &&
                CrossingNear(before.shape, after.shape, middle, Reach())) {
                w.pieces.erase(w.pieces.begin() + k);
                w.vertex.erase(w.vertex.begin() + k + 1);
                continue;
            }
            ++k;
        }
        if (w.closed) w.vertex.back() = w.vertex.front();
    }

    double Reach() const { return 3 * std::max(m_width, m_tolerance); }
    bool AtJunction(int cluster) const { return cluster >= 0 && !m_junctions.Tangled(cluster); }

    // Where two shapes cross nearest to `near`, within reach of it.
    static std::optional<CadPoint> CrossingNear(const Shape& a, const Shape& b, CadPoint near, double reach) {
        std::optional<CadPoint> best;
        for (const CadPoint& p : cad::Crossings(a, b))
            if (Distance(p, near) <= reach && (!best || Distance(p, near) < Distance(*best, near))) best = p;
        return best;
    }

    // Each vertex between two pieces where their shapes cross, or between
    // them when they do not cross near it; open ends on their own shape.
    // Where a line touches a circle: between the foot of the perpendicular
    // from the centre and its point on the circle.
    static CadPoint TangentPoint(const Shape& a, const Shape& b) {
        const Shape& line = a.isCircle ? b : a;
        const Shape& circle = a.isCircle ? a : b;
        const CadPoint foot = cad::Nearest(line, circle.circle.centre);
        const CadPoint on = cad::Nearest(circle, foot);
        return {(foot.x + on.x) / 2, (foot.y + on.y) / 2};
    }

    // A straight piece beside an arc whose circle it touches runs into the
    // arc at the tangent point, not where the first fit let the line end:
    // near a tangent point a line and a large arc stay within the tolerance
    // of each other for a long way, and the first fit gives that stretch to
    // the line. The pixels of both are shared out again at the tangent
    // point and both refitted.
    void FindTangents(Work& w) {
        const std::size_t n = w.pieces.size();
        w.tangent.assign(w.vertex.size(), false);
        for (std::size_t k = 0; k + 1 < n + (w.closed ? 1 : 0); ++k) {
            Piece &p = w.pieces[k], &q = w.pieces[(k + 1) % n];
            if (p.arc == q.arc || p.clear.size() < 2 || q.clear.size() < 5) continue;
            Piece& line = p.arc ? q : p;
            Piece& arc = p.arc ? p : q;
            if (std::abs(cad::DistanceTo(line.shape, arc.shape.circle.centre) - arc.shape.circle.radius) >
                m_tolerance)
                continue;
            // Along the line, from its far end towards the arc.
            const CadPoint far = p.arc ? w.vertex[k + 2 <= n ? k + 2 : k + 2 - n] : w.vertex[k];
            const CadPoint foot = cad::Nearest(line.shape, arc.shape.circle.centre);
            const double ux = foot.x - far.x, uy = foot.y - far.y, reach = std::hypot(ux, uy);
            if (reach == 0) continue;
            std::vector<CadPoint> onLine, onArc;
            for (const Piece* piece : {&p, &q})
                for (const CadPoint& c : piece->clear) {
                    const bool before = ((c.x - far.x) * ux + (c.y - far.y) * uy) / reach < reach;
                    (before && cad::DistanceTo(line.shape, c) <= 2 * m_tolerance ? onLine : onArc)
                        .push_back(c);
                }
            const auto lineShape = Refit(onLine, false, m_tolerance);
            const auto arcShape = Refit(onArc, true, m_tolerance);
            if (!lineShape || !arcShape) continue;
            line.shape = *lineShape, line.clear = std::move(onLine);
            arc.shape = *arcShape, arc.clear = std::move(onArc);
            w.tangent[k + 1] = true;
            if (w.closed && k + 1 == n) w.tangent[0] = true;
        }
    }

    void PlaceVertices(Work& w) {
        const std::size_t n = w.pieces.size();
        w.fixed.assign(w.vertex.size(), false);
        if (n == 0) return;
        for (std::size_t k = 0; k <= n; ++k) {
            const bool end = !w.closed && (k == 0 || k == n);
            if (w.closed && k == n) {
                w.vertex[n] = w.vertex[0];
                break;
            }
            const CadPoint raw = w.vertex[k];
            if (w.tangent[k]) {
                w.vertex[k] = TangentPoint(w.pieces[(k + n - 1) % n].shape, w.pieces[k % n].shape);
                continue;
            }
            if (end) {
                w.vertex[k] = cad::Nearest(w.pieces[k == 0 ? 0 : n - 1].shape, raw);
                continue;
            }
            const Shape& before = w.pieces[(k + n - 1) % n].shape;
            const Shape& after = w.pieces[k % n].shape;
            if (const auto at = CrossingNear(before, after, raw, Reach())) {
                w.vertex[k] = *at;
            } else {
                const CadPoint p = cad::Nearest(before, raw), q = cad::Nearest(after, raw);
                w.vertex[k] = {(p.x + q.x) / 2, (p.y + q.y) / 2};
            }
        }
        if (w.closed) w.vertex[n] = w.vertex[0];
    }

    // The angle of p about the centre.
    static double AngleAbout(const cad::Circle& c, CadPoint p) {
        return std::atan2(p.y - c.centre.y, p.x - c.centre.x);
    }

    // Arcs of one circle become that circle when ink covers it all round.
    void FindCircles() {
        struct ArcRef {
            std::size_t work, piece;
            double sweep;
        };
        std::vector<ArcRef> arcs;
        for (std::size_t i = 0; i < m_work.size(); ++i)
            for (std::size_t k = 0; k < m_work[i].pieces.size() && !m_work[i].dropped; ++k) {
                const Piece& p = m_work[i].pieces[k];
                if (!p.arc || p.clear.size() < 5 || p.shape.circle.radius < 1.5) continue;
                arcs.push_back({i, k, SweepOf(m_work[i], k)});
            }
        std::stable_sort(arcs.begin(), arcs.end(),
                         [](const ArcRef& a, const ArcRef& b) { return a.sweep > b.sweep; });
        if (arcs.empty()) return;
        BuildInk();
        auto circleOf = [&](std::size_t a) -> const cad::Circle& {
            return m_work[arcs[a].work].pieces[arcs[a].piece].shape.circle;
        };
        // The arcs by their centres' x, to find those about one centre,
        // with their circles beside them to be looked through quickly.
        std::vector<std::size_t> byX(arcs.size());
        std::iota(byX.begin(), byX.end(), 0);
        std::sort(byX.begin(), byX.end(),
                  [&](std::size_t a, std::size_t b) { return circleOf(a).centre.x < circleOf(b).centre.x; });
        std::vector<cad::Circle> circlesByX(arcs.size());
        for (std::size_t i = 0; i < byX.size(); ++i) circlesByX[i] = circleOf(byX[i]);
        const auto pieceOf = [&](std::size_t a) -> const Piece& {
            return m_work[arcs[a].work].pieces[arcs[a].piece];
        };
        std::vector<cad::Box> boxes;
        for (const Work& w : m_work) boxes.push_back(w.dropped || w.pieces.empty() ? cad::Box{} : w.box);
        m_boxes = BoxIndex(std::move(boxes));
        std::vector<bool> used(arcs.size(), false);
        std::vector<std::size_t> members;
        std::vector<CadPoint> points;
        for (std::size_t g = 0; g < arcs.size(); ++g) {
            if (used[g] || pieceOf(g).removed) continue;
            const cad::Circle seed = circleOf(g);
            const double close = std::max(m_tolerance, 0.05 * seed.radius);
            members.clear();
            double sweep = 0;
            const auto from = std::lower_bound(circlesByX.begin(), circlesByX.end(), seed.centre.x - close,
                                               [](const cad::Circle& c, double x) { return c.centre.x < x; });
            for (auto it = from; it != circlesByX.end() && it->centre.x <= seed.centre.x + close; ++it) {
                if (Distance(it->centre, seed.centre) > close || std::abs(it->radius - seed.radius) > close)
                    continue;
                const std::size_t a = byX[static_cast<std::size_t>(it - circlesByX.begin())];
                if (used[a] || pieceOf(a).removed) continue;
                members.push_back(a);
                sweep += arcs[a].sweep;
            }
            // Arcs covering less than half the circle are arcs, whatever ink is near.
            if (sweep < kPi) continue;
            points.clear();
            for (std::size_t a : members)
                points.insert(points.end(), pieceOf(a).clear.begin(), pieceOf(a).clear.end());
            const auto circle = cad::FitCircle(points);
            if (!circle || WorstDistance(Shape{true, {}, *circle}, points) > m_tolerance ||
                !InkAllRound(*circle))
                continue;
            for (std::size_t a : members) used[a] = true;
            TakeCircle(*circle);
        }
    }

    double SweepOf(const Work& w, std::size_t k) const {
        const Piece& p = w.pieces[k];
        const double a0 = AngleAbout(p.shape.circle, w.vertex[k]),
                     a1 = AngleAbout(p.shape.circle, w.vertex[k + 1]);
        return p.counterClockwise ? Wrap(a1 - a0) : Wrap(a0 - a1);
    }

    // Every pixel of every chain, to ask whether ink lies somewhere.
    // A bit per pixel of the chains' extent: strokes cover a few percent of
    // a page, and a bit each keeps the whole page within a megabyte at 300 dpi.
    void BuildInk() {
        if (m_inkBuilt) return;
        m_inkBuilt = true;
        for (int dy = -kAroundReach; dy <= kAroundReach; ++dy)
            for (int dx = -kAroundReach; dx <= kAroundReach; ++dx)
                if (dx * dx + dy * dy <= kAroundReach * kAroundReach) m_around.push_back({dx, dy});
        std::stable_sort(m_around.begin(), m_around.end(), [](const auto& a, const auto& b) {
            return a.first * a.first + a.second * a.second < b.first * b.first + b.second * b.second;
        });
        if (m_graph.points.empty()) return;
        long long minX = m_graph.points[0].x, maxX = minX, minY = m_graph.points[0].y, maxY = minY;
        for (const Point& p : m_graph.points) {
            minX = std::min<long long>(minX, p.x), maxX = std::max<long long>(maxX, p.x);
            minY = std::min<long long>(minY, p.y), maxY = std::max<long long>(maxY, p.y);
        }
        m_inkLeft = minX, m_inkBottom = minY;
        m_inkWidth = maxX - minX + 1, m_inkHeight = maxY - minY + 1;
        m_ink.assign(static_cast<std::size_t>((m_inkWidth * m_inkHeight + 63) / 64), 0);
        for (const Point& p : m_graph.points) {
            const std::size_t bit = static_cast<std::size_t>((p.y - minY) * m_inkWidth + (p.x - minX));
            m_ink[bit / 64] |= std::uint64_t{1} << (bit % 64);
        }
    }
    bool Ink(long long x, long long y) const {
        x -= m_inkLeft, y -= m_inkBottom;
        if (x < 0 || y < 0 || x >= m_inkWidth || y >= m_inkHeight) return false;
        const std::size_t bit = static_cast<std::size_t>(y * m_inkWidth + x);
        return (m_ink[bit / 64] >> (bit % 64)) & 1u;
    }
    bool InkNear(CadPoint p, double reach) const {
        const int r = static_cast<int>(std::ceil(reach));
        const long long cx = std::llround(p.x), cy = std::llround(p.y);
        if (Ink(cx, cy)) return true;  // most often, on a stroke
        // A pixel within reach of p lies within reach + 0.75 of the pixel
        // nearest p: the pixels about it are tried nearest first, so that
        // ink just beside a stroke's line is found at once.
        const double farthest = reach + 0.75;
        if (farthest <= kAroundReach) {
            for (const auto& [dx, dy] : m_around) {
                if (dx * dx + dy * dy > farthest * farthest) return false;
                const long long x = cx + dx, y = cy + dy;
                if ((x - p.x) * (x - p.x) + (y - p.y) * (y - p.y) <= reach * reach && Ink(x, y)) return true;
            }
        }
        for (long long y = cy - r; y <= cy + r; ++y)
            for (long long x = cx - r; x <= cx + r; ++x)
                if ((x - p.x) * (x - p.x) + (y - p.y) * (y - p.y) <= reach * reach && Ink(x, y)) return true;
        return false;
    }
    // Whether the skeleton runs all round the circle: at a crossing it bends
    // away by up to half a stroke width.
    bool InkAllRound(const cad::Circle& c) const {
        const int samples = std::max(24, static_cast<int>(std::ceil(2 * kPi * c.radius)));
        const double reach = std::max(m_tolerance, m_width / 2) + 1;
        int missing = 0;
        for (int i = 0; i < samples; ++i) {
            const double angle = 2 * kPi * i / samples;
            if (!InkNear({c.centre.x + c.radius * std::cos(angle), c.centre.y + c.radius * std::sin(angle)},
                         reach) &&
                ++missing > samples / 50)
                return false;
        }
        return true;
    }

    // Removes every piece lying on the circle and keeps the circle; the
    // pieces left beside a removed one end where they cross it.
    void TakeCircle(const cad::Circle& circle) {
        const Shape onCircle{true, {}, circle};
        const double near = std::max(m_tolerance, m_width / 2);
        for (std::size_t i : m_boxes.Meeting(circle.centre, circle.radius + near)) {
            Work& w = m_work[i];
            bool any = false;
            for (std::size_t k = 0; k < w.pieces.size(); ++k) {
                Piece& p = w.pieces[k];
                if (p.removed) continue;
                // A piece whose first end is off the circle is not on it
                // (given room for the rounding of the end as placed on it).
                if (std::abs(Distance(w.vertex[k], circle.centre) - circle.radius) > near + 1e-6) continue;
                bool on = true;
                const Curve curve = CurveOf(w, k);
                for (double t : {0.0, 0.25, 0.5, 0.75, 1.0})
                    on = on && cad::DistanceTo(onCircle, curve.At(t)) <= near;
                if (on) p.removed = any = true;
            }
            if (!any) continue;
            const std::size_t n = w.pieces.size();
            for (std::size_t k = 0; k < n; ++k) {
                if (w.pieces[k].removed) continue;
                const bool before = (k > 0 || w.closed) && w.pieces[(k + n - 1) % n].removed;
                const bool after = (k + 1 < n || w.closed) && w.pieces[(k + 1) % n].removed;
                for (std::size_t v : {before ? k : n + 1, after ? k + 1 : n + 1}) {
                    if (v > n) continue;
                    if (const auto at = CrossingNear(w.pieces[k].shape, onCircle, w.vertex[v], Reach())) {
                        w.vertex[v] = *at;
                        w.fixed[v] = true;
                        if (w.closed && (v == 0 || v == n))
                            w.vertex[0] = w.vertex[n] = *at, w.fixed[0] = w.fixed[n] = true;
                    }
                }
            }
        }
        m_circles.push_back(circle);
    }

    // Piece k as it is written, through its vertices with its bulge, with
    // what placing points on it and measuring to it needs worked out once.
    struct Curve {
        CadPoint a, b;
        double bulge = 0;
        bool arc = false;  // an arc of non-zero chord
        cad::Circle circle;
        double start = 0;  // the angle of a about the centre
        double turn = 0;   // the arc's turn over 4: atan(|bulge|)

        // The point a share t along the piece.
        CadPoint At(double t) const {
            if (!arc) return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
            const double angle = start + (bulge > 0 ? 1 : -1) * t * 4 * turn;
            return {circle.centre.x + circle.radius * std::cos(angle),
                    circle.centre.y + circle.radius * std::sin(angle)};
        }
        // The distance from p to the piece, or to its nearer end where p
        // lies beyond it.
        double DistanceTo(CadPoint p) const {
            const double ends = std::min(Distance(p, a), Distance(p, b));
            if (arc) {
                const double angle = AngleAbout(circle, p);
                const double along = bulge > 0 ? Wrap(angle - start) : Wrap(start - angle);
                return along <= 4 * turn ? std::abs(Distance(p, circle.centre) - circle.radius) : ends;
            }
            const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
            if (length2 == 0) return ends;
            const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2;
            if (t <= 0 || t >= 1) return ends;
            return std::abs((p.x - a.x) * dy - (p.y - a.y) * dx) / std::sqrt(length2);
        }
    };
    Curve CurveOf(const Work& w, std::size_t k) const {
        Curve c;
        c.a = w.vertex[k], c.b = w.vertex[k + 1];
        c.bulge = BulgeOf(w, k);
        c.arc = c.bulge != 0 && Distance(c.a, c.b) > 0;
        if (c.arc) {
            const cad::Arc arc = cad::ArcOfBulge(c.a, c.b, c.bulge);
            c.circle = {arc.centre, arc.radius};
            c.start = AngleAbout(c.circle, c.a);
            c.turn = std::atan(std::abs(c.bulge));
        }
        return c;
    }
    CadPoint PointOf(const Work& w, std::size_t k, double t) const { return CurveOf(w, k).At(t); }

    // The chains ending at a junction reach where their shapes meet: on a
    // chain running through it, else at the point nearest every end's line.
    void Meet(int cluster) {
        struct End {
            Work* w;
            bool atStart;
        };
        std::vector<End> ends;
        std::vector<Shape> through;
        if (m_junctions.Tangled(cluster)) return;
        const CadPoint centre = m_junctions.ClusterCentre(cluster);
        const double reach = m_junctions.ClusterReach(cluster);
        for (std::size_t i : m_atCluster[cluster]) {
            Work& w = m_work[i];
            if (w.dropped || w.pieces.empty()) continue;
            if (!w.closed && w.startCluster == cluster && !w.pieces.front().removed && !w.fixed.front())
                ends.push_back({&w, true});
            if (!w.closed && w.endCluster == cluster && !w.pieces.back().removed && !w.fixed.back())
                ends.push_back({&w, false});
            if (std::find(w.clusters.begin(), w.clusters.end(), cluster) == w.clusters.end()) continue;
            // Pieces running through the junction, not ending in it.
            for (std::size_t k = 0; k < w.pieces.size(); ++k) {
                const Piece& p = w.pieces[k];
                if (p.removed) continue;
                const bool endsHere = !w.closed && ((k == 0 && w.startCluster == cluster) ||
                                                    (k + 1 == w.pieces.size() && w.endCluster == cluster));
                if (endsHere) continue;
                if (DistanceToPiece(w, k, centre) <= reach) through.push_back(p.shape);
            }
        }
        for (const cad::Circle& c : m_circles)
            if (std::abs(Distance(c.centre, centre) - c.radius) <= reach) through.push_back({true, {}, c});
        if (ends.empty()) return;
        auto vertexOf = [](const End& e) -> CadPoint& {
            return e.atStart ? e.w->vertex.front() : e.w->vertex.back();
        };
        auto shapeOf = [](const End& e) -> const Shape& {
            return e.atStart ? e.w->pieces.front().shape : e.w->pieces.back().shape;
        };
        if (!through.empty()) {
            for (const End& e : ends) {
                std::optional<CadPoint> best;
                for (const Shape& s : through)
                    if (const auto at = CrossingNear(shapeOf(e), s, centre, reach))
                        if (!best || Distance(*at, centre) < Distance(*best, centre)) best = at;
                if (best) {
                    Move(vertexOf(e), *best, reach);
                    continue;
                }
                // A stroke that leaves another as its tangent shares its ink
                // for a long way: it ends at the tangent point.
                if (const auto at = TangentNear(shapeOf(e), through, centre, reach)) {
                    vertexOf(e) = *at;
                    continue;
                }
                Move(vertexOf(e), cad::Nearest(shapeOf(e), centre), reach);
            }
            return;
        }
        // No chain runs through: the ends meet at one point, the crossing of
        // their shapes nearest the centre for two, the point nearest all
        // their lines for more.
        std::optional<CadPoint> meet;
        if (ends.size() == 2) {
            meet = CrossingNear(shapeOf(ends[0]), shapeOf(ends[1]), centre, reach);
        } else if (ends.size() > 2) {
            meet = NearestToAll(
                ends.size(), [&](std::size_t i) { return shapeOf(ends[i]); }, centre);
            if (meet && Distance(*meet, centre) > reach) meet.reset();
        }
        for (const End& e : ends) {
            const Shape& s = shapeOf(e);
            if (meet && cad::DistanceTo(s, *meet) <= m_tolerance)
                Move(vertexOf(e), *meet, reach);
            else
                Move(vertexOf(e), cad::Nearest(s, meet ? *meet : centre), reach);
        }
    }

    // The tangent point of the shape with one of the others, a line with a
    // circle, that lies nearest the centre and no further than the strokes
    // stay within a stroke width of each other beside it (sqrt(8 r w)).
    std::optional<CadPoint> TangentNear(const Shape& shape, const std::vector<Shape>& others, CadPoint centre,
                                        double reach) const {
        std::optional<CadPoint> best;
        for (const Shape& other : others) {
            if (shape.isCircle == other.isCircle) continue;
            const cad::Circle& circle = shape.isCircle ? shape.circle : other.circle;
            const Shape& line = shape.isCircle ? other : shape;
            if (std::abs(cad::DistanceTo(line, circle.centre) - circle.radius) > m_tolerance) continue;
            const CadPoint at = TangentPoint(shape, other);
            if (Distance(at, centre) > reach + std::sqrt(8 * circle.radius * m_width)) continue;
            if (!best || Distance(at, centre) < Distance(*best, centre)) best = at;
        }
        return best;
    }

    // Moves an end to `to` unless that is further than reach from it.
    static void Move(CadPoint& end, CadPoint to, double reach) {
        if (Distance(end, to) <= reach) end = to;
    }

    // Whether the chain as refitted still follows its pixels: each pixel
    // clear of a junction lies near a piece kept or a circle found, and each
    // piece runs along the thinned ink (which thinning shortens at a free
    // end by half a stroke width) or inside a junction.
    bool Faithful(const Work& w) const {
        const double slack = 1.5 * m_tolerance + 0.5;
        // The pixels run along the pieces in order: the piece that held the
        // last pixel, or the next, nearly always holds this one.
        std::vector<Curve> curves(w.pieces.size());
        for (std::size_t k = 0; k < w.pieces.size(); ++k)
            if (!w.pieces[k].removed) curves[k] = CurveOf(w, k);
        std::size_t last = 0;
        auto near = [&](std::size_t k, CadPoint p) {
            return k < w.pieces.size() && !w.pieces[k].removed && curves[k].DistanceTo(p) <= slack;
        };
        for (const CadPoint& p : w.fit.points) {
            if (near(last, p)) continue;
            if (near(last + 1, p)) {
                ++last;
                continue;
            }
            if (Masked(w, p)) continue;
            bool found = false;
            for (std::size_t k = 0; k < w.pieces.size() && !found; ++k)
                if (near(k, p)) found = true, last = k;
            for (std::size_t c = 0; c < m_circles.size() && !found; ++c)
                found = std::abs(Distance(p, m_circles[c].centre) - m_circles[c].radius) <= slack;
            if (!found) return false;
        }
        for (std::size_t k = 0; k < w.pieces.size(); ++k) {
            if (w.pieces[k].removed) continue;
            const double bulge = curves[k].bulge, chord = Distance(w.vertex[k], w.vertex[k + 1]);
            const double length = bulge == 0 || chord == 0
                                      ? chord
                                      : cad::ArcOfBulge(w.vertex[k], w.vertex[k + 1], bulge).radius * 4 *
                                            std::atan(std::abs(bulge));
            // A piece longer than the chain's pixels could draw strays.
            if (length > 4 * static_cast<double>(w.fit.points.size()) + 8 * m_width) return false;
            // Every other pixel along it: the ink is looked for further than that.
            const int samples = std::max(2, static_cast<int>(std::ceil(length / 2)));
            for (int i = 0; i <= samples; ++i) {
                const CadPoint q = curves[k].At(static_cast<double>(i) / samples);
                if (!InkNear(q, slack + m_width / 2) && !Masked(w, q)) return false;
            }
        }
        return true;
    }

    // The point whose squared distances to the shapes' lines (tangents of
    // circles at their point nearest the centre) sum least.
    template <typename ShapeAt>
    static std::optional<CadPoint> NearestToAll(std::size_t count, ShapeAt shapeAt, CadPoint centre) {
        double a = 0, b = 0, c = 0, rx = 0, ry = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const Shape& s = shapeAt(i);
            cad::StraightLine l = s.line;
            if (s.isCircle) {
                const CadPoint p = cad::Nearest(s, centre);
                const double dx = p.x - s.circle.centre.x, dy = p.y - s.circle.centre.y,
                             d = std::hypot(dx, dy);
                if (d == 0) continue;
                l = {p, {-dy / d, dx / d}};
            }
            // (I - u u^T) summed, and times the point on the line.
            const double xx = 1 - l.along.x * l.along.x, yy = 1 - l.along.y * l.along.y,
                         xy = -l.along.x * l.along.y;
            a += xx, b += xy, c += yy;
            rx += xx * l.at.x + xy * l.at.y, ry += xy * l.at.x + yy * l.at.y;
        }
        const double det = a * c - b * b;
        if (std::abs(det) < 1e-6) return std::nullopt;
        return CadPoint{(c * rx - b * ry) / det, (a * ry - b * rx) / det};
    }

    // The distance from p to piece k between its vertices.
    double DistanceToPiece(const Work& w, std::size_t k, CadPoint p) const {
        return CurveOf(w, k).DistanceTo(p);
    }

    // The chain's pieces left, each unbroken run of them one fitted chain.
    void Emit(Work& w, std::vector<FittedChain>& out) const {
        if (w.dropped) return;
        if (w.reverted || w.fit.isCircle || w.pieces.empty()) {
            std::vector<FittedChain> firsts = w.TakeFirstFits();
            out.insert(out.end(), std::make_move_iterator(firsts.begin()),
                       std::make_move_iterator(firsts.end()));
            return;
        }
        const std::size_t n = w.pieces.size();
        const bool whole =
            std::none_of(w.pieces.begin(), w.pieces.end(), [](const Piece& p) { return p.removed; });
        if (whole && w.closed) {
            FittedChain chain;
            chain.closed = true;
            for (std::size_t k = 0; k < n; ++k)
                if (Distance(w.vertex[k], w.vertex[k + 1]) > 1e-9)
                    chain.vertices.push_back({w.vertex[k], BulgeOf(w, k)});
            if (chain.vertices.size() >= 2) out.push_back(std::move(chain));
            return;
        }
        // Runs start after a removed piece (or at the start of an open chain).
        std::size_t first = 0;
        if (w.closed)
            while (!w.pieces[first].removed) ++first;
        for (std::size_t step = 0; step < n;) {
            const std::size_t k = (first + step) % n;
            if (w.pieces[k].removed) {
                ++step;
                continue;
            }
            FittedChain chain;
            std::size_t last = k;
            while (step < n && !w.pieces[(first + step) % n].removed) {
                last = (first + step) % n;
                // A piece whose ends came together draws nothing.
                if (Distance(w.vertex[last], w.vertex[last + 1]) > 1e-9)
                    chain.vertices.push_back({w.vertex[last], BulgeOf(w, last)});
                ++step;
            }
            chain.vertices.push_back({w.vertex[last + 1], 0});
            if (chain.vertices.size() >= 2) out.push_back(std::move(chain));
        }
    }

    // The bulge of piece k between its vertices as placed: its first
    // bulge's turn, over the sweep between them about its circle.
    double BulgeOf(const Work& w, std::size_t k) const {
        const Piece& p = w.pieces[k];
        if (!p.arc) return 0;
        const double sweep = SweepOf(w, k);
        const double first = 4 * std::atan(std::abs(p.bulge));
        // Ends moved around the circle past each other keep the first turn.
        if (sweep < 1e-6 || std::abs(sweep - first) > kPi / 2) return p.bulge;
        return (p.counterClockwise ? 1 : -1) * std::tan(sweep / 4);
    }

    const StrokeGraph& m_graph;
    double m_tolerance;
    double m_width;
    bool m_arcs;
    Junctions m_junctions;
    std::vector<Work> m_work;
    std::vector<std::vector<std::size_t>> m_atCluster;  // per junction cluster, the work on it
    std::vector<cad::Circle> m_circles;
    BoxIndex m_boxes;                  // the works' boxes while circles are sought
    std::vector<std::uint64_t> m_ink;  // the chains' pixels, a bit each, from (m_inkLeft, m_inkBottom)
    long long m_inkLeft = 0, m_inkBottom = 0, m_inkWidth = 0, m_inkHeight = 0;
    bool m_inkBuilt = false;
    // Offsets to the pixels about one, nearest first, out to kAroundReach.
    static constexpr int kAroundReach = 12;
    std::vector<std::pair<int, int>> m_around;
};

}  // namespace

std::vector<FittedChain> FitAtJunctions(const StrokeGraph& graph, double tolerance, double strokeWidth,
                                        bool arcs) {
    return JunctionFitter(graph, tolerance, strokeWidth, arcs).Fit();
}

}  // namespace lintra
