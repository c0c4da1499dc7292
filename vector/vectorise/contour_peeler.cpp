#include "vector/vectorise/contour_peeler.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "vector/vectorise/isolated_pass.h"

namespace lintra {

namespace {

// Direction codes 0 W, 1 NW, 2 N, 3 NE, 4 E, 5 SE, 6 S, 7 SW.
constexpr int kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

// The boundary follower's walk (TraceBoundary's steps: code 1 first, the
// next search two codes back after each accepted step, eight failures in a
// row for an isolated start) from the lowest, leftmost black pixel of an
// image with a white border. Such a start has no black pixel to its W, SW,
// S or SE, so the walk comes back to it; with the border white it never
// leaves the interior, so no position needs checking.
int TraceFromLowest(ImageView image, TracePoint start, std::vector<TracePoint>& path) {
    path.clear();
    path.push_back(start);
    std::ptrdiff_t offset[8];
    for (int c = 0; c < 8; ++c) offset[c] = kDy[c] * static_cast<std::ptrdiff_t>(image.stride) + kDx[c];
    const std::uint8_t* const s = image.row(start.y) + start.x;
    const std::uint8_t* p = s;
    TracePoint at = start;
    unsigned c = 1;
    // No walk has more accepted steps than there are (pixel, direction) states.
    const std::int64_t maxSteps = 8 * static_cast<std::int64_t>(image.width) * image.height;
    for (std::int64_t steps = 0; steps <= maxSteps; ++steps) {
        int failures = 1;
        while (true) {
            const std::uint8_t* q = p + offset[c];
            if (q == s) return kTraceTraced;
            if (*q == 0) break;
            if (++failures == 9) return kTraceIsolated;
            c = (c + 1) & 7;
        }
        p += offset[c];
        at = {at.x + kDx[c], at.y + kDy[c]};
        path.push_back(at);
        c = (c + 6) & 7;
    }
    return kTraceTraced;
}

}  // namespace

ContourPeeler::ContourPeeler(ImageView work, LabelGrid& grid, MessageSink& sink)
    : m_work(work), m_grid(grid), m_sink(sink) {}

// The isolated-point pass (k = 8) changes a black pixel whose eight
// neighbours are all white, or a white pixel with no white neighbour. Such a
// pixel has no neighbour that the pass could change in the other direction,
// so no decision of the pass depends on another: its sequential result is
// the parallel one, and an image it has passed over is left alone by the
// next pass. After a contour is whitened, only black pixels next to it can
// have come to have eight white neighbours, and no white pixel has lost its
// last white neighbour (every whitened pixel has a whitened neighbour on the
// contour): those black pixels are exactly what the next whole-image pass
// would change.
void ContourPeeler::RemoveIsolatedAroundLastContour() {
    // The border is white and stays white, so a black pixel is an interior
    // pixel and all its neighbours lie inside the image.
    const std::ptrdiff_t stride = m_work.stride;
    const std::ptrdiff_t around[8] = {-stride - 1, -stride,    -stride + 1, -1,
                                      1,           stride - 1, stride,      stride + 1};
    for (const TracePoint p : m_path) {
        std::uint8_t* centre = m_work.row(p.y) + p.x;
        for (const std::ptrdiff_t o : around) {
            std::uint8_t* q = centre + o;
            if (*q != 0) continue;
            std::uint8_t all = 255;
            for (const std::ptrdiff_t r : around) all &= q[r];
            if (all == 255) Whiten(q);
        }
    }
}

void ContourPeeler::Whiten(std::uint8_t* pixel) {
    if (m_watch)
        m_watch->Set(static_cast<std::size_t>(pixel - m_work.pixels), 255);
    else
        *pixel = 255;
}

// A start pixel without a black neighbour among grey ones. The clean-up pass
// (k = 7) that follows may turn the whitened start black again, and the work
// image then comes back to a state it was in before: the steps would repeat
// for ever, so the peeling ends at that point (returns false). Images on
// which the steps end never repeat a state, so they are peeled exactly as
// before. From the first such start on, every change to the work image goes
// through the watch, which makes the passes and the state check cost what
// changed rather than the image size.
bool ContourPeeler::HandleIsolatedStart(TracePoint start) {
    if (!m_watch) m_watch = std::make_unique<IsolatedWatch>(m_work);
    if (!m_isolatedStates.insert(m_watch->Hash()).second) return false;
    m_sink.ShowMessage(kIsolatedPointMessage, kAppTitle);
    m_countAtLastIsolated = m_count;
    Whiten(m_work.row(start.y) + start.x);
    m_watch->Pass(kPeelIsolatedNeighbours);
    // That pass can blacken pixels anywhere, before the start too; the k = 8
    // pass before the next trace must then go over what it changed.
    m_watchPassDue = true;
    m_path.clear();
    return true;
}

// The k = 8 pass after an isolated start, and the start scan moved back to
// the first pixel that either pass turned black.
void ContourPeeler::PassAfterIsolatedStart() {
    m_watch->Pass(kPeelStepNeighbours);
    m_watchPassDue = false;
    TracePoint blackened;
    if (m_watch->TakeFirstBlackened(blackened.x, blackened.y) &&
        (blackened.y < m_resume.y || (blackened.y == m_resume.y && blackened.x < m_resume.x)))
        m_resume = blackened;
}

bool ContourPeeler::LabelNextContour() {
    // The bound on steps (see the header) needs checking only once there is
    // a watch: until the first isolated start pixel nothing turns black after
    // the first pass, every step whitens a black pixel of its own, and the
    // steps so far stay within the black and white pixels the watch counts.
    if (m_watch && m_steps >= m_watch->ChangeablePixels()) return false;
    ++m_steps;
    if (m_fullPassDue) {
        RemoveIsolatedPointsAtOnce(m_work);
        m_fullPassDue = false;
        m_resume = {1, 1};
    } else if (m_watchPassDue) {
        PassAfterIsolatedStart();
    } else {
        RemoveIsolatedAroundLastContour();
    }
    // Peeling and the k = 8 pass only whiten pixels, so nothing before the
    // last start can have turned black unless an isolated start's passes
    // did, and those moved the start scan back.
    TracePoint start;
    if (!FindTraceStart(m_work, start, m_resume)) return false;
    m_resume = start;
    if (TraceFromLowest(m_work, start, m_path) == kTraceIsolated) return HandleIsolatedStart(start);
    if (m_count == std::numeric_limits<std::int32_t>::max()) return false;
    ++m_count;
    for (const TracePoint p : m_path) Whiten(m_work.row(p.y) + p.x);
    m_gridNumbered = false;
    m_contours.insert(m_contours.end(), m_path.begin(), m_path.end());
    m_ends.push_back(m_contours.size());
    return true;
}

void ContourPeeler::NumberGrid() {
    m_grid.Clear();
    // The traced pixels sorted into rows, each row by x and, at one pixel,
    // by contour number: the last pair of an x holds the highest number, the
    // contour that numbered it last. Two stable counting sorts do it, by x
    // and then by y: the contours are listed in number order, so the pixels
    // of one column keep their numbers in order, and the sort by y keeps the
    // order by x within each row. Sorting each row by comparisons cost
    // several times as much.
    const std::size_t width = static_cast<std::size_t>(m_grid.width());
    const std::size_t height = static_cast<std::size_t>(m_grid.height());
    std::vector<std::size_t> columnEnd(width + 1, 0);
    std::vector<std::size_t> rowEnd(height + 1, 0);
    for (const TracePoint p : m_contours) {
        ++columnEnd[static_cast<std::size_t>(p.x) + 1];
        ++rowEnd[static_cast<std::size_t>(p.y) + 1];
    }
    for (std::size_t x = 1; x <= width; ++x) columnEnd[x] += columnEnd[x - 1];
    for (std::size_t y = 1; y <= height; ++y) rowEnd[y] += rowEnd[y - 1];
    // (y, number) by column, then (x, number) by row.
    std::vector<std::pair<std::int32_t, std::int32_t>> byColumn(m_contours.size());
    std::vector<std::size_t> next(columnEnd.begin(), columnEnd.end() - 1);
    std::size_t i = 0;
    for (std::int32_t k = 1; k <= m_count; ++k)
        for (; i < m_ends[static_cast<std::size_t>(k) - 1]; ++i) {
            const TracePoint p = m_contours[i];
            byColumn[next[static_cast<std::size_t>(p.x)]++] = {p.y, k};
        }
    std::vector<std::pair<std::int32_t, std::int32_t>> cells(m_contours.size());
    next.assign(rowEnd.begin(), rowEnd.end() - 1);
    for (std::size_t x = 0; x < width; ++x)
        for (std::size_t j = columnEnd[x]; j < columnEnd[x + 1]; ++j) {
            const auto [y, k] = byColumn[j];
            cells[next[static_cast<std::size_t>(y)]++] = {static_cast<std::int32_t>(x), k};
        }
    for (std::size_t y = 0; y < height; ++y) {
        const auto* first = cells.data() + rowEnd[y];
        const auto* last = cells.data() + rowEnd[y + 1];
        if (first != last) m_grid.AssignRow(static_cast<int>(y), first, last);
    }
    m_gridNumbered = true;
}

}  // namespace lintra
