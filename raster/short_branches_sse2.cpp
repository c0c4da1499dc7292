// SSE2 kernel of short-branch removal (see row_kernels.h): sixteen pixels
// at a time, the same bytes as MarkingFlagsRow in short_branches.cpp.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

int MarkingFlagsRowSse2(const std::uint8_t* above, const std::uint8_t* here, const std::uint8_t* below,
                        int width, std::uint8_t* flags) {
    const __m128i white = _mm_set1_epi8(-1), black = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    const __m128i mark = _mm_set1_epi8(123);
    auto isWhite = [&](const std::uint8_t* p) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), white);
    };
    return EverySixteen(1, width - 1, [&](std::ptrdiff_t x) {
        const __m128i nw = isWhite(above + x - 1), n = isWhite(above + x), ne = isWhite(above + x + 1);
        const __m128i we = isWhite(here + x - 1), ea = isWhite(here + x + 1);
        const __m128i sw = isWhite(below + x - 1), s = isWhite(below + x), se = isWhite(below + x + 1);
        // An end point: one of the four groups of five neighbours is white.
        const __m128i east = _mm_and_si128(_mm_and_si128(ne, ea), se),
                      west = _mm_and_si128(_mm_and_si128(nw, we), sw);
        const __m128i end = _mm_or_si128(_mm_or_si128(_mm_and_si128(east, _mm_and_si128(s, sw)),
                                                      _mm_and_si128(east, _mm_and_si128(n, nw))),
                                         _mm_or_si128(_mm_and_si128(west, _mm_and_si128(s, se)),
                                                      _mm_and_si128(west, _mm_and_si128(n, ne))));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(here + x));
        const __m128i flag =
            _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(c, black), end), _mm_cmpeq_epi8(c, mark));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(flags + x), _mm_and_si128(flag, one));
    });
}

}  // namespace lintra::raster_detail

#endif
