#include "vector/vectorise/isolated_watch.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "vector/vectorise/vectorise1.h"

namespace lintra {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// A well-mixed 64-bit value for each (position, value, seed).
std::uint64_t Mix(std::size_t i, std::uint8_t value, std::uint64_t seed) {
    std::uint64_t z = (static_cast<std::uint64_t>(i) << 8 | value) + seed;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Whether a pixel of this value with this many white neighbours changes
// under the pass with neighbour count k.
bool Changes(std::uint8_t value, int white, int k) {
    return (value == 255 && white <= 8 - k) || (value == 0 && white >= k);
}

}  // namespace

IsolatedWatch::IsolatedWatch(ImageView work) : m_work(work), m_firstBlackened(kNone) {
    const std::ptrdiff_t s = work.stride;
    const std::ptrdiff_t around[8] = {-s - 1, -s, -s + 1, -1, 1, s - 1, s, s + 1};
    std::copy(around, around + 8, m_around);
    m_flags.assign(work.byteSize(), kNever);
    for (int y = 1; y < work.height - 1; ++y) {
        const std::uint8_t* row = work.row(y);
        for (int x = 1; x < work.width - 1; ++x) {
            if (row[x] != 0 && row[x] != 255) continue;
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(s) + x;
            m_flags[i] = 0;
            ++m_changeable;
            if (Changes(row[x], WhiteAround(i), kPeelIsolatedNeighbours)) AddCandidate(i);
        }
    }
}

int IsolatedWatch::WhiteAround(std::size_t i) const {
    const std::uint8_t* p = m_work.pixels + i;
    int white = 0;
    for (const std::ptrdiff_t o : m_around) white += p[o] == 255;
    return white;
}

void IsolatedWatch::Record(std::size_t i, std::uint8_t value) {
    std::uint8_t& pixel = m_work.pixels[i];
    m_hash.first += Mix(i, value, 0x9E3779B97F4A7C15ULL) - Mix(i, pixel, 0x9E3779B97F4A7C15ULL);
    m_hash.second += Mix(i, value, 0xD1B54A32D192ED03ULL) - Mix(i, pixel, 0xD1B54A32D192ED03ULL);
    pixel = value;
}

void IsolatedWatch::AddCandidate(std::size_t i) {
    if (m_flags[i] & (kNever | kCandidate)) return;
    m_flags[i] |= kCandidate;
    m_candidates.push_back(i);
}

void IsolatedWatch::Set(std::size_t i, std::uint8_t value) {
    if (m_work.pixels[i] == value) return;
    Record(i, value);
    AddCandidate(i);
    for (const std::ptrdiff_t o : m_around) AddCandidate(i + o);
}

void IsolatedWatch::Pass(int k) {
    std::vector<std::size_t>& todo = m_todo;
    todo.swap(m_candidates);
    m_candidates.clear();
    std::sort(todo.begin(), todo.end());
    for (const std::size_t i : todo) m_flags[i] = (m_flags[i] & ~kCandidate) | kQueued;
    // m_later is a min-heap of the pixels after the one being decided whose
    // neighbourhood has changed.
    std::vector<std::size_t>& later = m_later;
    const auto byPosition = std::greater<>();
    std::size_t next = 0;
    while (true) {
        std::size_t i;
        if (next < todo.size() && (later.empty() || todo[next] < later.front())) {
            i = todo[next++];
        } else if (!later.empty()) {
            std::pop_heap(later.begin(), later.end(), byPosition);
            i = later.back();
            later.pop_back();
        } else {
            break;
        }
        m_flags[i] &= ~kQueued;
        const std::uint8_t value = m_work.pixels[i];
        const int white = WhiteAround(i);
        if (!Changes(value, white, k)) {
            // The k = 8 pass leaves pixels that the k = 7 pass would change.
            if (Changes(value, white, kPeelIsolatedNeighbours)) AddCandidate(i);
            continue;
        }
        const std::uint8_t changed = value == 0 ? 255 : 0;
        Record(i, changed);
        if (changed == 0) m_firstBlackened = std::min(m_firstBlackened, i);
        for (const std::ptrdiff_t o : m_around) {
            const std::size_t j = i + o;
            if (m_flags[j] & kNever) continue;
            if (j < i) {
                AddCandidate(j);  // already decided in this pass: the next pass looks again
            } else if (!(m_flags[j] & kQueued)) {
                m_flags[j] |= kQueued;
                later.push_back(j);
                std::push_heap(later.begin(), later.end(), byPosition);
            }
        }
    }
}

bool IsolatedWatch::TakeFirstBlackened(int& x, int& y) {
    if (m_firstBlackened == kNone) return false;
    const std::size_t stride = static_cast<std::size_t>(m_work.stride);
    x = static_cast<int>(m_firstBlackened % stride);
    y = static_cast<int>(m_firstBlackened / stride);
    m_firstBlackened = kNone;
    return true;
}

}  // namespace lintra
