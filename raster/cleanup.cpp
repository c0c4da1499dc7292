#include "raster/cleanup.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/binarise.h"
#include "raster/raster_private.h"
#include "raster/row_kernels.h"
#include "raster/row_ring.h"

namespace lintra {

using raster_detail::Usable;

void InvertBlackWhite(ImageView image) {
    if (!Usable(image)) return;
    raster_detail::SwapBlackAndWhite(image);
}

void MakeBorderWhite(ImageView image) {
    if (!Usable(image)) return;
    const auto w = static_cast<std::size_t>(image.width);
    std::memset(image.row(0), 255, w);
    std::memset(image.row(image.height - 1), 255, w);
    for (int y = 1; y < image.height - 1; ++y) {
        image.row(y)[0] = 255;
        image.row(y)[image.width - 1] = 255;
    }
}

void raster_detail::MajorityRow(const std::uint8_t* below, const std::uint8_t* here,
                                const std::uint8_t* above, int from, int width, std::uint8_t* out) {
    for (int x = from; x < width - 1; ++x) {
        const int whites = (below[x - 1] == 255) + (below[x] == 255) + (below[x + 1] == 255) +
                           (here[x - 1] == 255) + (here[x + 1] == 255) + (above[x - 1] == 255) +
                           (above[x] == 255) + (above[x + 1] == 255);
        out[x] = whites >= 5 ? 255 : 0;
    }
}

void RemoveBlackWhitePoints(ImageView image) {
    if (!Usable(image)) return;
    BinariseThreshold(image, kBlackWhitePointsThreshold);
    if (image.width < 3 || image.height < 3) return;
    // After the threshold every value is 0 or 255, so with w white neighbours
    // the neighbour mean is m = floor(255 w / 8) and d = |m - p|:
    //   p = 0:   d >= 128  <=>  255 w >= 1024  <=>  w >= 5   (turns white)
    //   p = 255: d >= 128  <=>  m <= 127       <=>  w <= 4   (turns black)
    // Either way the result is 255 exactly when w >= 5, whatever p was: the
    // row rule is MajorityRow. Decisions read the thresholded image; instead
    // of a whole copy, each band keeps a ring of the rows its windows read.
    const int w = image.width;
    raster_detail::InRingBands(image, 3, 1, [&](raster_detail::RowRing& ring, int begin, int end) {
#if defined(__SSE2__)
        std::vector<std::uint8_t> columns(static_cast<std::size_t>(w));
#endif
        for (int y = begin; y < end; ++y) {
            ring.Advance(y);
            const std::uint8_t* below = ring.Row(y, 0);
            const std::uint8_t* here = ring.Row(y, 1);
            const std::uint8_t* above = ring.Row(y, 2);
            std::uint8_t* out = image.row(y);
            int x = 1;
#if defined(__SSE2__)
            x = raster_detail::MajorityRowSse2(below, here, above, w, columns.data(), out);
#endif
            raster_detail::MajorityRow(below, here, above, x, w, out);
        }
    });
}

void raster_detail::IsolatedCandidatesRow(const std::uint8_t* below, const std::uint8_t* here,
                                          const std::uint8_t* above, int from, int width, int k,
                                          std::uint8_t* candidate) {
    for (int x = from; x < width - 1; ++x) {
        const int c7 = (below[x - 1] == 255) + (below[x] == 255) + (below[x + 1] == 255) +
                       (above[x - 1] == 255) + (above[x] == 255) + (above[x + 1] == 255) +
                       (here[x + 1] == 255);
        const bool may = (here[x] == 255 && c7 <= 8 - k) || (here[x] == 0 && c7 + 1 >= k);
        candidate[x] = may ? static_cast<std::uint8_t>(c7 + 1) : 0;
    }
}

void RemoveIsolatedPoints(ImageView image, int k) {
    if (!Usable(image) || image.width < 3 || image.height < 3) return;
    // Every k <= 0 flips all black and white pixels, every k >= 9 none.
    k = std::clamp(k, 0, 9);
    const int w = image.width;
    // At (x, y) the rows below are final, the row above and E are not yet
    // visited, and only W may have changed in this row. So the white count of
    // the seven other neighbours (c7) is known before the row is walked, and
    // C is c7 or c7 + 1. A pixel can change only if p = 255 and c7 <= 8 - k
    // or p = 0 and c7 + 1 >= k; the walk decides exactly at those pixels
    // alone, reading W as it is then. Any other pixel stays whatever W is.
    std::vector<std::uint8_t> candidate(static_cast<std::size_t>(w) + 8, 0);  // c7 + 1, or 0
    for (int y = 1; y < image.height - 1; ++y) {
        const std::uint8_t* below = image.row(y - 1);
        std::uint8_t* here = image.row(y);
        const std::uint8_t* above = image.row(y + 1);
        int first = 1;
#if defined(__SSE2__)
        first = raster_detail::IsolatedCandidatesRowSse2(below, here, above, w, k, candidate.data());
#endif
        raster_detail::IsolatedCandidatesRow(below, here, above, first, w, k, candidate.data());
        int x = 1;
        while (true) {
            // Jump over runs of non-candidates eight at a time.
            while (x + 8 <= w - 1) {
                std::uint64_t word;
                std::memcpy(&word, &candidate[x], 8);
                if (word != 0) break;
                x += 8;
            }
            while (x < w - 1 && candidate[x] == 0) ++x;
            if (x >= w - 1) break;
            const int count = candidate[x] - 1 + (here[x - 1] == 255);
            if (here[x] == 255 && count <= 8 - k)
                here[x] = 0;
            else if (here[x] == 0 && count >= k)
                here[x] = 255;
            ++x;
        }
    }
}

}  // namespace lintra
