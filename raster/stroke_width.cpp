#include "raster/stroke_width.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace lintra {

namespace {

constexpr std::uint8_t kInkBelow = 128;
// Rows measured: enough for a steady median, few enough that a large page
// costs a small share of the thinning that follows.
constexpr int kRowsMeasured = 400;
// Runs longer than this are filled areas, not strokes; they count as this.
constexpr int kLongestRun = 64;

bool Ink(ImageView image, int x, int y) {
    return image.contains(x, y) && image.at(x, y) < kInkBelow;
}

// The number of black pixels in a row through (x, y) along (dx, dy), itself
// included, up to kLongestRun.
int Run(ImageView image, int x, int y, int dx, int dy) {
    int n = 1;
    for (int i = 1; n < kLongestRun && Ink(image, x + i * dx, y + i * dy); ++i) ++n;
    for (int i = 1; n < kLongestRun && Ink(image, x - i * dx, y - i * dy); ++i) ++n;
    return n;
}

}  // namespace

double MeasureStrokeWidth(ImageView image) {
    if (image.empty() || image.bitCount != 8) return 0;
    const int step = std::max(1, image.height / kRowsMeasured);
    std::vector<float> widths;
    for (int y = step / 2; y < image.height; y += step) {
        const std::uint8_t* row = image.row(y);
        for (int x = 0; x < image.width;) {
            if (row[x] >= kInkBelow) {
                ++x;
                continue;
            }
            // Along the row the run is known at once; every pixel of it is measured.
            int end = x;
            while (end < image.width && row[end] < kInkBelow) ++end;
            const int across = std::min(end - x, kLongestRun);
            for (int p = x; p < end; ++p) {
                const double diagonal =
                    std::sqrt(2.0) * std::min(Run(image, p, y, 1, 1), Run(image, p, y, 1, -1));
                widths.push_back(static_cast<float>(std::min(
                    {static_cast<double>(across), static_cast<double>(Run(image, p, y, 0, 1)), diagonal})));
            }
            x = end;
        }
    }
    if (widths.empty()) return 0;
    auto middle = widths.begin() + static_cast<std::ptrdiff_t>(widths.size() / 2);
    std::nth_element(widths.begin(), middle, widths.end());
    return *middle;
}

}  // namespace lintra
