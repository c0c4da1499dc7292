// The isolated-point passes (k = 7 and k = 8) over only the pixels that can
// change, for a work image that is peeled contour by contour.
//
// On a picture with grey values, Vectorise 1 may meet an isolated start
// pixel after almost every contour, and each one calls for a clean-up pass
// over the whole image and a check whether the work image has been in this
// state before. Done literally, the cost is the number of such starts times
// the image size. IsolatedWatch keeps what makes both cheap: the set of
// pixels that a pass could change (every pixel the k = 7 rule would change
// is in it, and the k = 8 rule changes fewer), a hash of the work image kept
// up to date change by change, and the first pixel in scan order that a pass
// turned black.
//
// Why a pass over the set alone gives exactly the whole-image pass: a pixel
// outside the set would not change at the start of the pass, and as the pass
// goes in scan order, a pixel's neighbourhood changes before it is visited
// only when an earlier neighbour changed, which puts it into the pass. After
// a pixel changes it no longer meets either rule (a black pixel with seven
// white neighbours turns white and has seven white neighbours), so it needs
// looking at again only when a neighbour changes after it.
//
// Border rule: border pixels and grey pixels (neither 0 nor 255) never
// change and are never in the set; the work image's border must be white.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "image/image_view.h"

namespace lintra {

class IsolatedWatch {
public:
    // Scans work once for the pixels the k = 7 rule would change. work must
    // be 8-bit, at least 3 x 3, with a white border, and outlive the watch.
    explicit IsolatedWatch(ImageView work);

    // Sets the pixel at byte offset i (y * stride + x), which must be black
    // or white, to value: used for every change made to the work image
    // outside Pass.
    void Set(std::size_t i, std::uint8_t value);
    // Gives exactly RemoveIsolatedPoints(work, k) for k = 7 or 8, provided
    // every change since the watch was made went through Set or Pass.
    void Pass(int k);
    // A hash of the work image: equal images have equal hashes, different
    // ones (to a chance of about 2^-128) different ones.
    std::pair<std::uint64_t, std::uint64_t> Hash() const { return m_hash; }
    // The interior pixels that are black or white: the only ones that ever
    // change, so their number stays as it was when the watch was made.
    std::int64_t ChangeablePixels() const { return m_changeable; }
    // The first pixel in scan order (rows from the bottom, each from the
    // left) that a pass has turned black since the last call; false if none.
    bool TakeFirstBlackened(int& x, int& y);

private:
    static constexpr std::uint8_t kNever = 1;      // border or grey: never changes
    static constexpr std::uint8_t kCandidate = 2;  // in m_candidates
    static constexpr std::uint8_t kQueued = 4;     // waiting in the running pass

    int WhiteAround(std::size_t i) const;
    void Record(std::size_t i, std::uint8_t value);
    void AddCandidate(std::size_t i);

    ImageView m_work;
    std::ptrdiff_t m_around[8];
    std::vector<std::uint8_t> m_flags;  // per byte of the pixel area
    std::vector<std::size_t> m_candidates;
    std::vector<std::size_t> m_todo, m_later;              // Pass's working lists, kept for their capacity
    std::pair<std::uint64_t, std::uint64_t> m_hash{0, 0};  // of the changes since the scan
    std::size_t m_firstBlackened;
    std::int64_t m_changeable = 0;
};

}  // namespace lintra
