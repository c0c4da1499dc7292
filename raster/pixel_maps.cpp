// Point operations on whole rows: each row through the SSE2 kernel where
// there is one, then the row rule for the pixels it left. Rows are
// independent, so they go in bands to the worker threads.
#include <cstring>

#include "base/parallel_rows.h"
#include "raster/raster_private.h"
#include "raster/row_kernels.h"

namespace lintra::raster_detail {

void ThresholdAtLeastRow(std::uint8_t* row, int from, int width, std::uint8_t level) {
    for (int x = from; x < width; ++x) row[x] = row[x] >= level ? 255 : 0;
}

void SwapBlackAndWhiteRow(std::uint8_t* row, int from, int width) {
    for (int x = from; x < width; ++x) row[x] = row[x] == 0 ? 255 : row[x] == 255 ? 0 : row[x];
}

void ThresholdAtLeast(ImageView image, int level) {
    if (level <= 0 || level > 255) {
        // Every pixel is at least 0 and none reaches 256.
        for (int y = 0; y < image.height; ++y)
            std::memset(image.row(y), level <= 0 ? 255 : 0, static_cast<std::size_t>(image.width));
        return;
    }
    const auto limit = static_cast<std::uint8_t>(level);
    ParallelRows(image.height, MinBandRows(image.width), [image, limit](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            std::uint8_t* row = image.row(y);
            int x = 0;
#if defined(__SSE2__)
            x = ThresholdAtLeastRowSse2(row, image.width, limit);
#endif
            ThresholdAtLeastRow(row, x, image.width, limit);
        }
    });
}

void SwapBlackAndWhite(ImageView image) {
    ParallelRows(image.height, MinBandRows(image.width), [image](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            std::uint8_t* row = image.row(y);
            int x = 0;
#if defined(__SSE2__)
            x = SwapBlackAndWhiteRowSse2(row, image.width);
#endif
            SwapBlackAndWhiteRow(row, x, image.width);
        }
    });
}

}  // namespace lintra::raster_detail
