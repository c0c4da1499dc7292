// SSE2 kernels of the point operations (see row_kernels.h): sixteen pixels
// at a time, the same bytes as the row rules in pixel_maps.cpp.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

int ThresholdAtLeastRowSse2(std::uint8_t* row, int width, std::uint8_t level) {
    const __m128i bound = _mm_set1_epi8(static_cast<char>(level));
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        // max(v, level) == v exactly where v >= level (unsigned).
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_cmpeq_epi8(_mm_max_epu8(v, bound), v));
    }
    return x;
}

int SwapBlackAndWhiteRowSse2(std::uint8_t* row, int width) {
    const __m128i black = _mm_setzero_si128(), white = _mm_set1_epi8(-1);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i wasBlack = _mm_cmpeq_epi8(v, black);
        const __m128i either = _mm_or_si128(wasBlack, _mm_cmpeq_epi8(v, white));
        // Grey values stay; black becomes all ones, white all zeros.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                         _mm_or_si128(_mm_andnot_si128(either, v), wasBlack));
    }
    return x;
}

}  // namespace lintra::raster_detail

#endif
