// Short-branch removal: end-point marking and erasing sweeps, later passes
// visiting only the pixels next to what the previous pass changed.
#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/raster_private.h"
#include "raster/row_kernels.h"
#include "raster/thin.h"

namespace lintra {

using raster_detail::Usable;

namespace {

constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kMark = 123;

// Position of the next non-zero byte of flags[from..end), or end.
inline int NextFlag(const std::uint8_t* flags, int from, int end) {
    int x = from;
    while (x + 8 <= end) {
        std::uint64_t word;
        std::memcpy(&word, flags + x, 8);
        if (word != 0) break;
        x += 8;
    }
    while (x < end && flags[x] == 0) ++x;
    return x;
}

// An interior position, ordered as the sweeps visit them: rows from the top,
// each row from the left.
inline std::uint64_t ScanKey(ImageView image, int x, int y) {
    return static_cast<std::uint64_t>(image.height - 1 - y) << 32 | static_cast<std::uint32_t>(x);
}
inline int KeyX(std::uint64_t key) {
    return static_cast<int>(key & 0xFFFFFFFFu);
}
inline int KeyY(ImageView image, std::uint64_t key) {
    return image.height - 1 - static_cast<int>(key >> 32);
}

// True when a black pixel is an end point for the marking sweep: one of the
// four groups of five neighbours (east column and south row, east column and
// north row, west column and south row, north row and west column) is white.
inline bool EndPoint(const std::uint8_t* above, const std::uint8_t* here, const std::uint8_t* below, int x) {
    const bool nw = above[x - 1] == kWhite, n = above[x] == kWhite, ne = above[x + 1] == kWhite;
    const bool w = here[x - 1] == kWhite, e = here[x + 1] == kWhite;
    const bool sw = below[x - 1] == kWhite, s = below[x] == kWhite, se = below[x + 1] == kWhite;
    return (ne & e & se & s & sw) | (ne & e & se & n & nw) | (nw & w & sw & s & se) | (nw & n & ne & w & sw);
}

inline bool AllNeighboursWhite(ImageView image, int x, int y) {
    const std::uint8_t* above = image.row(y + 1);
    const std::uint8_t* here = image.row(y);
    const std::uint8_t* below = image.row(y - 1);
    return (above[x - 1] & above[x] & above[x + 1] & here[x - 1] & here[x + 1] & below[x - 1] & below[x] &
            below[x + 1]) == kWhite;
}

// The marking sweep over the whole interior, appending the marked positions
// to marked in scan order. Marks change no decision (see RemoveShortBranches),
// so bands judge their rows at once from the image as it is, reading only,
// and the marks are written once every band is done.
void MarkWholeInterior(ImageView image, std::vector<std::uint64_t>& marked) {
    const int w = image.width;
    const std::vector<raster_detail::RowBand> bands = raster_detail::SplitRows(1, image.height - 2, w);
    std::vector<std::vector<std::uint64_t>> found(bands.size());
    raster_detail::ForEachBand(bands.size(), [&](std::size_t k) {
        std::vector<std::uint8_t> flags(static_cast<std::size_t>(w) + 8, 0);
        for (int y = bands[k].end - 1; y >= bands[k].begin; --y) {
            const std::uint8_t* here = image.row(y);
            const std::uint8_t* above = image.row(y + 1);
            const std::uint8_t* below = image.row(y - 1);
            // A 123 left in the image before the first pass counts as marked.
            int judged = 1;
#if defined(__SSE2__)
            judged = raster_detail::MarkingFlagsRowSse2(above, here, below, w, flags.data());
#endif
            raster_detail::MarkingFlagsRow(above, here, below, judged, w, flags.data());
            for (int x = NextFlag(flags.data(), 1, w - 1); x < w - 1;
                 x = NextFlag(flags.data(), x + 1, w - 1))
                found[k].push_back(ScanKey(image, x, y));
        }
    });
    // The highest band holds the first rows of the scan.
    for (std::size_t k = bands.size(); k-- > 0;) {
        for (std::uint64_t key : found[k]) image.row(KeyY(image, key))[KeyX(key)] = kMark;
        marked.insert(marked.end(), found[k].begin(), found[k].end());
    }
}

}  // namespace

// Marks change no decision of the marking sweep, so a whole row can be
// judged first.
void raster_detail::MarkingFlagsRow(const std::uint8_t* above, const std::uint8_t* here,
                                    const std::uint8_t* below, int from, int width, std::uint8_t* flags) {
    for (int x = from; x < width - 1; ++x)
        flags[x] = (here[x] == kBlack && EndPoint(above, here, below, x)) || here[x] == kMark;
}

// Marking turns 0 into 123, and both count as not white, so no mark changes
// whether any other pixel is marked: the marking sweep may visit pixels in any
// order. Only the erasing sweep, where 123 turns into 255, needs the scan order.
// Between passes the image changes only where marked pixels were, so a pixel
// can become an end point in the next pass only if it survived as a mark (it
// is one again) or a neighbour was erased to white. The first pass scans the
// whole interior; every later pass examines just those pixels, sorted into
// scan order, unless they are so many that a whole scan is cheaper. The sort
// is then over at most N/32 keys, so a pass never costs more than linear time.
void RemoveShortBranches(ImageView image, int passes) {
    if (!Usable(image) || passes <= 0 || image.height <= 2 || image.width <= 2) return;
    const int w = image.width, h = image.height;
    const std::size_t interior = static_cast<std::size_t>(w - 2) * static_cast<std::size_t>(h - 2);
    std::vector<std::uint64_t> marked, next;
    bool wholeScan = true;
    for (int pass = 0; pass < passes; ++pass) {
        marked.clear();
        if (wholeScan) {
            MarkWholeInterior(image, marked);
        } else {
            for (std::uint64_t key : next) {
                const int x = KeyX(key), y = KeyY(image, key);
                std::uint8_t* here = image.row(y);
                if (here[x] == kBlack && EndPoint(image.row(y + 1), here, image.row(y - 1), x)) {
                    here[x] = kMark;
                    marked.push_back(key);
                }
            }
        }
        if (marked.empty()) return;  // nothing changes in this or any later pass
        next.clear();
        const std::size_t limit = interior / 32;
        for (std::uint64_t key : marked) {
            const int x = KeyX(key), y = KeyY(image, key);
            if (AllNeighboursWhite(image, x, y)) {
                image.row(y)[x] = kBlack;
                if (next.size() <= limit) next.push_back(key);
            } else {
                image.row(y)[x] = kWhite;
                if (next.size() <= limit)
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = x + dx, ny = y + dy;
                            if ((dx != 0 || dy != 0) && nx >= 1 && nx <= w - 2 && ny >= 1 && ny <= h - 2)
                                next.push_back(ScanKey(image, nx, ny));
                        }
            }
        }
        wholeScan = next.size() > limit;
        if (!wholeScan) {
            std::sort(next.begin(), next.end());
            next.erase(std::unique(next.begin(), next.end()), next.end());
        }
    }
}

}  // namespace lintra
