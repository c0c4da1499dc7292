#include "vector/vectorise/vectorise1.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "raster/cleanup.h"
#include "raster/contour.h"
#include "vector/vectorise/contour_peeler.h"

namespace lintra {

namespace {

// What Vectorise 1 and its peel command announce when nothing is left.
constexpr const char* kNothingLeftMessage = "OVER";

bool SameShape(ImageView a, ImageView b) {
    return a.width == b.width && a.height == b.height && a.stride == b.stride;
}

// The three images must be usable 8-bit images of one size, and the list,
// grid, count and sink must exist (they do once an image is loaded).
bool Ready(const Vectorise1Context& context) {
    const ImageView& current = context.current;
    return context.segments != nullptr && context.grid != nullptr && context.contourCount != nullptr &&
           context.sink != nullptr && !current.empty() && current.bitCount == 8 &&
           current.stride >= current.width && SameShape(current, context.previous) &&
           SameShape(current, context.work) && context.previous.bitCount == 8 && context.work.bitCount == 8;
}

// Copies the whole pixel area, row padding included, as an image copy does.
void CopyImage(ImageView destination, ImageView source) {
    if (destination.pixels != source.pixels)
        std::memmove(destination.pixels, source.pixels, std::min(destination.byteSize(), source.byteSize()));
}

// Passes each text on the first time only. A picture with grey values can
// make Vectorise 1 meet an isolated start pixel, or an emptied contour, at
// nearly every contour: tens of thousands of boxes, each to be dismissed
// before the next, on a picture of a few kilobytes. One box per kind of
// problem says the same and leaves the program usable.
class OncePerText : public MessageSink {
public:
    explicit OncePerText(MessageSink& sink) : m_sink(sink) {}
    void ShowMessage(const std::string& text, const std::string& caption) override {
        if (m_shown.insert(text).second) m_sink.ShowMessage(text, caption);
    }

private:
    MessageSink& m_sink;
    std::set<std::string> m_shown;
};

}  // namespace

void Vectorise1(const Vectorise1Context& context) {
    if (!Ready(context)) return;
    context.segments->clear();
    CopyImage(context.previous, context.current);
    // The current image would get a white border, pass it on to the work
    // image and be restored from the previous image at the end: only the
    // work image needs the border.
    CopyImage(context.work, context.current);
    MakeBorderWhite(context.work);
    LabelGrid& grid = *context.grid;
    if (grid.width() != context.work.width || grid.height() != context.work.height)
        grid.Reset(context.work.width, context.work.height);
    else
        grid.Clear();
    *context.contourCount = 0;

    OncePerText sink(*context.sink);
    ContourPeeler peeler(context.work, grid, sink);
    while (peeler.LabelNextContour()) {
    }
    peeler.NumberGrid();
    *context.contourCount = peeler.ContourCount();
    for (std::int32_t k = 1; k <= *context.contourCount; ++k)
        peeler.TraceLabelledContour(k, *context.segments);
}

void PeelContour(const Vectorise1Context& context) {
    if (!Ready(context)) return;
    MakeBorderWhite(context.work);
    RemoveIsolatedPoints(context.work, kPeelStepNeighbours);
    CopyImage(context.current, context.work);
    if (TraceOuterContour(context.current, context.work, *context.sink) == kTraceNothing)
        context.sink->ShowMessage(kNothingLeftMessage, kAppTitle);
}

}  // namespace lintra
