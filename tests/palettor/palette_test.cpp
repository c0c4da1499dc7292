#include "palettor/palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace lintra::palettor {
namespace {

std::uint16_t Code(int blue, int green, int red) {
    return static_cast<std::uint16_t>(blue << 8 | green << 4 | red);
}

// The code an entry of the table was made from.
std::uint16_t EntryCode(const Palette& p, std::size_t index) {
    return Code(p.table[4 * index] / 16, p.table[4 * index + 1] / 16, p.table[4 * index + 2] / 16);
}

TEST(PalettorPalette, ColourCodeKeepsTheTopFourBitsOfEachChannel) {
    EXPECT_EQ(ColourCode(0, 0, 255), 15);
    EXPECT_EQ(ColourCode(255, 255, 255), 4095);
    EXPECT_EQ(ColourCode(0x12, 0x34, 0x56), 0x135);
    EXPECT_EQ(ColourCode(0x1f, 0x3f, 0x5f), 0x135);
}

TEST(PalettorPalette, CountsEveryCodeWhateverTheLength) {
    // Runs of one code and lengths that are not a multiple of four.
    std::mt19937 random(7);
    for (std::size_t n : {0, 1, 3, 4, 5, 1023, 4097}) {
        std::vector<std::uint16_t> codes(n);
        for (std::uint16_t& c : codes)
            c = random() % 3 == 0 ? 4095 : static_cast<std::uint16_t>(random() % 4096);
        CodeCounts expected{};
        for (std::uint16_t c : codes) ++expected[c];
        EXPECT_EQ(CountCodes(codes.data(), n), expected) << n << " codes";
    }
}

TEST(PalettorPalette, FourByOneExample) {
    const std::vector<std::uint16_t> codes{15, 15, 4095, 0};
    const Palette p = BuildPalette(CountCodes(codes.data(), codes.size()));
    EXPECT_EQ(p.distinct, 3u);
    const std::vector<std::uint8_t> first(p.table.begin(), p.table.begin() + 12);
    EXPECT_EQ(first, (std::vector<std::uint8_t>{0, 0, 240, 0, 240, 240, 240, 0, 0, 0, 0, 0}));
    EXPECT_EQ(p.map[15], 0);
    EXPECT_EQ(p.map[4095], 1);
    EXPECT_EQ(p.map[0], 2);
}

TEST(PalettorPalette, FewCodesFillTheRestFromCodesThatDoNotOccur) {
    CodeCounts counts{};
    counts[Code(1, 2, 3)] = 10;
    counts[Code(15, 0, 15)] = 30;
    counts[Code(7, 7, 7)] = 20;
    const Palette p = BuildPalette(counts);
    ASSERT_EQ(p.distinct, 3u);
    EXPECT_EQ(EntryCode(p, 0), Code(15, 0, 15));
    EXPECT_EQ(EntryCode(p, 1), Code(7, 7, 7));
    EXPECT_EQ(EntryCode(p, 2), Code(1, 2, 3));
    std::set<std::uint16_t> seen;
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        const std::uint16_t c = EntryCode(p, i);
        EXPECT_TRUE(seen.insert(c).second) << "entry " << i << " repeats code " << c;
        if (i >= 3) {
            EXPECT_EQ(counts[c], 0) << "entry " << i;
        }
        EXPECT_EQ(p.table[4 * i + 3], 0);
    }
}

TEST(PalettorPalette, ExactlyTwoHundredFiftySixCodesEachKeepTheirEntry) {
    CodeCounts counts{};
    std::vector<std::uint16_t> used;
    for (int k = 0; k < 256; ++k) used.push_back(static_cast<std::uint16_t>(k * 16 + k % 16));
    for (std::size_t k = 0; k < used.size(); ++k) counts[used[k]] = 1 + static_cast<std::int32_t>(k % 3);
    const Palette p = BuildPalette(counts);
    ASSERT_EQ(p.distinct, 256u);
    std::set<int> indices;
    for (std::uint16_t c : used) {
        EXPECT_EQ(EntryCode(p, p.map[c]), c);
        indices.insert(p.map[c]);
    }
    EXPECT_EQ(indices.size(), 256u);
}

// 256 palette codes on the even nibbles (blue and green 0..14, red 0..6),
// each with its own count, so entry p is the code of rank p.
struct EvenGrid {
    CodeCounts counts{};
    std::vector<std::uint16_t> byRank;
    EvenGrid() {
        for (int b = 0; b < 16; b += 2)
            for (int g = 0; g < 16; g += 2)
                for (int r = 0; r < 8; r += 2) byRank.push_back(Code(b, g, r));
        for (std::size_t k = 0; k < byRank.size(); ++k)
            counts[byRank[k]] = 1000 - static_cast<std::int32_t>(k);
    }
    void Promote(std::uint16_t code) { counts[code] = 5000; }
    std::size_t RankOf(std::uint16_t code) const {
        return static_cast<std::size_t>(std::find(byRank.begin(), byRank.end(), code) - byRank.begin());
    }
};

TEST(PalettorPalette, RareCodesGoToTheNearestEntry) {
    EvenGrid grid;
    const std::uint16_t corner = Code(15, 15, 7);  // nearest (14, 14, 6), distance 3
    const std::uint16_t far = Code(3, 9, 15);      // nearest (2 or 4, 8 or 10, 6): first of the four wins
    grid.counts[corner] = 1;
    grid.counts[far] = 1;
    const Palette p = BuildPalette(grid.counts);
    ASSERT_EQ(p.distinct, 258u);
    EXPECT_EQ(p.map[corner], grid.RankOf(Code(14, 14, 6)));
    EXPECT_EQ(p.map[far], grid.RankOf(Code(2, 8, 6)));
    for (std::size_t k = 0; k < 256; ++k) EXPECT_EQ(p.map[grid.byRank[k]], k);
}

TEST(PalettorPalette, EquallyNearEntriesGoToTheLowerIndex) {
    // (1, 0, 0) lies at distance 1 from both (0, 0, 0) and (2, 0, 0).
    const std::uint16_t between = Code(1, 0, 0);
    for (const std::uint16_t favourite : {Code(0, 0, 0), Code(2, 0, 0)}) {
        EvenGrid grid;
        grid.Promote(favourite);  // rank 0
        grid.counts[between] = 1;
        const Palette p = BuildPalette(grid.counts);
        EXPECT_EQ(p.map[between], 0) << "favourite " << favourite;
    }
}

}  // namespace
}  // namespace lintra::palettor
