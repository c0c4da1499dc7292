#include "palettor/sort.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "tests/palettor/reference_sort.h"

namespace lintra::palettor {
namespace {

using test::ReferenceSort;

// Sorts a copy with both versions and expects the same keys and the same
// order entries, position by position.
void ExpectSameOrder(const std::vector<std::int32_t>& keys, const std::string& label) {
    const std::size_t n = keys.size();
    std::vector<std::int32_t> k1 = keys, k2 = keys;
    std::vector<std::uint16_t> o1(n), o2(n);
    std::iota(o1.begin(), o1.end(), std::uint16_t{0});
    std::iota(o2.begin(), o2.end(), std::uint16_t{0});
    ReferenceSort(k1.data(), o1.data(), static_cast<int>(n));
    SortByCountDescending(k2.data(), o2.data(), n);
    ASSERT_EQ(k1, k2) << label;
    ASSERT_EQ(o1, o2) << label;
    for (std::size_t i = 1; i < n; ++i) ASSERT_GE(k2[i - 1], k2[i]) << label << " at " << i;
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(k2[i], keys[o2[i]]) << label << " at " << i;
}

TEST(PalettorSort, MatchesRecursiveVersionOnRandomKeys) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t n = rng() % 300;
        const std::int32_t range = 1 + static_cast<std::int32_t>(rng() % (round % 3 == 0 ? 3 : 1000));
        std::vector<std::int32_t> keys(n);
        for (auto& k : keys) k = static_cast<std::int32_t>(rng() % range);
        ExpectSameOrder(keys, "round " + std::to_string(round) + " n " + std::to_string(n));
    }
}

TEST(PalettorSort, MatchesRecursiveVersionOnColourHistograms) {
    // 4096 counts, most of them 0: the partition peels one element per
    // level, thousands of levels deep.
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        std::vector<std::int32_t> keys(4096, 0);
        const int used = round == 0 ? 0 : 1 + static_cast<int>(rng() % (round < 30 ? 300 : 4096));
        for (int u = 0; u < used; ++u) keys[rng() % 4096] += 1 + static_cast<std::int32_t>(rng() % 50000);
        ExpectSameOrder(keys, "histogram round " + std::to_string(round));
    }
}

TEST(PalettorSort, MatchesRecursiveVersionOnOrderedAndEqualKeys) {
    for (std::size_t n : {0u, 1u, 2u, 12u, 13u, 14u, 100u, 4096u}) {
        std::vector<std::int32_t> ascending(n), descending(n), equal(n, 5), sawtooth(n);
        for (std::size_t i = 0; i < n; ++i) {
            ascending[i] = static_cast<std::int32_t>(i);
            descending[i] = static_cast<std::int32_t>(n - i);
            sawtooth[i] = static_cast<std::int32_t>(i % 7);
        }
        ExpectSameOrder(ascending, "ascending " + std::to_string(n));
        ExpectSameOrder(descending, "descending " + std::to_string(n));
        ExpectSameOrder(equal, "equal " + std::to_string(n));
        ExpectSameOrder(sawtooth, "sawtooth " + std::to_string(n));
    }
}

TEST(PalettorSort, InsertionSortKeepsEqualKeysInOrder) {
    // Twelve elements or fewer never reach the partition.
    std::vector<std::int32_t> keys{1, 3, 1, 3, 2, 1};
    std::vector<std::uint16_t> order{0, 1, 2, 3, 4, 5};
    SortByCountDescending(keys.data(), order.data(), keys.size());
    EXPECT_EQ(keys, (std::vector<std::int32_t>{3, 3, 2, 1, 1, 1}));
    EXPECT_EQ(order, (std::vector<std::uint16_t>{1, 3, 4, 0, 2, 5}));
}

}  // namespace
}  // namespace lintra::palettor
