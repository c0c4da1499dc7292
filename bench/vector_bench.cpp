// The two vectorisers on the thinned form of the shared test page (a 300-dpi
// A4 scan, 2480 x 3508; 256 x 256 with LINTRA_BENCH_SMALL=1), and Vectorise
// 1 beside its plain step-by-step transcription on a 400 x 400 page (100 x
// 100 in the smoke run), where the transcription's whole-image passes per
// contour are still affordable; also Vectorise 1 on the unthinned binarised
// page, which peels every stroke layer by layer, and on the picture of grey
// dots the command fuzz target found, where nearly every trace meets an
// isolated start pixel. Counters: segments and contours per run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_page.h"
#include "formats/read_picture.h"
#include "image/dib.h"
#include "tests/vector/vectorise/vectorise_oracle.h"
#include "vector/cad/cad_export.h"
#include "vector/vectorise/vectorise1.h"
#include "vector/vectorise/vectorise2.h"

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

// Vectorise 1's plain transcription from the tests.
void PlainStepsOn(benchmark::State& state, const PageImage& input) {
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

void BM_Vectorise1PlainStepsSmallPage(benchmark::State& state) {
    PlainStepsOn(state, ThinnedSmall());
}
BENCHMARK(BM_Vectorise1PlainStepsSmallPage)->Unit(benchmark::kMillisecond);

// The 128 x 128 picture of grey dots found by the command fuzz target
// (tests/data/fuzz): 131,075 traces meet an isolated start pixel.
const PageImage& GreyDots() {
    static const PageImage page = [] {
        QuietSink sink;
        Dib dib;
        ReadPicture(dib, LINTRA_TEST_DATA_DIR "/fuzz/vectorise1_unbinarised_128x128.bmp", sink);
        const ImageView view = dib.View();
        PageImage picture{view.width, view.height, view.stride, {}};
        picture.pixels.assign(view.pixels, view.pixels + view.byteSize());
        return picture;
    }();
    return page;
}

// 40 x 40 parts of it on which the peeling, before it was bounded, wandered
// through distinct work images for minutes (the first: about 420 s).
const PageImage& GreyDotCrop(int which) {
    static const std::vector<PageImage> crops = [] {
        const int corners[4][2] = {{22, 0}, {0, 0}, {60, 44}, {88, 88}};
        const PageImage& dots = GreyDots();
        std::vector<PageImage> parts;
        for (const auto& [left, bottom] : corners) {
            PageImage part{40, 40, 40, std::vector<std::uint8_t>(40 * 40)};
            for (int y = 0; y < 40; ++y)
                std::memcpy(part.pixels.data() + y * 40,
                            dots.pixels.data() + static_cast<std::size_t>((bottom + y) * dots.stride + left),
                            40);
            parts.push_back(part);
        }
        return parts;
    }();
    return crops[static_cast<std::size_t>(which)];
}

void BM_Vectorise1GreyDots(benchmark::State& state) {
    Vectorise1On(state, GreyDots());
}
BENCHMARK(BM_Vectorise1GreyDots)->Unit(benchmark::kMillisecond);

void BM_Vectorise1GreyDotCrop(benchmark::State& state) {
    Vectorise1On(state, GreyDotCrop(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_Vectorise1GreyDotCrop)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_Vectorise1PlainStepsGreyDotCrop(benchmark::State& state) {
    PlainStepsOn(state, GreyDotCrop(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_Vectorise1PlainStepsGreyDotCrop)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

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

// The CAD-ready drawing of the A4 page's Vectorise 1 segments: the stroke
// graph, the fitting and the scaling, without the file.
void BM_CadDrawing(benchmark::State& state) {
    const PageImage& input = ThinnedA4();
    PageImage current = input, previous = input, work = input;
    LabelGrid grid(input.width, input.height);
    std::int32_t count = 0;
    SegmentList segments;
    QuietSink sink;
    Vectorise1({current.view(), previous.view(), work.view(), &grid, &count, &segments, &sink});
    std::size_t entities = 0;
    for (auto _ : state) {
        const cad::Drawing drawing =
            BuildCadDrawing(segments, {input.width, input.height, 0, 0}, CadOptions{});
        entities = drawing.EntityCount();
        benchmark::DoNotOptimize(entities);
    }
    state.counters["segments"] = static_cast<double>(segments.size());
    state.counters["entities"] = static_cast<double>(entities);
}
BENCHMARK(BM_CadDrawing)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintra::bench
