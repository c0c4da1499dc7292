// SSE2 kernel of BinariseGradient (see row_kernels.h): sixteen pixels at a
// time, the same bytes as GradientThresholdRow in binarise.cpp.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

int GradientThresholdRowSse2(const std::uint8_t* here, const std::uint8_t* below, int width, int limit,
                             std::uint8_t* out) {
    // The differences in 16-bit lanes, dx^2 + dy^2 in 32-bit ones by one
    // multiply-add of interleaved (dx, dy).
    const __m128i zero = _mm_setzero_si128(), belowLimit = _mm_set1_epi32(limit - 1);
    auto whiteMask = [&](__m128i centre, __m128i left, __m128i under) {
        const __m128i dx = _mm_sub_epi16(centre, left), dy = _mm_sub_epi16(centre, under);
        const __m128i lo = _mm_unpacklo_epi16(dx, dy), hi = _mm_unpackhi_epi16(dx, dy);
        return _mm_packs_epi32(_mm_cmpgt_epi32(_mm_madd_epi16(lo, lo), belowLimit),
                               _mm_cmpgt_epi32(_mm_madd_epi16(hi, hi), belowLimit));
    };
    return EverySixteen(1, width - 1, [&](std::ptrdiff_t x) {
        const __m128i centre = _mm_loadu_si128(reinterpret_cast<const __m128i*>(here + x));
        const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(here + x - 1));
        const __m128i under = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + x));
        const __m128i low = whiteMask(_mm_unpacklo_epi8(centre, zero), _mm_unpacklo_epi8(left, zero),
                                      _mm_unpacklo_epi8(under, zero));
        const __m128i high = whiteMask(_mm_unpackhi_epi8(centre, zero), _mm_unpackhi_epi8(left, zero),
                                       _mm_unpackhi_epi8(under, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packs_epi16(low, high));
    });
}

}  // namespace lintra::raster_detail

#endif
