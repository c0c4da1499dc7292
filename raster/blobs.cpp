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

// Calls found(x0, x1) for each run of value 0 among x = 1 .. W-2 of row,
// from the left.
template <typename Found>
void ForEachRun(const std::uint8_t* row, int width, Found found) {
    const int last = width - 2;
    int x = 1;
    while (x <= last) {
        const void* hit = std::memchr(row + x, 0, static_cast<std::size_t>(last - x + 1));
        if (hit == nullptr) break;
        const int x0 = static_cast<int>(static_cast<const std::uint8_t*>(hit) - row);
        int x1 = x0;
        while (x1 < last && row[x1 + 1] == 0) ++x1;
        found(x0, x1);
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

// Where a band's runs lie in the state's tables.
struct BandRuns {
    std::size_t first = 0;           // index of its first run
    std::size_t topRowEnd = 0;       // [first, topRowEnd): its top row's runs
    std::size_t bottomRowBegin = 0;  // [bottomRowBegin, end): its bottom row's
};

// Finds the runs of rows end - 1 down to begin, each a set of its own, and
// joins those that touch. The runs go to the tables from band.first on: by
// appending when grow is set, else into places already there (so bands can
// fill their own parts at once; joins stay within the band's part).
void FindBandRuns(ImageView image, int begin, int end, bool grow, BlobLabelState& state, BandRuns& band) {
    std::size_t next = band.first;
    std::size_t aboveBegin = next, aboveEnd = next;
    for (int y = end - 1; y >= begin; --y) {
        const std::size_t rowBegin = next;
        ForEachRun(image.row(y), image.width, [&](int x0, int x1) {
            if (grow) {
                state.runs.push_back({y, x0, x1, 0});
                state.links.push_back(static_cast<std::uint32_t>(next));
                state.ranks.push_back(0);
            } else {
                state.runs[next] = {y, x0, x1, 0};
                state.links[next] = static_cast<std::uint32_t>(next);
                state.ranks[next] = 0;
            }
            ++next;
        });
        JoinRows(state.runs, state.links, state.ranks, aboveBegin, aboveEnd, rowBegin, next);
        if (y == end - 1) band.topRowEnd = next;
        aboveBegin = rowBegin;
        aboveEnd = next;
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

    // One band appends its runs as it finds them. Several first count their
    // runs, then each fills and joins its own part of the tables at once,
    // top band first as the scan goes; each band is then joined to the band
    // above along their common border. The blobs, and so the labels handed
    // out below, do not depend on the shape of the forest.
    const std::vector<raster_detail::RowBand> bands =
        raster_detail::SplitRows(1, image.height - 2, image.width);
    std::vector<BandRuns> parts(bands.size());
    if (bands.size() == 1) {
        FindBandRuns(image, bands[0].begin, bands[0].end, true, state, parts[0]);
    } else {
        std::vector<std::size_t> counts(bands.size(), 0);
        raster_detail::ForEachBand(bands.size(), [&](std::size_t k) {
            for (int y = bands[k].begin; y < bands[k].end; ++y)
                ForEachRun(image.row(y), image.width, [&](int, int) { ++counts[k]; });
        });
        std::size_t total = 0;
        for (std::size_t k = bands.size(); k-- > 0;) {
            parts[k].first = total;
            total += counts[k];
        }
        state.runs.resize(total);
        state.links.resize(total);
        state.ranks.resize(total);
        raster_detail::ForEachBand(bands.size(), [&](std::size_t k) {
            FindBandRuns(image, bands[k].begin, bands[k].end, false, state, parts[k]);
        });
        for (std::size_t k = bands.size() - 1; k-- > 0;)
            JoinRows(state.runs, state.links, state.ranks, parts[k + 1].bottomRowBegin, parts[k].first,
                     parts[k].first, parts[k].topRowEnd);
    }
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
