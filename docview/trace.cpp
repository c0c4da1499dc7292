#include "docview/trace.h"

#include <algorithm>
#include <cstring>

#include "docview/commands.h"
#include "docview/view.h"
#include "raster/binarise.h"
#include "raster/binarise_adaptive.h"
#include "raster/stroke_width.h"

namespace lintra {

namespace {

// An 8-bit copy of image with rows of its width.
struct Copy {
    std::vector<std::uint8_t> pixels;
    ImageView view;
    explicit Copy(ImageView image)
        : pixels(static_cast<std::size_t>(image.width) * image.height),
          view{pixels.data(), image.width, image.height, image.width, 8} {
        for (int y = 0; y < image.height; ++y) std::memcpy(view.row(y), image.row(y), image.width);
    }
    std::size_t Black() const {
        return static_cast<std::size_t>(std::count(pixels.begin(), pixels.end(), 0));
    }
};

constexpr double kInkRatioSuited = 2;

}  // namespace

const Preset& ChoosePreset(ImageView picture, double* inkRatio) {
    const Preset& drawing = *FindPreset(kDefaultPreset);
    if (inkRatio != nullptr) *inkRatio = 1;
    if (picture.empty() || picture.bitCount != 8) return drawing;
    Copy global(picture), local(picture);
    Histogram histogram{};
    ComputeHistogram(global.view, histogram);
    BinariseIterative(global.view, histogram);
    BinariseAdaptive(local.view, AdaptiveWindowFor(0), kAdaptiveSensitivity);
    const double globalInk = static_cast<double>(global.Black()),
                 localInk = static_cast<double>(local.Black());
    if (localInk == 0) return drawing;
    const double ratio = globalInk / localInk;
    if (inkRatio != nullptr) *inkRatio = ratio;
    return ratio > kInkRatioSuited || ratio < 1 / kInkRatioSuited ? *FindPreset("scan") : drawing;
}

double PresetStrokeWidth(CLintraView& view, const Preset& preset, ImageView image) {
    if (image.empty() || image.bitCount != 8) return 0;
    Copy copy(image);
    const ImageView trial = copy.view;
    if (!preset.steps.empty()) {
        const ResolvedStep first = ResolveSteps(preset, kNominalStrokeWidth).front();
        if (first.command != nullptr && first.command->kind == CommandKind::Processing) {
            const std::span<const int> arguments =
                first.values.empty() ? std::span<const int>(&first.command->argument, 1) : first.values;
            first.command->operation(view, trial, arguments);
        }
    }
    return MeasureStrokeWidth(trial);
}

TraceReport RunPreset(CLintraView& view, const Preset& preset, const TraceSettings& settings) {
    TraceReport report;
    if (!view.HasImage()) return report;
    view.OnCommand(cmd::kRestoreOriginal);
    report.ran = true;
    report.measured = settings.strokeWidth <= 0;
    report.strokeWidth =
        report.measured ? PresetStrokeWidth(view, preset, view.m_currentImage.View()) : settings.strokeWidth;
    report.steps = ResolveSteps(preset, report.strokeWidth);
    for (const ResolvedStep& step : report.steps) {
        if (step.values.empty())
            view.OnCommand(step.command->id);
        else
            view.OnCommand(step.command->id, step.values);
    }
    return report;
}

void CLintraView::OnTrace() {
    if (!HasImage()) return;
    RunPreset(*this, ChoosePreset(m_originalImage.View()));
}

}  // namespace lintra
