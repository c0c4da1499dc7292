#include "palettor/sort.h"

#include <utility>
#include <vector>

namespace lintra::palettor {
namespace {

constexpr std::size_t kInsertionLimit = 12;

void InsertionSort(std::int32_t* keys, std::uint16_t* order, std::size_t n) {
    for (std::size_t k = 1; k < n; ++k) {
        const std::int32_t key = keys[k];
        const std::uint16_t code = order[k];
        std::size_t m = k;
        for (; m > 0 && keys[m - 1] < key; --m) {
            keys[m] = keys[m - 1];
            order[m] = order[m - 1];
        }
        keys[m] = key;
        order[m] = code;
    }
}

// Partitions around keys[0] and returns i: the pivot ends at i - 1, keys at
// least the pivot before it, smaller keys from i on.
std::size_t Partition(std::int32_t* keys, std::uint16_t* order, std::size_t n) {
    const std::int32_t pivot = keys[0];
    std::size_t i = 1;
    std::size_t j = n - 1;
    while (i <= j) {
        if (keys[i] >= pivot) {
            do ++i;
            while (i <= n - 1 && keys[i] >= pivot);
        }
        if (keys[j] < pivot) {
            do --j;
            while (j >= 1 && keys[j] < pivot);
        }
        if (i > j) break;
        std::swap(keys[i], keys[j]);
        std::swap(order[i], order[j]);
        ++i;
        --j;
    }
    std::swap(keys[0], keys[i - 1]);
    std::swap(order[0], order[i - 1]);
    return i;
}

// What the partitions do to a range of more than kInsertionLimit equal
// keys, in one pass instead of one partition per element: each partition
// swaps the range's first and last order entries and leaves the rest, one
// shorter, to the next, until kInsertionLimit are left for the insertion
// sort, which moves no equal key. A colour histogram's thousands of codes
// that do not occur made that a quadratic walk.
void PeelEqualRange(std::uint16_t* order, std::size_t n) {
    const std::uint16_t first = order[0];
    order[0] = order[kInsertionLimit];
    for (std::size_t k = kInsertionLimit; k + 1 < n; ++k) order[k] = order[k + 1];
    order[n - 1] = first;
}

bool AllEqual(const std::int32_t* keys, std::size_t n) {
    for (std::size_t k = 1; k < n; ++k)
        if (keys[k] != keys[0]) return false;
    return true;
}

}  // namespace

void SortByCountDescending(std::int32_t* keys, std::uint16_t* order, std::size_t n) {
    // The two parts of a partition are disjoint, so the order in which they
    // are sorted does not change the result; the smaller is taken first to
    // keep the stack short.
    struct Range {
        std::size_t first;
        std::size_t count;
    };
    std::vector<Range> pending;
    pending.push_back({0, n});
    while (!pending.empty()) {
        const Range r = pending.back();
        pending.pop_back();
        std::int32_t* k = keys + r.first;
        std::uint16_t* o = order + r.first;
        if (r.count <= kInsertionLimit) {
            InsertionSort(k, o, r.count);
            continue;
        }
        if (k[0] == k[r.count - 1] && AllEqual(k, r.count)) {
            PeelEqualRange(o, r.count);
            continue;
        }
        const std::size_t i = Partition(k, o, r.count);
        const Range left{r.first, i - 1};
        const Range right{r.first + i, r.count - i};
        const bool leftSmaller = left.count < right.count;
        const Range& larger = leftSmaller ? right : left;
        const Range& smaller = leftSmaller ? left : right;
        if (larger.count > 0) pending.push_back(larger);
        if (smaller.count > 0) pending.push_back(smaller);
    }
}

}  // namespace lintra::palettor
