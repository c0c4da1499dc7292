// Saved input rows for the filters that write in place; not part of the
// library's interface.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/image_view.h"
#include "raster/raster_private.h"

namespace lintra::raster_detail {

// Saves input rows before the output overwrites them, so a filter can write
// in place while every window reads the unchanged input: for output row y
// the ring holds input rows y - anchorRow .. y - anchorRow + rows - 1. A ring
// serves the output rows begin .. end - 1 of one band; the input rows its
// windows read below begin and from end up belong to other bands, so they
// are copied when the ring is made, before any band writes.
class RowRing {
public:
    RowRing(ImageView image, int rows, int anchorRow, int begin, int end)
        : m_image(image),
          m_rows(rows),
          m_anchor(anchorRow),
          m_tailStart(end),
          m_store(static_cast<std::size_t>(rows) * Width()),
          m_tail(static_cast<std::size_t>(rows - anchorRow - 1) * Width()) {
        for (int r = 0; r < rows - anchorRow - 1; ++r)
            std::memcpy(m_tail.data() + static_cast<std::size_t>(r) * Width(), image.row(end + r), Width());
        for (int r = begin - anchorRow; r < begin - anchorRow + rows - 1; ++r) Save(r);
    }
    // Call once per output row, in increasing y, before reading its window.
    void Advance(int y) { Save(y - m_anchor + m_rows - 1); }
    // Input row y - anchorRow + k of output row y.
    const std::uint8_t* Row(int y, int k) const { return Slot(y - m_anchor + k); }

private:
    std::size_t Width() const { return static_cast<std::size_t>(m_image.width); }
    void Save(int r) {
        const std::uint8_t* from = r < m_tailStart
                                       ? m_image.row(r)
                                       : m_tail.data() + static_cast<std::size_t>(r - m_tailStart) * Width();
        std::memcpy(const_cast<std::uint8_t*>(Slot(r)), from, Width());
    }
    const std::uint8_t* Slot(int r) const {
        return m_store.data() + static_cast<std::size_t>(r % m_rows) * Width();
    }

    ImageView m_image;
    int m_rows;
    int m_anchor;
    int m_tailStart;
    std::vector<std::uint8_t> m_store;
    std::vector<std::uint8_t> m_tail;
};

// Runs band(ring, begin, end) for the output rows anchorRow .. height - rows
// + anchorRow of a window rows high, split into bands that run at once; the
// band walks its rows upwards, advancing its ring at each.
template <typename Band>
void InRingBands(ImageView image, int rows, int anchorRow, Band band) {
    const std::vector<RowBand> bands = SplitRows(anchorRow, image.height - rows + 1, image.width);
    std::vector<RowRing> rings;
    rings.reserve(bands.size());
    for (const RowBand& b : bands) rings.emplace_back(image, rows, anchorRow, b.begin, b.end);
    ForEachBand(bands.size(), [&](std::size_t k) { band(rings[k], bands[k].begin, bands[k].end); });
}

// Copies, taken before any band runs, of the row just below each band
// (begin - 1) when below is true, else of the row just above it (end); the
// copy for band k starts at k x width.
std::vector<std::uint8_t> SaveRowsBeside(ImageView image, const std::vector<RowBand>& bands, bool below);

// Rewrites rows 1 .. h - 2 of an image more than 2 pixels wide and high, in
// bands, each row from itself and the row below it (y - 1): rowFn(row,
// below, out) fills out[1 .. w - 2], which then replaces the row's inner
// pixels; the border columns and the top and bottom rows become white.
// Going downwards through a band, both rows read are unchanged until the
// row itself is written, but for the row below the band's bottom, which the
// band below may write first: it is saved before the bands start.
template <typename RowFn>
void RewriteFromRowBelow(ImageView image, RowFn rowFn) {
    const int w = image.width, h = image.height;
    std::memset(image.row(h - 1), 255, static_cast<std::size_t>(w));
    const std::vector<RowBand> bands = SplitRows(1, h - 2, w);
    const std::vector<std::uint8_t> saved = SaveRowsBeside(image, bands, true);
    ForEachBand(bands.size(), [&](std::size_t k) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(w));
        for (int y = bands[k].end - 1; y >= bands[k].begin; --y) {
            std::uint8_t* row = image.row(y);
            const std::uint8_t* below =
                y == bands[k].begin ? saved.data() + k * static_cast<std::size_t>(w) : image.row(y - 1);
            rowFn(row, below, out.data());
            std::memcpy(row + 1, out.data() + 1, static_cast<std::size_t>(w - 2));
            row[0] = 255;
            row[w - 1] = 255;
        }
    });
    std::memset(image.row(0), 255, static_cast<std::size_t>(w));
}

}  // namespace lintra::raster_detail
