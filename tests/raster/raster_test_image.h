// Test images for the raster operations: padding that holds a sentinel (so a
// test can prove the padding never changes), pictures drawn as text, and
// seeded random images of the kinds the pipeline meets.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/image_view.h"
#include "support/padded_image.h"

namespace lintra::raster_testing {

using test_images::FromPicture;
using test_images::kSentinel;
using Image = test_images::PaddedImage;

// The number of pixels of a value.
inline int Count(const Image& image, std::uint8_t value) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.at(x, y) == value;
    return n;
}

enum class Content { kGrey, kSmoothGrey, kBlackWhite, kDrawing };

// A random image of one kind:
//   kGrey        independent values 0..255, sometimes from a few levels only;
//   kSmoothGrey  a ramp with noise and steps, as a scan looks up close;
//   kBlackWhite  0 and 255 at a random density, now and then another value;
//   kDrawing     black strokes 1 to 4 wide, filled discs, staircases, V shapes
//                and specks on white, with a few stray values (123, 128).
// Sizes range from 1 x 1 up to about 48 x 48, widths of every residue mod 4;
// or the given size, with `shapes` times as many drawn shapes.
inline Image RandomImage(std::mt19937& rng, Content content, int width = 0, int height = 0, int shapes = 1) {
    auto uniform = [&rng](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    const int sizeClass = uniform(0, 9);
    const int maxSide = sizeClass < 2 ? 3 : sizeClass < 5 ? 12 : 48;
    Image image(width > 0 ? width : uniform(1, maxSide), height > 0 ? height : uniform(1, maxSide));
    const int w = image.width(), h = image.height();
    switch (content) {
        case Content::kGrey: {
            const int levels = uniform(0, 2) == 0 ? uniform(1, 4) : 256;
            std::vector<int> palette;
            for (int i = 0; i < levels; ++i) palette.push_back(levels == 256 ? i : uniform(0, 255));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    image.at(x, y) =
                        static_cast<std::uint8_t>(palette[static_cast<std::size_t>(uniform(0, levels - 1))]);
            break;
        }
        case Content::kSmoothGrey: {
            const int base = uniform(0, 255), gx = uniform(-40, 40), gy = uniform(-40, 40),
                      noise = uniform(0, 20);
            const int stepAt = uniform(0, w), stepBy = uniform(-255, 255);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int v =
                        base + gx * x + gy * y + uniform(-noise, noise) + (x >= stepAt ? stepBy : 0);
                    image.at(x, y) = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
                }
            break;
        }
        case Content::kBlackWhite: {
            const int density = uniform(0, 100), stray = uniform(0, 3) == 0 ? 5 : 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int r = uniform(0, 99);
                    image.at(x, y) = r < stray     ? static_cast<std::uint8_t>(uniform(1, 254))
                                     : r < density ? 0
                                                   : 255;
                }
            break;
        }
        case Content::kDrawing: {
            auto set = [&](int x, int y, std::uint8_t v) {
                if (x >= 0 && y >= 0 && x < w && y < h) image.at(x, y) = v;
            };
            for (int n = uniform(1, 6) * shapes; n > 0; --n) {
                const int kind = uniform(0, 5), x0 = uniform(-2, w + 1), y0 = uniform(-2, h + 1);
                if (kind <= 1) {  // a straight stroke
                    const int x1 = uniform(-2, w + 1), y1 = uniform(-2, h + 1), pen = uniform(1, 4);
                    const int steps = std::max({std::abs(x1 - x0), std::abs(y1 - y0), 1});
                    for (int i = 0; i <= steps; ++i)
                        for (int d = 0; d < pen * pen; ++d)
                            set(x0 + (x1 - x0) * i / steps + d % pen, y0 + (y1 - y0) * i / steps + d / pen,
                                0);
                } else if (kind == 2) {  // a filled disc
                    const int r = uniform(1, 8);
                    for (int y = y0 - r; y <= y0 + r; ++y)
                        for (int x = x0 - r; x <= x0 + r; ++x)
                            if ((x - x0) * (x - x0) + (y - y0) * (y - y0) <= r * r) set(x, y, 0);
                } else if (kind == 3) {  // a staircase of steps of 1 to 3 pixels, either way
                    const int step = uniform(1, 3), dir = uniform(0, 1) ? 1 : -1, n = uniform(2, 10);
                    for (int i = 0; i < n * step; ++i) set(x0 + i, y0 + dir * (i / step), 0);
                } else if (kind == 4) {  // a V of two diagonal arms meeting below
                    const int arm = uniform(2, 10), pen = uniform(1, 2);
                    for (int i = 0; i <= arm; ++i)
                        for (int d = 0; d < pen; ++d) {
                            set(x0 - i + d, y0 + i, 0);
                            set(x0 + i + d, y0 + i, 0);
                        }
                } else {  // specks
                    for (int n = uniform(1, 12); n > 0; --n) set(uniform(0, w - 1), uniform(0, h - 1), 0);
                }
            }
            for (int n = uniform(0, 2); n > 0; --n)
                set(uniform(0, w - 1), uniform(0, h - 1), uniform(0, 1) ? 123 : 128);
            break;
        }
    }
    return image;
}

}  // namespace lintra::raster_testing
