// The label grid of Vectorise 1: a contour number for every pixel, 0 for
// none, taking memory only where numbers are. A row holds its numbered
// pixels as (x, number) pairs sorted by x, until it has so many that a plain
// array of numbers costs less; only such crowded rows take 4 bytes per
// pixel. A line drawing numbers a few pixels in a hundred.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace lintra {

class LabelGrid {
public:
    LabelGrid() = default;
    LabelGrid(int width, int height) { Reset(width, height); }
    // The given size, every cell 0.
    void Reset(int width, int height);
    // Every cell 0; the memory of the numbers goes back.
    void Clear();
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }

    // The number of pixel (x, y), y = 0 the bottom row; the pixel must lie
    // inside the grid.
    std::int32_t at(int x, int y) const;
    void Set(int x, int y, std::int32_t label);
    // A pixel as one index, y * width() + x, for walks that step by offsets.
    std::size_t Cell(int x, int y) const { return static_cast<std::size_t>(y) * m_width + x; }
    std::int32_t Get(std::size_t cell) const { return at(XOf(cell), YOf(cell)); }
    // Row y from (x, number) pairs sorted by x, the last pair of an x
    // giving its number; the row's earlier numbers are dropped.
    void AssignRow(int y, const std::pair<std::int32_t, std::int32_t>* first,
                   const std::pair<std::int32_t, std::int32_t>* last);

private:
    struct Row {
        std::vector<std::pair<std::int32_t, std::int32_t>> sparse;  // (x, number), by x; numbers not 0
        std::vector<std::int32_t> dense;                            // every x, once the row is crowded
    };
    int XOf(std::size_t cell) const { return static_cast<int>(cell % static_cast<std::size_t>(m_width)); }
    int YOf(std::size_t cell) const { return static_cast<int>(cell / static_cast<std::size_t>(m_width)); }

    int m_width = 0;
    int m_height = 0;
    std::vector<std::unique_ptr<Row>> m_rows;  // null for a row with no number
};

}  // namespace lintra
