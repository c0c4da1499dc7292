#include "bench/bench_page.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "raster/binarise.h"
#include "raster/cleanup.h"
#include "raster/thin.h"

namespace lintra::bench {
namespace {

// A small generator of its own (splitmix64), so the page does not depend on
// how a standard library shapes its distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double a, double b) { return a + (b - a) * static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    int Int(int a, int b) { return a + static_cast<int>(Next() % static_cast<std::uint64_t>(b - a + 1)); }
    bool Chance(double p) { return Uniform(0, 1) < p; }
    double Normal() {
        const double u = std::max(Uniform(0, 1), 1e-300), v = Uniform(0, 1);
        return std::sqrt(-2 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

private:
    std::uint64_t m_state;
};

// Ink coverage 0..255 per pixel; strokes combine by their maximum.
struct InkLayer {
    int width;
    int height;
    std::vector<std::uint8_t> cover;

    // A stroke of the given width along (x0, y0)-(x1, y1) with round ends,
    // coverage falling off over one pixel at its edge. Long strokes are drawn
    // in short pieces so only a narrow band around them is visited.
    void Segment(double x0, double y0, double x1, double y1, double strokeWidth) {
        const double length = std::hypot(x1 - x0, y1 - y0);
        const int pieces = std::max(1, static_cast<int>(std::ceil(length / 12)));
        for (int i = 0; i < pieces; ++i) {
            const double t0 = static_cast<double>(i) / pieces, t1 = static_cast<double>(i + 1) / pieces;
            Piece(x0 + t0 * (x1 - x0), y0 + t0 * (y1 - y0), x0 + t1 * (x1 - x0), y0 + t1 * (y1 - y0),
                  strokeWidth / 2);
        }
    }

    void Piece(double ax, double ay, double bx, double by, double r) {
        const double reach = r + 1;
        const int xa = std::max(0, static_cast<int>(std::floor(std::min(ax, bx) - reach)));
        const int xb = std::min(width - 1, static_cast<int>(std::ceil(std::max(ax, bx) + reach)));
        const int ya = std::max(0, static_cast<int>(std::floor(std::min(ay, by) - reach)));
        const int yb = std::min(height - 1, static_cast<int>(std::ceil(std::max(ay, by) + reach)));
        const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        for (int y = ya; y <= yb; ++y)
            for (int x = xa; x <= xb; ++x) {
                const double px = x + 0.5 - ax, py = y + 0.5 - ay;
                const double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0.0;
                const double d = std::hypot(px - t * dx, py - t * dy);
                const double c = std::clamp(r + 0.5 - d, 0.0, 1.0);
                std::uint8_t& cell = cover[static_cast<std::size_t>(y) * width + x];
                cell = std::max(cell, static_cast<std::uint8_t>(c * 255 + 0.5));
            }
    }

    void Polyline(const std::vector<double>& xy, double strokeWidth) {
        for (std::size_t i = 2; i + 1 < xy.size(); i += 2)
            Segment(xy[i - 2], xy[i - 1], xy[i], xy[i + 1], strokeWidth);
    }

    void Arc(double cx, double cy, double radius, double from, double to, double strokeWidth) {
        const int steps = std::max(8, static_cast<int>(radius * std::abs(to - from) / 6));
        for (int i = 0; i < steps; ++i) {
            const double a = from + (to - from) * i / steps, b = from + (to - from) * (i + 1) / steps;
            Segment(cx + radius * std::cos(a), cy + radius * std::sin(a), cx + radius * std::cos(b),
                    cy + radius * std::sin(b), strokeWidth);
        }
    }
};

// ppd: pixels per 300-dpi dot; pens, dashes and the object count follow it.
void DrawDrawing(InkLayer& ink, Random& rng, double ppd) {
    const double w = ink.width, h = ink.height, s = std::min(w / kA4Width, h / kA4Height);
    const double margin = std::max(2.0, 60 * s);
    // Frame and title block.
    const std::vector<double> frame{margin,     margin, w - margin, margin, w - margin,
                                    h - margin, margin, h - margin, margin, margin};
    ink.Polyline(frame, 5 * ppd);
    const double tx = w - margin - 900 * s, ty = margin + 300 * s;
    ink.Polyline({tx, margin, tx, ty, w - margin, ty}, 3 * ppd);
    for (int i = 1; i < 4; ++i)
        ink.Segment(tx, margin + i * 75 * s, w - margin, margin + i * 75 * s, 2 * ppd);
    auto width = [&rng, ppd] { return static_cast<double>(rng.Int(2, 6)) * ppd; };
    auto px = [&] { return rng.Uniform(margin + 20 * s, w - margin - 20 * s); };
    auto py = [&] { return rng.Uniform(ty + 20 * s, h - margin - 20 * s); };
    const double area = s * s / (ppd * ppd);  // the number of objects scales with the sheet
    // Straight lines, some dashed.
    for (int i = 0, n = static_cast<int>(500 * area) + 2; i < n; ++i) {
        const double x0 = px(), y0 = py(), len = rng.Uniform(40, 1000) * s + 4;
        const int kind = rng.Int(0, 5);
        const double angle = kind < 2 ? 0 : kind < 4 ? M_PI / 2 : rng.Uniform(0, M_PI);
        const double x1 = std::clamp(x0 + len * std::cos(angle), margin + 10 * s, w - margin - 10 * s);
        const double y1 = std::clamp(y0 + len * std::sin(angle), ty + 10 * s, h - margin - 10 * s);
        const double sw = width();
        if (rng.Chance(0.15)) {
            const double l = std::hypot(x1 - x0, y1 - y0), dash = 18 * ppd, gap = 9 * ppd;
            for (double t = 0; t < l; t += dash + gap) {
                const double e = std::min(l, t + dash);
                ink.Segment(x0 + (x1 - x0) * t / l, y0 + (y1 - y0) * t / l, x0 + (x1 - x0) * e / l,
                            y0 + (y1 - y0) * e / l, sw);
            }
        } else {
            ink.Segment(x0, y0, x1, y1, sw);
        }
    }
    // Rectangles.
    for (int i = 0, n = static_cast<int>(60 * area) + 1; i < n; ++i) {
        const double x0 = px(), y0 = py();
        const double x1 = std::min(x0 + rng.Uniform(30, 500) * s + 3, w - margin - 10 * s);
        const double y1 = std::min(y0 + rng.Uniform(30, 400) * s + 3, h - margin - 10 * s);
        ink.Polyline({x0, y0, x1, y0, x1, y1, x0, y1, x0, y0}, width());
    }
    // Circles and arcs.
    for (int i = 0, n = static_cast<int>(80 * area) + 1; i < n; ++i) {
        const double r = rng.Uniform(8, 250) * s + 2;
        const double cx = std::clamp(px(), margin + r + 10, w - margin - r - 10);
        const double cy = std::clamp(py(), ty + r + 10, h - margin - r - 10);
        const double from = rng.Chance(0.6) ? 0 : rng.Uniform(0, 2 * M_PI);
        const double to = from == 0 ? 2 * M_PI : from + rng.Uniform(0.5, 4.5);
        ink.Arc(cx, cy, r, from, to, width());
    }
    // Lettering: rows of characters of 2 to 4 short pen strokes in 24 x 34
    // pixel cells, in the title block and in a few notes on the sheet.
    auto lettering = [&](double x0, double y0, int characters, double pen) {
        for (int c = 0; c < characters; ++c) {
            const double cx = x0 + c * 26 * s;
            if (cx + 24 * s > w - margin || rng.Chance(0.15)) continue;  // a space
            for (int k = rng.Int(2, 4); k > 0; --k)
                ink.Segment(cx + rng.Uniform(0, 20) * s, y0 + rng.Uniform(0, 32) * s,
                            cx + rng.Uniform(0, 20) * s, y0 + rng.Uniform(0, 32) * s, pen);
        }
    };
    for (int row = 0; row < 3; ++row) lettering(tx + 20 * s, margin + 10 * s + row * 75 * s, 32, 2 * ppd);
    lettering(tx + 20 * s, margin + 235 * s, 20, 4 * ppd);
    for (int i = 0, n = static_cast<int>(40 * area) + 1; i < n; ++i)
        lettering(px(), py(), rng.Int(4, 24), (rng.Chance(0.7) ? 2 : 3) * ppd);
}

}  // namespace

PageSize BenchPageSize() {
    const char* small = std::getenv("LINTRA_BENCH_SMALL");
    if (small != nullptr && std::strcmp(small, "0") != 0 && small[0] != '\0') return {256, 256};
    return {};
}

PageSize A4Size(int dpi) {
    dpi = std::max(dpi, 150);
    return {static_cast<int>(static_cast<long>(kA4Width) * dpi / 300),
            static_cast<int>(static_cast<long>(kA4Height) * dpi / 300)};
}

PageImage MakeScannedPage(int width, int height, std::uint32_t seed, int dpi) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    const double ppd = std::max(dpi, 150) / 300.0;
    Random rng(seed);
    InkLayer ink{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 0)};
    DrawDrawing(ink, rng, ppd);

    // Paper and ink tones: paper drifts slowly over the sheet, ink varies
    // from stroke to stroke only through coverage; grey = paper - coverage.
    const int inkGrey = rng.Int(25, 70);
    const double phase = rng.Uniform(0, 6.28);
    std::vector<int> grey(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double paper =
                243 + 7 * std::sin(phase + 3.0 * x / std::max(width, 1) + 2.0 * y / std::max(height, 1));
            const int c = ink.cover[static_cast<std::size_t>(y) * width + x];
            grey[static_cast<std::size_t>(y) * width + x] =
                static_cast<int>(paper - (paper - inkGrey) * c / 255.0);
        }
    // 3 x 3 blur (1 2 1 by 1 2 1, over 16), edges repeated; then grain and dust.
    PageImage page;
    page.width = width;
    page.height = height;
    page.stride = (width + 3) / 4 * 4;
    page.pixels.assign(static_cast<std::size_t>(page.stride) * height, 0);
    auto g = [&](int x, int y) {
        x = std::clamp(x, 0, width - 1);
        y = std::clamp(y, 0, height - 1);
        return grey[static_cast<std::size_t>(y) * width + x];
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int sum = g(x - 1, y - 1) + 2 * g(x, y - 1) + g(x + 1, y - 1) + 2 * g(x - 1, y) +
                            4 * g(x, y) + 2 * g(x + 1, y) + g(x - 1, y + 1) + 2 * g(x, y + 1) +
                            g(x + 1, y + 1);
            const double v = sum / 16.0 + 3 * rng.Normal();
            page.pixels[static_cast<std::size_t>(y) * page.stride + x] =
                static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::lround(v)), 0, 255));
        }
    const int specks = static_cast<int>(3000.0 * width * height / (kA4Width * kA4Height) / (ppd * ppd)) + 1;
    for (int i = 0; i < specks; ++i) {
        const int x = rng.Int(0, width - 1), y = rng.Int(0, height - 1);
        const int size = static_cast<int>(rng.Int(1, 3) * ppd);
        const int tone = rng.Int(20, 110);
        for (int dy = 0; dy < size && y + dy < height; ++dy)
            for (int dx = 0; dx < size && x + dx < width; ++dx)
                if (rng.Chance(0.8))
                    page.pixels[static_cast<std::size_t>(y + dy) * page.stride + x + dx] =
                        static_cast<std::uint8_t>(tone);
    }
    return page;
}

ColourImage MakeColourScan(const PageImage& grey, std::uint32_t seed) {
    Random rng(seed ^ 0xC0105u);
    ColourImage colour;
    colour.width = grey.width;
    colour.height = grey.height;
    colour.stride = (grey.width * 3 + 3) / 4 * 4;
    colour.pixels.assign(static_cast<std::size_t>(colour.stride) * grey.height, 0);
    auto level = [](double v) {
        return static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::lround(v)), 0, 255));
    };
    for (int y = 0; y < grey.height; ++y) {
        const std::uint8_t* in = grey.pixels.data() + static_cast<std::size_t>(y) * grey.stride;
        std::uint8_t* out = colour.pixels.data() + static_cast<std::size_t>(y) * colour.stride;
        for (int x = 0; x < grey.width; ++x) {
            const double g = in[x], paper = g / 255;                   // how much paper shows
            out[3 * x] = level(g - 5 * paper + 2 * rng.Normal());      // blue
            out[3 * x + 1] = level(g + 1 * paper + 2 * rng.Normal());  // green
            out[3 * x + 2] = level(g + 4 * paper + 2 * rng.Normal());  // red
        }
    }
    return colour;
}

PageImage MakeBinarisedPage(int width, int height, std::uint32_t seed) {
    PageImage page = MakeScannedPage(width, height, seed);
    Histogram histogram{};
    ComputeHistogram(page.view(), histogram);
    BinariseIterative(page.view(), histogram);
    return page;
}

PageImage MakeThinnedPage(int width, int height, std::uint32_t seed) {
    PageImage page = MakeBinarisedPage(width, height, seed);
    ThinImage(page.view());
    MakeBorderWhite(page.view());
    return page;
}

}  // namespace lintra::bench
