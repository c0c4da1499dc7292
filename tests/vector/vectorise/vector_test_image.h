// Test pictures for the vectorisers: owned 8-bit images with row padding,
// drawing helpers, a recording message sink, and seeded random drawings of
// the kinds the vectorisers meet (thin strokes, rings, filled blobs, V
// shapes, specks, grey values).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/message_sink.h"
#include "image/image_view.h"
#include "support/padded_image.h"
#include "support/recording_sink.h"

namespace lintra::vector_testing {

using Image = test_images::PaddedImage;

using test::RecordingSink;

// Seeded random drawings. Every size from 1 x 1 up occurs; widths are often
// not a multiple of 4.
class RandomDrawing {
public:
    explicit RandomDrawing(std::uint32_t seed) : m_rng(seed) {}

    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_rng); }

    // A picture of random strokes and shapes; with grey, some ink and some
    // paper takes values between 1 and 254.
    Image Make(int maxSide, bool grey) {
        const int w = Chance(0.05) ? Uniform(1, 4) : Uniform(3, maxSide);
        const int h = Chance(0.05) ? Uniform(1, 4) : Uniform(3, maxSide);
        Image image(w, h, 255, static_cast<std::uint8_t>(Uniform(0, 255)));
        const int shapes = Uniform(0, 1 + (w * h) / 60);
        for (int i = 0; i < shapes; ++i) {
            const std::uint8_t ink = grey && Chance(0.3) ? static_cast<std::uint8_t>(Uniform(1, 254)) : 0;
            switch (Uniform(0, 5)) {
                case 0:
                    Line(image, RandomX(image), RandomY(image), RandomX(image), RandomY(image), ink);
                    break;
                case 1:
                    Ring(image, ink);
                    break;
                case 2:
                    Blob(image, ink);
                    break;
                case 3:
                    Vee(image, ink);
                    break;
                case 4:
                    Specks(image, ink);
                    break;
                default:
                    Rectangle(image, ink);
                    break;
            }
        }
        if (grey) {
            const int spots = Uniform(1, 1 + (w * h) / 20);
            for (int i = 0; i < spots; ++i)
                image.at(RandomX(image), RandomY(image)) =
                    static_cast<std::uint8_t>(Chance(0.5) ? 128 : Uniform(1, 254));
        }
        // Ink on the border happens in real files; the vectorisers whiten it.
        if (Chance(0.2)) image.at(RandomX(image), 0) = 0;
        return image;
    }

    // Make's picture with a quarter of its pixels then set at random to 0,
    // 255 or 128: dense grey, where traced pixels come back and later
    // contours take over pixels of earlier ones.
    Image MakeDenseGrey(int maxSide) {
        Image image = Make(maxSide, true);
        for (int i = 0; i < image.width() * image.height() / 4; ++i) {
            const int x = RandomX(image), y = RandomY(image);
            image.at(x, y) = Chance(0.5) ? 0 : (Chance(0.5) ? 255 : 128);
        }
        return image;
    }

    // An 8-connected digital line from (x0, y0) to (x1, y1).
    static void Line(Image& image, int x0, int y0, int x1, int y1, std::uint8_t ink) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        while (true) {
            image.at(x0, y0) = ink;
            if (x0 == x1 && y0 == y1) return;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }

private:
    int RandomX(const Image& image) { return Uniform(0, image.width() - 1); }
    int RandomY(const Image& image) { return Uniform(0, image.height() - 1); }

    void Ring(Image& image, std::uint8_t ink) {
        const double cx = RandomX(image), cy = RandomY(image),
                     r = Uniform(1, 1 + std::max(image.width(), image.height()) / 3);
        const int steps = static_cast<int>(8 * r) + 8;
        int px = -1, py = -1;
        for (int i = 0; i <= steps; ++i) {
            const int x = static_cast<int>(std::lround(cx + r * std::cos(6.283185307 * i / steps)));
            const int y = static_cast<int>(std::lround(cy + r * std::sin(6.283185307 * i / steps)));
            if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) {
                px = -1;
                continue;
            }
            if (px >= 0) Line(image, px, py, x, y, ink);
            image.at(x, y) = ink;
            px = x;
            py = y;
        }
    }
    void Blob(Image& image, std::uint8_t ink) {
        const int cx = RandomX(image), cy = RandomY(image), r = Uniform(1, 6);
        for (int y = std::max(0, cy - r); y <= std::min(image.height() - 1, cy + r); ++y)
            for (int x = std::max(0, cx - r); x <= std::min(image.width() - 1, cx + r); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r + Uniform(-r, r)) image.at(x, y) = ink;
    }
    void Vee(Image& image, std::uint8_t ink) {
        const int x = RandomX(image), y = RandomY(image);
        Line(image, x, y, RandomX(image), Uniform(y, image.height() - 1), ink);
        Line(image, x, y, RandomX(image), Uniform(y, image.height() - 1), ink);
    }
    void Specks(Image& image, std::uint8_t ink) {
        const int n = Uniform(1, 8);
        for (int i = 0; i < n; ++i) image.at(RandomX(image), RandomY(image)) = ink;
    }
    void Rectangle(Image& image, std::uint8_t ink) {
        int x0 = RandomX(image), x1 = RandomX(image), y0 = RandomY(image), y1 = RandomY(image);
        if (x0 > x1) std::swap(x0, x1);
        if (y0 > y1) std::swap(y0, y1);
        if (Chance(0.5))
            image.Outline(x0, y0, x1, y1, ink);
        else
            image.Fill(x0, y0, x1, y1, ink);
    }

    std::mt19937 m_rng;
};

}  // namespace lintra::vector_testing
