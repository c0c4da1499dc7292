#include "raster/thin_planes.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lintra::raster_detail {

namespace {

#if defined(__SSE2__)
// Transposes the 16 x 16 bytes at in (rows inStride apart) to out.
void Transpose16(const std::uint8_t* in, std::ptrdiff_t inStride, std::uint8_t* out,
                 std::ptrdiff_t outStride) {
    __m128i a[16], b[16];
    for (int k = 0; k < 16; ++k) a[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k * inStride));
    // Each step interleaves pairs of rows at twice the width of the last,
    // so after four steps register c holds column c.
    for (int k = 0; k < 8; ++k) {
        b[2 * k] = _mm_unpacklo_epi8(a[2 * k], a[2 * k + 1]);
        b[2 * k + 1] = _mm_unpackhi_epi8(a[2 * k], a[2 * k + 1]);
    }
    for (int g = 0; g < 16; g += 4)
        for (int k = 0; k < 2; ++k) {
            a[g + 2 * k] = _mm_unpacklo_epi16(b[g + k], b[g + k + 2]);
            a[g + 2 * k + 1] = _mm_unpackhi_epi16(b[g + k], b[g + k + 2]);
        }
    for (int g = 0; g < 16; g += 8)
        for (int k = 0; k < 4; ++k) {
            b[g + 2 * k] = _mm_unpacklo_epi32(a[g + k], a[g + k + 4]);
            b[g + 2 * k + 1] = _mm_unpackhi_epi32(a[g + k], a[g + k + 4]);
        }
    for (int k = 0; k < 8; ++k) {
        a[2 * k] = _mm_unpacklo_epi64(b[k], b[k + 8]);
        a[2 * k + 1] = _mm_unpackhi_epi64(b[k], b[k + 8]);
    }
    for (int k = 0; k < 16; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k * outStride), a[k]);
}
#endif

}  // namespace

Plane TransposedPlane(const Plane& plane, LargeBlock<std::uint8_t>& store) {
    const int rows = plane.cols, cols = plane.rows;
    store = AllocateLarge<std::uint8_t>(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    const Plane out{store.get(), cols, rows, cols};
    int fullRows = 0, fullCols = 0;  // the part done in 16 x 16 blocks
#if defined(__SSE2__)
    fullRows = plane.rows / 16 * 16;
    fullCols = plane.cols / 16 * 16;
    // Blocks in bands of 16 input rows keep the rows read in cache.
    for (int i = 0; i < fullRows; i += 16)
        for (int j = 0; j < fullCols; j += 16)
            Transpose16(plane.row(i) + j, plane.stride, out.row(j) + i, out.stride);
#endif
    for (int i = 0; i < plane.rows; ++i) {
        const std::uint8_t* in = plane.row(i);
        const int from = i < fullRows ? fullCols : 0;
        for (int j = from; j < plane.cols; ++j) out.row(j)[i] = in[j];
    }
    return out;
}

void MarkBlackBesideWhite(const Plane& plane, BitRows& dirty) {
    for (int i = 1; i + 1 < plane.rows; ++i) {
        const std::uint8_t* cur = plane.row(i);
        std::uint64_t* bits = dirty.row(i);
        int j = 1;
#if defined(__SSE2__)
        const __m128i black = _mm_setzero_si128(), white = _mm_set1_epi8(-1);
        for (; j + 16 < plane.cols; j += 16) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + j));
            const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + j - 1));
            const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + j + 1));
            const __m128i hit = _mm_and_si128(
                _mm_cmpeq_epi8(c, black), _mm_or_si128(_mm_cmpeq_epi8(w, white), _mm_cmpeq_epi8(e, white)));
            const auto mask = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit)));
            if (mask == 0) continue;
            const int shift = j & 63;
            bits[j >> 6] |= mask << shift;
            if (shift > 48) bits[(j >> 6) + 1] |= mask >> (64 - shift);
        }
#endif
        for (; j + 1 < plane.cols; ++j)
            if (cur[j] == 0 && (cur[j - 1] == 255 || cur[j + 1] == 255))
                bits[j >> 6] |= std::uint64_t{1} << (j & 63);
    }
}

}  // namespace lintra::raster_detail
