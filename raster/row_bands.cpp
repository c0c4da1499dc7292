// Fixed row bands on the worker threads.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "base/parallel_rows.h"
#include "raster/raster_private.h"
#include "raster/row_ring.h"

namespace lintra::raster_detail {

namespace {

// About 64 K pixels: a 3 x 3 filter does them in some tens of microseconds,
// well above the cost of waking a worker.
constexpr int kDefaultMinBandPixels = 1 << 16;
std::atomic<int> g_minBandPixels{kDefaultMinBandPixels};

}  // namespace

int MinBandRows(int width) {
    const int pixels = g_minBandPixels.load(std::memory_order_relaxed);
    return std::max(1, pixels / std::max(width, 1));
}

void SetMinBandPixels(int pixels) {
    g_minBandPixels.store(pixels > 0 ? pixels : kDefaultMinBandPixels, std::memory_order_relaxed);
}

std::vector<RowBand> SplitRows(int first, int count, int width, int perThread) {
    std::vector<RowBand> bands;
    // Several bands a thread, taken in turn by whichever thread is free: a
    // thread the system holds back then delays the others by one short band.
    const int threads = ThreadCount();
    const int n = BandCount(count, MinBandRows(width), threads == 1 ? 1 : threads * std::max(perThread, 1));
    for (int k = 0; k < n; ++k)
        bands.push_back({first + BandStart(count, n, k), first + BandStart(count, n, k + 1)});
    return bands;
}

void ForEachBand(std::size_t bands, const std::function<void(std::size_t k)>& band) {
    if (bands == 1) {
        band(0);
        return;
    }
    // One task of ParallelRows per thread, each taking the next band not yet
    // taken until none is left.
    std::atomic<std::size_t> next{0};
    const auto tasks =
        static_cast<int>(std::min<std::size_t>(bands, static_cast<std::size_t>(ThreadCount())));
    ParallelRows(tasks, 1, [&](int, int) {
        for (std::size_t k = next.fetch_add(1); k < bands; k = next.fetch_add(1)) band(k);
    });
}

std::vector<std::uint8_t> SaveRowsBeside(ImageView image, const std::vector<RowBand>& bands, bool below) {
    const auto w = static_cast<std::size_t>(image.width);
    std::vector<std::uint8_t> saved(bands.size() * w);
    for (std::size_t k = 0; k < bands.size(); ++k)
        std::memcpy(saved.data() + k * w, image.row(below ? bands[k].begin - 1 : bands[k].end), w);
    return saved;
}

}  // namespace lintra::raster_detail
