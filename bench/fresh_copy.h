// Timing helpers shared by the page benchmarks: the megapixel rate counter
// and a loop that runs an in-place operation on a fresh copy of the page.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/bench_page.h"

namespace lintra::bench {

// Reports "Mpix/s" over the iterations run on the page.
inline void SetRate(benchmark::State& state, const PageImage& page) {
    const double megapixels = static_cast<double>(page.width) * page.height / 1e6;
    state.counters["Mpix/s"] =
        benchmark::Counter(megapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Runs op on a fresh copy of input each iteration; the copy is not timed.
template <typename Op>
void OnFreshCopy(benchmark::State& state, const PageImage& input, Op op) {
    PageImage work = input;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.pixels.data(), input.pixels.data(), input.pixels.size());
        state.ResumeTiming();
        op(work.view());
        benchmark::ClobberMemory();
    }
    SetRate(state, input);
}

}  // namespace lintra::bench
