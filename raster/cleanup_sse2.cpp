// SSE2 kernels of the clean-up operations (see row_kernels.h): sixteen
// pixels at a time, the same bytes as MajorityRow and IsolatedCandidatesRow
// in cleanup.cpp. Neighbour counts are at most 8, so bytes hold them.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

namespace {

// -1 in each byte of the 16 at p that is 255, else 0: adding these counts
// white pixels, negated.
inline __m128i WhiteAt(const std::uint8_t* p) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi8(-1));
}

}  // namespace

// Each column of three pixels is counted once, for the three results it
// takes part in: the white neighbours are three column counts less the pixel.
int MajorityRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above, int width,
                    std::uint8_t* columns, std::uint8_t* out) {
    // 1 in each byte of the 16 at p that is 255, else 0: a saturating
    // subtraction of 254 leaves 0 of every other value.
    const __m128i belowWhite = _mm_set1_epi8(static_cast<char>(254));
    auto white = [belowWhite](const std::uint8_t* p) {
        return _mm_subs_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), belowWhite);
    };
    if (width < 18) return 1;  // not sixteen results in the row
    auto countColumns = [&](std::ptrdiff_t x) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(columns + x),
                         _mm_add_epi8(_mm_add_epi8(white(below + x), white(here + x)), white(above + x)));
    };
    // Every column of the row, the last sixteen ending at its end. (A plain
    // loop: for so small a step EverySixteen's test of the last step costs.)
    std::ptrdiff_t x = 0;
    for (; x + 16 <= width; x += 16) countColumns(x);
    if (x < width) countColumns(width - 16);
    auto column = [columns](std::ptrdiff_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + at));
    };
    const __m128i four = _mm_set1_epi8(4);
    return EverySixteen(1, width - 1, [&](std::ptrdiff_t at) {
        const __m128i whites = _mm_sub_epi8(
            _mm_add_epi8(_mm_add_epi8(column(at - 1), column(at)), column(at + 1)), white(here + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_cmpgt_epi8(whites, four));
    });
}

int IsolatedCandidatesRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                              int width, int k, std::uint8_t* candidate) {
    const __m128i white = _mm_set1_epi8(-1), black = _mm_setzero_si128(), one = _mm_set1_epi8(1);
    const __m128i whiteLimit = _mm_set1_epi8(static_cast<char>(9 - k));  // c7 < 9 - k
    const __m128i blackLimit = _mm_set1_epi8(static_cast<char>(k - 1));  // c7 + 1 > k - 1
    return EverySixteen(1, width - 1, [&](std::ptrdiff_t x) {
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
