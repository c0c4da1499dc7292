// SSE2 kernels of the clean-up operations (see row_kernels.h): sixteen
// pixels at a time, the same bytes as MajorityRow and IsolatedCandidatesRow
// in cleanup.cpp. A white neighbour compares to all ones (-1) in its byte,
// so adding the comparisons counts the white neighbours, negated; at most 8
// of them, so bytes hold every count.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

namespace {

// -1 in each byte of the 16 at p that is 255, else 0.
inline __m128i WhiteAt(const std::uint8_t* p) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi8(-1));
}

}  // namespace

int MajorityRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above, int width,
                    std::uint8_t* out) {
    const __m128i minusFour = _mm_set1_epi8(-4);
    return EverySixteen(1, width - 1, [&](int x) {
        const __m128i minusWhites =
            _mm_add_epi8(_mm_add_epi8(_mm_add_epi8(WhiteAt(below + x - 1), WhiteAt(below + x)),
                                      _mm_add_epi8(WhiteAt(below + x + 1), WhiteAt(here + x - 1))),
                         _mm_add_epi8(_mm_add_epi8(WhiteAt(here + x + 1), WhiteAt(above + x - 1)),
                                      _mm_add_epi8(WhiteAt(above + x), WhiteAt(above + x + 1))));
        // whites >= 5  <=>  -whites < -4
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_cmplt_epi8(minusWhites, minusFour));
    });
}

int IsolatedCandidatesRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                              int width, int k, std::uint8_t* candidate) {
    const __m128i white = _mm_set1_epi8(-1), black = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    const __m128i whiteLimit = _mm_set1_epi8(static_cast<char>(9 - k));  // c7 < 9 - k
    const __m128i blackLimit = _mm_set1_epi8(static_cast<char>(k - 1));  // c7 + 1 > k - 1
    return EverySixteen(1, width - 1, [&](int x) {
        const __m128i minus = _mm_add_epi8(
            _mm_add_epi8(_mm_add_epi8(WhiteAt(below + x - 1), WhiteAt(below + x)),
                         _mm_add_epi8(WhiteAt(below + x + 1), WhiteAt(above + x - 1))),
            _mm_add_epi8(_mm_add_epi8(WhiteAt(above + x), WhiteAt(above + x + 1)), WhiteAt(here + x + 1)));
        const __m128i c7 = _mm_sub_epi8(black, minus);
        const __m128i c8 = _mm_add_epi8(c7, one);
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(here + x));
        const __m128i may =
            _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(p, white), _mm_cmpgt_epi8(whiteLimit, c7)),
                         _mm_and_si128(_mm_cmpeq_epi8(p, black), _mm_cmpgt_epi8(c8, blackLimit)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(candidate + x), _mm_and_si128(may, c8));
    });
}

}  // namespace lintra::raster_detail

#endif
