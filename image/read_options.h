// What a read may do: the pixel budget every reader checks before it
// allocates pixel memory, the page a multi-page file opens at, and whether
// an 8-bit colour-table picture is turned into grey levels on load.
#pragma once

#include <cstdint>

namespace lintra {

// 300 million pixels: an A1 sheet at 600 dpi (14043 x 19866, 279 million)
// or an A0 sheet at 400 dpi (13244 x 18728, 248 million), the largest scans
// a drawing office makes; an 8-bit picture of that size takes 300 MB.
inline constexpr std::uint64_t kDefaultMaxPixels = 300'000'000;

struct ReadOptions {
    std::uint64_t maxPixels = kDefaultMaxPixels;  // width x height above this is refused
    int page = 1;                                 // the page of a multi-page file, from 1
    bool greyLevels = false;  // 8-bit colour tables become grey levels (TurnTableIntoGrey)
};

}  // namespace lintra
