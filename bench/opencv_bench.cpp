// OpenCV counterparts of Lintra's operations on the same shared test page,
// for side-by-side timing (built only with LINTRA_BENCH_OPENCV). OpenCV runs
// on one thread (cv::setNumThreads(1)), as Lintra does. Destinations are
// allocated by one untimed warm-up call (OpenCV's first call also starts its
// thread pool, some hundreds of milliseconds); every counterpart reads the page and writes its
// own output, as OpenCV is used, where Lintra works in place on a copy.
//
//   Sobel, Prewitt   both 16-bit responses, saturated absolute values, maximum
//   threshold        cv::threshold at 30, binary
//   median 3x3       on the binarised page (against the majority filter)
//   components       connectedComponentsWithStats, 8-connected, on the inverted
//                    binarised page (ink non-zero, as OpenCV expects)
//   thinning         ximgproc Zhang-Suen thinning of the inverted binarised page
//   contours         findContours (list, simple chains) then approxPolyDP
//                    (1 pixel, closed) of each, on the inverted thinned page
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>
#include <vector>

#include "bench/bench_page.h"

namespace lintra::bench {
namespace {

const bool kOneThread = [] {
    cv::setNumThreads(1);
    return true;
}();

// The page's pixels as a Mat of its own (no padding).
cv::Mat ToMat(const PageImage& page) {
    cv::Mat wrapped(page.height, page.width, CV_8UC1, const_cast<std::uint8_t*>(page.pixels.data()),
                    static_cast<std::size_t>(page.stride));
    return wrapped.clone();
}

const cv::Mat& Grey() {
    static const cv::Mat mat = [] {
        const PageSize size = BenchPageSize();
        return ToMat(MakeScannedPage(size.width, size.height));
    }();
    return mat;
}

const cv::Mat& Binarised() {
    static const cv::Mat mat = [] {
        const PageSize size = BenchPageSize();
        return ToMat(MakeBinarisedPage(size.width, size.height));
    }();
    return mat;
}

// Ink 255 on 0: the polarity OpenCV's binary operations take.
const cv::Mat& InkOnBinarised() {
    static const cv::Mat mat = 255 - Binarised();
    return mat;
}

const cv::Mat& InkOnThinned() {
    static const cv::Mat mat = [] {
        const PageSize size = BenchPageSize();
        cv::Mat thinned = ToMat(MakeThinnedPage(size.width, size.height));
        return cv::Mat(255 - thinned);
    }();
    return mat;
}

void SetRate(benchmark::State& state, const cv::Mat& page) {
    state.counters["Mpix/s"] =
        benchmark::Counter(static_cast<double>(page.total()) / 1e6 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_OpenCV_Copy(benchmark::State& state) {
    const cv::Mat& src = Grey();
    cv::Mat dst = src.clone();
    src.copyTo(dst);
    for (auto _ : state) {
        src.copyTo(dst);
        benchmark::ClobberMemory();
    }
    SetRate(state, src);
}
BENCHMARK(BM_OpenCV_Copy)->Unit(benchmark::kMillisecond);

// Two 16-bit responses, |.| saturated to 8 bits, the larger of the two.
template <typename Respond>
void EdgeMaximum(benchmark::State& state, Respond respond) {
    const cv::Mat& src = Grey();
    cv::Mat gx, gy, ax, ay, dst;
    auto run = [&] {
        respond(src, gx, gy);
        cv::convertScaleAbs(gx, ax);
        cv::convertScaleAbs(gy, ay);
        cv::max(ax, ay, dst);
    };
    run();
    for (auto _ : state) {
        run();
        benchmark::ClobberMemory();
    }
    SetRate(state, src);
}

void BM_OpenCV_SobelMax(benchmark::State& state) {
    EdgeMaximum(state, [](const cv::Mat& src, cv::Mat& gx, cv::Mat& gy) {
        cv::Sobel(src, gx, CV_16S, 1, 0, 3);
        cv::Sobel(src, gy, CV_16S, 0, 1, 3);
    });
}
BENCHMARK(BM_OpenCV_SobelMax)->Unit(benchmark::kMillisecond);

void BM_OpenCV_PrewittMax(benchmark::State& state) {
    const cv::Mat kx = (cv::Mat_<float>(3, 3) << -1, 0, 1, -1, 0, 1, -1, 0, 1);
    const cv::Mat ky = kx.t();
    EdgeMaximum(state, [&](const cv::Mat& src, cv::Mat& gx, cv::Mat& gy) {
        cv::filter2D(src, gx, CV_16S, kx);
        cv::filter2D(src, gy, CV_16S, ky);
    });
}
BENCHMARK(BM_OpenCV_PrewittMax)->Unit(benchmark::kMillisecond);

void BM_OpenCV_Threshold(benchmark::State& state) {
    const cv::Mat& src = Grey();
    cv::Mat dst = src.clone();
    cv::threshold(src, dst, 30, 255, cv::THRESH_BINARY);
    for (auto _ : state) {
        cv::threshold(src, dst, 30, 255, cv::THRESH_BINARY);
        benchmark::ClobberMemory();
    }
    SetRate(state, src);
}
BENCHMARK(BM_OpenCV_Threshold)->Unit(benchmark::kMillisecond);

void BM_OpenCV_Median3x3(benchmark::State& state) {
    const cv::Mat& src = Binarised();
    cv::Mat dst = src.clone();
    cv::medianBlur(src, dst, 3);
    for (auto _ : state) {
        cv::medianBlur(src, dst, 3);
        benchmark::ClobberMemory();
    }
    SetRate(state, src);
}
BENCHMARK(BM_OpenCV_Median3x3)->Unit(benchmark::kMillisecond);

void BM_OpenCV_ConnectedComponentsWithStats(benchmark::State& state) {
    const cv::Mat& src = InkOnBinarised();
    cv::Mat labels, stats, centroids;
    int count = cv::connectedComponentsWithStats(src, labels, stats, centroids, 8, CV_32S);
    for (auto _ : state) {
        count = cv::connectedComponentsWithStats(src, labels, stats, centroids, 8, CV_32S);
        benchmark::ClobberMemory();
    }
    state.counters["blobs"] = count - 1;  // less the background
    SetRate(state, src);
}
BENCHMARK(BM_OpenCV_ConnectedComponentsWithStats)->Unit(benchmark::kMillisecond);

void BM_OpenCV_ThinningZhangSuen(benchmark::State& state) {
    const cv::Mat& src = InkOnBinarised();
    cv::Mat dst(src.size(), src.type());  // no warm-up: one run takes seconds
    for (auto _ : state) {
        cv::ximgproc::thinning(src, dst, cv::ximgproc::THINNING_ZHANGSUEN);
        benchmark::ClobberMemory();
    }
    SetRate(state, src);
}
BENCHMARK(BM_OpenCV_ThinningZhangSuen)->Unit(benchmark::kMillisecond);

void BM_OpenCV_FindContoursApproxPolyDP(benchmark::State& state) {
    const cv::Mat& src = InkOnThinned();
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Point> polygon;
    std::size_t segments = 0;
    auto run = [&] {
        cv::findContours(src, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
        segments = 0;
        for (const std::vector<cv::Point>& contour : contours) {
            cv::approxPolyDP(contour, polygon, 1.0, true);
            segments += polygon.size();
        }
    };
    run();
    for (auto _ : state) {
        run();
        benchmark::ClobberMemory();
    }
    state.counters["contours"] = static_cast<double>(contours.size());
    state.counters["segments"] = static_cast<double>(segments);
    SetRate(state, src);
}
BENCHMARK(BM_OpenCV_FindContoursApproxPolyDP)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintra::bench
