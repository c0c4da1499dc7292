#include "tests/raster/raster_oracle.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace lintra::oracle {
namespace {

using Block = std::vector<std::uint8_t>;

Block Copy(ImageView image) {
    return Block(image.pixels, image.pixels + image.byteSize());
}

void Restore(ImageView image, const Block& block) {
    for (int y = 0; y < image.height; ++y)
        std::memcpy(image.row(y), block.data() + static_cast<std::size_t>(y) * image.stride,
                    static_cast<std::size_t>(image.width));
}

ImageView ViewOf(Block& block, ImageView like) {
    return ImageView{block.data(), like.width, like.height, like.stride, 8};
}

void Fill255(ImageView image) {
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) image.at(x, y) = 255;
}

int Root(int dx, int dy) {
    const int g = static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
    return g;
}

void PairMax(ImageView image, const float* first, const float* second) {
    Block a = Copy(image), b = Copy(image);
    ApplyTemplate(a.data(), image.width, image.height, image.stride, 3, 3, 1, 1, first, 1.0f);
    ApplyTemplate(b.data(), image.width, image.height, image.stride, 3, 3, 1, 1, second, 1.0f);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * image.stride + x;
            if (b[i] > a[i]) a[i] = b[i];
        }
    Restore(image, a);
}

bool White(ImageView image, int x, int y) {
    return image.at(x, y) == 255;
}

}  // namespace

void ApplyTemplate(std::uint8_t* pixels, int width, int height, int stride, int H, int W, int MX, int MY,
                   const float* c, float scale) {
    std::vector<std::uint8_t> result(pixels, pixels + static_cast<std::size_t>(stride) * height);
    for (int y = MY; y <= height - H + MY; ++y)
        for (int x = MX; x <= width - W + MX; ++x) {
            double sum = 0;
            for (int k = 0; k < H; ++k)
                for (int l = 0; l < W; ++l)
                    sum += static_cast<double>(c[k * W + l]) *
                           pixels[static_cast<std::size_t>(y - MY + k) * stride + (x - MX + l)];
            const double v = std::fabs(scale * sum);
            result[static_cast<std::size_t>(y) * stride + x] =
                v > 255 ? 255 : static_cast<std::uint8_t>(static_cast<int>(v + 0.5));
        }
    std::memcpy(pixels, result.data(), result.size());
}

void EdgeSobel(ImageView image) {
    static const float first[9] = {-1, -2, -1, 0, 0, 0, 1, 2, 1};
    static const float second[9] = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
    PairMax(image, first, second);
}

void EdgePrewitt(ImageView image) {
    static const float first[9] = {-1, -1, -1, 0, 0, 0, 1, 1, 1};
    static const float second[9] = {1, 0, -1, 1, 0, -1, 1, 0, -1};
    PairMax(image, first, second);
}

void EdgeKirsch(ImageView image) {
    static const float k[8][9] = {{5, 5, 5, -3, 0, -3, -3, -3, -3}, {-3, 5, 5, -3, 0, 5, -3, -3, -3},
                                  {-3, -3, 5, -3, 0, 5, -3, -3, 5}, {-3, -3, -3, -3, 0, 5, -3, 5, 5},
                                  {-3, -3, -3, -3, 0, -3, 5, 5, 5}, {-3, -3, -3, 5, 0, -3, 5, 5, -3},
                                  {5, -3, -3, 5, 0, -3, 5, -3, -3}, {5, 5, -3, 5, 0, -3, -3, -3, -3}};
    Block a = Copy(image), b;
    ApplyTemplate(a.data(), image.width, image.height, image.stride, 3, 3, 1, 1, k[0], 0.5f);
    for (int t = 1; t < 8; ++t) {
        b = Copy(image);
        ApplyTemplate(b.data(), image.width, image.height, image.stride, 3, 3, 1, 1, k[t], 0.5f);
        for (std::size_t i = 0; i < a.size(); ++i)
            if (b[i] > a[i]) a[i] = b[i];
    }
    Restore(image, a);
}

void EdgeGaussLaplace(ImageView image) {
    static const float t[25] = {-2, -4, -4, -4, -2, -4, 0,  8,  0,  -4, -4, 8, 24,
                                8,  -4, -4, 0,  8,  0,  -4, -2, -4, -4, -4, -2};
    Block a = Copy(image);
    ApplyTemplate(a.data(), image.width, image.height, image.stride, 5, 5, 2, 2, t, 0.25f);
    Restore(image, a);
}

void EdgeRoberts(ImageView image) {
    Block result = Copy(image);
    ImageView r = ViewOf(result, image);
    Fill255(r);
    for (int y = 0; y <= image.height - 2; ++y)
        for (int x = 0; x <= image.width - 2; ++x) {
            const int d1 = image.at(x + 1, y) - image.at(x, y + 1);
            const int d2 = image.at(x, y) - image.at(x + 1, y + 1);
            const int g = Root(d1, d2);
            r.at(x, y) = g > 255 ? 255 : static_cast<std::uint8_t>(g);
        }
    Restore(image, result);
}

void EdgeGradient(ImageView image) {
    Block result = Copy(image);
    ImageView r = ViewOf(result, image);
    Fill255(r);
    for (int y = 1; y <= image.height - 2; ++y)
        for (int x = 1; x <= image.width - 2; ++x) {
            const int g = Root(image.at(x, y) - image.at(x - 1, y), image.at(x, y) - image.at(x, y - 1));
            r.at(x, y) = g > 255 ? 255 : static_cast<std::uint8_t>(g);
        }
    Restore(image, result);
}

void BinariseGradient(ImageView image, int threshold) {
    Block result = Copy(image);
    ImageView r = ViewOf(result, image);
    Fill255(r);
    for (int y = 1; y <= image.height - 2; ++y)
        for (int x = 1; x <= image.width - 2; ++x) {
            const int g = Root(image.at(x, y) - image.at(x - 1, y), image.at(x, y) - image.at(x, y - 1));
            r.at(x, y) = g > threshold ? 255 : 0;
        }
    Restore(image, result);
}

void BinariseThreshold(ImageView image, int threshold) {
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) image.at(x, y) = image.at(x, y) > threshold ? 255 : 0;
}

void BinariseIterative(ImageView image, const std::array<std::int32_t, 256>& h) {
    int t = 127;
    for (bool first = true;; first = false) {
        std::int64_t n1 = 0, s1 = 0, n2 = 0, s2 = 0;
        for (int i = 0; i <= t; ++i) {
            n1 += h[i];
            s1 += std::int64_t{i} * h[i];
        }
        for (int i = t + 1; i <= 255; ++i) {
            n2 += h[i];
            s2 += std::int64_t{i} * h[i];
        }
        if (n1 == 0 || n2 == 0) {
            if (!first) std::abort();  // cannot happen once both classes held pixels
            break;
        }
        const int next = static_cast<int>((s1 / n1 + s2 / n2) / 2);
        if (next == t) break;
        t = next;
    }
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) image.at(x, y) = image.at(x, y) >= t ? 255 : 0;
}

void RemoveBlackWhitePoints(ImageView image) {
    BinariseThreshold(image, 100);
    Block copy = Copy(image);
    ImageView c = ViewOf(copy, image);
    for (int y = 1; y <= image.height - 2; ++y)
        for (int x = 1; x <= image.width - 2; ++x) {
            int s = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (dx != 0 || dy != 0) s += image.at(x + dx, y + dy);
            const int p = image.at(x, y);
            const int m = s / 8;
            const double d = std::abs(m - p);
            if (d > 127.5) c.at(x, y) = p == 0 ? 255 : 0;
        }
    Restore(image, copy);
}

void RemoveIsolatedPoints(ImageView image, int k) {
    for (int y = 1; y <= image.height - 2; ++y)
        for (int x = 1; x <= image.width - 2; ++x) {
            int count = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx != 0 || dy != 0) && White(image, x + dx, y + dy)) ++count;
            const int p = image.at(x, y);
            if (p == 255 && count <= 8 - k)
                image.at(x, y) = 0;
            else if (p == 0 && count >= k)
                image.at(x, y) = 255;
        }
}

namespace {

int Pattern(ImageView image, int x, int y) {
    return White(image, x - 1, y + 1) * 1 + White(image, x, y + 1) * 2 + White(image, x + 1, y + 1) * 4 +
           White(image, x - 1, y) * 8 + White(image, x + 1, y) * 16 + White(image, x - 1, y - 1) * 32 +
           White(image, x, y - 1) * 64 + White(image, x + 1, y - 1) * 128;
}

}  // namespace

void ThinImage(ImageView image, const std::array<std::uint8_t, 256>& table) {
    const int w = image.width, h = image.height;
    bool deleted = true;
    while (deleted) {
        deleted = false;
        if (h >= 3)
            for (int y = h - 2; y >= 1; --y)
                for (int x = 1; x <= w - 2; ++x) {
                    if (image.at(x, y) == 0 && (White(image, x - 1, y) || White(image, x + 1, y)) &&
                        table[Pattern(image, x, y)] == 1) {
                        image.at(x, y) = 255;
                        deleted = true;
                        ++x;
                    }
                }
        if (w >= 3 && h >= 3)
            for (int x = 1; x <= w - 2; ++x)
                for (int y = h - 2; y >= 1; --y) {
                    if (image.at(x, y) == 0 && (White(image, x, y + 1) || White(image, x, y - 1)) &&
                        table[Pattern(image, x, y)] == 1) {
                        image.at(x, y) = 255;
                        deleted = true;
                        --y;
                    }
                }
    }
}

void RemoveShortBranches(ImageView image, int passes) {
    const int w = image.width, h = image.height;
    if (passes <= 0 || h <= 2) return;
    auto allWhite = [&](int x, int y, std::initializer_list<std::pair<int, int>> cells) {
        for (auto [dx, dy] : cells)
            if (!White(image, x + dx, y + dy)) return false;
        return true;
    };
    const int NW[2] = {-1, 1}, N[2] = {0, 1}, NE[2] = {1, 1}, W[2] = {-1, 0}, E[2] = {1, 0}, SW[2] = {-1, -1},
              S[2] = {0, -1}, SE[2] = {1, -1};
#define CELL(c)           \
    std::pair<int, int> { \
        c[0], c[1]        \
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = h - 2; y >= 1; --y)
            for (int x = 1; x <= w - 2; ++x) {
                if (image.at(x, y) != 0) continue;
                if (allWhite(x, y, {CELL(NE), CELL(E), CELL(SE), CELL(S), CELL(SW)}) ||
                    allWhite(x, y, {CELL(NE), CELL(E), CELL(SE), CELL(N), CELL(NW)}) ||
                    allWhite(x, y, {CELL(NW), CELL(W), CELL(SW), CELL(S), CELL(SE)}) ||
                    allWhite(x, y, {CELL(NW), CELL(N), CELL(NE), CELL(W), CELL(SW)}))
                    image.at(x, y) = 123;
            }
        for (int y = h - 2; y >= 1; --y)
            for (int x = 1; x <= w - 2; ++x) {
                if (image.at(x, y) != 123) continue;
                image.at(x, y) =
                    allWhite(x, y,
                             {CELL(NW), CELL(N), CELL(NE), CELL(W), CELL(E), CELL(SW), CELL(S), CELL(SE)})
                        ? 0
                        : 255;
            }
    }
#undef CELL
}

}  // namespace lintra::oracle
