// The two vectorisers on the thinned form of the shared test page (a 300-dpi
// A4 scan, 2480 x 3508; 256 x 256 with LINTRA_BENCH_SMALL=1), and Vectorise
// 1 beside its plain step-by-step transcription on a 400 x 400 page (100 x
// 100 in the smoke run), where the transcription's whole-image passes per
// contour are still affordable; also Vectorise 1 on the unthinned binarised
// page, which peels every stroke layer by layer. Counters: segments and
// contours per run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_page.h"
#include "tests/vector/vectorise_oracle.h"
#include "vector/vectorise1.h"
#include "vector/vectorise2.h"

namespace lintra::bench {
namespace {

class QuietSink : public MessageSink {
public:
    void ShowMessage(const std::string&, const std::string&) override { ++count; }
    int count = 0;
};

const PageImage& ThinnedA4() {
    static const PageImage page = [] {
        const PageSize size = BenchPageSize();
        return MakeThinnedPage(size.width, size.height);
    }();
    return page;
}

// Unthinned strokes, 2 to 6 pixels wide: Vectorise 1 peels them layer by layer.
const PageImage& BinarisedA4() {
    static const PageImage page = [] {
        const PageSize size = BenchPageSize();
        return MakeBinarisedPage(size.width, size.height);
    }();
    return page;
}

const PageImage& ThinnedSmall() {
    static const PageImage page = [] {
        const char* small = std::getenv("LINTRA_BENCH_SMALL");
        const int side = small != nullptr && small[0] != '\0' && std::strcmp(small, "0") != 0 ? 100 : 400;
        return MakeThinnedPage(side, side);
    }();
    return page;
}

void Vectorise1On(benchmark::State& state, const PageImage& input) {
    PageImage current = input;
    PageImage previous = input;
    PageImage work = input;
    LabelGrid grid(input.width, input.height);
    std::int32_t count = 0;
    SegmentList segments;
    QuietSink sink;
    // The current image comes back unchanged, so every run starts alike.
    for (auto _ : state) {
        Vectorise1({current.view(), previous.view(), work.view(), &grid, &count, &segments, &sink});
        benchmark::ClobberMemory();
    }
    state.counters["segments"] = static_cast<double>(segments.size());
    state.counters["contours"] = count;
}

void BM_Vectorise1(benchmark::State& state) {
    Vectorise1On(state, ThinnedA4());
}
BENCHMARK(BM_Vectorise1)->Unit(benchmark::kMillisecond);

void BM_Vectorise1BinarisedPage(benchmark::State& state) {
    Vectorise1On(state, BinarisedA4());
}
BENCHMARK(BM_Vectorise1BinarisedPage)->Unit(benchmark::kMillisecond);

void BM_Vectorise1SmallPage(benchmark::State& state) {
    Vectorise1On(state, ThinnedSmall());
}
BENCHMARK(BM_Vectorise1SmallPage)->Unit(benchmark::kMillisecond);

void BM_Vectorise1PlainStepsSmallPage(benchmark::State& state) {
    const PageImage& input = ThinnedSmall();
    PageImage current = input;
    PageImage previous = input;
    PageImage work = input;
    oracle::Grid grid;
    std::int32_t count = 0;
    SegmentList segments;
    QuietSink sink;
    for (auto _ : state) {
        oracle::Vectorise1({current.view(), previous.view(), work.view()}, grid, count, segments, sink);
        benchmark::ClobberMemory();
    }
    state.counters["segments"] = static_cast<double>(segments.size());
    state.counters["contours"] = count;
}
BENCHMARK(BM_Vectorise1PlainStepsSmallPage)->Unit(benchmark::kMillisecond);

void BM_Vectorise2(benchmark::State& state) {
    const PageImage& input = ThinnedA4();
    PageImage image = input;
    SegmentList segments;
    std::string text;
    for (auto _ : state) {
        // The walk erases the image: each run gets a fresh copy, untimed.
        state.PauseTiming();
        std::memcpy(image.pixels.data(), input.pixels.data(), input.pixels.size());
        segments.clear();
        text.clear();
        state.ResumeTiming();
        TraceStrokes(image.view(), segments, text);
        benchmark::ClobberMemory();
    }
    state.counters["segments"] = static_cast<double>(segments.size());
    state.counters["text_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_Vectorise2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintra::bench
