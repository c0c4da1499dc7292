// TraceLabelledContour: walks one numbered contour and merges runs of equal
// steps into segments.
#include <cstddef>
#include <cstdint>

#include "vector/vectorise/contour_peeler.h"

namespace lintra {

namespace {

// Direction codes 0 W, 1 NW, 2 N, 3 NE, 4 E, 5 SE, 6 S, 7 SW.
constexpr int kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
// The code of step (dx, dy), indexed (dx + 1) * 3 + dy + 1.
constexpr int kCodeOf[9] = {7, 0, 1, 6, -1, 2, 5, 4, 3};

int CodeOf(TracePoint from, TracePoint to) {
    return kCodeOf[(to.x - from.x + 1) * 3 + (to.y - from.y + 1)];
}

// Turns the steps of one walk into segments: a straight run becomes one
// segment, and a stretch that goes back over visited pixels yields only the
// step into them and the step out of them.
class StepMerger {
public:
    // The walk's first step goes from s in direction e.
    StepMerger(Point s, int e, SegmentList& segments) : m_b(s), m_d(e), m_segments(segments) {}

    // The step from c to n, in direction t; n not the start.
    void Step(Point c, Point n, int t, bool nVisited) {
        if (nVisited) {
            if (!m_retracing) {
                if (t == m_d) {
                    AppendSegment(m_segments, m_b, n);
                } else {
                    AppendSegment(m_segments, m_b, c);
                    AppendSegment(m_segments, c, n);
                }
            }
            m_retracing = true;
            m_b = c;
        } else if (m_retracing) {  // leaving the visited pixels; the direction stays
            AppendSegment(m_segments, c, n);
            m_retracing = false;
            m_b = c;
        } else if (t != m_d) {  // a corner
            AppendSegment(m_segments, m_b, c);
            m_d = t;
            m_b = c;
        }
    }
    // The last step, from c back to the start s in direction t.
    void Close(Point c, Point s, int t) {
        if (m_retracing) return;
        if (t == m_d) {
            AppendSegment(m_segments, m_b, s);
        } else {
            AppendSegment(m_segments, m_b, c);
            AppendSegment(m_segments, c, s);
        }
    }

private:
    Point m_b;  // where the current run began
    int m_d;    // its direction
    bool m_retracing = false;
    SegmentList& m_segments;
};

Point AsPoint(TracePoint p) {
    return {p.x, p.y};
}

}  // namespace

void ContourPeeler::TraceLabelledContour(std::int32_t k, SegmentList& segments) {
    if (k < 1 || k > m_count) return;
    const TracePoint* first = m_contours.data() + (k == 1 ? 0 : m_ends[k - 2]);
    const TracePoint* last = m_contours.data() + m_ends[k - 1];
    if (k > m_countAtLastIsolated) {
        ReplayContour(first, last, segments);
        return;
    }
    if (!m_gridNumbered) NumberGrid();
    if (m_walkMarks.empty())
        m_walkMarks.assign(static_cast<std::size_t>(m_work.width) * static_cast<std::size_t>(m_work.height),
                           0);
    WalkLabels(k, first, last, segments);
    // Only pixels traced for contour k can carry k, so only they were marked.
    for (const TracePoint* p = first; p != last; ++p) m_walkMarks[PixelIndex(p->x, p->y)] = 0;
}

// No pixel of the contour has been numbered again since it was traced, so
// the pixels carrying k are exactly the traced ones: the walk over the grid
// tries the same neighbours in the same order as the trace did, and accepts
// the same ones. It therefore repeats the traced sequence step for step,
// starting at its first pixel (the lowest, leftmost) and ending when the
// next step would lead back to it.
void ContourPeeler::ReplayContour(const TracePoint* first, const TracePoint* last, SegmentList& segments) {
    if (m_visited.empty())
        m_visited.assign(
            (static_cast<std::size_t>(m_work.width) * static_cast<std::size_t>(m_work.height) + 63) / 64, 0);
    auto visited = [this](TracePoint p) {
        const std::size_t i = PixelIndex(p.x, p.y);
        return (m_visited[i / 64] >> (i % 64)) & 1;
    };
    const TracePoint start = *first;
    StepMerger merger(AsPoint(start), CodeOf(start, first[1]), segments);
    for (const TracePoint* c = first + 1; c + 1 != last; ++c) {
        const std::size_t i = PixelIndex(c->x, c->y);
        m_visited[i / 64] |= std::uint64_t{1} << (i % 64);
        merger.Step(AsPoint(*c), AsPoint(c[1]), CodeOf(*c, c[1]), visited(c[1]) != 0);
    }
    merger.Close(AsPoint(last[-1]), AsPoint(start), CodeOf(last[-1], start));
    for (const TracePoint* p = first; p != last; ++p) m_visited[PixelIndex(p->x, p->y) / 64] = 0;
}

// The walk over the grid itself, for a contour some of whose pixels were
// numbered again by later contours (only after an isolated start pixel, on
// images with grey values).
void ContourPeeler::WalkLabels(std::int32_t k, const TracePoint* first, const TracePoint* last,
                               SegmentList& segments) {
    const LabelGrid& grid = m_grid;
    const std::ptrdiff_t w = m_grid.width();
    auto cell = [w](int x, int y) { return static_cast<std::ptrdiff_t>(y) * w + x; };
    std::ptrdiff_t offset[8];
    for (int t = 0; t < 8; ++t) offset[t] = kDy[t] * w + kDx[t];

    // The start is the first pixel of the scan (rows from the bottom, each
    // from the left) that still carries k; only pixels traced for contour k
    // can carry it.
    const TracePoint* s = nullptr;
    for (const TracePoint* p = first; p != last; ++p)
        if (grid.Get(cell(p->x, p->y)) == k && (s == nullptr || p->y < s->y || (p->y == s->y && p->x < s->x)))
            s = p;
    if (s == nullptr) {
        m_sink.ShowMessage(kEmptyContourMessage, kAppTitle);
        return;
    }
    const Point start{s->x, s->y};
    const std::ptrdiff_t startCell = cell(start.x, start.y);
    int e = 1;
    while (grid.Get(startCell + offset[e]) != k) {
        e = (e + 1) & 7;
        if (e == 1) return;  // a pixel left alone by later contours: no step to take
    }
    StepMerger merger(start, e, segments);
    Point c{start.x + kDx[e], start.y + kDy[e]};
    std::ptrdiff_t cCell = startCell + offset[e];
    int t = (e + 6) & 7;
    while (true) {
        // Bit t of a pixel's byte: the walk stood there about to search from
        // code t. The start pixel is never marked, so the walk can recognise
        // its return; a walk that stands where it stood before with the same
        // search would go round for ever without meeting the start.
        std::uint8_t& mark = m_walkMarks[PixelIndex(c.x, c.y)];
        if (mark & (1u << t)) return;
        mark |= static_cast<std::uint8_t>(1u << t);
        // The pixel the walk came from carries k, so this search ends.
        while (grid.Get(cCell + offset[t]) != k) t = (t + 1) & 7;
        const Point n{c.x + kDx[t], c.y + kDy[t]};
        const std::ptrdiff_t nCell = cCell + offset[t];
        if (nCell == startCell) {
            merger.Close(c, start, t);
            return;
        }
        merger.Step(c, n, t, m_walkMarks[PixelIndex(n.x, n.y)] != 0);
        c = n;
        cCell = nCell;
        t = (t + 6) & 7;
    }
}

}  // namespace lintra
