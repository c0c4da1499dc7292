#include "vector/isolated_pass.h"

#include <cstdint>
#include <cstring>

namespace lintra {

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

bool IsWhite(std::uint8_t v) {
    return v == 255;
}

void Decide(const std::uint8_t* b, std::uint8_t* c, const std::uint8_t* a, int x) {
    const int whites = IsWhite(b[x - 1]) + IsWhite(b[x]) + IsWhite(b[x + 1]) + IsWhite(c[x - 1]) +
                       IsWhite(c[x + 1]) + IsWhite(a[x - 1]) + IsWhite(a[x]) + IsWhite(a[x + 1]);
    if (c[x] == 0 && whites == 8)
        c[x] = 255;
    else if (c[x] == 255 && whites == 0)
        c[x] = 0;
}

}  // namespace

void RemoveIsolatedPointsAtOnce(ImageView image) {
    if (image.empty() || image.bitCount != 8 || image.stride < image.width) return;
    const int w = image.width;
    for (int y = 1; y <= image.height - 2; ++y) {
        const std::uint8_t* b = image.row(y - 1);
        std::uint8_t* c = image.row(y);
        const std::uint8_t* a = image.row(y + 1);
        int x = 1;
        for (; x + 8 <= w - 1; x += 8) {
            const Word p = Load(c + x);
            const Word west = Load(c + x - 1);
            const Word east = Load(c + x + 1);
            // Paper: white pixels with white pixels beside them, and no black.
            if ((p & west & east) == kAllWhite) continue;
            const Word around[6] = {Load(b + x - 1), Load(b + x), Load(b + x + 1),
                                    Load(a + x - 1), Load(a + x), Load(a + x + 1)};
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
            std::memcpy(c + x, &q, sizeof q);
        }
        for (; x <= w - 2; ++x) Decide(b, c, a, x);
    }
}

}  // namespace lintra
