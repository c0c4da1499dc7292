// Point operations on whole rows, sixteen pixels at a time where SSE2 is
// there (the x86-64 baseline), one at a time for the rest of each row.
#include <cstring>

#include "raster/raster_private.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lintra::raster_detail {

void ThresholdAtLeast(ImageView image, int level) {
    const auto w = static_cast<std::size_t>(image.width);
    if (level <= 0 || level > 255) {
        // Every pixel is at least 0 and none reaches 256.
        for (int y = 0; y < image.height; ++y) std::memset(image.row(y), level <= 0 ? 255 : 0, w);
        return;
    }
    const auto limit = static_cast<std::uint8_t>(level);
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.row(y);
        std::size_t x = 0;
#if defined(__SSE2__)
        const __m128i bound = _mm_set1_epi8(static_cast<char>(limit));
        for (; x + 16 <= w; x += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            // max(v, limit) == v exactly where v >= limit (unsigned).
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_cmpeq_epi8(_mm_max_epu8(v, bound), v));
        }
#endif
        for (; x < w; ++x) row[x] = row[x] >= limit ? 255 : 0;
    }
}

void SwapBlackAndWhite(ImageView image) {
    const auto w = static_cast<std::size_t>(image.width);
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.row(y);
        std::size_t x = 0;
#if defined(__SSE2__)
        const __m128i black = _mm_setzero_si128(), white = _mm_set1_epi8(-1);
        for (; x + 16 <= w; x += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            const __m128i wasBlack = _mm_cmpeq_epi8(v, black);
            const __m128i either = _mm_or_si128(wasBlack, _mm_cmpeq_epi8(v, white));
            // Grey values stay; black becomes all ones, white all zeros.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                             _mm_or_si128(_mm_andnot_si128(either, v), wasBlack));
        }
#endif
        for (; x < w; ++x) row[x] = row[x] == 0 ? 255 : row[x] == 255 ? 0 : row[x];
    }
}

}  // namespace lintra::raster_detail
