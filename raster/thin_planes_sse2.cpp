// SSE2 kernels of thinning's working structures (see row_kernels.h): the
// same results as TransposeRow and MarkBlackBesideWhiteRow in
// thin_planes.cpp, sixteen pixels at a time.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

namespace {

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

}  // namespace

int TransposeBandSse2(const std::uint8_t* rows, std::ptrdiff_t rowStride, int cols, std::uint8_t* out,
                      std::ptrdiff_t outStride) {
    int j = 0;
    for (; j + 16 <= cols; j += 16) Transpose16(rows + j, rowStride, out + j * outStride, outStride);
    return j;
}

int MarkBlackBesideWhiteRowSse2(const std::uint8_t* row, int cols, std::uint64_t* bits) {
    const __m128i black = _mm_setzero_si128(), white = _mm_set1_epi8(-1);
    int j = 1;
    for (; j + 16 < cols; j += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j));
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j - 1));
        const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j + 1));
        const __m128i hit = _mm_and_si128(_mm_cmpeq_epi8(c, black),
                                          _mm_or_si128(_mm_cmpeq_epi8(w, white), _mm_cmpeq_epi8(e, white)));
        // One bit per pixel, placed at bit j of the row's words.
        const auto mask = static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit)));
        if (mask == 0) continue;
        const int shift = j & 63;
        bits[j >> 6] |= mask << shift;
        if (shift > 48) bits[(j >> 6) + 1] |= mask >> (64 - shift);
    }
    return j;
}

}  // namespace lintra::raster_detail

#endif
