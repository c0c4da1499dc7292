// How one thinning pass shares the worker threads without changing its
// result. A pass visits rows in order, each from the left; pixel (i, j)
// reads the pass's result at (i, j - 1) and (i - 1, j - 1 .. j + 1) and the
// unvisited state of the pixels after it. Seen along diagonals u = i + j,
// every pixel whose result it reads lies on its own diagonal or an earlier
// one, in its own row or an earlier one, and every pixel that must still be
// unvisited lies on its own diagonal or a later one, in a later row. So the
// diagonals are cut into bands (band k holds u in [bound k, bound k + 1)),
// each band visits its rows in order, and band k may visit row i as soon as
// band k - 1 has finished row i + kBandLagRows: it never waits on a later
// band, and a band running behind another never blocks it. The lag also
// keeps the bit words two bands write at once apart. Not part of the
// library's interface.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "base/parallel_rows.h"

namespace lintra::raster_detail {

// Rows a band stays behind the band before it: more than one bit word, so
// that the bits the two set in the transposed plane (pixels and marks, at
// their row numbers) never share a word, and more than the three rows
// either touches.
inline constexpr int kBandLagRows = 66;

// The bands of one pass and how far each has gone.
class DiagonalBands {
public:
    // bounds: the first diagonal of each band and, last, one past the end.
    // rows: the last row visited (rows are 1 .. rows).
    DiagonalBands(std::vector<int> bounds, int rows)
        : m_bounds(std::move(bounds)),
          m_done(std::make_unique<Slot[]>(m_bounds.size())),
          m_carry(static_cast<std::size_t>(rows) + 1, 1),
          m_rows(rows) {}

    int count() const { return static_cast<int>(m_bounds.size()) - 1; }
    int first(int k) const { return m_bounds[static_cast<std::size_t>(k)]; }
    int end(int k) const { return m_bounds[static_cast<std::size_t>(k) + 1]; }

    // The next band to work on, in order; count() and above when none is left.
    int Take() { return m_next.fetch_add(1, std::memory_order_relaxed); }

    // Waits until band k may visit row i. known holds the last row the band
    // before was seen to have finished: the band asks again only when that
    // is not enough, so the line the band before writes its progress to
    // mostly stays with it.
    void WaitFor(int k, int i, int& known) {
        if (k == 0) return;
        const int target = std::min(i + kBandLagRows, m_rows);
        if (known >= target) return;
        const std::atomic<int>& done = m_done[k - 1].row;
        for (int spins = 0; (known = done.load(std::memory_order_acquire)) < target; ++spins) {
            if (spins < 256) {
                PauseSpin();
                continue;
            }
            // The band before is not moving: its thread may not be running.
            const auto start = std::chrono::steady_clock::now();
            while ((known = done.load(std::memory_order_acquire)) < target) std::this_thread::yield();
            const auto waited = std::chrono::steady_clock::now() - start;
            m_stalled.fetch_add(std::chrono::duration_cast<std::chrono::nanoseconds>(waited).count(),
                                std::memory_order_relaxed);
            return;
        }
    }
    // The time the bands spent waiting for a band before them that was not
    // moving.
    std::chrono::nanoseconds stalled() const {
        return std::chrono::nanoseconds(m_stalled.load(std::memory_order_relaxed));
    }
    // Band k has finished row i.
    void Done(int k, int i) { m_done[k].row.store(i, std::memory_order_release); }
    // Band k has finished all its rows.
    void Finished(int k) { m_done[k].row.store(INT_MAX, std::memory_order_release); }

    // Where the run of row i continues: the band that visits the row next
    // starts there (after a deletion at the end of the band before, one
    // position into its own span).
    int& carry(int i) { return m_carry[static_cast<std::size_t>(i)]; }

private:
    // One cache line each, so a band's progress does not move lines the
    // others write.
    struct alignas(64) Slot {
        std::atomic<int> row{0};
    };
    std::vector<int> m_bounds;
    std::unique_ptr<Slot[]> m_done;
    std::vector<int> m_carry;
    int m_rows;
    alignas(64) std::atomic<int> m_next{0};
    std::atomic<std::int64_t> m_stalled{0};  // nanoseconds
};

}  // namespace lintra::raster_detail
