#include "vector/vectorise/label_grid.h"

#include <algorithm>

namespace lintra {
namespace {

// A row turns into a plain array past this many numbered pixels: the pairs
// would then cost about as much, and inserting among them would grow with
// the row's width.
std::size_t CrowdedRow(int width) {
    return 64 + static_cast<std::size_t>(width) / 16;
}

bool ByX(const std::pair<std::int32_t, std::int32_t>& entry, std::int32_t x) {
    return entry.first < x;
}

}  // namespace

void LabelGrid::Reset(int width, int height) {
    m_width = width;
    m_height = height;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rows.resize(static_cast<std::size_t>(height));
}

void LabelGrid::Clear() {
    for (std::unique_ptr<Row>& row : m_rows) row.reset();
}

std::int32_t LabelGrid::at(int x, int y) const {
    const Row* row = m_rows[static_cast<std::size_t>(y)].get();
    if (row == nullptr) return 0;
    if (!row->dense.empty()) return row->dense[static_cast<std::size_t>(x)];
    auto it = std::lower_bound(row->sparse.begin(), row->sparse.end(), x, ByX);
    return it != row->sparse.end() && it->first == x ? it->second : 0;
}

void LabelGrid::Set(int x, int y, std::int32_t label) {
    std::unique_ptr<Row>& slot = m_rows[static_cast<std::size_t>(y)];
    if (!slot) {
        if (label == 0) return;
        slot = std::make_unique<Row>();
    }
    Row& row = *slot;
    if (!row.dense.empty()) {
        row.dense[static_cast<std::size_t>(x)] = label;
        return;
    }
    auto it = std::lower_bound(row.sparse.begin(), row.sparse.end(), x, ByX);
    if (it != row.sparse.end() && it->first == x) {
        if (label != 0)
            it->second = label;
        else
            row.sparse.erase(it);
        return;
    }
    if (label == 0) return;
    row.sparse.insert(it, {x, label});
    if (row.sparse.size() > CrowdedRow(m_width)) {
        row.dense.assign(static_cast<std::size_t>(m_width), 0);
        for (const auto& [column, number] : row.sparse) row.dense[static_cast<std::size_t>(column)] = number;
        row.sparse.clear();
        row.sparse.shrink_to_fit();
    }
}

void LabelGrid::AssignRow(int y, const std::pair<std::int32_t, std::int32_t>* first,
                          const std::pair<std::int32_t, std::int32_t>* last) {
    std::unique_ptr<Row>& slot = m_rows[static_cast<std::size_t>(y)];
    slot.reset();
    std::size_t distinct = 0;
    for (const auto* p = first; p != last; ++p) distinct += p + 1 == last || p[1].first != p->first;
    if (distinct == 0) return;
    slot = std::make_unique<Row>();
    if (distinct > CrowdedRow(m_width)) {
        slot->dense.assign(static_cast<std::size_t>(m_width), 0);
        for (const auto* p = first; p != last; ++p)
            slot->dense[static_cast<std::size_t>(p->first)] = p->second;
        return;
    }
    slot->sparse.reserve(distinct);
    for (const auto* p = first; p != last; ++p)
        if (p + 1 == last || p[1].first != p->first) slot->sparse.push_back(*p);
}

}  // namespace lintra
