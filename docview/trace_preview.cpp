#include "docview/trace_preview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "docview/commands.h"
#include "vector/vectorise/vectorise1.h"

namespace lintra {
namespace {

// What the steps' operations reach on a copy: a labelling and a stroke
// width of their own, no base picture, and messages that show nothing (the
// steps' messages are the whole trace's business).
class ScratchContext : public OperationContext, public MessageSink {
public:
    ImageView BaseView() override { return {}; }
    BlobLabelState& Blobs() override { return m_blobs; }
    void NoteStrokeWidth(double width) override { strokeWidth = width; }
    void NoteThreshold(int) override {}
    MessageSink& Messages() override { return *this; }
    void ShowMessage(const std::string&, const std::string&) override {}

    double strokeWidth = 0;

private:
    BlobLabelState m_blobs;
};

PixelRect Clip(PixelRect r, int width, int height) {
    const int x0 = std::clamp(r.x, 0, width), y0 = std::clamp(r.y, 0, height);
    const int x1 = std::clamp(r.x + std::max(0, r.width), 0, width);
    const int y1 = std::clamp(r.y + std::max(0, r.height), 0, height);
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

std::shared_ptr<const PictureCopy> CopyPicture(ImageView image, const PictureGeometry& geometry) {
    auto copy = std::make_shared<PictureCopy>();
    if (image.empty() || image.bitCount != 8) return copy;
    copy->width = image.width;
    copy->height = image.height;
    copy->geometry = geometry;
    copy->pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(copy->pixels.data() + static_cast<std::size_t>(y) * image.width, image.row(y),
                    image.width);
    return copy;
}

PixelRect PreviewRegion(PixelRect view, int pictureWidth, int pictureHeight, std::int64_t maxPixels) {
    PixelRect r = Clip(view, pictureWidth, pictureHeight);
    if (r.empty() || std::int64_t{r.width} * r.height <= maxPixels) return r;
    // The same share off each side, so the part kept keeps the view's shape.
    const double shrink = std::sqrt(static_cast<double>(maxPixels) / (double(r.width) * r.height));
    const int w = std::max(1, static_cast<int>(r.width * shrink));
    const int h = std::max(1, static_cast<int>(std::min<std::int64_t>(r.height, maxPixels / w)));
    return {r.x + (r.width - w) / 2, r.y + (r.height - h) / 2, w, h};
}

TracePreview PreviewTrace(const PictureCopy& picture, const Preset& preset, const TraceSettings& settings,
                          PixelRect region, CadOptions cad, const std::atomic<bool>* cancel) {
    TracePreview preview;
    auto cancelled = [&] {
        preview.cancelled = cancel != nullptr && cancel->load(std::memory_order_relaxed);
        return preview.cancelled;
    };
    const ImageView whole = picture.View();
    preview.region = Clip(region, picture.width, picture.height);
    if (whole.empty() || preview.region.empty()) return preview;
    ScratchContext scratch;
    TraceSettings resolved = settings;
    if (resolved.strokeWidth <= 0) resolved.strokeWidth = PresetStrokeWidth(scratch, preset, whole);
    preview.strokeWidth = resolved.strokeWidth;
    preview.steps = TraceSteps(preset, whole, resolved);
    if (cancelled()) return preview;

    const PixelRect r = preview.region;
    const std::size_t size = static_cast<std::size_t>(r.width) * r.height;
    std::vector<std::uint8_t> current(size), previous(size), work(size);
    const ImageView image{current.data(), r.width, r.height, r.width, 8};
    for (int y = 0; y < r.height; ++y) std::memcpy(image.row(y), whole.row(r.y + y) + r.x, r.width);
    LabelGrid grid;
    std::int32_t contours = 0;
    SegmentList segments;
    for (const ResolvedStep& step : preview.steps) {
        if (cancelled()) return preview;
        const Command& command = *step.command;
        if (command.kind == CommandKind::Processing) {
            const std::span<const int> arguments = step.values.empty()
                                                       ? std::span<const int>(&command.argument, 1)
                                                       : std::span<const int>(step.values);
            command.operation(scratch, image, arguments);
        } else if (command.id == cmd::kVectorise1) {
            Vectorise1({image,
                        {previous.data(), r.width, r.height, r.width, 8},
                        {work.data(), r.width, r.height, r.width, 8},
                        &grid,
                        &contours,
                        &segments,
                        &scratch});
        } else {
            break;
        }
    }
    if (cancelled()) return preview;
    for (CLineSegment& s : segments) {
        s.x1 += r.x, s.x2 += r.x;
        s.y1 += r.y, s.y2 += r.y;
    }
    preview.segments = segments.size();
    cad.unit = cad::Unit::Pixel;
    cad.strokeWidth = scratch.strokeWidth;
    if (settings.tolerance) cad.tolerance = *settings.tolerance;
    preview.drawing = BuildCadDrawing(segments, picture.geometry, cad);
    return preview;
}

}  // namespace lintra
