// Thinning: repeated sequential horizontal and vertical deletion passes with
// the table lookup, each pass visiting only the pixels that may have changed,
// and, when asked, its rows shared out over worker threads with the same result.
#include "raster/thin.h"

#if defined(__linux__)
#include <sched.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <utility>
#include <vector>

#include "image/parallel_rows.h"
#include "raster/raster_private.h"
#include "raster/thin_planes.h"
#include "raster/thin_wavefront.h"

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

using raster_detail::BitRows;
using raster_detail::DiagonalBands;
using raster_detail::Plane;

constexpr std::uint8_t kWhite = 255;
constexpr std::uint8_t kBlack = 0;

// The pattern index of position j of row cur in a plane, with the bits laid
// out as for the horizontal pass: the row visited before (prev) gives NW, N,
// NE, the row itself W and E, the row visited after (next) SW, S, SE.
inline int PlaneIndex(const std::uint8_t* prev, const std::uint8_t* cur, const std::uint8_t* next, int j) {
    return (prev[j - 1] == kWhite) | (prev[j] == kWhite) << 1 | (prev[j + 1] == kWhite) << 2 |
           (cur[j - 1] == kWhite) << 3 | (cur[j + 1] == kWhite) << 4 | (next[j - 1] == kWhite) << 5 |
           (next[j] == kWhite) << 6 | (next[j + 1] == kWhite) << 7;
}

// The deletion table for the vertical pass walked as rows of the transposed
// plane: there the row visited before is column x - 1 (NW, W, SW from the
// top), the row itself column x (N, S) and the next row column x + 1 (NE, E,
// SE). Each plane bit is moved to the weight of the neighbour it stands for.
std::array<std::uint8_t, 256> TransposedTable() {
    static constexpr int kWeight[8] = {1, 8, 32, 2, 64, 4, 16, 128};  // NW W SW N S NE E SE
    std::array<std::uint8_t, 256> table{};
    for (int index = 0; index < 256; ++index) {
        int pattern = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (index & (1 << bit)) pattern |= kWeight[bit];
        table[static_cast<std::size_t>(index)] = ThinDeleteTable[static_cast<std::size_t>(pattern)];
    }
    return table;
}

// One pass over a plane: what it works on, and where it keeps its marks.
struct PlanePass {
    Plane plane;
    BitRows* dirty;
    const std::array<std::uint8_t, 256>* table;
    Plane* mirror;  // null in the first pass, before the transposed copy exists
    BitRows* mirrorDirty;
};

// Positions j .. end - 1 of row i of a sequential pass over a plane: from
// the left, a black pixel with a white neighbour along the row is looked up,
// and a deletion skips the next pixel of the row. j is left where the row's
// run continues (end, or end + 1 after a skip). True when anything was
// deleted.
//
// Only marked pixels are visited, in the order of the literal pass. A pixel's
// mark is cleared when it is decided and set again whenever a neighbour is
// deleted, so an unmarked pixel has the neighbourhood it was last decided on
// (not deleted) and the literal pass would leave it too. Only neighbours that
// are not white are marked: no pixel ever turns black. A deletion marks its
// neighbours in both planes: those still ahead in this pass are visited in
// it, the others in the next pass of each kind. The pixel a deletion skips
// keeps its mark for the next pass. With a mirror plane, each deletion is
// copied there (at the transposed position). Returns the number deleted.
long ThinRowSpan(const PlanePass& pass, int i, int& j, int end) {
    const Plane& plane = pass.plane;
    BitRows& dirty = *pass.dirty;
    const std::array<std::uint8_t, 256>& table = *pass.table;
    std::uint8_t* cur = plane.row(i);
    const std::uint8_t* prev = plane.row(i - 1);
    const std::uint8_t* next = plane.row(i + 1);
    // The row after next is read when the next row is decided, mostly beside
    // the pixels visited here. On a large page the previous pass read it too
    // long ago for it to be in the cache still: ask for it a row early.
    const std::uint8_t* later = i + 2 < plane.rows ? plane.row(i + 2) : next;
    long deleted = 0;
    while (j < end) {
        j = dirty.Next(i, j, end);
        if (j >= end) break;
        __builtin_prefetch(later + j);
        dirty.Clear(i, j);
        if (cur[j] != kBlack || (cur[j - 1] != kWhite && cur[j + 1] != kWhite)) {
            ++j;
            continue;
        }
        const unsigned index = static_cast<unsigned>(PlaneIndex(prev, cur, next, j));
        if (!table[index]) {
            ++j;
            continue;
        }
        cur[j] = kWhite;
        ++deleted;
        // Bits of the neighbours that are not white, in pattern order
        // (NW N NE W E SW S SE as the plane lays them out).
        const unsigned dark = ~index & 0xFFu;
        dirty.Mark3(i - 1, j, dark & 7u);
        dirty.Mark3(i, j, (dark >> 3 & 1u) | (dark >> 2 & 4u));
        dirty.Mark3(i + 1, j, dark >> 5);
        if (pass.mirror != nullptr) {
            pass.mirror->row(j)[i] = kWhite;
            pass.mirrorDirty->Mark3(j - 1, i, (dark & 1u) | (dark >> 2 & 2u) | (dark >> 3 & 4u));
            pass.mirrorDirty->Mark3(j, i, (dark >> 1 & 1u) | (dark >> 4 & 4u));
            pass.mirrorDirty->Mark3(j + 1, i, (dark >> 2 & 1u) | (dark >> 3 & 2u) | (dark >> 5 & 4u));
        }
        j += 2;
    }
    return deleted;
}

// Band k of a pass on one of several threads: its part of each row, the
// rows in order, each once the band before has gone far enough (see
// thin_wavefront.h).
long ThinBand(const PlanePass& pass, DiagonalBands& bands, int k) {
    const int cols = pass.plane.cols, last = pass.plane.rows - 2;
    const int lo = bands.first(k), hi = bands.end(k);
    // Row i holds positions lo - i .. hi - i - 1 of the band, within 1 .. cols - 2.
    const int top = std::max(1, lo - cols + 2), bottom = std::min(last, hi - 2);
    long deleted = 0;
    int known = 0;
    for (int i = top; i <= bottom; ++i) {
        bands.WaitFor(k, i, known);
        int j = std::max(bands.carry(i), lo - i);
        deleted += ThinRowSpan(pass, i, j, std::min(cols - 1, hi - i));
        bands.carry(i) = j;
        bands.Done(k, i);
    }
    bands.Finished(k);
    return deleted;
}

// Passes that follow two passes with fewer deletions than this between
// them run on the calling thread alone: their few marks would not repay the
// sharing out.
constexpr long kParallelDeletions = 2048;
// Bands per thread: enough that bands of unequal work even out.
constexpr int kBandsPerThread = 8;

// Bands of diagonals holding about equal numbers of marks, from the marks
// counted per word (a word's marks counted at the diagonal of its first
// position).
std::vector<int> BalancedBands(const Plane& plane, BitRows& dirty, int threads) {
    const int words = plane.cols / 64 + 1;
    std::vector<long> perDiagonal(static_cast<std::size_t>((plane.rows + 63) / 64 + words + 1), 0);
    long total = 0;
    for (int i = 1; i + 1 < plane.rows; ++i) {
        const std::uint64_t* bits = dirty.row(i);
        long* bins = perDiagonal.data() + (i >> 6);
        for (int w = 0; w < words; ++w)
            if (bits[w] != 0) bins[w] += raster_detail::CountOnes(bits[w]);
    }
    for (long n : perDiagonal) total += n;
    const int bands = threads * kBandsPerThread;
    std::vector<int> bounds{0};
    long seen = 0;
    for (std::size_t bin = 0; bin < perDiagonal.size(); ++bin) {
        seen += perDiagonal[bin];
        const int next = static_cast<int>(bin + 1) * 64;
        if (seen * bands >= total * static_cast<long>(bounds.size()) &&
            static_cast<int>(bounds.size()) < bands)
            bounds.push_back(next);
    }
    bounds.push_back(std::max(bounds.back(), plane.rows + plane.cols));  // past every diagonal
    return bounds;
}

// Pictures smaller than this are thinned on the calling thread alone.
constexpr long kParallelPixels = 1L << 16;

// The threads thinning uses: those asked for, but no more than ThreadCount()
// and the CPUs this process may run on. A band waits for the one before it,
// so threads taking turns on one CPU would spend their turns waiting.
int ThinThreads(int threads) {
    threads = std::min(threads, ThreadCount());
#if defined(__linux__)
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) threads = std::min(threads, CPU_COUNT(&set));
#endif
    return std::max(threads, 1);
}

// One sequential pass over a plane, rows in order. On several threads its
// diagonals are cut into bands that the threads take in order (see
// thin_wavefront.h), which gives exactly the result of the rows one after
// another. A band is taken only once all before it are being worked on, so
// however few threads come, the earliest unfinished band always moves on.
// Returns the number of pixels deleted.
long ThinPlanePass(const PlanePass& pass, int threads) {
    const int rows = pass.plane.rows - 2;  // rows 1 .. plane.rows - 2
    if (rows <= 0) return 0;
    if (threads <= 1) {
        long deleted = 0;
        for (int i = 1; i <= rows; ++i) {
            int j = 1;
            deleted += ThinRowSpan(pass, i, j, pass.plane.cols - 1);
        }
        return deleted;
    }
    DiagonalBands bands(BalancedBands(pass.plane, *pass.dirty, threads), rows);
    std::atomic<long> deleted{0};
    ParallelRows(threads, 1, [&](int, int) {
        long mine = 0;
        for (int k = bands.Take(); k < bands.count(); k = bands.Take()) mine += ThinBand(pass, bands, k);
        deleted.fetch_add(mine, std::memory_order_relaxed);
    });
    return deleted.load(std::memory_order_relaxed);
}

// Runs the passes in turn, each on the threads while the deletions of the
// two before it are many; true when the last two deleted anything.
class PassRunner {
public:
    explicit PassRunner(int threads) : m_threads(threads) {}
    void Run(const PlanePass& pass) {
        const long deleted = ThinPlanePass(pass, m_before + m_last >= kParallelDeletions ? m_threads : 1);
        m_before = m_last;
        m_last = deleted;
    }
    bool Changing() const { return m_before + m_last > 0; }

private:
    int m_threads;
    long m_before = kParallelDeletions, m_last = kParallelDeletions;
};

}  // namespace

// The horizontal pass walks the image as a plane whose rows go from the top;
// the vertical pass walks a transposed copy, whose rows are the columns from
// the left, each from the top, so both passes read memory in order. Every
// deletion is made in both copies.
void ThinImage(ImageView image, int threads) {
    if (!Usable(image) || image.height < 3 || image.width < 3) return;
    Plane rows = raster_detail::TopDownPlane(image);
    if (static_cast<long>(image.width) * image.height < kParallelPixels) threads = 1;
    threads = ThinThreads(threads);
    // A pass looks first at the pixels it examines, black ones with a white
    // neighbour along the row; any other pixel can only become one through a
    // deletion next to it, which marks it.
    BitRows rowsDirty(rows.rows, rows.cols);
    raster_detail::MarkBlackBesideWhite(rows, rowsDirty);
    // The first horizontal pass runs before the copy exists.
    PassRunner passes(threads);
    passes.Run({rows, &rowsDirty, &ThinDeleteTable, nullptr, nullptr});

    LargeBlock<std::uint8_t> store;
    Plane columns = raster_detail::TransposedPlane(rows, store);
    BitRows columnsDirty(columns.rows, columns.cols);
    raster_detail::MarkBlackBesideWhite(columns, columnsDirty);
    const std::array<std::uint8_t, 256> columnTable = TransposedTable();
    const PlanePass horizontal{rows, &rowsDirty, &ThinDeleteTable, &columns, &columnsDirty};
    const PlanePass vertical{columns, &columnsDirty, &columnTable, &rows, &rowsDirty};
    passes.Run(vertical);
    while (passes.Changing()) {
        passes.Run(horizontal);
        passes.Run(vertical);
    }
}

}  // namespace lintra
