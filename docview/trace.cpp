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

// An 8-bit copy of a picture with rows of its width, to try an operation on.
class Trial {
public:
    explicit Trial(ImageView image)
        : m_image(image),
          m_pixels(static_cast<std::size_t>(image.width) * image.height),
          m_view{m_pixels.data(), image.width, image.height, image.width, 8} {
        Reset();
    }
    Trial(const Trial&) = delete;
    Trial& operator=(const Trial&) = delete;

    // The picture's pixels again.
    void Reset() {
        for (int y = 0; y < m_image.height; ++y) std::memcpy(m_view.row(y), m_image.row(y), m_image.width);
    }
    ImageView View() const { return m_view; }
    double Black() const { return static_cast<double>(std::count(m_pixels.begin(), m_pixels.end(), 0)); }

private:
    ImageView m_image;
    std::vector<std::uint8_t> m_pixels;
    ImageView m_view;
};

constexpr double kInkRatioSuited = 2;

}  // namespace

const Preset& ChoosePreset(ImageView picture, double* inkRatio) {
    const Preset& drawing = *FindPreset(kDefaultPreset);
    if (inkRatio != nullptr) *inkRatio = 1;
    if (picture.empty() || picture.bitCount != 8) return drawing;
    Trial trial(picture);
    Histogram histogram{};
    ComputeHistogram(trial.View(), histogram);
    BinariseIterative(trial.View(), histogram);
    const double globalInk = trial.Black();
    trial.Reset();
    BinariseAdaptive(trial.View(), AdaptiveWindowFor(0), kAdaptiveSensitivity);
    const double localInk = trial.Black();
    if (localInk == 0) return drawing;
    const double ratio = globalInk / localInk;
    if (inkRatio != nullptr) *inkRatio = ratio;
    return ratio > kInkRatioSuited || ratio < 1 / kInkRatioSuited ? *FindPreset("scan") : drawing;
}

double PresetStrokeWidth(OperationContext& context, const Preset& preset, ImageView image) {
    if (image.empty() || image.bitCount != 8) return 0;
    Trial copy(image);
    const ImageView trial = copy.View();
    if (!preset.steps.empty()) {
        const ResolvedStep first = ResolveSteps(preset, kNominalStrokeWidth).front();
        if (first.command != nullptr && first.command->kind == CommandKind::Processing) {
            const std::span<const int> arguments =
                first.values.empty() ? std::span<const int>(&first.command->argument, 1) : first.values;
            first.command->operation(context, trial, arguments);
        }
    }
    return MeasureStrokeWidth(trial);
}

std::vector<ResolvedStep> TraceSteps(const Preset& preset, ImageView picture, const TraceSettings& settings) {
    std::vector<ResolvedStep> steps =
        ResolveSteps(preset, settings.strokeWidth, std::max(0, settings.detailPercent) / 100.0);
    if (settings.sensitivity == 0) return steps;
    const int shift = std::clamp(settings.sensitivity, kSensitivityMin, kSensitivityMax);
    for (ResolvedStep& step : steps) {
        if (step.command->id == cmd::kBinariseIterative && !picture.empty() && picture.bitCount == 8) {
            Histogram histogram{};
            ComputeHistogram(picture, histogram);
            // Iterative: p >= T is paper; the same as p > T - 1. More ink
            // is a higher threshold.
            const int threshold = IterativeThresholdOf(histogram) - 1 + shift;
            step = {FindCommand(cmd::kBinariseThreshold),
                    {std::clamp(threshold, param::kTrackbarMin, param::kTrackbarMax)}};
        } else if (step.command->id == cmd::kBinariseAdaptive) {
            // The local rule turns more grey into ink the higher its sensitivity.
            const int base = step.values.size() > 1 ? step.values[1] : kAdaptiveSensitivity;
            step.values.resize(2, 0);
            step.values[1] = std::clamp(base + shift, kAdaptiveSensitivityMin, kAdaptiveSensitivityMax);
        }
    }
    return steps;
}

TraceReport RunPreset(CLintraView& view, const Preset& preset, const TraceSettings& settings) {
    TraceReport report;
    if (!view.HasImage()) return report;
    view.OnCommand(cmd::kRestoreOriginal);
    report.ran = true;
    report.measured = settings.strokeWidth <= 0;
    report.strokeWidth =
        report.measured ? PresetStrokeWidth(view, preset, view.CurrentImage().View()) : settings.strokeWidth;
    TraceSettings resolved = settings;
    resolved.strokeWidth = report.strokeWidth;
    report.steps = TraceSteps(preset, view.OriginalImage().View(), resolved);
    for (const ResolvedStep& step : report.steps) {
        if (step.values.empty())
            view.OnCommand(step.command->id);
        else
            view.OnCommand(step.command->id, step.values);
    }
    if (settings.tolerance) view.SetCadTolerance(*settings.tolerance);
    return report;
}

void CLintraView::OnTrace() {
    if (!HasImage()) return;
    RunPreset(*this, ChoosePreset(m_originalImage.View()));
}

}  // namespace lintra
