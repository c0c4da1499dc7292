// Row bands on the program's worker threads: an operation whose rows can be
// computed independently hands ParallelRows a band function, and the bands
// run at once on up to ThreadCount() threads (the caller being one of them).
// Results must not depend on the number of bands: callers split only work
// whose output is the same however the rows are grouped.
#pragma once

#include <cstddef>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lintra {

// One round of a spin-wait: the pause instruction leaves the core's
// resources to a thread sharing it (a hyperthread, or a virtual CPU the host
// runs beside the other one).
inline void PauseSpin() {
#if defined(__SSE2__)
    _mm_pause();
#endif
}

// The number of threads an operation may use; at first, the cores this
// process may run on (its CPU affinity).
int ThreadCount();
// Sets that number; 0 (or less) means the machine's cores again.
void SetThreadCount(int threads);

// Calls band(begin, end) for consecutive bands covering rows 0 .. rows - 1,
// none shorter than minRows unless rows itself is, and returns when every
// band has returned. An exception thrown by a band is rethrown here once all
// bands have ended. A call made while another is using the workers (from a
// band, or from a second thread) runs its bands on the calling thread alone.
void ParallelRows(int rows, int minRows, const std::function<void(int begin, int end)>& band);

// A piece for ParallelPieces when its work is mostly the first touch of
// fresh memory: a huge page, so that each thread faults in whole pages.
inline constexpr std::size_t kFreshMemoryPiece = std::size_t{2} << 20;

// Calls piece(first, last) for the bytes first .. last - 1 of consecutive
// pieces of `size` bytes (the last one shorter) covering 0 .. bytes - 1,
// shared out as ParallelRows shares rows.
void ParallelPieces(std::size_t bytes, std::size_t size,
                    const std::function<void(std::size_t first, std::size_t last)>& piece);

// The bands ParallelRows uses for rows split over `threads` threads:
// band k of count covers rows [BandStart(k), BandStart(k + 1)).
int BandCount(int rows, int minRows, int threads);
int BandStart(int rows, int bands, int k);

}  // namespace lintra
