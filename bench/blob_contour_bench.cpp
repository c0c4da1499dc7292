// Small-blob removal and contour extraction on the binarised form of the
// shared test page (a 300-dpi A4 scan, 2480 x 3508; 256 x 256 with
// LINTRA_BENCH_SMALL=1).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/message_sink.h"
#include "bench/bench_page.h"
#include "bench/fresh_copy.h"
#include "raster/blobs.h"
#include "raster/contour.h"

namespace lintra {
namespace {

using bench::OnFreshCopy;
using bench::PageImage;
using bench::SetRate;

// The shared test page, binarised as the iterative threshold leaves it.
PageImage& Page() {
    static PageImage page = [] {
        const bench::PageSize size = bench::BenchPageSize();
        return bench::MakeBinarisedPage(size.width, size.height);
    }();
    return page;
}

// The page without its specks, so that the lowest object, the one the
// follower takes, is the drawing frame with the title block.
PageImage& CleanPage() {
    static PageImage page = [] {
        PageImage p = Page();
        BlobLabelState labels;
        RemoveSmallBlackBlobs(labels, p.view(), 16);
        return p;
    }();
    return page;
}

void BM_RemoveSmallBlackBlobs(benchmark::State& state) {
    BlobLabelState labels;
    const int minimumArea = static_cast<int>(state.range(0));
    OnFreshCopy(state, Page(), [&](ImageView v) { RemoveSmallBlackBlobs(labels, v, minimumArea); });
}
BENCHMARK(BM_RemoveSmallBlackBlobs)->Arg(3)->Arg(255)->Unit(benchmark::kMillisecond);

void BM_LabelBlackBlobs(benchmark::State& state) {
    PageImage& page = Page();
    BlobLabelState labels;
    for (auto _ : state) {
        LabelBlackBlobs(labels, page.view());
        benchmark::DoNotOptimize(labels.labelCounter);
    }
    state.counters["blobs"] = labels.labelCounter;
    SetRate(state, page);
}
BENCHMARK(BM_LabelBlackBlobs)->Unit(benchmark::kMillisecond);

void BM_ExtractContour1(benchmark::State& state) {
    OnFreshCopy(state, Page(), [](ImageView v) { ExtractContour1(v); });
}
BENCHMARK(BM_ExtractContour1)->Unit(benchmark::kMillisecond);

void BM_ExtractContour2(benchmark::State& state) {
    OnFreshCopy(state, Page(), [](ImageView v) { ExtractContour2(v); });
}
BENCHMARK(BM_ExtractContour2)->Unit(benchmark::kMillisecond);

class NullSink : public MessageSink {
public:
    void ShowMessage(const std::string&, const std::string&) override {}
};

// The whole command: start scan, trace of the lowest object (the drawing
// frame), rewriting the image to the traced pixels and whitening them in the
// remainder image (its copy is not timed either).
void BM_TraceOuterContour(benchmark::State& state) {
    PageImage& page = CleanPage();
    PageImage a = page, b = page;
    NullSink sink;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(a.pixels.data(), page.pixels.data(), page.pixels.size());
        std::memcpy(b.pixels.data(), page.pixels.data(), page.pixels.size());
        state.ResumeTiming();
        benchmark::DoNotOptimize(TraceOuterContour(a.view(), b.view(), sink));
        benchmark::ClobberMemory();
    }
    SetRate(state, page);
}
BENCHMARK(BM_TraceOuterContour)->Unit(benchmark::kMillisecond);

// The follower alone, as vectorisation uses it: no image is rewritten.
void BM_TraceBoundary(benchmark::State& state) {
    PageImage& page = CleanPage();
    std::vector<TracePoint> path;
    TracePoint start;
    if (!FindTraceStart(page.view(), start)) {
        state.SkipWithError("no black pixel on the page");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(TraceBoundary(page.view(), start, path));
    state.counters["pixels"] = static_cast<double>(path.size());
}
BENCHMARK(BM_TraceBoundary)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintra
