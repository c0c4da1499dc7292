// The row rule of RemoveIsolatedPointsAtOnce and its eight-at-a-time kernel;
// not part of the library's interface.
#pragma once

#include <cstdint>

namespace lintra::vector_detail {

// The rule for one row: for x = from .. width - 2, a black here[x] whose
// eight neighbours (in below, here and above) are white turns white, and a
// white one with no white neighbour turns black.
void IsolatedPassRow(const std::uint8_t* below, std::uint8_t* here, const std::uint8_t* above, int from,
                     int width);
// The same eight pixels at a time in 64-bit words, from x = 1; returns the
// first x it did not do, from where the rule finishes the row. Plain C++, so
// on every machine.
int IsolatedPassRowWords(const std::uint8_t* below, std::uint8_t* here, const std::uint8_t* above, int width);

}  // namespace lintra::vector_detail
