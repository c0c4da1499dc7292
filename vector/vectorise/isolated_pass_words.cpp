// The isolated-point pass eight pixels at a time (see isolated_pass_rows.h):
// the same bytes as IsolatedPassRow in isolated_pass.cpp.
#include <cstring>

#include "vector/vectorise/isolated_pass_rows.h"

namespace lintra::vector_detail {

namespace {

// Eight pixels in a 64-bit word; every step works byte by byte without
// carries between bytes, so byte order does not matter.
using Word = std::uint64_t;
constexpr Word kHighBits = 0x8080808080808080ULL;
constexpr Word kLowBits = 0x7F7F7F7F7F7F7F7FULL;
constexpr Word kAllWhite = ~Word{0};

Word Load(const std::uint8_t* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}
// The high bit of each byte that is 0.
Word ZeroBytes(Word v) {
    return ~(((v & kLowBits) + kLowBits) | v) & kHighBits;
}
// The high bit of each byte that is 255.
Word WhiteBytes(Word v) {
    return ZeroBytes(~v);
}
// 0xFF in each byte whose high bit is set.
Word Spread(Word high) {
    return (high >> 7) * 0xFF;
}

}  // namespace

int IsolatedPassRowWords(const std::uint8_t* below, std::uint8_t* here, const std::uint8_t* above,
                         int width) {
    int x = 1;
    for (; x + 8 <= width - 1; x += 8) {
        const Word p = Load(here + x);
        const Word west = Load(here + x - 1);
        const Word east = Load(here + x + 1);
        // Paper: white pixels with white pixels beside them, and no black.
        if ((p & west & east) == kAllWhite) continue;
        const Word around[6] = {Load(below + x - 1), Load(below + x), Load(below + x + 1),
                                Load(above + x - 1), Load(above + x), Load(above + x + 1)};
        Word all = WhiteBytes(west) & WhiteBytes(east);
        Word any = WhiteBytes(west) | WhiteBytes(east);
        for (const Word v : around) {
            all &= WhiteBytes(v);
            any |= WhiteBytes(v);
        }
        const Word toWhite = ZeroBytes(p) & all;
        const Word toBlack = WhiteBytes(p) & ~any & kHighBits;
        if ((toWhite | toBlack) == 0) continue;
        const Word q = (p | Spread(toWhite)) & ~Spread(toBlack);
        std::memcpy(here + x, &q, sizeof q);
    }
    return x;
}

}  // namespace lintra::vector_detail
