// Popularity palette on the 4-bit-per-channel colour cube: the 256 most
// frequent 12-bit codes become the palette, every other code goes to its
// nearest entry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "palettor/bmp_layout.h"

namespace lintra::palettor {

inline constexpr std::size_t kCodeCount = 4096;

// 12-bit colour code of a pixel: the top four bits of blue, green and red.
inline std::uint16_t ColourCode(unsigned blue, unsigned green, unsigned red) {
    return static_cast<std::uint16_t>((blue >> 4) << 8 | (green >> 4) << 4 | (red >> 4));
}

using CodeCounts = std::array<std::int32_t, kCodeCount>;

struct Palette {
    // Colour table in file order: blue, green, red, reserved per entry.
    std::array<std::uint8_t, kPaletteBytes> table{};
    // Palette index of every code that occurs; 0 for codes that do not.
    std::array<std::uint8_t, kCodeCount> map{};
    // Number of codes that occur.
    std::size_t distinct = 0;
};

// Counts how often each code occurs among codes[0..n).
CodeCounts CountCodes(const std::uint16_t* codes, std::size_t n);

// Builds the palette from the counts: the codes sorted by count, entry p
// made from the code at position p (also when fewer than 256 codes occur,
// the rest then coming from codes that do not), and the map. A code beyond
// the 256th goes to the entry at the smallest squared distance in 4-bit
// units; of equally near entries, the one with the lowest index.
Palette BuildPalette(const CodeCounts& counts);

}  // namespace lintra::palettor
