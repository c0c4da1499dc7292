#include "docview/trace.h"

#include <cstring>

#include "docview/commands.h"
#include "docview/view.h"
#include "raster/stroke_width.h"

namespace lintra {

double PresetStrokeWidth(CLintraView& view, const Preset& preset, ImageView image) {
    if (image.empty() || image.bitCount != 8) return 0;
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(image.width) * image.height);
    ImageView trial{copy.data(), image.width, image.height, image.width, 8};
    for (int y = 0; y < image.height; ++y) std::memcpy(trial.row(y), image.row(y), image.width);
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
    RunPreset(*this, *FindPreset(kDefaultPreset));
}

}  // namespace lintra
