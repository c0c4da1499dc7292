// Working structures of thinning: the image seen as rows in the order a pass
// visits them, held as a bit per pixel (set for white) with its transposed
// copy, and a bit per pixel marking where a pass must look again. Not part
// of the library's interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/large_block.h"
#include "image/image_view.h"

namespace lintra::raster_detail {

// Pixel rows in visiting order: row i (0 .. rows - 1) starts at base + i *
// stride, positions j = 0 .. cols - 1 along it. The stride may be negative.
struct Plane {
    std::uint8_t* base = nullptr;
    std::ptrdiff_t stride = 0;
    int rows = 0;
    int cols = 0;

    std::uint8_t* row(int i) const { return base + static_cast<std::ptrdiff_t>(i) * stride; }
};

// The image with its rows from the top: row i is image row height - 1 - i.
inline Plane TopDownPlane(ImageView image) {
    return Plane{image.row(image.height - 1), -static_cast<std::ptrdiff_t>(image.stride), image.height,
                 image.width};
}

// The number of set bits of x (without needing the POPCNT instruction).
inline int CountOnes(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((x * 0x0101010101010101u) >> 56);
}

// One bit per position of a plane, with a spare word after each row so that
// marking neighbours never needs a bounds test.
class BitRows {
public:
    BitRows(int rows, int cols)
        : m_words(static_cast<std::size_t>(cols) / 64 + 2),
          m_bits(AllocateZeroedLarge<std::uint64_t>(static_cast<std::size_t>(rows) * m_words)) {}

    std::uint64_t* row(int i) { return m_bits.get() + static_cast<std::size_t>(i) * m_words; }
    const std::uint64_t* row(int i) const { return m_bits.get() + static_cast<std::size_t>(i) * m_words; }
    // Sets positions j - 1 .. j + 1 of rows i - 1, i and i + 1 (1 <= i < rows
    // - 1, 1 <= j) where bits 0 .. 2 of above, here and below are set.
    void Mark3x3(int i, int j, unsigned above, unsigned here, unsigned below) {
        const int first = j - 1, shift = first & 63;
        std::uint64_t* bits = row(i) + (first >> 6);
        const auto stride = static_cast<std::ptrdiff_t>(m_words);
        bits[-stride] |= std::uint64_t{above} << shift;
        bits[0] |= std::uint64_t{here} << shift;
        bits[stride] |= std::uint64_t{below} << shift;
        if (shift > 61) {
            bits[1 - stride] |= std::uint64_t{above} >> (64 - shift);
            bits[1] |= std::uint64_t{here} >> (64 - shift);
            bits[1 + stride] |= std::uint64_t{below} >> (64 - shift);
        }
    }
    // The words from one row to the next.
    std::ptrdiff_t stride() const { return static_cast<std::ptrdiff_t>(m_words); }

private:
    std::size_t m_words;  // per row
    ZeroedLargeBlock<std::uint64_t> m_bits;
};

// The three bits from bit shift of word on (into the next word), as bits 0
// .. 2.
inline unsigned Bits3(const std::uint64_t* word, int shift) {
    // The second shift in two steps: by 64 when shift is 0 is undefined.
    return static_cast<unsigned>(((word[0] >> shift) | (word[1] << (63 - shift) << 1)) & 7u);
}

// The black pixels (white bit clear) of word k of a row of white bits that
// have a white pixel just before or after them along the row; the caller
// leaves out positions that are not black for other reasons.
inline std::uint64_t BesideWhite(const std::uint64_t* white, std::size_t k) {
    const std::uint64_t west = white[k] << 1 | (k > 0 ? white[k - 1] >> 63 : 0);  // bit j: white j - 1
    const std::uint64_t east = white[k] >> 1 | white[k + 1] << 63;                // bit j: white j + 1
    return ~white[k] & (west | east);
}

// Sets bit j of row i of white for every white pixel (255) of the plane;
// false when some pixel is neither black (0) nor white.
bool PackWhite(const Plane& plane, BitRows& white);
// Sets bit j of row i of grey for every pixel of the plane that is neither
// black nor white.
void PackGrey(const Plane& plane, BitRows& grey);
// out (cols rows of rows bits) gets bit i of row j from bit j of row i of in
// (rows rows of cols bits).
void TransposeBits(const BitRows& in, int rows, int cols, BitRows& out);
// Sets bit j of row i of dirty (1 <= i < rows - 1, 1 <= j < cols - 1) for
// every black pixel (neither white nor, with grey, grey) with a white pixel
// at j - 1 or j + 1 of its row.
void MarkBlackBesideWhite(const BitRows& white, const BitRows* grey, int rows, int cols, BitRows& dirty);
// Makes white every pixel of the plane whose bit is set in white.
void UnpackWhite(const BitRows& white, const Plane& plane);

}  // namespace lintra::raster_detail
