#include "palettor/palette.h"

#include <numeric>

#include "palettor/sort.h"

namespace lintra::palettor {
namespace {

int Blue(unsigned code) {
    return static_cast<int>(code >> 8 & 15);
}
int Green(unsigned code) {
    return static_cast<int>(code >> 4 & 15);
}
int Red(unsigned code) {
    return static_cast<int>(code & 15);
}

int SquaredDistance(unsigned a, unsigned b) {
    const int db = Blue(a) - Blue(b);
    const int dg = Green(a) - Green(b);
    const int dr = Red(a) - Red(b);
    return dr * dr + dg * dg + db * db;
}

}  // namespace

CodeCounts CountCodes(const std::uint16_t* codes, std::size_t n) {
    // Four tables, one for each of four neighbouring pixels: a page is
    // mostly one colour, and one table would make every increment wait for
    // the one before it to the same counter.
    std::array<CodeCounts, 4> partial{};
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        ++partial[0][codes[k]];
        ++partial[1][codes[k + 1]];
        ++partial[2][codes[k + 2]];
        ++partial[3][codes[k + 3]];
    }
    for (; k < n; ++k) ++partial[0][codes[k]];
    CodeCounts counts{};
    for (std::size_t c = 0; c < kCodeCount; ++c)
        counts[c] = partial[0][c] + partial[1][c] + partial[2][c] + partial[3][c];
    return counts;
}

Palette BuildPalette(const CodeCounts& counts) {
    CodeCounts keys = counts;
    std::array<std::uint16_t, kCodeCount> order;
    std::iota(order.begin(), order.end(), std::uint16_t{0});

    Palette palette;
    for (std::int32_t c : counts) palette.distinct += c > 0;
    SortByCountDescending(keys.data(), order.data(), kCodeCount);

    for (std::size_t p = 0; p < kPaletteEntries; ++p) {
        const unsigned code = order[p];
        palette.table[4 * p + 0] = static_cast<std::uint8_t>(Blue(code) * 16);
        palette.table[4 * p + 1] = static_cast<std::uint8_t>(Green(code) * 16);
        palette.table[4 * p + 2] = static_cast<std::uint8_t>(Red(code) * 16);
        palette.table[4 * p + 3] = 0;
    }

    const std::size_t kept = palette.distinct < kPaletteEntries ? palette.distinct : kPaletteEntries;
    for (std::size_t p = 0; p < kept; ++p) palette.map[order[p]] = static_cast<std::uint8_t>(p);
    // Runs once per code beyond the 256th, never per pixel.
    for (std::size_t p = kPaletteEntries; p < palette.distinct; ++p) {
        const unsigned code = order[p];
        std::size_t best = 0;
        int bestDistance = SquaredDistance(order[0], code);
        for (std::size_t q = 1; q < kPaletteEntries; ++q) {
            const int d = SquaredDistance(order[q], code);
            if (d < bestDistance) {
                bestDistance = d;
                best = q;
            }
        }
        palette.map[code] = static_cast<std::uint8_t>(best);
    }
    return palette;
}

}  // namespace lintra::palettor
