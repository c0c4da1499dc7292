#include "raster/edge.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "raster/raster_private.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lintra {

using raster_detail::Usable;

namespace {

// Output of a template whose coefficients are integers and whose scale is
// 2^-shift (0 <= shift <= 30), from the integer sum of the window.
//
// Why this equals the floating-point rule: each product c x p is an integer,
// and the caller admits a template only if the sum of |c| x 255 stays below
// 2^31, so the double sum is that integer exactly. Multiplying it by a power
// of two is exact too, so v = |sum| / 2^shift, a multiple of 2^-shift far
// from the limits of a double, and v + 0.5 is exact as well. Then
//   v > 255                  <=>  |sum| > 255 x 2^shift
//   trunc(v + 0.5)            =   (|sum| + 2^(shift-1)) >> shift   (shift >= 1)
// and both branches never exceed 255 below the clamp, so the result is
// min(255, (|sum| + half) >> shift) with half = 2^(shift-1), or 0 for shift 0.
inline std::uint8_t ScaledResult(int sum, int shift, int half) {
    const unsigned magnitude = static_cast<unsigned>(sum < 0 ? -sum : sum);
    return static_cast<std::uint8_t>(std::min(255u, (magnitude + static_cast<unsigned>(half)) >> shift));
}

// Saves input rows before the output overwrites them, so a filter can write
// in place while every window reads the unchanged input: the ring holds
// input rows y - MY .. y - MY + H - 1 for output row y.
class RowRing {
public:
    RowRing(ImageView image, int rows, int anchorRow)
        : m_image(image),
          m_rows(rows),
          m_anchor(anchorRow),
          m_store(static_cast<std::size_t>(rows) * static_cast<std::size_t>(image.width)) {
        for (int r = 0; r < rows - 1; ++r) Save(r);
    }
    // Call once per output row, in increasing y, before reading its window.
    void Advance(int y) { Save(y - m_anchor + m_rows - 1); }
    // Input row y - MY + k of output row y.
    const std::uint8_t* Row(int y, int k) const { return Slot(y - m_anchor + k); }

private:
    void Save(int r) {
        std::memcpy(const_cast<std::uint8_t*>(Slot(r)), m_image.row(r),
                    static_cast<std::size_t>(m_image.width));
    }
    const std::uint8_t* Slot(int r) const {
        return m_store.data() + static_cast<std::size_t>(r % m_rows) * static_cast<std::size_t>(m_image.width);
    }

    ImageView m_image;
    int m_rows;
    int m_anchor;
    std::vector<std::uint8_t> m_store;
};

// The scale as 2^-shift with 0 <= shift <= 30, or -1 when it is not one.
int ScaleShift(float scale) {
    const double magnitude = std::fabs(static_cast<double>(scale));
    for (int shift = 0; shift <= 30; ++shift)
        if (magnitude == std::ldexp(1.0, -shift)) return shift;
    return -1;
}

// True when every coefficient is an integer and the sum of |c| x 255 stays
// below 2^31, so the window sum fits an int exactly.
bool IntegerTemplate(const float* coefficients, int count, std::vector<int>& out) {
    out.resize(static_cast<std::size_t>(count));
    double bound = 0;
    for (int i = 0; i < count; ++i) {
        const double c = coefficients[i];
        if (!(std::fabs(c) <= 65536.0) || c != std::trunc(c)) return false;
        out[i] = static_cast<int>(c);
        bound += std::fabs(c) * 255;
    }
    return bound < 2147483647.0;
}

// ApplyTemplate as stated, in double precision, for any template.
void ApplyTemplateDouble(ImageView image, int H, int W, int MX, int MY, const float* c, float scale) {
    RowRing ring(image, H, MY);
    const int lastX = image.width - W + MX;
    for (int y = MY; y <= image.height - H + MY; ++y) {
        ring.Advance(y);
        std::uint8_t* out = image.row(y);
        for (int x = MX; x <= lastX; ++x) {
            double sum = 0;
            for (int k = 0; k < H; ++k) {
                const std::uint8_t* in = ring.Row(y, k) + (x - MX);
                for (int l = 0; l < W; ++l) sum += static_cast<double>(c[k * W + l]) * in[l];
            }
            const double v = std::fabs(static_cast<double>(scale) * sum);
            // NaN (from a NaN coefficient) goes to 255 with the infinities
            // rather than through an undefined conversion.
            out[x] = v <= 255 ? static_cast<std::uint8_t>(v + 0.5) : 255;
        }
    }
}

// ApplyTemplate for integer coefficients and a power-of-two scale: window
// sums accumulated in int, a whole row at a time.
void ApplyTemplateInteger(ImageView image, int H, int W, int MX, int MY, const std::vector<int>& c,
                          int shift) {
    RowRing ring(image, H, MY);
    const int count = image.width - W + 1;  // output columns
    const int half = shift > 0 ? 1 << (shift - 1) : 0;
    std::vector<int> sum(static_cast<std::size_t>(count));
    for (int y = MY; y <= image.height - H + MY; ++y) {
        ring.Advance(y);
        std::fill(sum.begin(), sum.end(), 0);
        for (int k = 0; k < H; ++k) {
            const std::uint8_t* in = ring.Row(y, k);
            for (int l = 0; l < W; ++l) {
                const int weight = c[static_cast<std::size_t>(k * W + l)];
                if (weight == 0) continue;
                for (int i = 0; i < count; ++i) sum[i] += weight * in[i + l];
            }
        }
        std::uint8_t* out = image.row(y) + MX;
        for (int i = 0; i < count; ++i) out[i] = ScaledResult(sum[i], shift, half);
    }
}

// Runs kernel(below, here, above, out) for every row y = 1 .. H-2 of an
// image at least 3 x 3, where below and here are copies of input rows y - 1
// and y saved before they were overwritten, above is row y + 1 (not yet
// written) and out is row y; kernel writes out[1 .. W-2].
template <typename Kernel>
void ForEachRow3x3(ImageView image, Kernel kernel) {
    const auto w = static_cast<std::size_t>(image.width);
    std::vector<std::uint8_t> rows(2 * w);
    std::uint8_t* below = rows.data();
    std::uint8_t* here = rows.data() + w;
    std::memcpy(below, image.row(0), w);
    for (int y = 1; y < image.height - 1; ++y) {
        std::memcpy(here, image.row(y), w);
        kernel(below, here, image.row(y + 1), image.row(y));
        std::swap(below, here);
    }
}

// floor(sqrt(s)) clamped to 255, for s = dx^2 + dy^2 with |dx|, |dy| <= 255.
// The table covers s < 65536; every larger s has a root of at least 256.
// Squares are exact integers and the root of a non-square integer never
// rounds up to the next integer, so the table holds the exact truncation.
const std::uint8_t* RootTable() {
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> t(65536);
        for (int s = 0; s < 65536; ++s)
            t[static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(std::sqrt(static_cast<double>(s)));
        return t;
    }();
    return table.data();
}

inline std::uint8_t ClampedRoot(const std::uint8_t* table, int s) {
    return s < 65536 ? table[s] : 255;
}

#if defined(__SSE2__)
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
#endif

#if defined(__SSE2__)
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

// Calls kernel(lanes, x) for x = 1, 9, 17, ... while x + 16 <= w - 1, with
// lanes(p, dx) giving pixels x + dx .. x + dx + 7 of row p as 16-bit lanes
// for the first call and x + 8 + dx .. for the second, then stores the two
// results (saturated to 0 .. 255) at out + x. Returns the first x not done.
template <typename Kernel>
int SixteenAtATime(int w, std::uint8_t* out, Kernel kernel) {
    int x = 1;
    for (; x + 16 <= w - 1; x += 16) {
        const __m128i low = kernel([x](const std::uint8_t* p, int dx) { return Low16(p + x + dx); });
        const __m128i high = kernel([x](const std::uint8_t* p, int dx) { return High16(p + x + dx); });
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
    return x;
}
#endif

// The larger of the two responses of a 3 x 3 template pair at scale 1 (Sobel
// or Prewitt): min(255, max(|gy|, |gx|)), both clamps being monotone. centre
// is the weight of the middle row or column (2 for Sobel, 1 for Prewitt).
// Every sum stays within +-1020, so 16-bit lanes hold it exactly.
void TemplatePairMax(ImageView image, int centre) {
    if (!Usable(image) || image.width < 3 || image.height < 3) return;
    const int w = image.width;
    ForEachRow3x3(image, [&](const std::uint8_t* b, const std::uint8_t* c, const std::uint8_t* a,
                             std::uint8_t* out) {
        int x = 1;
#if defined(__SSE2__)
        const bool sobel = centre == 2;
        x = SixteenAtATime(w, out, [&](auto lanes) {
            const __m128i vl = _mm_sub_epi16(lanes(a, -1), lanes(b, -1));
            const __m128i vc = _mm_sub_epi16(lanes(a, 0), lanes(b, 0));
            const __m128i vr = _mm_sub_epi16(lanes(a, 1), lanes(b, 1));
            const __m128i cl = lanes(c, -1), cr = lanes(c, 1);
            const __m128i gy = _mm_add_epi16(_mm_add_epi16(vl, vr), sobel ? _mm_add_epi16(vc, vc) : vc);
            const __m128i right =
                _mm_add_epi16(_mm_add_epi16(lanes(a, 1), lanes(b, 1)), sobel ? _mm_add_epi16(cr, cr) : cr);
            const __m128i left =
                _mm_add_epi16(_mm_add_epi16(lanes(a, -1), lanes(b, -1)), sobel ? _mm_add_epi16(cl, cl) : cl);
            return _mm_max_epi16(Abs16(gy), Abs16(_mm_sub_epi16(right, left)));
        });
#endif
        for (; x < w - 1; ++x) {
            const int gy = (a[x - 1] - b[x - 1]) + centre * (a[x] - b[x]) + (a[x + 1] - b[x + 1]);
            const int gx =
                (a[x + 1] + centre * c[x + 1] + b[x + 1]) - (a[x - 1] + centre * c[x - 1] + b[x - 1]);
            const int g = std::max(gy < 0 ? -gy : gy, gx < 0 ? -gx : gx);
            out[x] = static_cast<std::uint8_t>(std::min(g, 255));
        }
    });
}

}  // namespace

void ApplyTemplate(std::uint8_t* pixels, int width, int height, int stride, int H, int W, int MX, int MY,
                   const float* coefficients, float scale) {
    if (pixels == nullptr || coefficients == nullptr || width <= 0 || height <= 0 || stride < width) return;
    if (H <= 0 || W <= 0 || MX < 0 || MX >= W || MY < 0 || MY >= H || H > height || W > width) return;
    const ImageView image{pixels, width, height, stride, 8};
    std::vector<int> integer;
    const int shift = ScaleShift(scale);
    if (shift >= 0 && IntegerTemplate(coefficients, H * W, integer))
        ApplyTemplateInteger(image, H, W, MX, MY, integer, shift);
    else
        ApplyTemplateDouble(image, H, W, MX, MY, coefficients, scale);
}

void EdgeSobel(ImageView image) {
    TemplatePairMax(image, 2);
}

void EdgePrewitt(ImageView image) {
    TemplatePairMax(image, 1);
}

void EdgeKirsch(ImageView image) {
    if (!Usable(image) || image.width < 3 || image.height < 3) return;
    // Each compass template has 5 on three neighbouring ring cells and -3 on
    // the other five, so its response is 5 S - 3 (T - S) = 8 S - 3 T with S
    // the sum of those three cells and T the sum of the ring. The largest
    // |response| is max(8 Smax - 3 T, 3 T - 8 Smin), and since the rounding
    // and clamp of |0.5 r| (min(255, (|r| + 1) >> 1), see ScaledResult) is
    // monotone, the largest of the eight results is that of the largest |r|.
    // The ring sums and their extremes stay within +-6120, so 16-bit lanes
    // hold them exactly.
    const int w = image.width;
    ForEachRow3x3(image, [&](const std::uint8_t* b, const std::uint8_t* c, const std::uint8_t* a,
                             std::uint8_t* out) {
        int x = 1;
#if defined(__SSE2__)
        x = SixteenAtATime(w, out, [&](auto lanes) {
            const __m128i p0 = lanes(b, -1), p1 = lanes(b, 0), p2 = lanes(b, 1), p3 = lanes(c, 1);
            const __m128i p4 = lanes(a, 1), p5 = lanes(a, 0), p6 = lanes(a, -1), p7 = lanes(c, -1);
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
#endif
        for (; x < w - 1; ++x) {
            // The ring in order: the row below left to right, up the right
            // column, the row above right to left, down the left column.
            const int p0 = b[x - 1], p1 = b[x], p2 = b[x + 1], p3 = c[x + 1];
            const int p4 = a[x + 1], p5 = a[x], p6 = a[x - 1], p7 = c[x - 1];
            const int s0 = p0 + p1 + p2, s1 = p1 + p2 + p3, s2 = p2 + p3 + p4, s3 = p3 + p4 + p5;
            const int s4 = p4 + p5 + p6, s5 = p5 + p6 + p7, s6 = p6 + p7 + p0, s7 = p7 + p0 + p1;
            const int most = std::max(std::max(std::max(s0, s1), std::max(s2, s3)),
                                      std::max(std::max(s4, s5), std::max(s6, s7)));
            const int least = std::min(std::min(std::min(s0, s1), std::min(s2, s3)),
                                       std::min(std::min(s4, s5), std::min(s6, s7)));
            const int ring3 = 3 * (p0 + p1 + p2 + p3 + p4 + p5 + p6 + p7);
            const int r = std::max(8 * most - ring3, ring3 - 8 * least);
            out[x] = static_cast<std::uint8_t>(std::min(255, (r + 1) >> 1));
        }
    });
}

void EdgeGaussLaplace(ImageView image) {
    if (!Usable(image) || image.width < 5 || image.height < 5) return;
    // The template is symmetric: with the column sums v04 = rows y - 2 and
    // y + 2, v13 = rows y - 1 and y + 1, v2 = row y, its sum at x is
    //   A(x - 2) + A(x + 2) + B(x - 1) + B(x + 1) + C(x)   with
    //   A = -2 v04 - 4 v13 - 4 v2,  B = -4 v04 + 8 v2,  C = -4 v04 + 8 v13 + 24 v2,
    // which is the integer window sum ApplyTemplate forms (its weights are
    // exact), and the scale 1/4 rounds it as (|sum| + 2) >> 2, clamped to
    // 255 (see ScaledResult). |A|, |B| <= 4080, |C| <= 12240 and |sum| <=
    // 28560: 16-bit lanes hold every step exactly.
    const int w = image.width;
    RowRing ring(image, 5, 2);
    std::vector<std::int16_t> sums(3 * static_cast<std::size_t>(w) + 16);
    std::int16_t* A = sums.data();
    std::int16_t* B = A + w;
    std::int16_t* C = B + w;
    for (int y = 2; y <= image.height - 3; ++y) {
        ring.Advance(y);
        const std::uint8_t *r0 = ring.Row(y, 0), *r1 = ring.Row(y, 1), *r2 = ring.Row(y, 2);
        const std::uint8_t *r3 = ring.Row(y, 3), *r4 = ring.Row(y, 4);
        int c = 0;
#if defined(__SSE2__)
        auto columns = [&](int from, auto lanes) {
            const __m128i v04 = _mm_add_epi16(lanes(r0 + from), lanes(r4 + from));
            const __m128i v13 = _mm_add_epi16(lanes(r1 + from), lanes(r3 + from));
            const __m128i v2 = lanes(r2 + from);
            const __m128i v04x4 = _mm_slli_epi16(v04, 2), v2x8 = _mm_slli_epi16(v2, 3);
            const __m128i a = _mm_sub_epi16(
                _mm_setzero_si128(),
                _mm_add_epi16(_mm_slli_epi16(v04, 1), _mm_slli_epi16(_mm_add_epi16(v13, v2), 2)));
            const __m128i b = _mm_sub_epi16(v2x8, v04x4);
            const __m128i cc = _mm_sub_epi16(
                _mm_add_epi16(_mm_slli_epi16(v13, 3), _mm_add_epi16(v2x8, _mm_slli_epi16(v2, 4))), v04x4);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(A + from), a);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(B + from), b);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(C + from), cc);
        };
        for (; c + 16 <= w; c += 16) {
            columns(c, [](const std::uint8_t* p) { return Low16(p); });
            columns(c + 8, [](const std::uint8_t* p) { return High16(p - 8); });
        }
#endif
        for (int x = c; x < w; ++x) {
            const int v04 = r0[x] + r4[x], v13 = r1[x] + r3[x], v2 = r2[x];
            A[x] = static_cast<std::int16_t>(-2 * v04 - 4 * v13 - 4 * v2);
            B[x] = static_cast<std::int16_t>(-4 * v04 + 8 * v2);
            C[x] = static_cast<std::int16_t>(-4 * v04 + 8 * v13 + 24 * v2);
        }
        std::uint8_t* out = image.row(y);
        int x = 2;
#if defined(__SSE2__)
        auto at = [](const std::int16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        for (; x + 16 <= w - 2; x += 16) {
            auto eight = [&](int from) {
                const __m128i sum =
                    _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(at(A + from - 2), at(A + from + 2)),
                                                _mm_add_epi16(at(B + from - 1), at(B + from + 1))),
                                  at(C + from));
                return _mm_srli_epi16(_mm_add_epi16(Abs16(sum), _mm_set1_epi16(2)), 2);
            };
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(eight(x), eight(x + 8)));
        }
#endif
        for (; x <= w - 3; ++x) {
            const int sum = A[x - 2] + A[x + 2] + B[x - 1] + B[x + 1] + C[x];
            out[x] = ScaledResult(sum, 2, 2);
        }
    }
}

void EdgeRoberts(ImageView image) {
    if (!Usable(image)) return;
    const int w = image.width, h = image.height;
    const std::uint8_t* root = RootTable();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w));
    // Row y reads rows y and y + 1: going upwards, both are unchanged until
    // row y itself is written.
    for (int y = 0; y < h - 1; ++y) {
        std::uint8_t* p = image.row(y);
        const std::uint8_t* q = image.row(y + 1);
        int x = 0;
#if defined(__SSE2__)
        for (; x + 17 <= w; x += 16) {
            const std::uint8_t *right = p + x + 1, *above = q + x, *aboveRight = q + x + 1;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + x),
                             ClampedRoots(_mm_sub_epi16(Low16(right), Low16(above)),
                                          _mm_sub_epi16(Low16(p + x), Low16(aboveRight)),
                                          _mm_sub_epi16(High16(right), High16(above)),
                                          _mm_sub_epi16(High16(p + x), High16(aboveRight))));
        }
#endif
        for (; x < w - 1; ++x) {
            const int d1 = p[x + 1] - q[x], d2 = p[x] - q[x + 1];
            out[x] = ClampedRoot(root, d1 * d1 + d2 * d2);
        }
        std::memcpy(p, out.data(), static_cast<std::size_t>(w - 1));
        p[w - 1] = 255;
    }
    std::memset(image.row(h - 1), 255, static_cast<std::size_t>(w));
}

void EdgeGradient(ImageView image) {
    if (!Usable(image)) return;
    const int w = image.width, h = image.height;
    if (w <= 2 || h <= 2) {
        for (int y = 0; y < h; ++y) std::memset(image.row(y), 255, static_cast<std::size_t>(w));
        return;
    }
    const std::uint8_t* root = RootTable();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w));
    // Row y reads rows y and y - 1: going downwards, both are unchanged until
    // row y itself is written.
    std::memset(image.row(h - 1), 255, static_cast<std::size_t>(w));
    for (int y = h - 2; y >= 1; --y) {
        std::uint8_t* p = image.row(y);
        const std::uint8_t* s = image.row(y - 1);
        int x = 1;
#if defined(__SSE2__)
        for (; x + 16 <= w - 1; x += 16) {
            const std::uint8_t *left = p + x - 1, *below = s + x;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + x),
                             ClampedRoots(_mm_sub_epi16(Low16(p + x), Low16(left)),
                                          _mm_sub_epi16(Low16(p + x), Low16(below)),
                                          _mm_sub_epi16(High16(p + x), High16(left)),
                                          _mm_sub_epi16(High16(p + x), High16(below))));
        }
#endif
        for (; x < w - 1; ++x) {
            const int dx = p[x] - p[x - 1], dy = p[x] - s[x];
            out[x] = ClampedRoot(root, dx * dx + dy * dy);
        }
        std::memcpy(p + 1, out.data() + 1, static_cast<std::size_t>(w - 2));
        p[0] = 255;
        p[w - 1] = 255;
    }
    std::memset(image.row(0), 255, static_cast<std::size_t>(w));
}

}  // namespace lintra
