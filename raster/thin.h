// Stage three: thinning to one-pixel lines and pruning of short branches.
//
// Border rule: only the interior is examined or changed; border pixels are
// never deleted.
#pragma once

#include <array>
#include <cstdint>

#include "image/image_view.h"

namespace lintra {

// 1 where a black centre pixel with this neighbour pattern may be deleted.
// Pattern bits, set for a white neighbour: NW 1, N 2, NE 4, W 8, E 16,
// SW 32, S 64, SE 128.
extern const std::array<std::uint8_t, 256> ThinDeleteTable;

// Repeated sequential horizontal and vertical passes until nothing changes.
// With threads above 1 (at most ThreadCount() and the CPUs the process may
// use; pictures of 65536 pixels or more) each pass is shared out over the
// threads with the same result.
void ThinImage(ImageView image, int threads = 1);
// passes rounds of end-point marking (123) and erasing; 0 or less does nothing.
void RemoveShortBranches(ImageView image, int passes);

}  // namespace lintra
