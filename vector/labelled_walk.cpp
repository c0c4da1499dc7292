// TraceLabelledContour: walks one numbered contour of the label grid and
// merges runs of equal steps into segments.
#include <cstddef>
#include <cstdint>

#include "vector/contour_peeler.h"

namespace lintra {

namespace {

// Direction codes 0 W, 1 NW, 2 N, 3 NE, 4 E, 5 SE, 6 S, 7 SW.
constexpr int kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

}  // namespace

void ContourPeeler::TraceLabelledContour(std::int32_t k, SegmentList& segments) {
    if (k < 1 || k > count_) return;
    const std::int32_t* grid = grid_.data();
    const std::ptrdiff_t h = grid_.height();
    auto cell = [h](int x, int y) { return static_cast<std::ptrdiff_t>(x) * h + y; };
    std::ptrdiff_t offset[8];
    for (int t = 0; t < 8; ++t) offset[t] = kDx[t] * h + kDy[t];

    // The start is the first pixel of the scan (rows from the bottom, each
    // from the left) that still carries k; only pixels traced for contour k
    // can carry it.
    const TracePoint* first = contours_.data() + (k == 1 ? 0 : ends_[k - 2]);
    const TracePoint* last = contours_.data() + ends_[k - 1];
    const TracePoint* s = nullptr;
    for (const TracePoint* p = first; p != last; ++p)
        if (grid[cell(p->x, p->y)] == k && (s == nullptr || p->y < s->y || (p->y == s->y && p->x < s->x))) s = p;
    if (s == nullptr) {
        sink_.ShowMessage(kEmptyContourMessage, kAppTitle);
        return;
    }
    if (seen_.empty()) seen_.assign(static_cast<std::size_t>(grid_.width()) * static_cast<std::size_t>(h), 0);

    const Point start{s->x, s->y};
    const std::ptrdiff_t startCell = cell(start.x, start.y);
    int e = 1;
    while (grid[startCell + offset[e]] != k) {
        e = (e + 1) & 7;
        // A pixel left alone by later contours: no step to take.
        if (e == 1) return;
    }
    Point c{start.x + kDx[e], start.y + kDy[e]};
    std::ptrdiff_t cCell = startCell + offset[e];
    Point b = start;
    int d = e;
    int t = (e + 6) & 7;
    bool retracing = false;
    bool closed = false;
    while (true) {
        // The start pixel is never marked, so the walk can recognise its return.
        std::uint8_t& mark = seen_[static_cast<std::size_t>(cCell)];
        if (mark & (1u << t)) break;  // going round for ever without meeting the start
        mark |= static_cast<std::uint8_t>(1u << t);
        // The pixel the walk came from carries k, so this search ends.
        while (grid[cCell + offset[t]] != k) t = (t + 1) & 7;
        const Point n{c.x + kDx[t], c.y + kDy[t]};
        const std::ptrdiff_t nCell = cCell + offset[t];
        if (nCell == startCell) {
            closed = true;
            break;
        }
        if (seen_[static_cast<std::size_t>(nCell)] != 0) {
            if (!retracing) {
                if (t == d) {
                    AppendSegment(segments, b, n);
                } else {
                    AppendSegment(segments, b, c);
                    AppendSegment(segments, c, n);
                }
            }
            retracing = true;
            b = c;
        } else if (retracing) {  // leaving the visited pixels; the direction stays
            AppendSegment(segments, c, n);
            retracing = false;
            b = c;
        } else if (t != d) {  // a corner
            AppendSegment(segments, b, c);
            d = t;
            b = c;
        }
        c = n;
        cCell = nCell;
        t = (t + 6) & 7;
    }
    if (closed && !retracing) {
        if (t == d) {
            AppendSegment(segments, b, start);
        } else {
            AppendSegment(segments, b, c);
            AppendSegment(segments, c, start);
        }
    }
    // Only pixels of contour k were marked.
    for (const TracePoint* p = first; p != last; ++p) seen_[static_cast<std::size_t>(cell(p->x, p->y))] = 0;
}

}  // namespace lintra
