#include "vector/stroke_graph.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <set>
#include <unordered_map>

namespace lintra {

namespace {

// A node of more touching junction pixels than this is no junction but an
// area the segments fill (strokes traced over a filled blob): chains stop at
// its edge, and the segments inside it are kept as they are.
constexpr std::size_t kLargestJunction = 12;

// The eight directions, numbered so that direction d + 4 is its opposite.
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

// A chain's end at a node: which chain, which end, and the direction the
// chain leaves the node in.
struct ChainEnd {
    int chain = 0;
    bool atStart = true;
    double dx = 0;
    double dy = 0;
};

// The segments drawn as pixels on a grid one pixel wider on every side than
// their extent, so that every neighbour lookup stays inside.
class PixelSet {
public:
    explicit PixelSet(const SegmentList& segments) {
        int minX = std::numeric_limits<int>::max(), minY = minX;
        int maxX = std::numeric_limits<int>::min(), maxY = maxX;
        for (const CLineSegment& s : segments) {
            minX = std::min({minX, s.x1, s.x2});
            minY = std::min({minY, s.y1, s.y2});
            maxX = std::max({maxX, s.x1, s.x2});
            maxY = std::max({maxY, s.y1, s.y2});
        }
        if (segments.empty()) return;
        m_left = minX - 1;
        m_bottom = minY - 1;
        m_width = maxX - minX + 3;
        m_height = maxY - minY + 3;
        m_cells.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), 0);
        for (const CLineSegment& s : segments) Draw(s);
        SortByRow();
        // Each pixel's neighbours, one bit per direction, worked out once.
        m_links.assign(m_cells.size(), 0);
        for (std::size_t at : m_list) {
            const Point p = At(at);
            for (int d = 0; d < 8; ++d)
                if (Adjacent(p.x, p.y, d)) m_links[at] |= static_cast<std::uint8_t>(1u << d);
        }
    }

    // The grid positions of the pixels, in scan order.
    const std::vector<std::size_t>& Cells() const { return m_list; }
    Point At(std::size_t index) const {
        return {static_cast<int>(index % static_cast<std::size_t>(m_width)),
                static_cast<int>(index / static_cast<std::size_t>(m_width))};
    }

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Has(int x, int y) const { return m_cells[Index(x, y)] != 0; }
    Point ToPicture(int x, int y) const { return {x + m_left, y + m_bottom}; }

    // Whether (x, y) and its neighbour in direction d are adjacent, from the
    // bits worked out once.
    bool Linked(int x, int y, int d) const { return (m_links[Index(x, y)] >> d) & 1u; }
    int Degree(int x, int y) const { return std::popcount(m_links[Index(x, y)]); }
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }

private:
    // Every pixel on the segment: one per step along its longer axis, the
    // other coordinate rounded to the nearest pixel.
    // Whether (x, y) and its neighbour in direction d are adjacent.
    bool Adjacent(int x, int y, int d) const {
        if (!Has(x + kDx[d], y + kDy[d])) return false;
        if (d % 2 == 0) return true;
        return !Has(x + kDx[d], y) && !Has(x, y + kDy[d]);
    }

    // Puts the cells in scan order: a counting sort by row, then each row's
    // few cells sorted.
    void SortByRow() {
        std::vector<std::size_t> start(static_cast<std::size_t>(m_height) + 1, 0);
        const std::size_t width = static_cast<std::size_t>(m_width);
        for (std::size_t at : m_list) ++start[at / width + 1];
        for (std::size_t row = 1; row < start.size(); ++row) start[row] += start[row - 1];
        std::vector<std::size_t> sorted(m_list.size());
        std::vector<std::size_t> next(start.begin(), start.end() - 1);
        for (std::size_t at : m_list) sorted[next[at / width]++] = at;
        for (std::size_t row = 0; row + 1 < start.size(); ++row)
            std::sort(sorted.begin() + static_cast<std::ptrdiff_t>(start[row]),
                      sorted.begin() + static_cast<std::ptrdiff_t>(start[row + 1]));
        m_list = std::move(sorted);
    }

    void Draw(const CLineSegment& s) {
        ForEachPixel(s, [&](int x, int y) {
            const std::size_t at = Index(x, y);
            if (!m_cells[at]) m_list.push_back(at);
            m_cells[at] = 1;
        });
    }

public:
    // Calls visit(x, y) with the grid position of every pixel of the segment:
    // one per step along its longer axis, the other coordinate rounded to the
    // nearest pixel (halves away from zero).
    template <typename Visit>
    void ForEachPixel(const CLineSegment& s, Visit visit) const {
        const long long dx = s.x2 - s.x1, dy = s.y2 - s.y1;
        const long long steps = std::max(std::llabs(dx), std::llabs(dy));
        auto along = [steps](long long d, long long i) {
            const long long twice = 2 * std::llabs(d) * i + steps;
            return static_cast<int>((d < 0 ? -1 : 1) * (twice / (2 * steps)));
        };
        if (steps == 0) return visit(s.x1 - m_left, s.y1 - m_bottom);
        // Level, upright and diagonal segments, nearly all of them, step
        // without rounding.
        if (dx == 0 || dy == 0 || std::llabs(dx) == std::llabs(dy)) {
            const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
            int x = s.x1 - m_left, y = s.y1 - m_bottom;
            for (long long i = 0; i <= steps; ++i, x += sx, y += sy) visit(x, y);
            return;
        }
        for (long long i = 0; i <= steps; ++i)
            visit(s.x1 + along(dx, i) - m_left, s.y1 + along(dy, i) - m_bottom);
    }

private:
    int m_left = 0, m_bottom = 0, m_width = 0, m_height = 0;
    std::vector<std::uint8_t> m_cells;
    std::vector<std::size_t> m_list;    // the set cells
    std::vector<std::uint8_t> m_links;  // per cell, a bit per adjacent direction
};

class GraphWalker {
public:
    explicit GraphWalker(const PixelSet& pixels)
        : m_pixels(pixels),
          m_visited(static_cast<std::size_t>(pixels.Width()) * static_cast<std::size_t>(pixels.Height()), 0) {
    }

    std::vector<StrokeChain> Walk() {
        FindNodes();
        // Chains leaving every node, then the rings no node lies on.
        for (std::size_t at : m_pixels.Cells())
            if (NodeOf(at) >= 0)
                for (int d = 0; d < 8; ++d) FollowFrom(m_pixels.At(at).x, m_pixels.At(at).y, d);
        for (std::size_t at : m_pixels.Cells())
            if (NodeOf(at) < 0)
                for (int d = 0; d < 8; ++d) FollowFrom(m_pixels.At(at).x, m_pixels.At(at).y, d);
        // A chain meeting a filled area ends where it meets it.
        for (RawChain& chain : m_raw) {
            if (Dense(chain.startNode)) chain.startNode = -1;
            if (Dense(chain.endNode)) chain.endNode = -1;
        }
        return JoinThroughNodes();
    }

    // Whether any node is a filled area.
    bool HasDenseNode() const {
        return std::any_of(m_nodeSizes.begin(), m_nodeSizes.end(),
                           [](std::size_t n) { return n > kLargestJunction; });
    }
    // Whether the pixel at grid position (x, y) lies in a filled area.
    bool InDenseNode(int x, int y) const { return Dense(NodeOf(m_pixels.Index(x, y))); }

private:
    struct RawChain {
        std::vector<Point> points;  // grid positions
        int startNode = -1;
        int endNode = -1;
        bool ring = false;  // closes on itself with no node on it
    };

    // Pixels with other than two neighbours are nodes; touching junction
    // pixels share one node, represented by its pixel nearest their centre.
    void FindNodes() {
        for (std::size_t at : m_pixels.Cells()) {
            const int x = m_pixels.At(at).x, y = m_pixels.At(at).y;
            if (NodeOf(at) >= 0) continue;
            const int degree = m_pixels.Degree(x, y);
            if (degree == 2) continue;
            const int id = static_cast<int>(m_centres.size());
            std::vector<Point> members{{x, y}};
            SetNode(at, id);
            for (std::size_t i = 0; i < members.size() && degree >= 3; ++i) {
                for (int d = 0; d < 8; ++d) {
                    const Point p = members[i];
                    const int nx = p.x + kDx[d], ny = p.y + kDy[d];
                    if (!m_pixels.Linked(p.x, p.y, d) || NodeOf(m_pixels.Index(nx, ny)) >= 0) continue;
                    if (m_pixels.Degree(nx, ny) < 3) continue;
                    SetNode(m_pixels.Index(nx, ny), id);
                    members.push_back({nx, ny});
                }
            }
            double cx = 0, cy = 0;
            for (const Point& p : members) cx += p.x, cy += p.y;
            cx /= members.size(), cy /= members.size();
            Point centre = members.front();
            double best = std::numeric_limits<double>::max();
            for (const Point& p : members) {
                const double d2 = (p.x - cx) * (p.x - cx) + (p.y - cy) * (p.y - cy);
                if (d2 < best) best = d2, centre = p;
            }
            m_centres.push_back(centre);
            m_nodeSizes.push_back(members.size());
        }
    }

    bool Dense(int node) const { return node >= 0 && m_nodeSizes[node] > kLargestJunction; }

    void MarkEdge(int x, int y, int d) {
        m_visited[m_pixels.Index(x, y)] |= static_cast<std::uint16_t>(1u << d);
        m_visited[m_pixels.Index(x + kDx[d], y + kDy[d])] |= static_cast<std::uint16_t>(1u << ((d + 4) % 8));
    }
    bool EdgeDone(int x, int y, int d) const { return (m_visited[m_pixels.Index(x, y)] >> d) & 1u; }
    int NodeAt(Point p) const { return NodeOf(m_pixels.Index(p.x, p.y)); }
    // Node pixels are few: a flag beside the walked directions marks them,
    // and a map holds their node.
    int NodeOf(std::size_t at) const { return (m_visited[at] & kNodeFlag) ? m_nodeOf.at(at) : -1; }
    void SetNode(std::size_t at, int id) {
        m_visited[at] |= kNodeFlag;
        m_nodeOf[at] = id;
    }

    // Walks from (x, y) through direction d along pixels of two neighbours
    // until a node or the start is met.
    void FollowFrom(int x, int y, int d) {
        if (!m_pixels.Linked(x, y, d) || EdgeDone(x, y, d)) return;
        const int startNode = NodeOf(m_pixels.Index(x, y));
        Point next{x + kDx[d], y + kDy[d]};
        // An edge between two pixels of the same node lies inside it.
        if (startNode >= 0 && NodeAt(next) == startNode) {
            MarkEdge(x, y, d);
            return;
        }
        RawChain chain;
        chain.startNode = startNode;
        chain.points.push_back({x, y});
        Point at{x, y};
        int dir = d;
        for (;;) {
            MarkEdge(at.x, at.y, dir);
            at = {at.x + kDx[dir], at.y + kDy[dir]};
            if (chain.startNode < 0 && at == chain.points.front()) {
                chain.ring = true;
                break;
            }
            chain.points.push_back(at);
            if (NodeAt(at) >= 0) {
                chain.endNode = NodeAt(at);
                break;
            }
            int onward = -1;
            for (int e = 0; e < 8 && onward < 0; ++e)
                if (m_pixels.Linked(at.x, at.y, e) && !EdgeDone(at.x, at.y, e)) onward = e;
            if (onward < 0) break;  // the ring closes on an edge already walked
            dir = onward;
        }
        // A short loop from a node back to itself is a knot in the junction.
        if (chain.startNode >= 0 && chain.startNode == chain.endNode && chain.points.size() <= 4) return;
        m_raw.push_back(std::move(chain));
    }

    // The chain's end points moved onto their nodes' centres, as grid points.
    std::vector<Point> WithNodeCentres(const RawChain& raw) const {
        std::vector<Point> points;
        if (raw.startNode >= 0 && m_centres[raw.startNode] != raw.points.front())
            points.push_back(m_centres[raw.startNode]);
        points.insert(points.end(), raw.points.begin(), raw.points.end());
        if (raw.endNode >= 0 && m_centres[raw.endNode] != raw.points.back())
            points.push_back(m_centres[raw.endNode]);
        return points;
    }

    // The direction a chain leaves its end in, over a few pixels.
    static ChainEnd EndOf(const std::vector<Point>& points, int chain, bool atStart) {
        const std::size_t reach = std::min<std::size_t>(points.size() - 1, 6);
        const Point from = atStart ? points.front() : points.back();
        const Point to = atStart ? points[reach] : points[points.size() - 1 - reach];
        const double dx = to.x - from.x, dy = to.y - from.y, length = std::hypot(dx, dy);
        return {chain, atStart, length > 0 ? dx / length : 0, length > 0 ? dy / length : 0};
    }

    // Pairs chain ends at every node: at a node of two ends they always join;
    // at a junction, the pairs that continue each other most nearly straight
    // (turning by less than about 35 degrees) join, best first.
    std::vector<StrokeChain> JoinThroughNodes() {
        std::vector<std::vector<Point>> chains;
        std::vector<std::vector<ChainEnd>> endsAt(m_centres.size());
        std::vector<StrokeChain> rings;
        for (const RawChain& raw : m_raw) {
            if (raw.ring) {
                rings.push_back({raw.points, true, -1, -1, {}});
                continue;
            }
            const int id = static_cast<int>(chains.size());
            chains.push_back(WithNodeCentres(raw));
            if (raw.startNode >= 0) endsAt[raw.startNode].push_back(EndOf(chains.back(), id, true));
            if (raw.endNode >= 0) endsAt[raw.endNode].push_back(EndOf(chains.back(), id, false));
        }
        // partner[2 * chain + (atStart ? 0 : 1)] = the end it joins, or -1.
        std::vector<int> partner(2 * chains.size(), -1);
        auto key = [](const ChainEnd& e) { return 2 * e.chain + (e.atStart ? 0 : 1); };
        for (std::vector<ChainEnd>& ends : endsAt) {
            if (ends.size() == 2) {
                partner[key(ends[0])] = key(ends[1]);
                partner[key(ends[1])] = key(ends[0]);
                continue;
            }
            struct Pair {
                double cosine;
                int a, b;
            };
            std::vector<Pair> pairs;
            for (std::size_t i = 0; i < ends.size(); ++i)
                for (std::size_t j = i + 1; j < ends.size(); ++j) {
                    const double cosine = ends[i].dx * ends[j].dx + ends[i].dy * ends[j].dy;
                    if (cosine < -0.82) pairs.push_back({cosine, key(ends[i]), key(ends[j])});
                }
            std::stable_sort(pairs.begin(), pairs.end(),
                             [](const Pair& l, const Pair& r) { return l.cosine < r.cosine; });
            for (const Pair& p : pairs) {
                if (partner[p.a] >= 0 || partner[p.b] >= 0) continue;
                partner[p.a] = p.b;
                partner[p.b] = p.a;
            }
        }
        std::vector<std::array<int, 2>> nodes;
        for (const RawChain& raw : m_raw)
            if (!raw.ring) nodes.push_back({raw.startNode, raw.endNode});
        std::vector<StrokeChain> out = Assemble(chains, nodes, partner);
        out.insert(out.end(), rings.begin(), rings.end());
        return out;
    }

    static std::vector<StrokeChain> Assemble(const std::vector<std::vector<Point>>& chains,
                                             const std::vector<std::array<int, 2>>& nodes,
                                             const std::vector<int>& partner) {
        std::vector<StrokeChain> out;
        std::vector<bool> used(chains.size(), false);
        // Appends chain c entered at end `entry` (0 start, 1 end), skipping
        // the point it shares with what is already there.
        auto append = [&](std::vector<Point>& points, int c, int entry) {
            const std::vector<Point>& src = chains[c];
            std::vector<Point> piece(src);
            if (entry == 1) std::reverse(piece.begin(), piece.end());
            auto first = piece.begin();
            if (!points.empty() && points.back() == piece.front()) ++first;
            points.insert(points.end(), first, piece.end());
        };
        auto follow = [&](int c, int entry) {
            StrokeChain run;
            run.startNode = nodes[c][entry];
            const int firstKey = 2 * c + entry;
            for (;;) {
                used[c] = true;
                append(run.points, c, entry);
                const int exitKey = 2 * c + (1 - entry);
                const int node = nodes[c][1 - entry];
                const int next = partner[exitKey];
                if (next == firstKey) {
                    run.closed = true;
                    run.through.push_back({0, node});
                    run.startNode = -1;
                    break;
                }
                if (next < 0 || used[next / 2]) {
                    run.endNode = node;
                    break;
                }
                run.through.push_back({run.points.size() - 1, node});
                c = next / 2;
                entry = next % 2;
            }
            if (run.closed && run.points.size() > 1 && run.points.front() == run.points.back())
                run.points.pop_back();
            return run;
        };
        // Open runs start at an end that joins nothing.
        for (std::size_t c = 0; c < chains.size(); ++c) {
            if (used[c]) continue;
            for (int entry = 0; entry < 2 && !used[c]; ++entry) {
                if (partner[2 * c + entry] >= 0) continue;
                out.push_back(follow(static_cast<int>(c), entry));
            }
        }
        // What is left closes on itself.
        for (std::size_t c = 0; c < chains.size(); ++c) {
            if (used[c]) continue;
            out.push_back(follow(static_cast<int>(c), 0));
        }
        return out;
    }

    const PixelSet& m_pixels;
    static constexpr std::uint16_t kNodeFlag = 1u << 8;
    std::vector<std::uint16_t> m_visited;           // per pixel, a bit per direction walked and kNodeFlag
    std::unordered_map<std::size_t, int> m_nodeOf;  // node pixels' nodes
    std::vector<Point> m_centres;                   // per node, the pixel chains meet on
    std::vector<std::size_t> m_nodeSizes;           // per node, its number of pixels
    std::vector<RawChain> m_raw;
};

}  // namespace

std::vector<StrokeChain> BuildStrokeChains(const SegmentList& segments) {
    if (segments.empty()) return {};
    const PixelSet pixels(segments);
    GraphWalker walker(pixels);
    std::vector<StrokeChain> chains = walker.Walk();
    for (StrokeChain& chain : chains)
        for (Point& p : chain.points) p = pixels.ToPicture(p.x, p.y);
    // Segments that touch a filled area stay as they were drawn, once each.
    std::set<std::array<int, 4>> kept;
    for (const CLineSegment& s : walker.HasDenseNode() ? segments : SegmentList{}) {
        bool dense = false;
        pixels.ForEachPixel(s, [&](int x, int y) { dense = dense || walker.InDenseNode(x, y); });
        if (!dense || (s.x1 == s.x2 && s.y1 == s.y2)) continue;
        const std::array<int, 4> key =
            std::min(std::array<int, 4>{s.x1, s.y1, s.x2, s.y2}, std::array<int, 4>{s.x2, s.y2, s.x1, s.y1});
        if (kept.insert(key).second) chains.push_back({{{s.x1, s.y1}, {s.x2, s.y2}}, false, -1, -1, {}});
    }
    return chains;
}

}  // namespace lintra
