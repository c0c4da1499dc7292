// SSE2 kernels of thinning's working structures (see row_kernels.h): the
// same results as PackWhiteRow and WhitenRow in thin_planes.cpp, sixteen
// pixels at a time.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

int PackWhiteRowSse2(const std::uint8_t* row, int cols, std::uint64_t* bits, bool& binary) {
    const __m128i black = _mm_setzero_si128(), white = _mm_set1_epi8(-1);
    int j = 0;
    unsigned notBinary = 0;
    for (; j + 16 <= cols; j += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + j));
        const unsigned isWhite = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, white)));
        const unsigned isBlack = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, black)));
        notBinary |= ~(isWhite | isBlack) & 0xFFFFu;
        // j is a multiple of 16: the sixteen bits never straddle two words.
        bits[j >> 6] |= std::uint64_t{isWhite} << (j & 63);
    }
    if (notBinary != 0) binary = false;
    return j;
}

int WhitenRowSse2(const std::uint64_t* bits, int cols, std::uint8_t* row) {
    // Byte k of a sixteen-byte group stands for bit k % 8 of its half.
    const __m128i select = _mm_set_epi8(-128, 64, 32, 16, 8, 4, 2, 1, -128, 64, 32, 16, 8, 4, 2, 1);
    int j = 0;
    for (; j + 16 <= cols; j += 16) {
        const unsigned set = static_cast<unsigned>(bits[j >> 6] >> (j & 63)) & 0xFFFFu;
        if (set == 0) continue;
        const __m128i lo = _mm_set1_epi8(static_cast<char>(set & 0xFF));
        const __m128i hi = _mm_set1_epi8(static_cast<char>(set >> 8));
        const __m128i both = _mm_unpacklo_epi64(lo, hi);  // the low byte of set in bytes 0 .. 7
        const __m128i mask = _mm_cmpeq_epi8(_mm_and_si128(both, select), select);
        __m128i* out = reinterpret_cast<__m128i*>(row + j);
        const __m128i before = _mm_loadu_si128(out), after = _mm_or_si128(before, mask);
        // Most of a page is white already: write only what changes.
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(before, after)) != 0xFFFF) _mm_storeu_si128(out, after);
    }
    return j;
}

}  // namespace lintra::raster_detail

#endif
