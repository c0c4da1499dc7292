// The colour-count sort: descending by count, the code of each count
// travelling with it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lintra::palettor {

// Sorts keys[0..n) into descending order and applies the same moves to
// order[0..n). A quicksort partitioning around the first key hands ranges
// of 12 or fewer to a stable insertion sort; equal keys end up exactly
// where that recursive scheme leaves them. Pending ranges are kept on an
// explicit stack, so a partition that peels one element per level costs no
// call depth, and a range of equal keys (most counts 0) is peeled in one
// pass to where those partitions would leave it.
void SortByCountDescending(std::int32_t* keys, std::uint16_t* order, std::size_t n);

}  // namespace lintra::palettor
