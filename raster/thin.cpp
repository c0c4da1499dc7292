#include "raster/thin.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/raster_private.h"

namespace lintra {

using raster_detail::Usable;

// 1 exactly where the black centre is neither an end point nor isolated
// (at least two black neighbours) and its 8-connectivity number is 1, so
// deleting it neither splits nor joins the black pixels around it.
const std::array<std::uint8_t, 256> ThinDeleteTable = {
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  // 0-15
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,  // 16-31
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  // 32-47
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,  // 48-63
    1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 64-79
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 80-95
    1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 1, 0, 1,  // 96-111
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 112-127
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  // 128-143
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1,  // 144-159
    0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1,  // 160-175
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0,  // 176-191
    1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 192-207
    1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0,  // 208-223
    1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 1, 0, 0,  // 224-239
    1, 1, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 0,  // 240-255
};

namespace {

constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kMark = 123;

// The neighbour pattern index of (x, y): a bit per white neighbour.
// above, here and below are rows y + 1, y and y - 1.
inline int PatternIndex(const std::uint8_t* above, const std::uint8_t* here, const std::uint8_t* below,
                        int x) {
    return (above[x - 1] == kWhite) | (above[x] == kWhite) << 1 | (above[x + 1] == kWhite) << 2 |
           (here[x - 1] == kWhite) << 3 | (here[x + 1] == kWhite) << 4 | (below[x - 1] == kWhite) << 5 |
           (below[x] == kWhite) << 6 | (below[x + 1] == kWhite) << 7;
}

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

// Horizontal pass: rows from the top, each from the left; a black pixel with
// W or E white is looked up, and a deletion skips the next pixel.
//
// Which pixels are examined can be read off the row before it is walked:
// the pixel itself and E are not yet visited, and W changes only by its own
// deletion, after which this pixel is skipped anyway. So the walk visits only
// those flagged pixels, and rechecks each as the literal pass would.
bool ThinHorizontal(ImageView image, std::vector<std::uint8_t>& flags) {
    const int w = image.width;
    bool deleted = false;
    for (int y = image.height - 2; y >= 1; --y) {
        std::uint8_t* here = image.row(y);
        const std::uint8_t* above = image.row(y + 1);
        const std::uint8_t* below = image.row(y - 1);
        for (int x = 1; x < w - 1; ++x)
            flags[x] = (here[x] == kBlack) & ((here[x - 1] == kWhite) | (here[x + 1] == kWhite));
        for (int x = NextFlag(flags.data(), 1, w - 1); x < w - 1; x = NextFlag(flags.data(), x, w - 1)) {
            if (here[x] == kBlack && (here[x - 1] == kWhite || here[x + 1] == kWhite) &&
                ThinDeleteTable[PatternIndex(above, here, below, x)]) {
                here[x] = kWhite;
                deleted = true;
                x += 2;
            } else {
                ++x;
            }
        }
    }
    return deleted;
}

// Vertical pass: columns from the left, each from the top; a black pixel with
// N or S white is looked up, and a deletion skips the next pixel down.
//
// Walking columns through memory would touch a new cache line at every step.
// As in the horizontal pass, the pixels to examine are known at the start of
// the pass (N changes before the visit only by a deletion that skips this
// pixel; the pixel and S are not yet visited and other columns never change
// them), so one row-by-row scan collects them, sorted by column and then from
// the top, and the pass visits that list, rechecking each pixel.
bool ThinVertical(ImageView image, std::vector<std::uint8_t>& flags, std::vector<std::uint32_t>& found,
                  std::vector<std::uint32_t>& columnStart, std::vector<std::uint32_t>& byColumn) {
    const int w = image.width;
    found.clear();
    columnStart.assign(static_cast<std::size_t>(w) + 1, 0);
    for (int y = image.height - 2; y >= 1; --y) {
        const std::uint8_t* here = image.row(y);
        const std::uint8_t* above = image.row(y + 1);
        const std::uint8_t* below = image.row(y - 1);
        for (int x = 1; x < w - 1; ++x)
            flags[x] = (here[x] == kBlack) & ((above[x] == kWhite) | (below[x] == kWhite));
        for (int x = NextFlag(flags.data(), 1, w - 1); x < w - 1; x = NextFlag(flags.data(), x + 1, w - 1)) {
            found.push_back(static_cast<std::uint32_t>(x));
            found.push_back(static_cast<std::uint32_t>(y));
            ++columnStart[x + 1];
        }
    }
    if (found.empty()) return false;
    for (int x = 0; x < w; ++x) columnStart[x + 1] += columnStart[x];
    byColumn.resize(found.size() / 2);
    {
        std::vector<std::uint32_t> next(columnStart.begin(), columnStart.end() - 1);
        for (std::size_t i = 0; i < found.size(); i += 2) byColumn[next[found[i]]++] = found[i + 1];
    }
    bool deleted = false;
    for (int x = 1; x < w - 1; ++x) {
        int skip = -1;  // the row a deletion just above makes the pass skip
        for (std::uint32_t i = columnStart[x]; i < columnStart[x + 1]; ++i) {
            const int y = static_cast<int>(byColumn[i]);
            if (y == skip) continue;
            std::uint8_t* here = image.row(y);
            const std::uint8_t* above = image.row(y + 1);
            const std::uint8_t* below = image.row(y - 1);
            if (here[x] == kBlack && (above[x] == kWhite || below[x] == kWhite) &&
                ThinDeleteTable[PatternIndex(above, here, below, x)]) {
                here[x] = kWhite;
                deleted = true;
                skip = y - 1;
            }
        }
    }
    return deleted;
}

}  // namespace

void ThinImage(ImageView image) {
    if (!Usable(image) || image.height < 3) return;
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(image.width) + 8, 0);
    std::vector<std::uint32_t> found, columnStart, byColumn;
    bool deleted = true;
    while (deleted) {
        deleted = ThinHorizontal(image, flags);
        if (image.width >= 3 && ThinVertical(image, flags, found, columnStart, byColumn)) deleted = true;
    }
}

namespace {

// An interior position, ordered as the sweeps visit them: rows from the top,
// each row from the left.
inline std::uint64_t ScanKey(ImageView image, int x, int y) {
    return static_cast<std::uint64_t>(image.height - 1 - y) << 32 | static_cast<std::uint32_t>(x);
}
inline int KeyX(std::uint64_t key) { return static_cast<int>(key & 0xFFFFFFFFu); }
inline int KeyY(ImageView image, std::uint64_t key) { return image.height - 1 - static_cast<int>(key >> 32); }

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

}  // namespace

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
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(w) + 8, 0);
    bool wholeScan = true;
    for (int pass = 0; pass < passes; ++pass) {
        marked.clear();
        if (wholeScan) {
            for (int y = h - 2; y >= 1; --y) {
                std::uint8_t* here = image.row(y);
                const std::uint8_t* above = image.row(y + 1);
                const std::uint8_t* below = image.row(y - 1);
                // A 123 left in the image before the first pass counts as marked.
                for (int x = 1; x < w - 1; ++x)
                    flags[x] = (here[x] == kBlack && EndPoint(above, here, below, x)) || here[x] == kMark;
                for (int x = NextFlag(flags.data(), 1, w - 1); x < w - 1;
                     x = NextFlag(flags.data(), x + 1, w - 1)) {
                    here[x] = kMark;
                    marked.push_back(ScanKey(image, x, y));
                }
            }
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
