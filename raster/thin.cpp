// Thinning: repeated sequential horizontal and vertical deletion passes with
// the table lookup on the picture held as bits, each pass visiting only the
// pixels that may have changed and, when asked, shared out over worker
// threads in diagonal bands with the same result.
#include "raster/thin.h"

#if defined(__linux__)
#include <sched.h>
#endif

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "base/parallel_rows.h"
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
using raster_detail::Bits3;
using raster_detail::DiagonalBands;
using raster_detail::Plane;

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
    int rows, cols;
    BitRows* white;
    const BitRows* grey;  // null when every pixel is black or white
    BitRows* dirty;
    const std::array<std::uint8_t, 256>* table;
    BitRows* mirror;  // null in the first pass, before the transposed copy exists
    BitRows* mirrorDirty;
};

// The pattern index of position j of row i of a plane of bits (white set),
// with the bits laid out as for the horizontal pass: the row visited before
// gives NW, N, NE, the row itself W and E, the row visited after SW, S, SE.
inline unsigned PlaneIndex(const BitRows& bits, int i, int j) {
    const int first = j - 1, shift = first & 63;
    const std::uint64_t* word = bits.row(i) + (first >> 6);
    const unsigned here = Bits3(word, shift);
    return Bits3(word - bits.stride(), shift) | (here & 1u) << 3 | (here & 4u) << 2 |
           Bits3(word + bits.stride(), shift) << 5;
}

// The positions of bits lo .. hi - 1 of a word (0 <= lo < hi <= 64).
inline std::uint64_t BitRange(int lo, int hi) {
    const std::uint64_t upTo = hi == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1;
    return upTo & (~std::uint64_t{0} << lo);
}

// Positions j .. end - 1 of row i of a sequential pass over a plane: from
// the left, a black pixel with a white neighbour along the row is looked up,
// and a deletion skips the next pixel of the row. j is left where the row's
// run continues (end, or end + 1 after a skip). Returns the number deleted.
//
// Only marked pixels are visited, in the order of the literal pass. A pixel's
// mark is cleared when it is decided and set again whenever a neighbour is
// deleted, so an unmarked pixel has the neighbourhood it was last decided on
// (not deleted) and the literal pass would leave it too. Only black
// neighbours are marked: no pixel ever turns black, and grey pixels (neither
// black nor white) never change, so a marked pixel is black unless it has
// been deleted since. A deletion marks its neighbours in both planes: those
// still ahead in this pass are visited in it, the others in the next pass of
// each kind. The pixel a deletion skips keeps its mark for the next pass.
// With a mirror plane, each deletion is copied there (at the transposed
// position).
//
// The marks are taken a word at a time. Most marked pixels have no white
// neighbour along the row, or are white: those are decided for the whole
// word at once from its bits. That answer is the one each would get when
// visited in turn, since a deletion changes only the pixels beside it and
// the one after it is skipped.
long ThinRowSpan(const PlanePass& pass, int i, int& j, int end) {
    BitRows& dirty = *pass.dirty;
    const std::array<std::uint8_t, 256>& table = *pass.table;
    std::uint64_t* cur = pass.white->row(i);
    std::uint64_t* marks = dirty.row(i);
    long deleted = 0;
    while (j < end) {
        // The next word with a mark at or after j (most words have none).
        int w = j >> 6;
        for (std::uint64_t from = marks[w] >> (j & 63); from == 0; from = marks[w]) {
            if (++w * 64 >= end) {
                j = end;
                return deleted;
            }
        }
        const int base = w * 64;
        j = std::max(j, base);
        const int wordEnd = std::min(end, base + 64);
        const std::uint64_t visit = marks[w] & BitRange(j - base, wordEnd - base);
        if (visit == 0) {
            j = wordEnd;
            continue;
        }
        marks[w] &= ~visit;
        for (std::uint64_t candidates = visit & raster_detail::BesideWhite(cur, static_cast<std::size_t>(w));
             candidates != 0; candidates &= candidates - 1) {
            const int at = base + std::countr_zero(candidates);
            if (at < j) continue;  // skipped after a deletion: keeps its mark
            const unsigned index = PlaneIndex(*pass.white, i, at);
            if (!table[index]) continue;
            cur[w] |= std::uint64_t{1} << (at & 63);
            ++deleted;
            // Bits of the black neighbours, in pattern order (NW N NE W E SW
            // S SE as the plane lays them out).
            unsigned dark = ~index & 0xFFu;
            if (pass.grey != nullptr) dark &= ~PlaneIndex(*pass.grey, i, at);
            dirty.Mark3x3(i, at, dark & 7u, (dark >> 3 & 1u) | (dark >> 2 & 4u), dark >> 5);
            if (pass.mirror != nullptr) {
                pass.mirror->row(at)[i >> 6] |= std::uint64_t{1} << (i & 63);
                pass.mirrorDirty->Mark3x3(at, i, (dark & 1u) | (dark >> 2 & 2u) | (dark >> 3 & 4u),
                                          (dark >> 1 & 1u) | (dark >> 4 & 4u),
                                          (dark >> 2 & 1u) | (dark >> 3 & 2u) | (dark >> 5 & 4u));
            }
            // The next pixel is skipped; a mark it had stays.
            j = at + 2;
            if (at + 1 < wordEnd) marks[w] |= visit & std::uint64_t{1} << ((at + 1) & 63);
        }
        j = std::max(j, wordEnd);
    }
    return deleted;
}

// Band k of a pass on one of several threads: its part of each row, the
// rows in order, each once the band before has gone far enough (see
// thin_wavefront.h).
long ThinBand(const PlanePass& pass, DiagonalBands& bands, int k) {
    const int cols = pass.cols, last = pass.rows - 2;
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

// Passes that follow two passes that between them deleted fewer than one
// pixel in this many run on the calling thread alone: sharing out costs a
// look at every mark word, which their few marks would not repay.
constexpr long kPixelsPerParallelDeletion = 256;
// Bands per thread: two, so that bands of unequal work even out, yet each
// band spans several cache lines of every row: two threads writing the
// words either side of a band's edge share a line, and more bands meant
// more such lines and more calls per row.
constexpr int kBandsPerThread = 2;

// Bands of diagonals holding about equal numbers of marks, from the marks
// counted per word (a word's marks counted at the diagonal of its first
// position) in a sample of the rows.
std::vector<int> BalancedBands(const PlanePass& pass, int threads) {
    const BitRows& dirty = *pass.dirty;
    const int words = pass.cols / 64 + 1;
    std::vector<long> perDiagonal(static_cast<std::size_t>((pass.rows + 63) / 64 + words + 1), 0);
    long total = 0;
    // Every eighth row is enough to share the work out, and takes an eighth
    // of the time every thread but this one spends waiting.
    for (int i = 1; i + 1 < pass.rows; i += 8) {
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
    bounds.push_back(std::max(bounds.back(), pass.rows + pass.cols));  // past every diagonal
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
// Returns the number of pixels deleted. crowded is set when the threads
// spent more than a quarter of the pass waiting on one that was not running
// (more threads than free CPUs).
long ThinPlanePass(const PlanePass& pass, int threads, bool& crowded) {
    const int rows = pass.rows - 2;  // rows 1 .. pass.rows - 2
    if (rows <= 0) return 0;
    if (threads <= 1) {
        long deleted = 0;
        for (int i = 1; i <= rows; ++i) {
            int j = 1;
            deleted += ThinRowSpan(pass, i, j, pass.cols - 1);
        }
        return deleted;
    }
    DiagonalBands bands(BalancedBands(pass, threads), rows);
    std::atomic<long> deleted{0};
    const auto start = std::chrono::steady_clock::now();
    ParallelRows(threads, 1, [&](int, int) {
        long mine = 0;
        for (int k = bands.Take(); k < bands.count(); k = bands.Take()) mine += ThinBand(pass, bands, k);
        deleted.fetch_add(mine, std::memory_order_relaxed);
    });
    crowded = bands.stalled() * 4 > std::chrono::steady_clock::now() - start;
    return deleted.load(std::memory_order_relaxed);
}

// Runs the passes in turn, each on the threads while the deletions of the
// two before it are many; true when the last two deleted anything.
//
// Whether the threads pay depends on the machine: on CPUs that other work
// (or another virtual machine) keeps busy, threads that wait on one another
// can take longer than one alone. So the first two passes run on one
// thread, the third (the probe) on the threads, and unless it deletes pixels
// clearly faster than the second did, the rest run on one. The second and
// third are the first to copy their deletions into the transposed plane and
// delete at about the same rate on one thread (on the 600-dpi page 40 and 38
// thousand a millisecond; the first pass, without the copy, twice that).
// The rest run on one thread too once a pass finds a thread waiting on one
// that was not running at all.
class PassRunner {
public:
    PassRunner(int threads, long pixels)
        : m_threads(threads), m_enough(pixels / kPixelsPerParallelDeletion + 1), m_before(m_enough) {}
    void Run(const PlanePass& pass) {
        int threads = m_before + m_last >= m_enough ? m_threads : 1;
        if (m_pass < kProbe) threads = 1;
        bool crowded = false;
        const auto start = std::chrono::steady_clock::now();
        const long deleted = ThinPlanePass(pass, threads, crowded);
        const double rate = static_cast<double>(deleted) /
                            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (m_pass == kProbe - 1) m_aloneRate = rate;
        if (m_pass == kProbe && threads > 1 && rate < 1.15 * m_aloneRate) crowded = true;
        if (crowded) m_threads = 1;
        ++m_pass;
        m_before = m_last;
        m_last = deleted;
    }
    bool Changing() const { return m_before + m_last > 0; }

private:
    static constexpr int kProbe = 2;  // the second horizontal pass
    int m_threads;
    long m_enough;  // deletions in two passes that make the next one worth sharing out
    long m_before, m_last = 0;
    int m_pass = 0;
    double m_aloneRate = 0;  // pixels deleted a second on one thread
};

}  // namespace

// The passes work on the image as bits, a row of them per row from the top,
// and the vertical pass on a transposed copy of those, whose rows are the
// columns from the left, each from the top, so both passes read memory in
// order. Every deletion is made in both copies, and in the image at the end.
void ThinImage(ImageView image, int threads) {
    if (!Usable(image) || image.height < 3 || image.width < 3) return;
    const Plane pixels = raster_detail::TopDownPlane(image);
    const int rows = pixels.rows, cols = pixels.cols;
    if (static_cast<long>(cols) * rows < kParallelPixels) threads = 1;
    threads = ThinThreads(threads);
    BitRows white(rows, cols);
    std::unique_ptr<BitRows> grey;
    if (!raster_detail::PackWhite(pixels, white)) {
        grey = std::make_unique<BitRows>(rows, cols);
        raster_detail::PackGrey(pixels, *grey);
    }
    // A pass looks first at the pixels it examines, black ones with a white
    // neighbour along the row; any other pixel can only become one through a
    // deletion next to it, which marks it.
    BitRows rowsDirty(rows, cols);
    raster_detail::MarkBlackBesideWhite(white, grey.get(), rows, cols, rowsDirty);
    // The first horizontal pass runs before the copy exists.
    PassRunner passes(threads, static_cast<long>(rows) * cols);
    passes.Run({rows, cols, &white, grey.get(), &rowsDirty, &ThinDeleteTable, nullptr, nullptr});

    BitRows columns(cols, rows);
    raster_detail::TransposeBits(white, rows, cols, columns);
    std::unique_ptr<BitRows> columnsGrey;
    if (grey) {
        columnsGrey = std::make_unique<BitRows>(cols, rows);
        raster_detail::TransposeBits(*grey, rows, cols, *columnsGrey);
    }
    BitRows columnsDirty(cols, rows);
    raster_detail::MarkBlackBesideWhite(columns, columnsGrey.get(), cols, rows, columnsDirty);
    const std::array<std::uint8_t, 256> columnTable = TransposedTable();
    const PlanePass horizontal{rows,     cols,         &white, grey.get(), &rowsDirty, &ThinDeleteTable,
                               &columns, &columnsDirty};
    const PlanePass vertical{cols,          rows,         &columns, columnsGrey.get(),
                             &columnsDirty, &columnTable, &white,   &rowsDirty};
    passes.Run(vertical);
    while (passes.Changing()) {
        passes.Run(horizontal);
        passes.Run(vertical);
    }
    raster_detail::UnpackWhite(white, pixels);
}

}  // namespace lintra
