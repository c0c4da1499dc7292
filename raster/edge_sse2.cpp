// SSE2 kernels of the edge operations (see row_kernels.h): sixteen pixels
// at a time in 16-bit lanes, the same bytes as the row rules in edge.cpp.
#include "raster/row_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace lintra::raster_detail {

namespace {

// The 16-bit lanes of 8 bytes at p, and of the next 8.
inline __m128i Low16(const std::uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
inline __m128i High16(const std::uint8_t* p) {
    return _mm_unpackhi_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
inline __m128i Abs16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// Calls kernel(lanes) for sixteen pixels at a time from x = 1 to w - 2, with
// lanes(p, dx) giving pixels x + dx .. x + dx + 7 of row p as 16-bit lanes
// for the first call and x + 8 + dx .. for the second, then stores the two
// results (saturated to 0 .. 255) at out + x. Returns the first x not done.
template <typename Kernel>
int SixteenAtATime(int w, std::uint8_t* out, Kernel kernel) {
    auto sixteen = [&](std::ptrdiff_t x) {
        const __m128i low = kernel([x](const std::uint8_t* p, int dx) { return Low16(p + x + dx); });
        const __m128i high = kernel([x](const std::uint8_t* p, int dx) { return High16(p + x + dx); });
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    };
    return EverySixteen(1, w - 1, sixteen);
}

// min(255, floor(sqrt(a^2 + b^2))) for 16 pixels whose differences a and b
// (each within +-255) come as two sets of 8 16-bit lanes. The sum, below
// 2^17, is exact in single precision, and its correctly rounded root lands
// on an integer only for a perfect square: below 362 a root is at least
// 1 / 724 short of the next integer, far more than the float's spacing.
inline __m128i ClampedRoots(__m128i aLow, __m128i bLow, __m128i aHigh, __m128i bHigh) {
    auto roots = [](__m128i a, __m128i b) {
        const __m128i low = _mm_unpacklo_epi16(a, b), high = _mm_unpackhi_epi16(a, b);
        const __m128i rootLow = _mm_cvttps_epi32(_mm_sqrt_ps(_mm_cvtepi32_ps(_mm_madd_epi16(low, low))));
        const __m128i rootHigh = _mm_cvttps_epi32(_mm_sqrt_ps(_mm_cvtepi32_ps(_mm_madd_epi16(high, high))));
        return _mm_packs_epi32(rootLow, rootHigh);
    };
    return _mm_packus_epi16(roots(aLow, bLow), roots(aHigh, bHigh));
}

}  // namespace

// Every sum stays within +-1020, so 16-bit lanes hold it exactly.
int TemplatePairMaxRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                           int width, int centre, std::uint8_t* out) {
    const bool sobel = centre == 2;
    return SixteenAtATime(width, out, [&](auto lanes) {
        const __m128i vl = _mm_sub_epi16(lanes(above, -1), lanes(below, -1));
        const __m128i vc = _mm_sub_epi16(lanes(above, 0), lanes(below, 0));
        const __m128i vr = _mm_sub_epi16(lanes(above, 1), lanes(below, 1));
        const __m128i cl = lanes(here, -1), cr = lanes(here, 1);
        const __m128i gy = _mm_add_epi16(_mm_add_epi16(vl, vr), sobel ? _mm_add_epi16(vc, vc) : vc);
        const __m128i right = _mm_add_epi16(_mm_add_epi16(lanes(above, 1), lanes(below, 1)),
                                            sobel ? _mm_add_epi16(cr, cr) : cr);
        const __m128i left = _mm_add_epi16(_mm_add_epi16(lanes(above, -1), lanes(below, -1)),
                                           sobel ? _mm_add_epi16(cl, cl) : cl);
        return _mm_max_epi16(Abs16(gy), Abs16(_mm_sub_epi16(right, left)));
    });
}

// Each compass response is 5 S - 3 (T - S) = 8 S - 3 T with S the sum of its
// three ring cells and T the sum of the ring. The largest |response| is
// max(8 Smax - 3 T, 3 T - 8 Smin), and since the rounding and clamp of
// |0.5 r| (min(255, (|r| + 1) >> 1)) is monotone, the largest of the eight
// results is that of the largest |r|. The ring sums and their extremes stay
// within +-6120, so 16-bit lanes hold them exactly.
int KirschRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above, int width,
                  std::uint8_t* out) {
    return SixteenAtATime(width, out, [&](auto lanes) {
        const __m128i p0 = lanes(below, -1), p1 = lanes(below, 0), p2 = lanes(below, 1), p3 = lanes(here, 1);
        const __m128i p4 = lanes(above, 1), p5 = lanes(above, 0), p6 = lanes(above, -1), p7 = lanes(here, -1);
        const __m128i q0 = _mm_add_epi16(p0, p1), q2 = _mm_add_epi16(p2, p3);
        const __m128i q4 = _mm_add_epi16(p4, p5), q6 = _mm_add_epi16(p6, p7);
        const __m128i s0 = _mm_add_epi16(q0, p2), s1 = _mm_add_epi16(p1, q2), s2 = _mm_add_epi16(q2, p4);
        const __m128i s3 = _mm_add_epi16(p3, q4), s4 = _mm_add_epi16(q4, p6), s5 = _mm_add_epi16(p5, q6);
        const __m128i s6 = _mm_add_epi16(q6, p0), s7 = _mm_add_epi16(p7, q0);
        const __m128i most = _mm_max_epi16(_mm_max_epi16(_mm_max_epi16(s0, s1), _mm_max_epi16(s2, s3)),
                                           _mm_max_epi16(_mm_max_epi16(s4, s5), _mm_max_epi16(s6, s7)));
        const __m128i least = _mm_min_epi16(_mm_min_epi16(_mm_min_epi16(s0, s1), _mm_min_epi16(s2, s3)),
                                            _mm_min_epi16(_mm_min_epi16(s4, s5), _mm_min_epi16(s6, s7)));
        const __m128i ring = _mm_add_epi16(_mm_add_epi16(q0, q2), _mm_add_epi16(q4, q6));
        const __m128i ring3 = _mm_add_epi16(ring, _mm_add_epi16(ring, ring));
        const __m128i r = _mm_max_epi16(_mm_sub_epi16(_mm_slli_epi16(most, 3), ring3),
                                        _mm_sub_epi16(ring3, _mm_slli_epi16(least, 3)));
        return _mm_srli_epi16(_mm_add_epi16(r, _mm_set1_epi16(1)), 1);
    });
}

// The template is symmetric: with the column sums v04 = rows y - 2 and
// y + 2, v13 = rows y - 1 and y + 1, v2 = row y, its sum at x is
//   A(x - 2) + A(x + 2) + B(x - 1) + B(x + 1) + C(x)   with
//   A = -2 v04 - 4 v13 - 4 v2,  B = -4 v04 + 8 v2,  C = -4 v04 + 8 v13 + 24 v2,
// and the scale 1/4 rounds it as (|sum| + 2) >> 2, clamped to 255. |A|, |B|
// <= 4080, |C| <= 12240 and |sum| <= 28560: 16-bit lanes hold every step
// exactly.
int GaussLaplaceRowSse2(const std::uint8_t* const rows[5], int width, std::int16_t* columns,
                        std::uint8_t* out) {
    if (width < 20) return 2;  // not sixteen results in the row
    std::int16_t* A = columns;
    std::int16_t* B = A + width;
    std::int16_t* C = B + width;
    const std::uint8_t *r0 = rows[0], *r1 = rows[1], *r2 = rows[2], *r3 = rows[3], *r4 = rows[4];
    // The column sums of eight columns from their pixels in 16-bit lanes, pk
    // from row rk.
    auto eightColumns = [&](std::ptrdiff_t from, __m128i p0, __m128i p1, __m128i p2, __m128i p3, __m128i p4) {
        const __m128i v04 = _mm_add_epi16(p0, p4), v13 = _mm_add_epi16(p1, p3), v2 = p2;
        const __m128i v04x4 = _mm_slli_epi16(v04, 2), v2x8 = _mm_slli_epi16(v2, 3);
        const __m128i a =
            _mm_sub_epi16(_mm_setzero_si128(),
                          _mm_add_epi16(_mm_slli_epi16(v04, 1), _mm_slli_epi16(_mm_add_epi16(v13, v2), 2)));
        const __m128i b = _mm_sub_epi16(v2x8, v04x4);
        const __m128i c = _mm_sub_epi16(
            _mm_add_epi16(_mm_slli_epi16(v13, 3), _mm_add_epi16(v2x8, _mm_slli_epi16(v2, 4))), v04x4);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(A + from), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(B + from), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(C + from), c);
    };
    // Every row is read before anything is stored: as far as the compiler
    // knows, the stores could change the rows.
    auto sixteenColumns = [&](std::ptrdiff_t from) {
        auto load = [from](const std::uint8_t* row) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + from));
        };
        const __m128i p0 = load(r0), p1 = load(r1), p2 = load(r2), p3 = load(r3), p4 = load(r4);
        const __m128i zero = _mm_setzero_si128();
        eightColumns(from, _mm_unpacklo_epi8(p0, zero), _mm_unpacklo_epi8(p1, zero),
                     _mm_unpacklo_epi8(p2, zero), _mm_unpacklo_epi8(p3, zero), _mm_unpacklo_epi8(p4, zero));
        eightColumns(from + 8, _mm_unpackhi_epi8(p0, zero), _mm_unpackhi_epi8(p1, zero),
                     _mm_unpackhi_epi8(p2, zero), _mm_unpackhi_epi8(p3, zero), _mm_unpackhi_epi8(p4, zero));
    };
    EverySixteen(0, width, sixteenColumns);
    auto at = [](const std::int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto eightResults = [&](std::ptrdiff_t from) {
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(at(A + from - 2), at(A + from + 2)),
                                                        _mm_add_epi16(at(B + from - 1), at(B + from + 1))),
                                          at(C + from));
        return _mm_srli_epi16(_mm_add_epi16(Abs16(sum), _mm_set1_epi16(2)), 2);
    };
    return EverySixteen(2, width - 2, [&](std::ptrdiff_t x) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_packus_epi16(eightResults(x), eightResults(x + 8)));
    });
}

int RobertsRowSse2(const std::uint8_t* here, const std::uint8_t* above, int width, std::uint8_t* out) {
    return EverySixteen(0, width - 1, [&](std::ptrdiff_t x) {
        const std::uint8_t *right = here + x + 1, *up = above + x, *upRight = above + x + 1;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         ClampedRoots(_mm_sub_epi16(Low16(right), Low16(up)),
                                      _mm_sub_epi16(Low16(here + x), Low16(upRight)),
                                      _mm_sub_epi16(High16(right), High16(up)),
                                      _mm_sub_epi16(High16(here + x), High16(upRight))));
    });
}

int GradientRowSse2(const std::uint8_t* here, const std::uint8_t* below, int width, std::uint8_t* out) {
    return EverySixteen(1, width - 1, [&](std::ptrdiff_t x) {
        const std::uint8_t *left = here + x - 1, *down = below + x;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         ClampedRoots(_mm_sub_epi16(Low16(here + x), Low16(left)),
                                      _mm_sub_epi16(Low16(here + x), Low16(down)),
                                      _mm_sub_epi16(High16(here + x), High16(left)),
                                      _mm_sub_epi16(High16(here + x), High16(down))));
    });
}

}  // namespace lintra::raster_detail

#endif
