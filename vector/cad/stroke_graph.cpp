#include "vector/cad/stroke_graph.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <numeric>
#include <set>
#include <span>
#include <utility>

#include "base/huge_pages.h"
#include "base/parallel_rows.h"

namespace lintra {

namespace {

// A node of more touching junction pixels than this is no junction but an
// area the segments fill (strokes traced over a filled blob): chains stop at
// its edge, and the segments inside it are kept as they are.
constexpr std::size_t kLargestJunction = 12;

// The eight directions are numbered counter-clockwise from +x, so that
// direction d + 4 is its opposite:
//   3 2 1      (x - 1, y + 1)  (x, y + 1)  (x + 1, y + 1)
//   4 . 0      (x - 1, y)                  (x + 1, y)
//   5 6 7      (x - 1, y - 1)  (x, y - 1)  (x + 1, y - 1)
// and kStep[d] is the step to the pixel in direction d.
constexpr Point kStep[8] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

using PixelIndex = std::uint32_t;
constexpr PixelIndex kNoPixel = std::numeric_limits<PixelIndex>::max();

// The direction a chain leaves a node in, of length 1 (or 0 for a chain
// that comes back to where it left).
struct Leaving {
    double dx = 0;
    double dy = 0;
};

// Of the directions a pixel has a neighbour in (a bit each), those it is
// adjacent in: pixels are adjacent when they share a side, or a corner with
// neither pixel beside both set.
constexpr std::uint8_t Adjacent(unsigned present) {
    unsigned links = present;
    for (int d = 1; d < 8; d += 2)
        if (present & ((1u << (d - 1)) | (1u << ((d + 1) % 8)))) links &= ~(1u << d);
    return static_cast<std::uint8_t>(links);
}

// Per pattern of neighbours, the adjacent directions and how many there are.
struct Adjacency {
    std::uint8_t links = 0, degree = 0;
};
constexpr std::array<Adjacency, 256> kAdjacency = [] {
    std::array<Adjacency, 256> table{};
    for (unsigned present = 0; present < 256; ++present) {
        table[present].links = Adjacent(present);
        table[present].degree = static_cast<std::uint8_t>(std::popcount(table[present].links));
    }
    return table;
}();

// Calls visit(x, y) with every pixel of the segment: one per step along its
// longer axis, the other coordinate rounded to the nearest pixel (halves away
// from zero).
template <typename Visit>
void ForEachPixel(const CLineSegment& s, Visit visit) {
    const long long dx = static_cast<long long>(s.x2) - s.x1, dy = static_cast<long long>(s.y2) - s.y1;
    const long long steps = std::max(std::llabs(dx), std::llabs(dy));
    const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    int x = s.x1, y = s.y1;
    // Level, upright and diagonal segments, nearly all of them, step
    // without rounding.
    if (dx == 0 || dy == 0 || std::llabs(dx) == std::llabs(dy)) {
        for (long long i = 0; i <= steps; ++i, x += sx, y += sy) visit(x, y);
        return;
    }
    // Otherwise the shorter axis moves at step i by the rounding of
    // i * minor / steps, carried along as the remainder (Bresenham's
    // midpoint form): it moves when 2 * i * minor + steps passes the next
    // multiple of 2 * steps.
    const bool alongX = std::llabs(dx) == steps;
    const long long minor = alongX ? std::llabs(dy) : std::llabs(dx);
    long long remainder = steps;
    for (long long i = 0; i <= steps; ++i) {
        visit(x, y);
        remainder += 2 * minor;
        const bool moves = remainder >= 2 * steps;
        if (moves) remainder -= 2 * steps;
        x += alongX ? sx : (moves ? sx : 0);
        y += alongX ? (moves ? sy : 0) : sy;
    }
}

// Calls f(k) for k = 0 .. n - 1 on the worker threads, each k once.
template <typename F>
void ForEachIndex(int n, const F& f) {
    ParallelRows(n, 1, [&f](int begin, int end) {
        for (int k = begin; k < end; ++k) f(k);
    });
}

// Rows are shared out among the worker threads in bands of no fewer pixels
// than this: linking them takes about two tenths of a millisecond, well
// above the cost of handing a band to a worker.
constexpr PixelIndex kMinBandPixels = 16384;
// And segments are shared out in pieces of no fewer than this, and the
// nodes whose chain ends are paired in bands of no fewer than this.
constexpr int kMinPieceSegments = 4096;
constexpr int kMinBandNodes = 1024;

// Bands of rows of about equal numbers of pixels, as many as the threads
// can share, where row r's pixels are [start[r], start[r + 1]): band k
// covers rows [first[k], first[k + 1]).
std::vector<std::size_t> RowBands(const std::vector<PixelIndex>& start) {
    const std::size_t rows = start.size() - 1;
    const int bands = BandCount(static_cast<int>(std::min<PixelIndex>(start.back(), INT_MAX)),
                                static_cast<int>(kMinBandPixels), ThreadCount());
    std::vector<std::size_t> first(static_cast<std::size_t>(bands) + 1, rows);
    for (int k = 0; k < bands; ++k) {
        const auto pixels = static_cast<PixelIndex>(std::uint64_t{start.back()} * k / bands);
        first[k] = static_cast<std::size_t>(std::lower_bound(start.begin(), start.end() - 1, pixels) -
                                            start.begin());
    }
    return first;
}

// The lists one after another.
std::vector<PixelIndex> Joined(const std::vector<std::vector<PixelIndex>>& lists) {
    std::vector<PixelIndex> joined;
    for (const std::vector<PixelIndex>& list : lists) joined.insert(joined.end(), list.begin(), list.end());
    return joined;
}

// The segments drawn as pixels, held as a list in scan order (by row, then
// along the row) rather than on a grid, so that its memory follows the ink
// and not the extent of the drawing: a page of strokes covers a few percent
// of its pixels, and memory first touched is dear. Each pixel keeps which
// neighbours it has and where the run of them in the rows above and below
// begins, so that finding a neighbour reads no other pixel, and the marks
// the walk leaves on it.
//
// The pixels are drawn in pieces of the segment list and then worked out in
// bands of rows, both on the worker threads; every row comes out the same
// however the work is shared.
class PixelSet {
public:
    explicit PixelSet(const SegmentList& segments) {
        if (segments.empty()) return;
        int minX = std::numeric_limits<int>::max(), maxX = std::numeric_limits<int>::min(), maxY = maxX;
        m_bottom = minX;
        for (const CLineSegment& s : segments) {
            minX = std::min({minX, s.x1, s.x2});
            maxX = std::max({maxX, s.x1, s.x2});
            m_bottom = std::min({m_bottom, s.y1, s.y2});
            maxY = std::max({maxY, s.y1, s.y2});
        }
        m_corner = {minX - 1, m_bottom - 1};
        const auto width = static_cast<std::size_t>(static_cast<long long>(maxX) - minX + 1);
        const auto rows = static_cast<std::size_t>(static_cast<long long>(maxY) - m_bottom + 1);
        Drawn drawn = Draw(segments, rows);
        SortRows(drawn, minX, width);
        Link(drawn);
    }

    PixelIndex Size() const { return m_size; }
    // The pixels with other than two adjacent pixels (ends and junctions),
    // in scan order.
    const std::vector<PixelIndex>& EndsAndJunctions() const { return m_nodal; }
    // The number of pairs of adjacent pixels.
    std::size_t Edges() const { return m_edges; }
    // The corner one pixel below and left of the segments' extent.
    Point Corner() const { return m_corner; }
    Point At(PixelIndex i) const { return m_at[i]; }

    // The pixel at (x, y), or kNoPixel.
    PixelIndex Find(int x, int y) const {
        const long long row = static_cast<long long>(y) - m_bottom;
        if (row < 0 || row + 1 >= static_cast<long long>(m_rowStart.size())) return kNoPixel;
        const Point* first = m_at.get() + m_rowStart[static_cast<std::size_t>(row)];
        const Point* last = m_at.get() + m_rowStart[static_cast<std::size_t>(row) + 1];
        const Point* at = std::lower_bound(first, last, x, [](const Point& p, int v) { return p.x < v; });
        return at != last && at->x == x ? static_cast<PixelIndex>(at - m_at.get()) : kNoPixel;
    }

    // The pixel next to pixel i in direction d, which must be one of the
    // set: the next one along the row, or in the row above or below the one
    // the run from x - 1 starts on, counted on past those of x - 1 and x
    // that are there.
    PixelIndex Neighbour(PixelIndex i, int d) const {
        const Pixel& p = m_pixels[i];
        auto there = [&p](int e) { return static_cast<PixelIndex>((p.present >> e) & 1u); };
        switch (d) {
            case 0:
                return i + 1;
            case 1:
                return p.above + there(3) + there(2);
            case 2:
                return p.above + there(3);
            case 3:
                return p.above;
            case 4:
                return i - 1;
            case 5:
                return p.below;
            case 6:
                return p.below + there(5);
            default:
                return p.below + there(5) + there(6);
        }
    }

    // Whether pixel i and its neighbour in direction d are adjacent, from
    // the bits worked out once.
    bool Linked(PixelIndex i, int d) const { return (m_pixels[i].links >> d) & 1u; }
    // The bits of every adjacent direction of pixel i.
    unsigned Links(PixelIndex i) const { return m_pixels[i].links; }
    int Degree(PixelIndex i) const { return m_pixels[i].degree; }

    // The pixels of no node with an adjacent direction not walked, in scan
    // order; looked for in bands of rows on the worker threads.
    std::vector<PixelIndex> NotWalked() const {
        const std::vector<std::size_t> bands = RowBands(m_rowStart);
        std::vector<std::vector<PixelIndex>> found(bands.size() - 1);
        ForEachIndex(static_cast<int>(found.size()), [&](int k) {
            for (PixelIndex i = m_rowStart[bands[k]]; i < m_rowStart[bands[k + 1]]; ++i)
                if (m_pixels[i].node < 0 && (m_pixels[i].links & ~m_pixels[i].walked) != 0)
                    found[k].push_back(i);
        });
        return Joined(found);
    }

    // The walk's marks on pixel i: a bit per direction walked from or to it,
    // and the node it belongs to or -1.
    std::uint8_t& Walked(PixelIndex i) { return m_pixels[i].walked; }
    std::uint8_t Walked(PixelIndex i) const { return m_pixels[i].walked; }
    int& Node(PixelIndex i) { return m_pixels[i].node; }
    int Node(PixelIndex i) const { return m_pixels[i].node; }

private:
    // What the walk reads of a pixel besides where it is, in 16 bytes. Every
    // field is set when the pixel is linked (the list is made without
    // clearing, since all of it is written once).
    struct Pixel {
        PixelIndex above;  // the first pixel of the row above at or right of x - 1
        PixelIndex below;  // the same in the row below
        int node;
        std::uint8_t present;  // a bit per direction with a neighbour
        std::uint8_t links;    // a bit per adjacent direction
        std::uint8_t degree;   // how many
        std::uint8_t walked;
    };

    // The x of every pixel the segments draw, by row: row r's are
    // xs[start[r], start[r + 1]).
    struct Drawn {
        std::vector<PixelIndex> start;
        std::unique_ptr<int[]> xs;
    };

    // Draws the segments, dealing the pixels out by row (a counting sort).
    // The segment list is cut into pieces, each counted with counts of its
    // own per row, so that each piece fills its own stretch of every row.
    Drawn Draw(const SegmentList& segments, std::size_t rows) const {
        // The pieces' counts take no more memory than their segments.
        const int pieces =
            std::min(BandCount(static_cast<int>(std::min<std::size_t>(segments.size(), INT_MAX)),
                               kMinPieceSegments, ThreadCount()),
                     static_cast<int>(std::min<std::size_t>(segments.size() / rows + 1, INT_MAX)));
        auto forEachPixel = [&](auto visit) {
            ForEachIndex(pieces, [&](int k) {
                const std::size_t n = segments.size();
                for (std::size_t i = n * k / pieces, end = n * (k + 1) / pieces; i < end; ++i)
                    ForEachPixel(segments[i],
                                 [&](int x, int y) { visit(k, x, static_cast<std::size_t>(y - m_bottom)); });
            });
        };
        // next[k * rows + r]: how many of row r piece k draws; then where the next one goes.
        std::vector<PixelIndex> next(static_cast<std::size_t>(pieces) * rows, 0);
        forEachPixel([&](int k, int, std::size_t row) { ++next[k * rows + row]; });
        Drawn drawn;
        drawn.start.resize(rows + 1);
        PixelIndex total = 0;
        for (std::size_t row = 0; row < rows; ++row) {
            drawn.start[row] = total;
            for (int k = 0; k < pieces; ++k) total += std::exchange(next[k * rows + row], total);
        }
        drawn.start[rows] = total;
        drawn.xs = std::make_unique_for_overwrite<int[]>(total);
        forEachPixel([&](int k, int x, std::size_t row) { drawn.xs[next[k * rows + row]++] = x; });
        return drawn;
    }

    // Sorts each row's pixels along it and drops repeats, in place: row r's
    // are then xs[start[r], start[r] + m_rowStart[r + 1] - m_rowStart[r]).
    // A row's pixels are set as bits in a row's worth of bits, which read
    // back in order gives them sorted and once each.
    void SortRows(Drawn& drawn, int left, std::size_t width) {
        const std::size_t rows = drawn.start.size() - 1;
        m_rowStart.assign(rows + 1, 0);
        const std::vector<std::size_t> bands = RowBands(drawn.start);
        ForEachIndex(static_cast<int>(bands.size() - 1), [&](int k) {
            std::vector<std::uint64_t> bits((width + 63) / 64, 0);
            for (std::size_t row = bands[k]; row < bands[k + 1]; ++row) {
                int* xs = drawn.xs.get() + drawn.start[row];
                const PixelIndex count = drawn.start[row + 1] - drawn.start[row];
                std::size_t low = bits.size(), high = 0;
                for (PixelIndex i = 0; i < count; ++i) {
                    const std::size_t x = static_cast<std::size_t>(xs[i] - left);
                    bits[x / 64] |= std::uint64_t{1} << (x % 64);
                    low = std::min(low, x / 64), high = std::max(high, x / 64);
                }
                PixelIndex kept = 0;
                for (std::size_t word = low; word <= high; ++word) {
                    for (std::uint64_t set = bits[word]; set != 0; set &= set - 1)
                        xs[kept++] = left + static_cast<int>(64 * word + std::countr_zero(set));
                    bits[word] = 0;
                }
                m_rowStart[row + 1] = kept;
            }
        });
        for (std::size_t row = 0; row < rows; ++row) m_rowStart[row + 1] += m_rowStart[row];
    }

    // Sets every pixel out from the sorted rows, in bands of rows, and
    // lists the ends and junctions.
    void Link(const Drawn& drawn) {
        m_size = m_rowStart.back();
        m_at = std::make_unique_for_overwrite<Point[]>(m_size);
        m_pixels = std::make_unique_for_overwrite<Pixel[]>(m_size);
        const std::vector<std::size_t> bands = RowBands(m_rowStart);
        std::vector<std::size_t> ends(bands.size() - 1, 0);
        std::vector<std::vector<PixelIndex>> nodal(bands.size() - 1);
        ForEachIndex(static_cast<int>(bands.size() - 1), [&](int k) {
            for (std::size_t row = bands[k]; row < bands[k + 1]; ++row)
                ends[k] += LinkRow(drawn, row, nodal[k]);
        });
        m_nodal = Joined(nodal);
        m_edges = std::accumulate(ends.begin(), ends.end(), std::size_t{0}) / 2;
    }

    // Sets out the pixels of one row: where each is, where the run of
    // pixels from x - 1 on starts in the rows above and below (both rows are
    // in x order, so one pass along each finds them), the directions it has
    // a neighbour in and those it is adjacent in. Adds those of other than
    // two adjacent pixels to `nodal`; returns the sum of their degrees.
    std::size_t LinkRow(const Drawn& drawn, std::size_t row, std::vector<PixelIndex>& nodal) {
        const std::size_t rows = m_rowStart.size() - 1;
        // A row beside this one: its pixels' x, and the first of them at or
        // right of the present pixel's x - 1.
        struct Beside {
            const int* xs = nullptr;
            PixelIndex first = kNoPixel, count = 0, at = 0;
        };
        auto beside = [&](std::size_t r) {
            return Beside{drawn.xs.get() + drawn.start[r], m_rowStart[r], m_rowStart[r + 1] - m_rowStart[r],
                          0};
        };
        Beside above = row + 1 < rows ? beside(row + 1) : Beside{};
        Beside below = row > 0 ? beside(row - 1) : Beside{};
        const int* xs = drawn.xs.get() + drawn.start[row];
        const PixelIndex first = m_rowStart[row], count = m_rowStart[row + 1] - first;
        const int y = m_bottom + static_cast<int>(row);
        std::size_t ends = 0;
        for (PixelIndex i = 0; i < count; ++i) {
            const int x = xs[i];
            unsigned present = 0;
            if (i + 1 < count && xs[i + 1] == x + 1) present |= 1u << 0;
            if (i > 0 && xs[i - 1] == x - 1) present |= 1u << 4;
            // The directions to x - 1, x and x + 1 in the rows above and below.
            auto look = [&](Beside& side, const int(&directions)[3]) {
                if (side.first == kNoPixel) return kNoPixel;
                while (side.at < side.count && side.xs[side.at] < x - 1) ++side.at;
                for (PixelIndex j = side.at; j < side.count && side.xs[j] <= x + 1; ++j)
                    present |= 1u << directions[side.xs[j] - x + 1];
                return side.first + side.at;
            };
            m_at[first + i] = {x, y};
            Pixel& pixel = m_pixels[first + i];
            pixel.above = look(above, {3, 2, 1});
            pixel.below = look(below, {5, 6, 7});
            pixel.node = -1;
            pixel.present = static_cast<std::uint8_t>(present);
            pixel.links = kAdjacency[present].links;
            pixel.degree = kAdjacency[present].degree;
            pixel.walked = 0;
            ends += pixel.degree;
            if (pixel.degree != 2) nodal.push_back(first + i);
        }
        return ends;
    }

    Point m_corner;
    std::size_t m_edges = 0;
    int m_bottom = 0;                    // the lowest row
    std::vector<PixelIndex> m_rowStart;  // per row from m_bottom, its first pixel; then the end
    std::unique_ptr<Point[]> m_at;       // where each pixel is, in scan order
    std::unique_ptr<Pixel[]> m_pixels;   // and the rest of it
    PixelIndex m_size = 0;
    std::vector<PixelIndex> m_nodal;  // the ends and junctions
};

class GraphWalker {
public:
    explicit GraphWalker(PixelSet& pixels) : m_pixels(pixels) {}

    StrokeGraph Walk() {
        // Every chain writes a point per edge and at most three more; room
        // for that much is set aside at once, so the list never moves, and
        // the part never written costs nothing. The chains themselves are
        // far fewer than the edges.
        m_points.reserve(4 * m_pixels.Edges());
        // While the nodes are found, another thread has the pages of about a
        // point per edge faulted in, so that the walk does not stop for them.
        ForEachIndex(2, [&](int k) {
            if (k == 0)
                FindNodes();
            else
                PrefaultPages(m_points.data(), m_pixels.Edges() * sizeof(Point));
        });
        // Chains leaving every node (the ends and junctions are the nodes'
        // pixels), then the rings no node lies on: pixels of no node with
        // edges left, in scan order. The graph takes the chains' points
        // again, joined, into room set aside like theirs, whose pages
        // another thread has faulted in during the first walk.
        StrokeGraph graph;
        graph.points.reserve(m_points.capacity());
        ForEachIndex(2, [&](int k) {
            if (k == 0)
                for (PixelIndex i : m_pixels.EndsAndJunctions()) FollowAllFrom(i);
            else
                PrefaultPages(graph.points.data(), m_pixels.Edges() * sizeof(Point));
        });
        for (PixelIndex i : m_pixels.NotWalked()) FollowAllFrom(i);
        JoinThroughNodes(graph);
        return graph;
    }

    // Whether any node is a filled area.
    bool HasDenseNode() const {
        return std::any_of(m_nodeSizes.begin(), m_nodeSizes.end(),
                           [](std::size_t n) { return n > kLargestJunction; });
    }
    // Whether the pixel at (x, y), one of the set, lies in a filled area.
    bool InDenseNode(int x, int y) const { return Dense(m_pixels.Node(m_pixels.Find(x, y))); }

private:
    // A walked chain: its points are m_points[begin, end), the centres of
    // the nodes it ends on included. A chain meeting a filled area ends
    // where it meets it, on no node.
    struct RawChain {
        std::size_t begin = 0, end = 0;
        int startNode = -1;
        int endNode = -1;
        bool ring = false;  // closes on itself with no node on it
    };

    // Pixels with other than two neighbours are nodes; touching junction
    // pixels share one node, represented by its pixel nearest their centre.
    void FindNodes() {
        std::vector<PixelIndex> members;
        for (PixelIndex first : m_pixels.EndsAndJunctions()) {
            if (m_pixels.Node(first) >= 0) continue;
            const int degree = m_pixels.Degree(first);
            const int id = static_cast<int>(m_centres.size());
            members.assign(1, first);
            m_pixels.Node(first) = id;
            for (std::size_t k = 0; k < members.size() && degree >= 3; ++k) {
                for (int d = 0; d < 8; ++d) {
                    if (!m_pixels.Linked(members[k], d)) continue;
                    const PixelIndex n = m_pixels.Neighbour(members[k], d);
                    if (m_pixels.Node(n) >= 0 || m_pixels.Degree(n) < 3) continue;
                    m_pixels.Node(n) = id;
                    members.push_back(n);
                }
            }
            m_centres.push_back(m_pixels.At(NearestToCentre(members)));
            m_nodeSizes.push_back(members.size());
        }
    }

    // The member nearest the members' mean, the first of those as near. The
    // distances are measured from the corner of the segments' extent: two
    // members can be equally near, and which of them the rounding puts first
    // depends on the frame, so the frame stays the one the drawings were
    // always made in.
    PixelIndex NearestToCentre(const std::vector<PixelIndex>& members) const {
        const Point corner = m_pixels.Corner();
        double cx = 0, cy = 0;
        for (PixelIndex m : members) cx += m_pixels.At(m).x - corner.x, cy += m_pixels.At(m).y - corner.y;
        cx /= members.size(), cy /= members.size();
        PixelIndex nearest = members.front();
        double best = std::numeric_limits<double>::max();
        for (PixelIndex m : members) {
            const double x = m_pixels.At(m).x - corner.x, y = m_pixels.At(m).y - corner.y;
            const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            if (d2 < best) best = d2, nearest = m;
        }
        return nearest;
    }

    bool Dense(int node) const { return node >= 0 && m_nodeSizes[node] > kLargestJunction; }
    // The node a chain ending on this one stops at, or -1 in a filled area.
    int JoinableNode(int node) const { return Dense(node) ? -1 : node; }

    bool EdgeDone(PixelIndex i, int d) const { return (m_pixels.Walked(i) >> d) & 1u; }
    void MarkEdge(PixelIndex i, int d, PixelIndex next) {
        m_pixels.Walked(i) |= static_cast<std::uint8_t>(1u << d);
        m_pixels.Walked(next) |= static_cast<std::uint8_t>(1u << ((d + 4) % 8));
    }

    // Walks from pixel `from` through each of its adjacent directions in
    // turn that no walk has taken yet.
    void FollowAllFrom(PixelIndex from) {
        for (int d = 0; d < 8; ++d) {
            const unsigned open = (m_pixels.Links(from) & ~m_pixels.Walked(from) & 0xffu) >> d;
            if (open == 0) return;
            d += std::countr_zero(open);
            FollowFrom(from, d);
        }
    }

    // Walks from pixel `from` through direction d along pixels of two
    // neighbours until a node or the start is met.
    void FollowFrom(PixelIndex from, int d) {
        if (!m_pixels.Linked(from, d) || EdgeDone(from, d)) return;
        const int startNode = m_pixels.Node(from);
        PixelIndex at = m_pixels.Neighbour(from, d);
        // An edge between two pixels of the same node lies inside it.
        if (startNode >= 0 && m_pixels.Node(at) == startNode) {
            MarkEdge(from, d, at);
            return;
        }
        RawChain chain;
        chain.begin = m_points.size();
        chain.startNode = JoinableNode(startNode);
        if (chain.startNode >= 0 && m_centres[chain.startNode] != m_pixels.At(from))
            m_points.push_back(m_centres[chain.startNode]);
        const std::size_t walkBegin = m_points.size();
        // Where the walk is follows from its steps, without reading the
        // place of each pixel it comes to.
        Point where = m_pixels.At(from);
        m_points.push_back(where);
        int endNode = -1;
        PixelIndex previous = from;
        for (int dir = d;;) {
            MarkEdge(previous, dir, at);
            if (startNode < 0 && at == from) {
                chain.ring = true;
                break;
            }
            where = {where.x + kStep[dir].x, where.y + kStep[dir].y};
            m_points.push_back(where);
            if (m_pixels.Node(at) >= 0) {
                endNode = m_pixels.Node(at);
                break;
            }
            // Onward along the first adjacent edge not yet walked.
            const unsigned open = m_pixels.Links(at) & ~m_pixels.Walked(at) & 0xffu;
            if (open == 0) break;  // the ring closes on an edge already walked
            previous = at, dir = std::countr_zero(open);
            at = m_pixels.Neighbour(at, dir);
        }
        // A short loop from a node back to itself is a knot in the junction.
        if (startNode >= 0 && startNode == endNode && m_points.size() - walkBegin <= 4) {
            m_points.resize(chain.begin);
            return;
        }
        chain.endNode = JoinableNode(endNode);
        if (chain.endNode >= 0 && m_centres[chain.endNode] != m_points.back())
            m_points.push_back(m_centres[chain.endNode]);
        chain.end = m_points.size();
        m_raw.push_back(chain);
    }

    std::span<const Point> PointsOf(const RawChain& chain) const {
        return std::span<const Point>(m_points).subspan(chain.begin, chain.end - chain.begin);
    }

    // The direction a chain leaves its end in, over a few pixels.
    static Leaving EndOf(std::span<const Point> points, bool atStart) {
        const std::size_t reach = std::min<std::size_t>(points.size() - 1, 6);
        const Point from = atStart ? points.front() : points.back();
        const Point to = atStart ? points[reach] : points[points.size() - 1 - reach];
        const double dx = to.x - from.x, dy = to.y - from.y, length = std::hypot(dx, dy);
        return {length > 0 ? dx / length : 0, length > 0 ? dy / length : 0};
    }

    // Room to pair the ends at one node in: the direction each leaves in,
    // and the pairs that might join, by cosine.
    struct Pairing {
        struct Pair {
            double cosine;
            int a, b;
        };
        std::vector<Leaving> leaving;
        std::vector<Pair> pairs;
    };

    // Pairs the chain ends `at` of one node, setting partner[] for those
    // alone: two ends always join; of more, the pairs that continue each
    // other most nearly straight, best first.
    void PairEnds(std::span<const int> at, std::vector<int>& partner, Pairing& pairing) const {
        if (at.size() == 2) {
            partner[at[0]] = at[1];
            partner[at[1]] = at[0];
            return;
        }
        std::vector<Leaving>& leaving = pairing.leaving;
        leaving.clear();
        for (int end : at) leaving.push_back(EndOf(PointsOf(m_raw[end / 2]), end % 2 == 0));
        auto& pairs = pairing.pairs;
        pairs.clear();
        for (std::size_t i = 0; i < leaving.size(); ++i)
            for (std::size_t j = i + 1; j < leaving.size(); ++j) {
                const double cosine = leaving[i].dx * leaving[j].dx + leaving[i].dy * leaving[j].dy;
                if (cosine < -0.82) pairs.push_back({cosine, at[i], at[j]});
            }
        std::stable_sort(pairs.begin(), pairs.end(),
                         [](const auto& l, const auto& r) { return l.cosine < r.cosine; });
        for (const auto& p : pairs) {
            if (partner[p.a] >= 0 || partner[p.b] >= 0) continue;
            partner[p.a] = p.b;
            partner[p.b] = p.a;
        }
    }

    // Pairs chain ends at every node: at a node of two ends they always join;
    // at a junction, the pairs that continue each other most nearly straight
    // (turning by less than about 35 degrees) join, best first. An end is
    // 2 * chain + (0 at its start, 1 at its end). The joined chains go to
    // the graph.
    void JoinThroughNodes(StrokeGraph& graph) {
        const std::vector<RawChain>& chains = m_raw;
        // The ends at each node, in the order of their chains: node n's are
        // ends[first[n], first[n + 1]). A ring has none.
        std::vector<std::uint32_t> first(m_centres.size() + 1, 0);
        for (const RawChain& c : chains)
            for (int node : {c.startNode, c.endNode})
                if (node >= 0) ++first[static_cast<std::size_t>(node) + 1];
        for (std::size_t n = 1; n < first.size(); ++n) first[n] += first[n - 1];
        std::vector<int> ends(first.back());
        std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
        for (std::size_t id = 0; id < chains.size(); ++id) {
            if (chains[id].startNode >= 0) ends[next[chains[id].startNode]++] = static_cast<int>(2 * id);
            if (chains[id].endNode >= 0) ends[next[chains[id].endNode]++] = static_cast<int>(2 * id + 1);
        }
        // partner[end] = the end it joins, or -1. A node pairs only its own
        // ends, so the nodes are shared among the worker threads.
        std::vector<int> partner(2 * chains.size(), -1);
        ParallelRows(static_cast<int>(m_centres.size()), kMinBandNodes, [&](int begin, int end) {
            Pairing pairing;
            for (int node = begin; node < end; ++node)
                PairEnds(std::span<const int>(ends.data() + first[node], first[node + 1] - first[node]),
                         partner, pairing);
        });
        graph.chains.reserve(chains.size());  // each takes one walked chain or more
        Assemble(chains, partner, graph);
        // The rings come last.
        for (const RawChain& raw : m_raw)
            if (raw.ring) {
                graph.chains.push_back({graph.points.size(), raw.end - raw.begin, true, -1, -1, {}});
                graph.points.insert(graph.points.end(), PointsOf(raw).begin(), PointsOf(raw).end());
            }
    }

    // Follows the pairs from chain to chain into the graph's chains.
    void Assemble(const std::vector<RawChain>& chains, const std::vector<int>& partner,
                  StrokeGraph& graph) const {
        std::vector<Point>& points = graph.points;
        std::vector<bool> used(chains.size(), false);
        for (std::size_t c = 0; c < chains.size(); ++c) used[c] = chains[c].ring;  // they come last
        // Appends chain c entered at end `entry` (0 start, 1 end) to the run
        // starting at points[from], skipping the point it shares with what
        // is already there.
        auto append = [&](std::size_t from, int c, int entry) {
            const std::span<const Point> piece = PointsOf(chains[c]);
            const bool shared =
                points.size() > from && points.back() == (entry == 0 ? piece.front() : piece.back());
            if (entry == 0)
                points.insert(points.end(), piece.begin() + (shared ? 1 : 0), piece.end());
            else
                points.insert(points.end(), piece.rbegin() + (shared ? 1 : 0), piece.rend());
        };
        auto nodeAt = [&](int c, int end) { return end == 0 ? chains[c].startNode : chains[c].endNode; };
        auto follow = [&](int c, int entry) {
            StrokeChain run;
            run.first = points.size();
            run.startNode = nodeAt(c, entry);
            const int firstEnd = 2 * c + entry;
            for (;;) {
                used[c] = true;
                append(run.first, c, entry);
                const int exitEnd = 2 * c + (1 - entry);
                const int node = nodeAt(c, 1 - entry);
                const int next = partner[exitEnd];
                if (next == firstEnd) {
                    run.closed = true;
                    run.through.push_back({0, node});
                    run.startNode = -1;
                    break;
                }
                if (next < 0 || used[next / 2]) {
                    run.endNode = node;
                    break;
                }
                run.through.push_back({points.size() - 1 - run.first, node});
                c = next / 2;
                entry = next % 2;
            }
            if (run.closed && points.size() - run.first > 1 && points[run.first] == points.back())
                points.pop_back();
            run.count = points.size() - run.first;
            graph.chains.push_back(std::move(run));
        };
        // Open runs start at an end that joins nothing.
        for (std::size_t c = 0; c < chains.size(); ++c) {
            if (used[c]) continue;
            for (int entry = 0; entry < 2 && !used[c]; ++entry)
                if (partner[2 * c + entry] < 0) follow(static_cast<int>(c), entry);
        }
        // What is left closes on itself.
        for (std::size_t c = 0; c < chains.size(); ++c)
            if (!used[c]) follow(static_cast<int>(c), 0);
    }

    PixelSet& m_pixels;
    std::vector<Point> m_centres;          // per node, the pixel chains meet on
    std::vector<std::size_t> m_nodeSizes;  // per node, its number of pixels
    std::vector<Point> m_points;           // the chains' points, one after another
    std::vector<RawChain> m_raw;
};

}  // namespace

StrokeGraph BuildStrokeGraph(const SegmentList& segments) {
    if (segments.empty()) return {};
    PixelSet pixels(segments);
    GraphWalker walker(pixels);
    StrokeGraph graph = walker.Walk();
    // Segments that touch a filled area stay as they were drawn, once each.
    if (!walker.HasDenseNode()) return graph;
    std::set<std::array<int, 4>> kept;
    for (const CLineSegment& s : segments) {
        bool dense = false;
        ForEachPixel(s, [&](int x, int y) { dense = dense || walker.InDenseNode(x, y); });
        if (!dense || (s.x1 == s.x2 && s.y1 == s.y2)) continue;
        const std::array<int, 4> key =
            std::min(std::array<int, 4>{s.x1, s.y1, s.x2, s.y2}, std::array<int, 4>{s.x2, s.y2, s.x1, s.y1});
        if (!kept.insert(key).second) continue;
        graph.chains.push_back({graph.points.size(), 2, false, -1, -1, {}});
        graph.points.push_back({s.x1, s.y1});
        graph.points.push_back({s.x2, s.y2});
    }
    return graph;
}

}  // namespace lintra
