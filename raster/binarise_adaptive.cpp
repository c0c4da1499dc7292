#include "raster/binarise_adaptive.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/raster_private.h"
#include "raster/stroke_width.h"

namespace lintra {

namespace {

using raster_detail::Usable;

// Sauvola's dynamic range of the standard deviation, for 8-bit pictures.
constexpr double kDeviationRange = 128;

// The sums of the pixels and of their squares over the rows of a window, per
// column. 255^2 times the tallest window (kAdaptiveWindowMax rows) stays
// below 2^32.
struct ColumnSums {
    std::vector<std::uint32_t> sum;
    std::vector<std::uint32_t> squares;

    explicit ColumnSums(int width) : sum(static_cast<std::size_t>(width)), squares(sum.size()) {}

    void Add(const std::uint8_t* row) {
        for (std::size_t x = 0; x < sum.size(); ++x) {
            sum[x] += row[x];
            squares[x] += std::uint32_t{row[x]} * row[x];
        }
    }
    void Remove(const std::uint8_t* row) {
        for (std::size_t x = 0; x < sum.size(); ++x) {
            sum[x] -= row[x];
            squares[x] -= std::uint32_t{row[x]} * row[x];
        }
    }
};

// Thresholds rows begin .. end - 1 of source into image: the window's
// column sums slide down the rows, and prefix sums along each row give every
// pixel's window in two subtractions.
void ThresholdBand(ImageView image, const std::vector<std::uint8_t>& source, int radius, double k, int begin,
                   int end) {
    const int w = image.width, h = image.height;
    auto sourceRow = [&](int y) { return source.data() + static_cast<std::size_t>(y) * w; };
    ColumnSums columns(w);
    for (int y = std::max(0, begin - radius); y <= std::min(h - 1, begin + radius); ++y)
        columns.Add(sourceRow(y));
    std::vector<std::uint64_t> prefixSum(static_cast<std::size_t>(w) + 1), prefixSquares(prefixSum.size());
    for (int y = begin; y < end; ++y) {
        if (y > begin) {
            if (y + radius < h) columns.Add(sourceRow(y + radius));
            if (y - radius - 1 >= 0) columns.Remove(sourceRow(y - radius - 1));
        }
        for (int x = 0; x < w; ++x) {
            prefixSum[x + 1] = prefixSum[x] + columns.sum[x];
            prefixSquares[x + 1] = prefixSquares[x] + columns.squares[x];
        }
        const int rowsIn = std::min(h - 1, y + radius) - std::max(0, y - radius) + 1;
        const std::uint8_t* in = sourceRow(y);
        std::uint8_t* out = image.row(y);
        for (int x = 0; x < w; ++x) {
            const int x0 = std::max(0, x - radius), x1 = std::min(w, x + radius + 1);
            const double n = static_cast<double>((x1 - x0) * rowsIn);
            const double mean = static_cast<double>(prefixSum[x1] - prefixSum[x0]) / n;
            const double variance =
                static_cast<double>(prefixSquares[x1] - prefixSquares[x0]) / n - mean * mean;
            const double deviation = std::sqrt(std::max(0.0, variance));
            const double threshold = mean * (1 + k * (deviation / kDeviationRange - 1));
            out[x] = in[x] < threshold ? 0 : 255;
        }
    }
}

}  // namespace

void BinariseAdaptive(ImageView image, int window, int sensitivity) {
    if (!Usable(image)) return;
    const int side = std::clamp(window, kAdaptiveWindowMin, kAdaptiveWindowMax);
    const double k =
        (100 - std::clamp(sensitivity, kAdaptiveSensitivityMin, kAdaptiveSensitivityMax)) / 100.0;
    const int w = image.width, h = image.height;
    // Every band reads rows beyond its own, which another band may already
    // have written: the bands read a copy.
    std::vector<std::uint8_t> source(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) std::memcpy(source.data() + static_cast<std::size_t>(y) * w, image.row(y), w);
    const std::vector<raster_detail::RowBand> bands = raster_detail::SplitRows(0, h, w);
    raster_detail::ForEachBand(bands.size(), [&](std::size_t b) {
        ThresholdBand(image, source, side / 2, k, bands[b].begin, bands[b].end);
    });
}

int AdaptiveWindowFor(double strokeWidth) {
    const double width = strokeWidth > 0 ? strokeWidth : 4;
    return std::clamp(static_cast<int>(std::lround(12 * width)), 15, kAdaptiveWindowMax);
}

int AdaptiveWindowOf(ImageView image, int sensitivity) {
    if (!Usable(image)) return AdaptiveWindowFor(0);
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(image.width) * image.height);
    ImageView trial{copy.data(), image.width, image.height, image.width, 8};
    for (int y = 0; y < image.height; ++y) std::memcpy(trial.row(y), image.row(y), image.width);
    BinariseAdaptive(trial, AdaptiveWindowFor(0), sensitivity);
    return AdaptiveWindowFor(MeasureStrokeWidth(trial));
}

}  // namespace lintra
