// The two stages of Vectorise 1, kept apart so that each reads like its
// algorithm: LabelNextContour peels one outer contour off the work image and
// numbers its pixels in the label grid; TraceLabelledContour walks one
// numbered contour and merges runs of equal steps into segments.
//
// Border rule: the work image's border must be white (MakeBorderWhite), so
// every traced and numbered pixel is an interior pixel and every neighbour
// the walks read lies inside the image.
//
// Cost: one isolated-point pass over the work image for the first contour,
// then work proportional to each contour's length; the start scan resumes
// where the last one stopped. The first isolated start pixel (a black pixel
// among grey values, which a binarised image never has) costs one more scan
// of the image; from then on the clean-up passes and the check for a
// repeated state cost what changed (see IsolatedWatch).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "base/message_sink.h"
#include "image/image_view.h"
#include "raster/contour.h"
#include "vector/segments/segment.h"
#include "vector/vectorise/isolated_watch.h"
#include "vector/vectorise/vectorise1.h"

namespace lintra {

// What Vectorise 1 tells the user when a contour number has no pixel left.
inline constexpr const char* kEmptyContourMessage = "此轮廓为空";

class ContourPeeler {
public:
    // work: 8-bit, at least 1 x 1, border white; it loses every peeled
    // contour. grid: the size of work, all 0. Messages go to sink.
    ContourPeeler(ImageView work, LabelGrid& grid, MessageSink& sink);

    // Peels the next contour: removes isolated points from the work image
    // (k = 8), traces the outer contour of the lowest, leftmost black pixel,
    // whitens it in the work image and numbers its pixels with the next
    // contour number. A start pixel with no black neighbour is reported
    // ("有孤立点存在"), whitened, and the work image is cleaned with k = 7.
    // Returns true while the peeling is to go on, false when no black pixel
    // is left inside the border, and also false when an isolated start pixel
    // comes up again in a work image it has already been reported in: the
    // steps would then repeat for ever. Every step that goes on whitens a black
    // pixel, so on a black-and-white picture the steps number at most its
    // black pixels; grey values let the clean-up blacken pixels again, and
    // the peeling could then wander through more work images than can be
    // waited for. It therefore also ends after as many steps as the work
    // image had interior pixels that are black or white, a bound a
    // black-and-white picture never reaches.
    bool LabelNextContour();
    // Writes the numbers of the contours peeled so far into the grid: each
    // pixel carries the number of the last contour through it. Peeling
    // keeps the contours as lists, so the grid is written once, row by row,
    // instead of one scattered cell per traced pixel.
    void NumberGrid();
    // The number of contours numbered so far.
    std::int32_t ContourCount() const { return m_count; }

    // Walks contour k (1 to ContourCount()) from its lowest, leftmost pixel,
    // clockwise, and appends its segments. When no pixel carries k any more
    // (later contours can take back pixels of earlier ones on images with
    // grey values), "此轮廓为空" is shown and nothing is appended. A walk that
    // would go round for ever without coming back to its start (again only
    // on such images) stops when it repeats itself.
    void TraceLabelledContour(std::int32_t k, SegmentList& segments);

private:
    void RemoveIsolatedAroundLastContour();
    // Sets a black pixel of the work image white, through the watch once
    // there is one.
    void Whiten(std::uint8_t* pixel);
    bool HandleIsolatedStart(TracePoint start);
    void PassAfterIsolatedStart();
    void ReplayContour(const TracePoint* first, const TracePoint* last, SegmentList& segments);
    void WalkLabels(std::int32_t k, const TracePoint* first, const TracePoint* last, SegmentList& segments);
    std::size_t PixelIndex(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_work.width) +
               static_cast<std::size_t>(x);
    }

    ImageView m_work;
    LabelGrid& m_grid;
    MessageSink& m_sink;
    std::int32_t m_count = 0;
    bool m_gridNumbered = true;  // the grid holds every contour peeled so far
    std::int64_t m_steps = 0;    // calls of LabelNextContour that went on to peel
    // Pixels can turn black again only in the clean-up after an isolated
    // start pixel; contours numbered after the last one keep all their pixels.
    std::int32_t m_countAtLastIsolated = 0;
    TracePoint m_resume{1, 1};    // no black pixel lies before it in the scan
    bool m_fullPassDue = true;    // the first isolated-point pass covers the image
    bool m_watchPassDue = false;  // the next one goes over what the watch holds
    // Made at the first isolated start pixel; from then on every change to
    // the work image goes through it.
    std::unique_ptr<IsolatedWatch> m_watch;
    std::vector<TracePoint> m_path;
    // The traced pixels of every contour, one after another; contour k is
    // [m_ends[k - 2], m_ends[k - 1]).
    std::vector<TracePoint> m_contours;
    std::vector<std::size_t> m_ends;
    // Work images (hashed by the watch) in which an isolated start pixel was
    // reported.
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_isolatedStates;
    // One bit per pixel, rows from the bottom: set once the walk of the
    // current contour has visited the pixel; cleared after each walk.
    std::vector<std::uint64_t> m_visited;
    // One byte per pixel for the walks over the grid (see WalkLabels), made
    // only when one is needed; cleared after each walk.
    std::vector<std::uint8_t> m_walkMarks;
};

}  // namespace lintra
