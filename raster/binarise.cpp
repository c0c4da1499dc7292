#include "raster/binarise.h"

#include <cstring>
#include <vector>

#include "raster/raster_private.h"
#include "raster/row_kernels.h"
#include "raster/row_ring.h"

namespace lintra {

using raster_detail::Usable;

void raster_detail::GradientThresholdRow(const std::uint8_t* here, const std::uint8_t* below, int from,
                                         int width, int limit, std::uint8_t* out) {
    for (int x = from; x < width - 1; ++x) {
        const int dx = here[x] - here[x - 1], dy = here[x] - below[x];
        out[x] = dx * dx + dy * dy >= limit ? 255 : 0;
    }
}

void BinariseGradient(ImageView image, int threshold) {
    if (!Usable(image)) return;
    const int w = image.width, h = image.height;
    if (w <= 2 || h <= 2) {
        for (int y = 0; y < h; ++y) std::memset(image.row(y), 255, static_cast<std::size_t>(w));
        return;
    }
    // g = floor(sqrt(s)) with s = dx^2 + dy^2 an integer below 2^18: the
    // correctly rounded square root of a non-square integer never reaches
    // the next integer, so g > T <=> s >= (T + 1)^2 for 0 <= T < 361; every
    // g exceeds a negative T and none exceeds T >= 361.
    const int limit = threshold < 0      ? 0
                      : threshold >= 361 ? 2 * 255 * 255 + 1
                                         : (threshold + 1) * (threshold + 1);
    raster_detail::RewriteFromRowBelow(
        image, [w, limit](const std::uint8_t* row, const std::uint8_t* below, std::uint8_t* out) {
            int x = 1;
#if defined(__SSE2__)
            x = raster_detail::GradientThresholdRowSse2(row, below, w, limit, out);
#endif
            raster_detail::GradientThresholdRow(row, below, x, w, limit, out);
        });
}

void BinariseThreshold(ImageView image, int threshold) {
    if (!Usable(image)) return;
    // p > T <=> p >= T + 1, without overflow for the largest T.
    raster_detail::ThresholdAtLeast(image, threshold >= 255 ? 256 : threshold + 1);
}

void ComputeHistogram(ImageView image, Histogram& histogram) {
    histogram.fill(0);
    if (!Usable(image)) return;
    // Each band counts into tables of its own, summed at the end; four
    // partial tables a band, so runs of one value do not wait on one counter.
    const std::vector<raster_detail::RowBand> bands = raster_detail::SplitRows(0, image.height, image.width);
    std::vector<std::uint32_t> parts(bands.size() * 4 * 256, 0);
    raster_detail::ForEachBand(bands.size(), [&](std::size_t k) {
        std::uint32_t* part = parts.data() + k * 4 * 256;
        for (int y = bands[k].begin; y < bands[k].end; ++y) {
            const std::uint8_t* row = image.row(y);
            int x = 0;
            for (; x + 4 <= image.width; x += 4) {
                ++part[row[x]];
                ++part[256 + row[x + 1]];
                ++part[512 + row[x + 2]];
                ++part[768 + row[x + 3]];
            }
            for (; x < image.width; ++x) ++part[row[x]];
        }
    });
    // Counts are 32-bit as the table is; a BMP's pixel block stays below
    // 4 GB, and counts past 2^31 - 1 wrap like the unsigned partial sums.
    for (int v = 0; v < 256; ++v) {
        std::uint32_t count = 0;
        for (std::size_t i = v; i < parts.size(); i += 256) count += parts[i];
        histogram[v] = static_cast<std::int32_t>(count);
    }
}

namespace raster_detail {

int IterativeThreshold(const Histogram& histogram) {
    int t = 127;
    // At most 255 repetitions are ever needed: once both classes hold pixels
    // the thresholds move one way only.
    for (int repetition = 0; repetition < 256; ++repetition) {
        std::int64_t n1 = 0, s1 = 0, n2 = 0, s2 = 0;
        for (int i = 0; i <= t; ++i) {
            n1 += histogram[i];
            s1 += std::int64_t{i} * histogram[i];
        }
        for (int i = t + 1; i < 256; ++i) {
            n2 += histogram[i];
            s2 += std::int64_t{i} * histogram[i];
        }
        // An empty class has no mean: keep the threshold reached so far (127
        // at the first repetition; later ones never see an empty class).
        if (n1 <= 0 || n2 <= 0) break;
        const std::int64_t next = (s1 / n1 + s2 / n2) / 2;
        // Only a table that is not an image's own (negative counts) can
        // lead outside 0..255.
        if (next == t || next < 0 || next > 255) break;
        t = static_cast<int>(next);
    }
    return t;
}

}  // namespace raster_detail

int BinariseIterative(ImageView image, const Histogram& histogram) {
    if (!Usable(image)) return -1;
    const int threshold = raster_detail::IterativeThreshold(histogram);
    raster_detail::ThresholdAtLeast(image, threshold);
    return threshold;
}

int IterativeThresholdOf(const Histogram& histogram) {
    return raster_detail::IterativeThreshold(histogram);
}

}  // namespace lintra
