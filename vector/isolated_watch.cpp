#include "vector/isolated_watch.h"

#include <algorithm>
#include <functional>
#include <limits>

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

IsolatedWatch::IsolatedWatch(ImageView work) : work_(work), firstBlackened_(kNone) {
    const std::ptrdiff_t s = work.stride;
    const std::ptrdiff_t around[8] = {-s - 1, -s, -s + 1, -1, 1, s - 1, s, s + 1};
    std::copy(around, around + 8, around_);
    flags_.assign(work.byteSize(), kNever);
    for (int y = 1; y < work.height - 1; ++y) {
        const std::uint8_t* row = work.row(y);
        for (int x = 1; x < work.width - 1; ++x) {
            if (row[x] != 0 && row[x] != 255) continue;
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(s) + x;
            flags_[i] = 0;
            ++changeable_;
            if (Changes(row[x], WhiteAround(i), 7)) AddCandidate(i);
        }
    }
}

int IsolatedWatch::WhiteAround(std::size_t i) const {
    const std::uint8_t* p = work_.pixels + i;
    int white = 0;
    for (const std::ptrdiff_t o : around_) white += p[o] == 255;
    return white;
}

void IsolatedWatch::Record(std::size_t i, std::uint8_t value) {
    std::uint8_t& pixel = work_.pixels[i];
    hash_.first += Mix(i, value, 0x9E3779B97F4A7C15ULL) - Mix(i, pixel, 0x9E3779B97F4A7C15ULL);
    hash_.second += Mix(i, value, 0xD1B54A32D192ED03ULL) - Mix(i, pixel, 0xD1B54A32D192ED03ULL);
    pixel = value;
}

void IsolatedWatch::AddCandidate(std::size_t i) {
    if (flags_[i] & (kNever | kCandidate)) return;
    flags_[i] |= kCandidate;
    candidates_.push_back(i);
}

void IsolatedWatch::Set(std::size_t i, std::uint8_t value) {
    if (work_.pixels[i] == value) return;
    Record(i, value);
    AddCandidate(i);
    for (const std::ptrdiff_t o : around_) AddCandidate(i + o);
}

void IsolatedWatch::Pass(int k) {
    std::vector<std::size_t>& todo = todo_;
    todo.swap(candidates_);
    candidates_.clear();
    std::sort(todo.begin(), todo.end());
    for (const std::size_t i : todo) flags_[i] = (flags_[i] & ~kCandidate) | kQueued;
    // later_ is a min-heap of the pixels after the one being decided whose
    // neighbourhood has changed.
    std::vector<std::size_t>& later = later_;
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
        flags_[i] &= ~kQueued;
        const std::uint8_t value = work_.pixels[i];
        const int white = WhiteAround(i);
        if (!Changes(value, white, k)) {
            // The k = 8 pass leaves pixels that the k = 7 pass would change.
            if (Changes(value, white, 7)) AddCandidate(i);
            continue;
        }
        const std::uint8_t changed = value == 0 ? 255 : 0;
        Record(i, changed);
        if (changed == 0) firstBlackened_ = std::min(firstBlackened_, i);
        for (const std::ptrdiff_t o : around_) {
            const std::size_t j = i + o;
            if (flags_[j] & kNever) continue;
            if (j < i) {
                AddCandidate(j);  // already decided in this pass: the next pass looks again
            } else if (!(flags_[j] & kQueued)) {
                flags_[j] |= kQueued;
                later.push_back(j);
                std::push_heap(later.begin(), later.end(), byPosition);
            }
        }
    }
}

bool IsolatedWatch::TakeFirstBlackened(int& x, int& y) {
    if (firstBlackened_ == kNone) return false;
    const std::size_t stride = static_cast<std::size_t>(work_.stride);
    x = static_cast<int>(firstBlackened_ % stride);
    y = static_cast<int>(firstBlackened_ / stride);
    firstBlackened_ = kNone;
    return true;
}

}  // namespace lintra
