// Small-blob removal and contour extraction on a binarised A4 page at 300 dpi
// (2480 x 3508). LINTRA_BENCH_SMALL=1 shrinks the page for a smoke run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/message_sink.h"
#include "raster/blobs.h"
#include "raster/contour.h"

namespace lintra {
namespace {

// A binarised line drawing: a drawing frame, straight strokes of 2 to 5
// pixels, circles, a title block of letter-sized marks, and scan specks.
struct BinaryPage {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> pixels;

    ImageView view() { return ImageView{pixels.data(), width, height, stride, 8}; }
};

void Disc(BinaryPage& page, double cx, double cy, double r) {
    const int x0 = std::max(0, static_cast<int>(cx - r)),
              x1 = std::min(page.width - 1, static_cast<int>(cx + r));
    const int y0 = std::max(0, static_cast<int>(cy - r)),
              y1 = std::min(page.height - 1, static_cast<int>(cy + r));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                page.pixels[static_cast<std::size_t>(y) * page.stride + x] = 0;
}

void Stroke(BinaryPage& page, double x0, double y0, double x1, double y1, double width) {
    const double length = std::hypot(x1 - x0, y1 - y0);
    const int steps = std::max(1, static_cast<int>(length));
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        Disc(page, x0 + t * (x1 - x0), y0 + t * (y1 - y0), width / 2);
    }
}

BinaryPage MakePage() {
    const bool small = std::getenv("LINTRA_BENCH_SMALL") != nullptr;
    BinaryPage page;
    page.width = small ? 620 : 2480;
    page.height = small ? 877 : 3508;
    page.stride = (page.width + 3) / 4 * 4;
    page.pixels.assign(static_cast<std::size_t>(page.stride) * page.height, 255);
    const double s = page.width / 2480.0;
    std::mt19937 rng(2480);
    auto uni = [&rng](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const double w = page.width, h = page.height;
    // Drawing frame and title block.
    Stroke(page, 60 * s, 60 * s, w - 60 * s, 60 * s, 5);
    Stroke(page, w - 60 * s, 60 * s, w - 60 * s, h - 60 * s, 5);
    Stroke(page, w - 60 * s, h - 60 * s, 60 * s, h - 60 * s, 5);
    Stroke(page, 60 * s, h - 60 * s, 60 * s, 60 * s, 5);
    Stroke(page, w - 900 * s, 60 * s, w - 900 * s, 360 * s, 3);
    Stroke(page, w - 900 * s, 360 * s, w - 60 * s, 360 * s, 3);
    for (int i = 0; i < 400; ++i) {
        const bool axis = i % 3 != 0;
        const double x0 = uni(100 * s, w - 100 * s), y0 = uni(420 * s, h - 100 * s);
        const double len = uni(80, 900) * s;
        const double angle = axis ? (rng() % 2) * M_PI / 2 : uni(0, M_PI);
        Stroke(page, x0, y0, std::clamp(x0 + len * std::cos(angle), 70 * s, w - 70 * s),
               std::clamp(y0 + len * std::sin(angle), 70 * s, h - 70 * s), 2 + rng() % 4);
    }
    for (int i = 0; i < 60; ++i) {
        const double cx = uni(300 * s, w - 300 * s), cy = uni(600 * s, h - 300 * s), r = uni(20, 200) * s;
        for (int k = 0; k < 360; ++k) {
            const double a = k * M_PI / 180, b = (k + 1) * M_PI / 180;
            Stroke(page, cx + r * std::cos(a), cy + r * std::sin(a), cx + r * std::cos(b),
                   cy + r * std::sin(b), 3);
        }
    }
    // Lettering in the title block: rows of small marks of 10 to 40 pixels.
    for (double y = 90 * s; y < 340 * s; y += 40 * s)
        for (double x = w - 880 * s; x < w - 90 * s; x += 22 * s)
            if (rng() % 5 != 0) Stroke(page, x, y, x + uni(0, 12) * s, y + uni(8, 24) * s, 2);
    // Scan specks: one to six pixels each.
    for (int i = 0; i < static_cast<int>(30000 * s * s); ++i) {
        const int x = 1 + static_cast<int>(rng() % static_cast<unsigned>(page.width - 3));
        const int y = 1 + static_cast<int>(rng() % static_cast<unsigned>(page.height - 3));
        const int n = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < n; ++k)
            page.pixels[static_cast<std::size_t>(y + k / 3) * page.stride + x + k % 3] = 0;
    }
    return page;
}

BinaryPage& Page() {
    static BinaryPage page = MakePage();
    return page;
}

// The page without its specks, so that the lowest object, the one the
// follower takes, is the drawing frame with the title block.
BinaryPage& CleanPage() {
    static BinaryPage page = [] {
        BinaryPage p = Page();
        BlobLabelState labels;
        RemoveSmallBlackBlobs(labels, p.view(), 16);
        return p;
    }();
    return page;
}

void SetRate(benchmark::State& state, const BinaryPage& page) {
    const double megapixels = static_cast<double>(page.width) * page.height / 1e6;
    state.counters["Mpix/s"] =
        benchmark::Counter(megapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Runs op on a fresh copy of the page each iteration; the copy is not timed.
template <typename Op>
void OnFreshCopy(benchmark::State& state, Op op) {
    BinaryPage& page = Page();
    BinaryPage work = page;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.pixels.data(), page.pixels.data(), page.pixels.size());
        state.ResumeTiming();
        op(work.view());
        benchmark::ClobberMemory();
    }
    SetRate(state, page);
}

void BM_RemoveSmallBlackBlobs(benchmark::State& state) {
    BlobLabelState labels;
    const int minimumArea = static_cast<int>(state.range(0));
    OnFreshCopy(state, [&](ImageView v) { RemoveSmallBlackBlobs(labels, v, minimumArea); });
}
BENCHMARK(BM_RemoveSmallBlackBlobs)->Arg(3)->Arg(255)->Unit(benchmark::kMillisecond);

void BM_LabelBlackBlobs(benchmark::State& state) {
    BinaryPage& page = Page();
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
    OnFreshCopy(state, [](ImageView v) { ExtractContour1(v); });
}
BENCHMARK(BM_ExtractContour1)->Unit(benchmark::kMillisecond);

void BM_ExtractContour2(benchmark::State& state) {
    OnFreshCopy(state, [](ImageView v) { ExtractContour2(v); });
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
    BinaryPage& page = CleanPage();
    BinaryPage a = page, b = page;
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
    BinaryPage& page = CleanPage();
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

// The benchmark program's entry point. It is weak so that a main of the
// whole benchmark program, should one be added beside it, takes precedence.
__attribute__((weak)) int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
