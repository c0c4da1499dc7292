// The raster operations of stages one to three on the shared test page (a
// 300-dpi A4 scan, 2480 x 3508; 256 x 256 with LINTRA_BENCH_SMALL=1): the
// edge and binarisation operations on the grey scan, the clean-up and
// thinning operations on its binarised form, short-branch removal on its
// thinned form. Each iteration works on a fresh copy of the input; the copy
// is not timed, and BM_PageCopy times that copy alone as the memory baseline.
#include <benchmark/benchmark.h>

#include <cstring>

#include "base/parallel_rows.h"
#include "bench/bench_page.h"
#include "bench/fresh_copy.h"
#include "raster/binarise.h"
#include "raster/binarise_adaptive.h"
#include "raster/cleanup.h"
#include "raster/edge.h"
#include "raster/thin.h"

namespace lintra::bench {
namespace {

const PageImage& GreyPage() {
    static const PageImage page = [] {
        const PageSize size = BenchPageSize();
        return MakeScannedPage(size.width, size.height);
    }();
    return page;
}

const PageImage& BinarisedPage() {
    static const PageImage page = [] {
        PageImage p = GreyPage();
        Histogram histogram;
        ComputeHistogram(p.view(), histogram);
        BinariseIterative(p.view(), histogram);
        return p;
    }();
    return page;
}

const PageImage& ThinnedPage() {
    static const PageImage page = [] {
        PageImage p = BinarisedPage();
        ThinImage(p.view());
        MakeBorderWhite(p.view());
        return p;
    }();
    return page;
}

void BM_PageCopy(benchmark::State& state) {
    const PageImage& input = GreyPage();
    PageImage work = input;
    for (auto _ : state) {
        std::memcpy(work.pixels.data(), input.pixels.data(), input.pixels.size());
        benchmark::ClobberMemory();
    }
    SetRate(state, input);
}
BENCHMARK(BM_PageCopy)->Unit(benchmark::kMillisecond);

#define LINTRA_BENCH_ON(page, name, call)                          \
    void BM_##name(benchmark::State& state) {                      \
        OnFreshCopy(state, page(), [](ImageView image) { call; }); \
    }                                                              \
    BENCHMARK(BM_##name)->Unit(benchmark::kMillisecond)

LINTRA_BENCH_ON(GreyPage, EdgeSobel, EdgeSobel(image));
LINTRA_BENCH_ON(GreyPage, EdgeRoberts, EdgeRoberts(image));
LINTRA_BENCH_ON(GreyPage, EdgePrewitt, EdgePrewitt(image));
LINTRA_BENCH_ON(GreyPage, EdgeKirsch, EdgeKirsch(image));
LINTRA_BENCH_ON(GreyPage, EdgeGaussLaplace, EdgeGaussLaplace(image));
LINTRA_BENCH_ON(GreyPage, EdgeGradient, EdgeGradient(image));
LINTRA_BENCH_ON(GreyPage, BinariseGradient, BinariseGradient(image, 30));
LINTRA_BENCH_ON(GreyPage, BinariseThreshold, BinariseThreshold(image, 30));
LINTRA_BENCH_ON(GreyPage, ComputeHistogram, {
    Histogram histogram;
    ComputeHistogram(image, histogram);
    benchmark::DoNotOptimize(histogram);
});
// The whole command: histogram, then the iterative threshold.
LINTRA_BENCH_ON(GreyPage, BinariseIterative, {
    Histogram histogram;
    ComputeHistogram(image, histogram);
    BinariseIterative(image, histogram);
});
// A small and a large window: the running sums make the time the same.
LINTRA_BENCH_ON(GreyPage, BinariseAdaptive15, BinariseAdaptive(image, 15, kAdaptiveSensitivity));
LINTRA_BENCH_ON(GreyPage, BinariseAdaptive255, BinariseAdaptive(image, 255, kAdaptiveSensitivity));
LINTRA_BENCH_ON(BinarisedPage, InvertBlackWhite, InvertBlackWhite(image));
LINTRA_BENCH_ON(BinarisedPage, RemoveBlackWhitePoints, RemoveBlackWhitePoints(image));
LINTRA_BENCH_ON(BinarisedPage, RemoveIsolatedPoints, RemoveIsolatedPoints(image, 8));
LINTRA_BENCH_ON(BinarisedPage, MakeBorderWhite, MakeBorderWhite(image));
// On the threads the program uses, as the thin command does.
LINTRA_BENCH_ON(BinarisedPage, ThinImage, ThinImage(image, ThreadCount()));
LINTRA_BENCH_ON(ThinnedPage, RemoveShortBranches3, RemoveShortBranches(image, 3));
LINTRA_BENCH_ON(ThinnedPage, RemoveShortBranches255, RemoveShortBranches(image, 255));

}  // namespace
}  // namespace lintra::bench
