#include "docview/presets.h"

#include <algorithm>
#include <cmath>

#include "docview/commands.h"
#include "raster/binarise_adaptive.h"

namespace lintra {
namespace {

using enum Scaling;

// What the menu items remove at 300 dpi (specks below 3 pixels, spurs of 3
// passes) for strokes 4 to 5 pixels wide, the range a 0.35 mm pen measures
// in; more for wider strokes. Larger factors would prune the ends of lines
// drawn with that pen whenever its width measures 5.
constexpr PresetValue kLightSpecks[] = {{0.13, Area, 3, 2}};
constexpr PresetValue kShortSpurs[] = {{0.65, Width, 1, 1}};
// A poor scan's grain and dust: specks below one stroke's square.
constexpr PresetValue kScanSpecks[] = {{1.0, Area, 4, 2}};
constexpr PresetValue kScanSpurs[] = {{1.0, Width, 2, 1}};
// The window follows the width as AdaptiveWindowFor has it.
constexpr PresetValue kAdaptive[] = {{12, Width, 15}, {kAdaptiveSensitivity}};

constexpr PresetStep kDrawing[] = {
    {"binarise-iterative", {}},
    {"remove-small-blobs", kLightSpecks},
    {"thin", {}},
    {"remove-short-branches", kShortSpurs},
    {"vectorise-1", {}},
};
constexpr PresetStep kScan[] = {
    {"binarise-adaptive", kAdaptive},
    {"remove-small-blobs", kScanSpecks},
    {"thin", {}},
    {"remove-short-branches", kScanSpurs},
    {"vectorise-1", {}},
};
// The outline of each filled shape, one pixel wide, followed like a centre
// line. The width measured is the shapes' thickness (up to 64 pixels), so
// specks go below an area of that many pixels, not its square: a logo's
// small lettering stays.
constexpr PresetValue kOutlineSpecks[] = {{1.0, Width, 3, 2}};
constexpr PresetStep kOutline[] = {
    {"binarise-iterative", {}}, {"remove-small-blobs", kOutlineSpecks}, {"contour-2", {}}, {"thin", {}},
    {"vectorise-1", {}},
};

constexpr Preset kPresets[] = {
    {"drawing", "centre lines of a clean line drawing", kDrawing},
    {"scan", "centre lines of a poor scan or a photo of paper: local black and white, stronger clean-up",
     kScan},
    {"outline", "outlines of filled shapes (logos, silhouettes)", kOutline},
};

int Resolve(const PresetValue& value, double w, double detailScale) {
    const double scaled = value.scaling == Fixed   ? value.factor
                          : value.scaling == Width ? value.factor * w
                                                   : value.factor * w * w;
    const int preset = std::max(value.least, static_cast<int>(std::lround(scaled)));
    // The detail scale applies to the preset's own size, least included, so
    // a scale of 1 gives exactly the preset's values.
    if (value.detailPower == 0 || detailScale == 1) return preset;
    return static_cast<int>(std::lround(preset * std::pow(std::max(0.0, detailScale), value.detailPower)));
}

}  // namespace

std::span<const Preset> Presets() {
    return kPresets;
}

const Preset* FindPreset(std::string_view name) {
    auto it = std::ranges::find(kPresets, name, &Preset::name);
    return it == std::end(kPresets) ? nullptr : &*it;
}

std::string PresetNames() {
    std::string names;
    for (const Preset& preset : kPresets) names += (names.empty() ? "" : ", ") + std::string(preset.name);
    return names;
}

std::vector<ResolvedStep> ResolveSteps(const Preset& preset, double strokeWidth, double detailScale) {
    const double w = strokeWidth > 0 ? strokeWidth : kNominalStrokeWidth;
    std::vector<ResolvedStep> steps;
    for (const PresetStep& step : preset.steps) {
        ResolvedStep resolved{FindCommand(step.command), {}};
        for (const PresetValue& value : step.values)
            resolved.values.push_back(Resolve(value, w, detailScale));
        steps.push_back(std::move(resolved));
    }
    return steps;
}

std::string StepsText(std::span<const ResolvedStep> steps) {
    std::string text;
    for (const ResolvedStep& step : steps) {
        if (!text.empty()) text += ' ';
        text += step.command->name;
        for (std::size_t i = 0; i < step.values.size(); ++i)
            text += (i == 0 ? "=" : ",") + std::to_string(step.values[i]);
    }
    return text;
}

}  // namespace lintra
