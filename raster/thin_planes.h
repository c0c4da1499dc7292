// Working structures of thinning: the image seen as rows in the order a pass
// visits them, its transposed copy, and a bit per pixel marking where a pass
// must look again. Not part of the library's interface.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/image_view.h"
#include "image/large_block.h"

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

// A copy of plane with rows and positions swapped (row j, position i holds
// plane row i, position j), kept in store.
Plane TransposedPlane(const Plane& plane, LargeBlock<std::uint8_t>& store);

// Sets bit j of row i of dirty for every black pixel (1 <= i < rows - 1,
// 1 <= j < cols - 1) with a white pixel at j - 1 or j + 1 of its row.
class BitRows;
void MarkBlackBesideWhite(const Plane& plane, BitRows& dirty);

// One bit per position of a plane, with a spare word after each row so that
// marking three neighbours never needs a bounds test.
class BitRows {
public:
    BitRows(int rows, int cols)
        : m_words(static_cast<std::size_t>(cols) / 64 + 2),
          m_bits(AllocateLarge<std::uint64_t>(static_cast<std::size_t>(rows) * m_words)) {
        std::memset(m_bits.get(), 0, static_cast<std::size_t>(rows) * m_words * sizeof(std::uint64_t));
    }

    std::uint64_t* row(int i) { return m_bits.get() + static_cast<std::size_t>(i) * m_words; }
    void Clear(int i, int j) { row(i)[j >> 6] &= ~(std::uint64_t{1} << (j & 63)); }
    // Sets positions j - 1 .. j + 1 of row i (1 <= j) where bits 0 .. 2 of
    // mask are set.
    void Mark3(int i, int j, unsigned mask) {
        const int first = j - 1;
        std::uint64_t* bits = row(i) + (first >> 6);
        const int shift = first & 63;
        bits[0] |= std::uint64_t{mask} << shift;
        if (shift > 61) bits[1] |= std::uint64_t{mask} >> (64 - shift);
    }
    // The first set position of row i at or after j and before end, or end.
    int Next(int i, int j, int end) {
        const std::uint64_t* bits = row(i);
        std::size_t word = static_cast<std::size_t>(j >> 6);
        std::uint64_t current = bits[word] & (~std::uint64_t{0} << (j & 63));
        while (current == 0) {
            if (static_cast<int>((word + 1) * 64) >= end) return end;
            current = bits[++word];
        }
        const int found = static_cast<int>(word * 64) + std::countr_zero(current);
        return found < end ? found : end;
    }

private:
    std::size_t m_words;
    LargeBlock<std::uint64_t> m_bits;
};

}  // namespace lintra::raster_detail
