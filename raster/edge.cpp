#include "raster/edge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "raster/raster_private.h"
#include "raster/row_kernels.h"
#include "raster/row_ring.h"

namespace lintra {

using raster_detail::InRingBands;
using raster_detail::RowRing;
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
    const int lastX = image.width - W + MX;
    InRingBands(image, H, MY, [&](RowRing& ring, int begin, int end) {
        for (int y = begin; y < end; ++y) {
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
    });
}

// ApplyTemplate for integer coefficients and a power-of-two scale: window
// sums accumulated in int, a whole row at a time.
void ApplyTemplateInteger(ImageView image, int H, int W, int MX, int MY, const std::vector<int>& c,
                          int shift) {
    const int count = image.width - W + 1;  // output columns
    const int half = shift > 0 ? 1 << (shift - 1) : 0;
    InRingBands(image, H, MY, [&](RowRing& ring, int begin, int end) {
        std::vector<int> sum(static_cast<std::size_t>(count));
        for (int y = begin; y < end; ++y) {
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
    });
}

// Runs kernel(below, here, above, out) for every row y = 1 .. H-2 of an
// image at least 3 x 3, where below, here and above are saved copies of
// input rows y - 1, y and y + 1 and out is row y; kernel writes out[1 .. W-2].
template <typename Kernel>
void ForEachRow3x3(ImageView image, Kernel kernel) {
    InRingBands(image, 3, 1, [&](RowRing& ring, int begin, int end) {
        for (int y = begin; y < end; ++y) {
            ring.Advance(y);
            kernel(ring.Row(y, 0), ring.Row(y, 1), ring.Row(y, 2), image.row(y));
        }
    });
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

// The larger of the two responses of a 3 x 3 template pair at scale 1 (Sobel
// or Prewitt); centre is the weight of the middle row or column (2 for
// Sobel, 1 for Prewitt).
void TemplatePairMax(ImageView image, int centre) {
    if (!Usable(image) || image.width < 3 || image.height < 3) return;
    const int w = image.width;
    ForEachRow3x3(image, [w, centre](const std::uint8_t* below, const std::uint8_t* here,
                                     const std::uint8_t* above, std::uint8_t* out) {
        int x = 1;
#if defined(__SSE2__)
        x = raster_detail::TemplatePairMaxRowSse2(below, here, above, w, centre, out);
#endif
        raster_detail::TemplatePairMaxRow(below, here, above, x, w, centre, out);
    });
}

// The Gauss-Laplace template, rows y - 2 to y + 2, columns x - 2 to x + 2.
// clang-format off
constexpr int kGaussLaplace[5][5] = {
    {-2, -4, -4, -4, -2},
    {-4,  0,  8,  0, -4},
    {-4,  8, 24,  8, -4},
    {-4,  0,  8,  0, -4},
    {-2, -4, -4, -4, -2},
};
// clang-format on

}  // namespace

// min(255, max(|gy|, |gx|)) is the larger of the two clamped responses, both
// clamps being monotone.
void raster_detail::TemplatePairMaxRow(const std::uint8_t* below, const std::uint8_t* here,
                                       const std::uint8_t* above, int from, int width, int centre,
                                       std::uint8_t* out) {
    for (int x = from; x < width - 1; ++x) {
        // Row above minus row below, and right column minus left column.
        const int gy =
            (above[x - 1] - below[x - 1]) + centre * (above[x] - below[x]) + (above[x + 1] - below[x + 1]);
        const int gx = (above[x + 1] + centre * here[x + 1] + below[x + 1]) -
                       (above[x - 1] + centre * here[x - 1] + below[x - 1]);
        out[x] = static_cast<std::uint8_t>(std::min(std::max(std::abs(gy), std::abs(gx)), 255));
    }
}

void raster_detail::KirschRow(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                              int from, int width, std::uint8_t* out) {
    for (int x = from; x < width - 1; ++x) {
        // The ring in order: the row below left to right, up the right
        // column, the row above right to left, down the left column.
        const int ring[8] = {below[x - 1], below[x], below[x + 1], here[x + 1],
                             above[x + 1], above[x], above[x - 1], here[x - 1]};
        int total = 0;
        for (const int p : ring) total += p;
        // Compass template k has 5 on ring cells k, k + 1 and k + 2 and -3 on
        // the other five; each response is scaled by 0.5 (see ScaledResult).
        std::uint8_t largest = 0;
        for (int k = 0; k < 8; ++k) {
            const int three = ring[k] + ring[(k + 1) % 8] + ring[(k + 2) % 8];
            largest = std::max(largest, ScaledResult(5 * three - 3 * (total - three), 1, 1));
        }
        out[x] = largest;
    }
}

void raster_detail::GaussLaplaceRow(const std::uint8_t* const rows[5], int from, int width,
                                    std::uint8_t* out) {
    for (int x = from; x < width - 2; ++x) {
        int sum = 0;
        for (int k = 0; k < 5; ++k)
            for (int l = 0; l < 5; ++l) sum += kGaussLaplace[k][l] * rows[k][x - 2 + l];
        out[x] = ScaledResult(sum, 2, 2);  // scale 0.25
    }
}

void raster_detail::RobertsRow(const std::uint8_t* here, const std::uint8_t* above, int from, int width,
                               std::uint8_t* out) {
    const std::uint8_t* root = RootTable();
    for (int x = from; x < width - 1; ++x) {
        const int d1 = here[x + 1] - above[x], d2 = here[x] - above[x + 1];
        out[x] = ClampedRoot(root, d1 * d1 + d2 * d2);
    }
}

void raster_detail::GradientRow(const std::uint8_t* here, const std::uint8_t* below, int from, int width,
                                std::uint8_t* out) {
    const std::uint8_t* root = RootTable();
    for (int x = from; x < width - 1; ++x) {
        const int dx = here[x] - here[x - 1], dy = here[x] - below[x];
        out[x] = ClampedRoot(root, dx * dx + dy * dy);
    }
}

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
    const int w = image.width;
    ForEachRow3x3(image, [w](const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                             std::uint8_t* out) {
        int x = 1;
#if defined(__SSE2__)
        x = raster_detail::KirschRowSse2(below, here, above, w, out);
#endif
        raster_detail::KirschRow(below, here, above, x, w, out);
    });
}

void EdgeGaussLaplace(ImageView image) {
    if (!Usable(image) || image.width < 5 || image.height < 5) return;
    // The template's weights are integers and its scale 1/4, so the integer
    // window sum rounds as ApplyTemplate's double one does (see ScaledResult).
    const int w = image.width;
    InRingBands(image, 5, 2, [&](RowRing& ring, int begin, int end) {
#if defined(__SSE2__)
        std::vector<std::int16_t> columns(3 * static_cast<std::size_t>(w));
#endif
        for (int y = begin; y < end; ++y) {
            ring.Advance(y);
            const std::uint8_t* rows[5] = {ring.Row(y, 0), ring.Row(y, 1), ring.Row(y, 2), ring.Row(y, 3),
                                           ring.Row(y, 4)};
            std::uint8_t* out = image.row(y);
            int x = 2;
#if defined(__SSE2__)
            x = raster_detail::GaussLaplaceRowSse2(rows, w, columns.data(), out);
#endif
            raster_detail::GaussLaplaceRow(rows, x, w, out);
        }
    });
}

void EdgeRoberts(ImageView image) {
    if (!Usable(image)) return;
    const int w = image.width, h = image.height;
    // Row y reads rows y and y + 1: going upwards through a band, both are
    // unchanged until row y itself is written, but for the row above the
    // band's top, which the band above may write first: it is saved.
    const std::vector<raster_detail::RowBand> bands = raster_detail::SplitRows(0, h - 1, w);
    const std::vector<std::uint8_t> saved = raster_detail::SaveRowsBeside(image, bands, false);
    raster_detail::ForEachBand(bands.size(), [&](std::size_t k) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(w));
        for (int y = bands[k].begin; y < bands[k].end; ++y) {
            std::uint8_t* row = image.row(y);
            const std::uint8_t* above =
                y + 1 == bands[k].end ? saved.data() + k * static_cast<std::size_t>(w) : image.row(y + 1);
            int x = 0;
#if defined(__SSE2__)
            x = raster_detail::RobertsRowSse2(row, above, w, out.data());
#endif
            raster_detail::RobertsRow(row, above, x, w, out.data());
            std::memcpy(row, out.data(), static_cast<std::size_t>(w - 1));
            row[w - 1] = 255;
        }
    });
    std::memset(image.row(h - 1), 255, static_cast<std::size_t>(w));
}

void EdgeGradient(ImageView image) {
    if (!Usable(image)) return;
    const int w = image.width, h = image.height;
    if (w <= 2 || h <= 2) {
        for (int y = 0; y < h; ++y) std::memset(image.row(y), 255, static_cast<std::size_t>(w));
        return;
    }
    raster_detail::RewriteFromRowBelow(
        image, [w](const std::uint8_t* row, const std::uint8_t* below, std::uint8_t* out) {
            int x = 1;
#if defined(__SSE2__)
            x = raster_detail::GradientRowSse2(row, below, w, out);
#endif
            raster_detail::GradientRow(row, below, x, w, out);
        });
}

}  // namespace lintra
