// A plain recursive transcription of the count sort, kept as the oracle for
// the stack-based version: quicksort around the first key, descending,
// ranges of 12 or fewer to a stable insertion sort.
#pragma once

#include <cstdint>
#include <utility>

namespace lintra::palettor::test {

inline void ReferenceInsertionSort(std::int32_t* key, std::uint16_t* order, int n) {
    for (int k = 1; k < n; ++k) {
        const std::int32_t t = key[k];
        const std::uint16_t o = order[k];
        int m = k - 1;
        while (m >= 0 && key[m] < t) {
            key[m + 1] = key[m];
            order[m + 1] = order[m];
            --m;
        }
        key[m + 1] = t;
        order[m + 1] = o;
    }
}

inline void ReferenceSort(std::int32_t* key, std::uint16_t* order, int n) {
    if (n <= 12) {
        ReferenceInsertionSort(key, order, n);
        return;
    }
    const std::int32_t pivot = key[0];
    int i = 1;
    int j = n - 1;
    while (i <= j) {
        if (key[i] >= pivot) {
            ++i;
            while (i <= n - 1 && key[i] >= pivot) ++i;
        }
        if (key[j] < pivot) {
            --j;
            while (j >= 1 && key[j] < pivot) --j;
        }
        if (i > j) break;
        std::swap(key[i], key[j]);
        std::swap(order[i], order[j]);
        ++i;
        --j;
    }
    std::swap(key[0], key[i - 1]);
    std::swap(order[0], order[i - 1]);
    if (i > 1) ReferenceSort(key, order, i - 1);
    if (i < n) ReferenceSort(key + i, order + i, n - i);
}

}  // namespace lintra::palettor::test
