#include "raster/thin_planes.h"

#include <algorithm>

#include "image/parallel_rows.h"
#include "raster/row_kernels.h"

namespace lintra::raster_detail {

void TransposeRow(const std::uint8_t* row, int from, int cols, std::uint8_t* out, std::ptrdiff_t outStride) {
    for (int j = from; j < cols; ++j) out[j * outStride] = row[j];
}

Plane TransposedPlane(const Plane& plane, LargeBlock<std::uint8_t>& store) {
    const int rows = plane.cols, cols = plane.rows;
    store = AllocateLarge<std::uint8_t>(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    const Plane out{store.get(), cols, rows, cols};
    // Blocks of 64 source rows, so that threads write whole cache lines of
    // the copy; within a block, bands of 16 rows, so the rows read stay in
    // cache.
    ParallelRows((plane.rows + 63) / 64, 1, [&](int beginBlock, int endBlock) {
        int i = beginBlock * 64;
        const int end = std::min(plane.rows, endBlock * 64);
#if defined(__SSE2__)
        for (; i + 16 <= end; i += 16) {
            const int done =
                TransposeBandSse2(plane.row(i), plane.stride, plane.cols, out.base + i, out.stride);
            for (int k = i; k < i + 16; ++k)
                TransposeRow(plane.row(k), done, plane.cols, out.base + k, out.stride);
        }
#endif
        for (; i < end; ++i) TransposeRow(plane.row(i), 0, plane.cols, out.base + i, out.stride);
    });
    return out;
}

void MarkBlackBesideWhiteRow(const std::uint8_t* row, int from, int cols, std::uint64_t* bits) {
    for (int j = from; j + 1 < cols; ++j)
        if (row[j] == 0 && (row[j - 1] == 255 || row[j + 1] == 255))
            bits[j >> 6] |= std::uint64_t{1} << (j & 63);
}

void MarkBlackBesideWhite(const Plane& plane, BitRows& dirty) {
    ParallelRows(plane.rows - 2, 64, [&](int begin, int end) {
        for (int i = begin + 1; i <= end; ++i) {
            int j = 1;
#if defined(__SSE2__)
            j = MarkBlackBesideWhiteRowSse2(plane.row(i), plane.cols, dirty.row(i));
#endif
            MarkBlackBesideWhiteRow(plane.row(i), j, plane.cols, dirty.row(i));
        }
    });
}

}  // namespace lintra::raster_detail
