// The trace worked out on a copy, for showing while its settings are
// chosen: a preset's steps run on part (or all) of a grey picture without
// touching any view, so that it may run on a thread of its own while the
// program goes on. The whole picture traced this way gives the segments
// RunPreset gives; a part gives what the whole gives away from the part's
// edges.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "docview/trace.h"
#include "vector/cad/cad_export.h"

namespace lintra {

// A rectangle of the picture in its pixels, rows counted from the bottom
// as the picture's rows are.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect&) const = default;
};

// An 8-bit copy of a grey picture, shared by the previews worked out from
// it, so the picture in the view may change meanwhile.
struct PictureCopy {
    std::vector<std::uint8_t> pixels;
    int width = 0, height = 0;
    PictureGeometry geometry;  // size and resolution, as the CAD export scales by them
    ImageView View() const { return {const_cast<std::uint8_t*>(pixels.data()), width, height, width, 8}; }
};
// A copy of image (8-bit; anything else gives an empty copy) with geometry.
std::shared_ptr<const PictureCopy> CopyPicture(ImageView image, const PictureGeometry& geometry);

struct TracePreview {
    PixelRect region;                 // the part traced
    std::vector<ResolvedStep> steps;  // what ran on it
    double strokeWidth = 0;           // the width the steps were worked out for
    std::size_t segments = 0;         // segments traced
    cad::Drawing drawing;             // fitted, in the picture's pixels
    bool cancelled = false;           // stopped between two steps; nothing else is set
};

// Traces region (clipped to the picture) of picture with preset and
// settings as RunPreset traces the whole of it, on a copy, and fits the
// segments with cad (in pixels, its tolerance replaced by the settings'
// when they give one). settings.strokeWidth 0 is measured on the whole
// picture as RunPreset measures it; the steps are worked out for the whole
// picture (its threshold, not the region's). Checks cancel between steps.
// Only the processing steps and vectorise-1 can run on a copy; the trace
// stops at any other step. Throws std::bad_alloc when the copy cannot be had.
TracePreview PreviewTrace(const PictureCopy& picture, const Preset& preset, const TraceSettings& settings,
                          PixelRect region, CadOptions cad, const std::atomic<bool>* cancel = nullptr);

// The region a preview of view (in the picture's pixels) traces first: the
// view clipped to the picture, and no more than maxPixels of it, kept about
// its centre.
PixelRect PreviewRegion(PixelRect view, int pictureWidth, int pictureHeight, std::int64_t maxPixels);

}  // namespace lintra
