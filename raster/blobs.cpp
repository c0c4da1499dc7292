#include "raster/blobs.h"

#include <cstring>

#include "raster/raster_private.h"

namespace lintra {

namespace {

// The labelling works on runs of black pixels: runs of one row that touch
// (8-connectivity: overlapping or meeting at a corner) runs of the row above
// are joined in a union-find forest. One pass finds and joins the runs, one more labels them and sums the
// areas; removal then rewrites only the runs of small blobs. Labelling pixel
// by pixel with merges by relabelling gives the same blobs (every pair of
// 8-adjacent black pixels ends with one label), at a cost that grows with
// every merge.

std::uint32_t FindRoot(std::vector<std::uint32_t>& links, std::uint32_t i) {
    while (links[i] != i) {
        links[i] = links[links[i]];  // path halving
        i = links[i];
    }
    return i;
}

// Joins the sets of a and b, the shallower tree under the deeper one, which
// with path halving keeps every find all but constant.
void Join(std::vector<std::uint32_t>& links, std::vector<std::uint8_t>& ranks, std::uint32_t a,
          std::uint32_t b) {
    a = FindRoot(links, a);
    b = FindRoot(links, b);
    if (a == b) return;
    if (ranks[a] < ranks[b]) {
        links[a] = b;
    } else {
        links[b] = a;
        if (ranks[a] == ranks[b]) ++ranks[a];
    }
}

// Appends the runs of value 0 among x = 1 .. W-2 of row y.
void FindRuns(const std::uint8_t* row, int y, int width, std::vector<BlobRun>& runs) {
    const int last = width - 2;
    int x = 1;
    while (x <= last) {
        const void* hit = std::memchr(row + x, 0, static_cast<std::size_t>(last - x + 1));
        if (hit == nullptr) break;
        const int x0 = static_cast<int>(static_cast<const std::uint8_t*>(hit) - row);
        int x1 = x0;
        while (x1 < last && row[x1 + 1] == 0) ++x1;
        runs.push_back({y, x0, x1, 0});
        x = x1 + 2;  // row[x1 + 1] is not black
    }
}

// Joins every run of runs[begin, end) (one row) with the runs it touches in
// runs[aboveBegin, aboveEnd) (the row above). Both rows' runs are sorted by
// x: one sweep finds every touching pair.
void JoinRows(std::vector<BlobRun>& runs, std::vector<std::uint32_t>& links, std::vector<std::uint8_t>& ranks,
              std::size_t aboveBegin, std::size_t aboveEnd, std::size_t begin, std::size_t end) {
    std::size_t j = aboveBegin;
    for (std::size_t i = begin; i < end; ++i) {
        const BlobRun& run = runs[i];
        while (j < aboveEnd && runs[j].x1 < run.x0 - 1) ++j;
        for (std::size_t k = j; k < aboveEnd && runs[k].x0 <= run.x1 + 1; ++k)
            Join(links, ranks, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(k));
    }
}

// The runs of one band of rows, found and joined on a thread of their own,
// with indices counted from the band's first run.
struct BandRuns {
    std::vector<BlobRun> runs;
    std::vector<std::uint32_t> links;
    std::vector<std::uint8_t> ranks;
    std::size_t topRowEnd = 0;       // runs[0, topRowEnd): the band's top row
    std::size_t bottomRowBegin = 0;  // runs[bottomRowBegin, end): its bottom row
};

// Finds the runs of rows end - 1 down to begin and joins those that touch.
void FindBandRuns(ImageView image, int begin, int end, BandRuns& band) {
    std::size_t aboveBegin = 0;
    std::size_t aboveEnd = 0;
    for (int y = end - 1; y >= begin; --y) {
        const std::size_t first = band.runs.size();
        FindRuns(image.row(y), y, image.width, band.runs);
        const std::size_t last = band.runs.size();
        for (std::size_t i = first; i < last; ++i) band.links.push_back(static_cast<std::uint32_t>(i));
        band.ranks.resize(last, 0);
        JoinRows(band.runs, band.links, band.ranks, aboveBegin, aboveEnd, first, last);
        if (y == end - 1) band.topRowEnd = last;
        aboveBegin = first;
        aboveEnd = last;
    }
    band.bottomRowBegin = aboveBegin;
}

}  // namespace

void LabelBlackBlobs(BlobLabelState& state, ImageView image) {
    state.labelCounter = 0;
    state.area.assign(1, 0);
    state.runs.clear();
    state.links.clear();
    state.ranks.clear();
    if (image.empty() || image.bitCount > 8 || image.width < 3 || image.height < 3) return;
    // Run indices are 32-bit; a BMP's pixel rows fit in 4 GB, which keeps the
    // number of runs (at most half the pixels) far below the limit.
    const std::uint64_t interior = static_cast<std::uint64_t>(image.width - 2) * (image.height - 2);
    if (interior >= (std::uint64_t{1} << 32)) return;

    // Bands of rows find and join their runs at once. The top band, first in
    // the scan, works in the state's own storage (kept between calls); the
    // others are appended below it in scan order, their links moved by their
    // offset, and each joined to the band above along their common border.
    // The blobs, and so the labels handed out below, do not depend on the
    // shape of the forest.
    // One band a thread: each band's tables start empty and grow, and fresh
    // memory costs a fault a page, so the fewer and larger the better. A
    // state with no storage yet (a first labelling) grows its own tables on
    // one band: the faults of a second set would cost more than the second
    // thread saves. Later runs (the parameter dialog's) reuse the storage.
    const bool firstRun = state.runs.capacity() == 0;
    const std::vector<raster_detail::RowBand> bands =
        firstRun ? std::vector<raster_detail::RowBand>{{1, image.height - 1}}
                 : raster_detail::SplitRows(1, image.height - 2, image.width, 1);
    std::vector<BandRuns> parts(bands.size());
    BandRuns& all = parts.back();
    all.runs.swap(state.runs);
    all.links.swap(state.links);
    all.ranks.swap(state.ranks);
    raster_detail::ForEachBand(
        bands.size(), [&](std::size_t k) { FindBandRuns(image, bands[k].begin, bands[k].end, parts[k]); });
    std::size_t aboveBegin = all.bottomRowBegin;
    std::size_t aboveEnd = all.runs.size();
    for (std::size_t k = bands.size() - 1; k-- > 0;) {
        const BandRuns& part = parts[k];
        const std::size_t offset = all.runs.size();
        all.runs.insert(all.runs.end(), part.runs.begin(), part.runs.end());
        for (std::uint32_t link : part.links) all.links.push_back(link + static_cast<std::uint32_t>(offset));
        all.ranks.insert(all.ranks.end(), part.ranks.begin(), part.ranks.end());
        JoinRows(all.runs, all.links, all.ranks, aboveBegin, aboveEnd, offset, offset + part.topRowEnd);
        aboveBegin = offset + part.bottomRowBegin;
        aboveEnd = all.runs.size();
    }
    state.runs.swap(all.runs);
    state.links.swap(all.links);
    state.ranks.swap(all.ranks);
    std::vector<BlobRun>& runs = state.runs;
    std::vector<std::uint32_t>& links = state.links;

    // Labels in the order the scan meets the blobs: a blob's label is handed
    // out at its first run, whichever run is its root.
    for (std::size_t i = 0; i < runs.size(); ++i) {
        BlobRun& root = runs[FindRoot(links, static_cast<std::uint32_t>(i))];
        if (root.label == 0) {
            root.label = ++state.labelCounter;
            state.area.push_back(0);
        }
        runs[i].label = root.label;
        state.area[static_cast<std::size_t>(root.label)] += runs[i].x1 - runs[i].x0 + 1;
    }
}

void RemoveSmallBlackBlobs(BlobLabelState& state, ImageView image, int minimumArea) {
    LabelBlackBlobs(state, image);
    if (minimumArea > 1) {
        for (const BlobRun& run : state.runs) {
            if (state.area[static_cast<std::size_t>(run.label)] < minimumArea)
                std::memset(image.row(run.y) + run.x0, 255, static_cast<std::size_t>(run.x1 - run.x0 + 1));
        }
    }
    state.runs.clear();
    state.links.clear();
    state.ranks.clear();
}

}  // namespace lintra
