// How one thinning pass shares the worker threads without changing its
// result. Each row is cut into strips of whole bit words, one strip per
// thread, and the strips of all rows are taken in row order. Strip s of row i
// waits until strip s - 1 of row i is done (it continues that strip's run
// along the row), strip s of row i - 1 is done (it reads that row as the pass
// left it), and strip s + 1 of row i - 1 has passed its first kLeadPixels
// positions (it reads one pixel of that strip as the pass left it, and writes
// pixels strip s + 1 of row i - 1 reads before the pass changes them). A
// strip past its lead touches bit words at least one word away from those of
// the strips that may run beside it. Not part of the library's interface.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lintra::raster_detail {

// The lead of a strip: two bit words. A strip is at least twice as long.
inline constexpr int kLeadPixels = 128;

// The number of strips a row of cols positions is cut into for `threads`
// threads: one per thread, each at least 256 positions long.
inline int StripCount(int cols, int threads) {
    return std::clamp(cols / (2 * kLeadPixels), 1, threads);
}

// Where strip s of `strips` starts in a row of cols positions (1 for the
// first; a multiple of 64 for the others); strip `strips` starts at cols - 1,
// the end of the interior.
inline int StripStart(int cols, int strips, int s) {
    if (s == 0) return 1;
    if (s >= strips) return cols - 1;
    return static_cast<int>(static_cast<long long>(cols) * s / strips) & ~63;
}

// Per strip, the last row done and the last row past its lead in the current
// pass, and the position the row's run continues at in the next strip. A new
// pass starts without clearing: rows are counted from a base that grows with
// each pass.
class StripClock {
public:
    StripClock(int strips, int maxRows)
        : m_done(std::make_unique<Slot[]>(static_cast<std::size_t>(strips))),
          m_lead(std::make_unique<Slot[]>(static_cast<std::size_t>(strips))),
          m_stride(static_cast<std::int64_t>(maxRows) + 2) {}

    // Before the threads start on a pass.
    void StartPass() {
        m_base += m_stride;
        m_nextTask.store(0, std::memory_order_relaxed);
    }
    // The next strip of some row to work on, in row order.
    int TakeTask() { return m_nextTask.fetch_add(1, std::memory_order_relaxed); }

    // Strip s of row i is done and its run continues at position next.
    void Done(int s, int i, int next) {
        m_done[s].carry = next;
        m_done[s].row.store(m_base + i, std::memory_order_release);
    }
    void PastLead(int s, int i) { m_lead[s].row.store(m_base + i, std::memory_order_release); }
    // Where the run of the row strip s last finished continues.
    int Carry(int s) const { return m_done[s].carry; }

    void WaitDone(int s, int i) const { Wait(m_done[s].row, i); }
    void WaitPastLead(int s, int i) const { Wait(m_lead[s].row, i); }

private:
    void Wait(const std::atomic<std::int64_t>& row, int i) const {
        const std::int64_t target = m_base + i;
        for (int spins = 0; row.load(std::memory_order_acquire) < target; ++spins) {
            if (spins < 512) {
#if defined(__SSE2__)
                _mm_pause();
#endif
            } else {
                std::this_thread::yield();  // the thread ahead may not be running
            }
        }
    }

    // One cache line each, so threads do not take lines from one another
    // that they do not share.
    struct alignas(64) Slot {
        std::atomic<std::int64_t> row{0};
        int carry = 0;
    };
    std::unique_ptr<Slot[]> m_done, m_lead;
    std::int64_t m_stride;
    std::int64_t m_base = 0;
    alignas(64) std::atomic<int> m_nextTask{0};
};

}  // namespace lintra::raster_detail
