// Row functions of the raster operations; not part of the library's interface.
//
// Each operation is written as a rule for one row of pixels: the plain
// functions below, defined beside the operation they belong to, which a
// reader can check against the operation's description. Where SSE2 is there
// (the x86-64 baseline) a kernel in the family's *_sse2.cpp file does the
// bulk of a row sixteen pixels at a time, giving exactly the rule's bytes,
// and returns the first position it left undone; the operation then lets the
// rule finish the row from there. Without SSE2 the rule does the whole row.
//
// A rule does positions from .. (its last position); rows called below and
// above are the neighbouring rows of the image (y - 1 and y + 1). Outputs
// are rows apart from the inputs, except for the point operations, which
// change their row in place. Kernels read and write nothing outside the
// positions the rule would.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lintra::raster_detail {

// pixel_maps.cpp: point operations in place, x = from .. width - 1.
//   ThresholdAtLeastRow: 255 where row[x] >= level, else 0.
//   SwapBlackAndWhiteRow: 0 becomes 255 and 255 becomes 0; other values stay.
void ThresholdAtLeastRow(std::uint8_t* row, int from, int width, std::uint8_t level);
void SwapBlackAndWhiteRow(std::uint8_t* row, int from, int width);

// binarise.cpp: out[x] = 255 where dx^2 + dy^2 >= limit, else 0, with
// dx = here[x] - here[x - 1] and dy = here[x] - below[x]; x = from .. width - 2.
void GradientThresholdRow(const std::uint8_t* here, const std::uint8_t* below, int from, int width, int limit,
                          std::uint8_t* out);

// cleanup.cpp, x = from .. width - 2:
//   MajorityRow: out[x] = 255 where at least five of the eight neighbours of
//   here[x] are white (255), else 0.
//   IsolatedCandidatesRow: with c7 the white neighbours of here[x] other
//   than its west one (x - 1), candidate[x] = c7 + 1 where here[x] could
//   change in the isolated-point pass with neighbour count k (0 <= k <= 9):
//   white with c7 <= 8 - k, or black with c7 + 1 >= k; else 0.
void MajorityRow(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above, int from,
                 int width, std::uint8_t* out);
void IsolatedCandidatesRow(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                           int from, int width, int k, std::uint8_t* candidate);

// edge.cpp:
//   TemplatePairMaxRow: min(255, max(|gy|, |gx|)) of the 3 x 3 pair with
//   middle weight centre (2 Sobel, 1 Prewitt), x = from .. width - 2.
//   KirschRow: the largest of the eight compass responses at scale 0.5,
//   rounded half up and clamped to 255, x = from .. width - 2.
//   GaussLaplaceRow: the 5 x 5 Gauss-Laplace template over rows[0] (y - 2)
//   to rows[4] (y + 2), scale 0.25, x = from .. width - 3.
//   RobertsRow: min(255, floor(sqrt(d1^2 + d2^2))) with d1 = here[x + 1] -
//   above[x], d2 = here[x] - above[x + 1], x = from .. width - 2.
//   GradientRow: min(255, floor(sqrt(dx^2 + dy^2))) with dx, dy as in
//   GradientThresholdRow, x = from .. width - 2.
void TemplatePairMaxRow(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                        int from, int width, int centre, std::uint8_t* out);
void KirschRow(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above, int from,
               int width, std::uint8_t* out);
void GaussLaplaceRow(const std::uint8_t* const rows[5], int from, int width, std::uint8_t* out);
void RobertsRow(const std::uint8_t* here, const std::uint8_t* above, int from, int width, std::uint8_t* out);
void GradientRow(const std::uint8_t* here, const std::uint8_t* below, int from, int width, std::uint8_t* out);

// short_branches.cpp: flags[x] = 1 where the marking sweep marks here[x]
// (black and an end point, or 123 already), else 0; x = from .. width - 2.
void MarkingFlagsRow(const std::uint8_t* above, const std::uint8_t* here, const std::uint8_t* below, int from,
                     int width, std::uint8_t* flags);

// thin_planes.cpp:
//   PackWhiteRow: sets bit j of bits for every white row[j] (255), j = from
//   .. cols - 1; false when one of them is neither black (0) nor white.
//   WhitenRow: row[j] = 255 where bit j of bits is set, j = from .. cols - 1.
bool PackWhiteRow(const std::uint8_t* row, int from, int cols, std::uint64_t* bits);
void WhitenRow(const std::uint64_t* bits, int from, int cols, std::uint8_t* row);

#if defined(__SSE2__)
// The kernels, in the order of the rules above. Each starts a row where its
// operation does (0 for the point operations and RobertsRow, 2 for
// GaussLaplaceRow, 1 for the others) and returns the first position it did
// not do. Those that write to an output apart from their input rows end with
// sixteen pixels that reach the row's end (EverySixteen), so they leave the
// rule only rows narrower than one step; the others leave it the last few
// pixels of each row.

// Calls sixteen(x) for x = first, first + 16, ... and, when pixels before
// end remain, once more for the sixteen that end there: the pixels it shares
// with the call before are written twice, with the same bytes. Returns end,
// or first when fewer than sixteen pixels lie between.
template <typename Sixteen>
int EverySixteen(int first, int end, Sixteen sixteen) {
    if (end - first < 16) return first;
    // One call site, so that the compiler inlines the kernel's body; the
    // position is a std::ptrdiff_t and the last step a branch taken once, so
    // the loop costs what a plain one does.
    for (std::ptrdiff_t x = first;;) {
        sixteen(x);
        x += 16;
        if (x + 16 > end) {
            if (x >= end) return end;
            x = end - 16;
        }
    }
}

int ThresholdAtLeastRowSse2(std::uint8_t* row, int width, std::uint8_t level);
int SwapBlackAndWhiteRowSse2(std::uint8_t* row, int width);
int GradientThresholdRowSse2(const std::uint8_t* here, const std::uint8_t* below, int width, int limit,
                             std::uint8_t* out);
// columns: scratch for width column counts.
int MajorityRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above, int width,
                    std::uint8_t* columns, std::uint8_t* out);
int IsolatedCandidatesRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                              int width, int k, std::uint8_t* candidate);
int TemplatePairMaxRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above,
                           int width, int centre, std::uint8_t* out);
int KirschRowSse2(const std::uint8_t* below, const std::uint8_t* here, const std::uint8_t* above, int width,
                  std::uint8_t* out);
// columns: scratch for 3 x width column sums.
int GaussLaplaceRowSse2(const std::uint8_t* const rows[5], int width, std::int16_t* columns,
                        std::uint8_t* out);
int RobertsRowSse2(const std::uint8_t* here, const std::uint8_t* above, int width, std::uint8_t* out);
int GradientRowSse2(const std::uint8_t* here, const std::uint8_t* below, int width, std::uint8_t* out);
int MarkingFlagsRowSse2(const std::uint8_t* above, const std::uint8_t* here, const std::uint8_t* below,
                        int width, std::uint8_t* flags);
// binary is set to false when a pixel it packs is neither black nor white
// (and left alone otherwise).
int PackWhiteRowSse2(const std::uint8_t* row, int cols, std::uint64_t* bits, bool& binary);
int WhitenRowSse2(const std::uint64_t* bits, int cols, std::uint8_t* row);
#endif

}  // namespace lintra::raster_detail
