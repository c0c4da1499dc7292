#include "raster/thin_planes.h"

#include <algorithm>
#include <atomic>

#include "base/parallel_rows.h"
#include "raster/row_kernels.h"

namespace lintra::raster_detail {

bool PackWhiteRow(const std::uint8_t* row, int from, int cols, std::uint64_t* bits) {
    bool binary = true;
    for (int j = from; j < cols; ++j) {
        if (row[j] == 255) bits[j >> 6] |= std::uint64_t{1} << (j & 63);
        if (row[j] != 255 && row[j] != 0) binary = false;
    }
    return binary;
}

void WhitenRow(const std::uint64_t* bits, int from, int cols, std::uint8_t* row) {
    for (int j = from; j < cols; ++j)
        if (bits[j >> 6] >> (j & 63) & 1) row[j] = 255;
}

bool PackWhite(const Plane& plane, BitRows& white) {
    std::atomic<bool> binary{true};
    ParallelRows(plane.rows, 64, [&](int begin, int end) {
        bool all = true;
        for (int i = begin; i < end; ++i) {
            int j = 0;
#if defined(__SSE2__)
            j = PackWhiteRowSse2(plane.row(i), plane.cols, white.row(i), all);
#endif
            if (!PackWhiteRow(plane.row(i), j, plane.cols, white.row(i))) all = false;
        }
        if (!all) binary.store(false, std::memory_order_relaxed);
    });
    return binary.load(std::memory_order_relaxed);
}

void PackGrey(const Plane& plane, BitRows& grey) {
    for (int i = 0; i < plane.rows; ++i) {
        const std::uint8_t* row = plane.row(i);
        for (int j = 0; j < plane.cols; ++j)
            if (row[j] != 0 && row[j] != 255) grey.row(i)[j >> 6] |= std::uint64_t{1} << (j & 63);
    }
}

namespace {

// Transposes the 64 x 64 bits of a: bit c of a[r] goes to bit r of a[c].
// Each step swaps the off-diagonal quarters of blocks half the size of the
// last (Warren, Hacker's Delight, 7-3).
void Transpose64(std::uint64_t a[64]) {
    std::uint64_t mask = 0x00000000FFFFFFFFu;
    for (int width = 32; width != 0; width >>= 1, mask ^= mask << width)
        for (int k = 0; k < 64; k = ((k | width) + 1) & ~width) {
            const std::uint64_t t = ((a[k] >> width) ^ a[k | width]) & mask;
            a[k] ^= t << width;
            a[k | width] ^= t;
        }
}

}  // namespace

void TransposeBits(const BitRows& in, int rows, int cols, BitRows& out) {
    const int rowBlocks = (rows + 63) / 64, colBlocks = (cols + 63) / 64;
    ParallelRows(colBlocks, 1, [&](int begin, int end) {
        std::uint64_t block[64];
        for (int cb = begin; cb < end; ++cb)
            for (int rb = 0; rb < rowBlocks; ++rb) {
                const int r0 = rb * 64, c0 = cb * 64;
                const int n = std::min(64, rows - r0), m = std::min(64, cols - c0);
                for (int r = 0; r < 64; ++r) block[r] = r < n ? in.row(r0 + r)[cb] : 0;
                Transpose64(block);
                // Bits past the last row of in (past rows in out's rows) stay clear.
                const std::uint64_t keep = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
                for (int c = 0; c < m; ++c) out.row(c0 + c)[rb] = block[c] & keep;
            }
    });
}

void MarkBlackBesideWhite(const BitRows& white, const BitRows* grey, int rows, int cols, BitRows& dirty) {
    const int words = (cols + 63) / 64;
    ParallelRows(rows - 2, 64, [&](int begin, int end) {
        for (int i = begin + 1; i <= end; ++i) {
            const std::uint64_t* w = white.row(i);
            std::uint64_t* marks = dirty.row(i);
            for (int k = 0; k < words; ++k) {
                std::uint64_t beside = BesideWhite(w, static_cast<std::size_t>(k));
                if (grey != nullptr) beside &= ~grey->row(i)[k];
                // Positions 1 .. cols - 2 only.
                std::uint64_t inside = ~std::uint64_t{0};
                if (k == 0) inside &= ~std::uint64_t{1};
                const int last = cols - 2 - 64 * k;  // last inside position in this word
                if (last < 63) inside &= last < 0 ? 0 : (std::uint64_t{2} << last) - 1;
                marks[k] = beside & inside;
            }
        }
    });
}

void UnpackWhite(const BitRows& white, const Plane& plane) {
    ParallelRows(plane.rows, 64, [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            int j = 0;
#if defined(__SSE2__)
            j = WhitenRowSse2(white.row(i), plane.cols, plane.row(i));
#endif
            WhitenRow(white.row(i), j, plane.cols, plane.row(i));
        }
    });
}

}  // namespace lintra::raster_detail
