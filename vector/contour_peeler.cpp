#include "vector/contour_peeler.h"

#include <cstring>
#include <limits>

#include "raster/cleanup.h"
#include "vector/isolated_pass.h"

namespace lintra {

ContourPeeler::ContourPeeler(ImageView work, LabelGrid& grid, MessageSink& sink)
    : work_(work), grid_(grid), sink_(sink) {}

// The isolated-point pass (k = 8) changes a black pixel whose eight
// neighbours are all white, or a white pixel with no white neighbour. Such a
// pixel has no neighbour that the pass could change in the other direction,
// so no decision of the pass depends on another: its sequential result is
// the parallel one, and an image it has passed over is left alone by the
// next pass. After a contour is whitened, only black pixels next to it can
// have come to have eight white neighbours, and no white pixel has lost its
// last white neighbour (every whitened pixel has a whitened neighbour on the
// contour): those black pixels are exactly what the next whole-image pass
// would change.
void ContourPeeler::RemoveIsolatedAroundLastContour() {
    // The border is white and stays white, so a black pixel is an interior
    // pixel and all its neighbours lie inside the image.
    const std::ptrdiff_t stride = work_.stride;
    const std::ptrdiff_t around[8] = {-stride - 1, -stride, -stride + 1, -1, 1, stride - 1, stride, stride + 1};
    for (const TracePoint p : path_) {
        std::uint8_t* centre = work_.row(p.y) + p.x;
        for (const std::ptrdiff_t o : around) {
            std::uint8_t* q = centre + o;
            if (*q != 0) continue;
            std::uint8_t all = 255;
            for (const std::ptrdiff_t r : around) all &= q[r];
            if (all == 255) *q = 255;
        }
    }
}

std::pair<std::uint64_t, std::uint64_t> ContourPeeler::HashWork() const {
    std::uint64_t a = 0x9E3779B97F4A7C15ULL;
    std::uint64_t b = 0xC2B2AE3D27D4EB4FULL;
    auto mix = [&a, &b](std::uint64_t v) {
        a = (a ^ v) * 0xFF51AFD7ED558CCDULL;
        a ^= a >> 32;
        b = (b + v) * 0xC4CEB9FE1A85EC53ULL;
        b ^= b >> 29;
    };
    for (int y = 0; y < work_.height; ++y) {
        const std::uint8_t* row = work_.row(y);
        int x = 0;
        for (; x + 8 <= work_.width; x += 8) {
            std::uint64_t v;
            std::memcpy(&v, row + x, 8);
            mix(v);
        }
        std::uint64_t tail = 0;
        for (; x < work_.width; ++x) tail = tail << 8 | row[x];
        mix(tail ^ static_cast<std::uint64_t>(y) << 40);
    }
    return {a, b};
}

// A start pixel without a black neighbour among grey ones. The clean-up pass
// (k = 7) that follows may turn the whitened start black again, and the work
// image then comes back to a state it was in before: the steps would repeat
// for ever, so the peeling ends at that point. Images on which the steps end
// never repeat a state, so they are peeled exactly as before.
void ContourPeeler::HandleIsolatedStart(TracePoint start) {
    sink_.ShowMessage(kIsolatedPointMessage, kAppTitle);
    countAtLastIsolated_ = count_;
    work_.at(start.x, start.y) = 255;
    RemoveIsolatedPoints(work_, 7);
    // That pass can blacken pixels anywhere, before the start too.
    fullPassDue_ = true;
    path_.clear();
}

int ContourPeeler::LabelNextContour() {
    if (fullPassDue_) {
        RemoveIsolatedPointsAtOnce(work_);
        fullPassDue_ = false;
        resume_ = {1, 1};
    } else {
        RemoveIsolatedAroundLastContour();
    }
    // Peeling and the pass above only whiten pixels, so nothing before the
    // last start can have turned black.
    TracePoint start;
    if (!FindTraceStart(work_, start, resume_)) return 0;
    resume_ = start;
    if (TraceBoundary(work_, start, path_) == kTraceIsolated) {
        if (!isolatedStates_.insert(HashWork()).second) return 0;
        HandleIsolatedStart(start);
        return 1;
    }
    if (count_ == std::numeric_limits<std::int32_t>::max()) return 0;
    ++count_;
    std::int32_t* grid = grid_.data();
    const std::size_t h = static_cast<std::size_t>(grid_.height());
    for (const TracePoint p : path_) {
        work_.at(p.x, p.y) = 255;
        grid[static_cast<std::size_t>(p.x) * h + static_cast<std::size_t>(p.y)] = count_;
    }
    contours_.insert(contours_.end(), path_.begin(), path_.end());
    ends_.push_back(contours_.size());
    return 1;
}

}  // namespace lintra
