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
        : image_(image),
          rows_(rows),
          anchor_(anchorRow),
          store_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(image.width)) {
        for (int r = 0; r < rows - 1; ++r) Save(r);
    }
    // Call once per output row, in increasing y, before reading its window.
    void Advance(int y) { Save(y - anchor_ + rows_ - 1); }
    // Input row y - MY + k of output row y.
    const std::uint8_t* Row(int y, int k) const { return Slot(y - anchor_ + k); }

private:
    void Save(int r) {
        std::memcpy(const_cast<std::uint8_t*>(Slot(r)), image_.row(r),
                    static_cast<std::size_t>(image_.width));
    }
    const std::uint8_t* Slot(int r) const {
        return store_.data() + static_cast<std::size_t>(r % rows_) * static_cast<std::size_t>(image_.width);
    }

    ImageView image_;
    int rows_;
    int anchor_;
    std::vector<std::uint8_t> store_;
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
    if (!Usable(image)) return;
    static constexpr float kGaussLaplace[25] = {-2, -4, -4, -4, -2, -4, 0,  8,  0,  -4, -4, 8, 24,
                                                8,  -4, -4, 0,  8,  0,  -4, -2, -4, -4, -4, -2};
    ApplyTemplate(image.pixels, image.width, image.height, image.stride, 5, 5, 2, 2, kGaussLaplace, 0.25f);
}

void EdgeRoberts(ImageView image) {
    if (!Usable(image)) return;
    const int w = image.width, h = image.height;
    const std::uint8_t* root = RootTable();
    std::vector<int> squares(static_cast<std::size_t>(w));
    // Row y reads rows y and y + 1: going upwards, both are unchanged until
    // row y itself is written.
    for (int y = 0; y < h - 1; ++y) {
        std::uint8_t* p = image.row(y);
        const std::uint8_t* q = image.row(y + 1);
        for (int x = 0; x < w - 1; ++x) {
            const int d1 = p[x + 1] - q[x], d2 = p[x] - q[x + 1];
            squares[x] = d1 * d1 + d2 * d2;
        }
        for (int x = 0; x < w - 1; ++x) p[x] = ClampedRoot(root, squares[x]);
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
    std::vector<int> squares(static_cast<std::size_t>(w));
    // Row y reads rows y and y - 1: going downwards, both are unchanged until
    // row y itself is written.
    std::memset(image.row(h - 1), 255, static_cast<std::size_t>(w));
    for (int y = h - 2; y >= 1; --y) {
        std::uint8_t* p = image.row(y);
        const std::uint8_t* s = image.row(y - 1);
        for (int x = 1; x < w - 1; ++x) {
            const int dx = p[x] - p[x - 1], dy = p[x] - s[x];
            squares[x] = dx * dx + dy * dy;
        }
        for (int x = 1; x < w - 1; ++x) p[x] = ClampedRoot(root, squares[x]);
        p[0] = 255;
        p[w - 1] = 255;
    }
    std::memset(image.row(0), 255, static_cast<std::size_t>(w));
}

}  // namespace lintra
