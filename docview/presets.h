// The presets of the trace command: each a list of the command table's
// steps with their values, written as data in one place, so that a user can
// run the same steps by hand and change one. Sizes follow the stroke width
// w of the picture: specks are removed below an area in proportion to w
// squared, spurs pruned below a length in proportion to w, the black-and-
// white window is a multiple of w (the CAD export scales its fit tolerance
// by w itself).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lintra {

struct Command;

// How a value follows the stroke width w: as written, factor x w, or
// factor x w^2; rounded, and never below least. A value that is a size of
// the smallest detail kept (a speck's area, a spur's length) also follows
// the detail scale d of the trace settings: times d for a length, d^2 for
// an area (detailPower 1 or 2); the others ignore it (detailPower 0).
enum class Scaling { Fixed, Width, Area };
struct PresetValue {
    double factor;
    Scaling scaling = Scaling::Fixed;
    int least = 0;
    int detailPower = 0;
};
// One command of the table by its lintra-batch name, with the values it is
// given in place of its fixed argument (none: it runs as its menu item does).
struct PresetStep {
    std::string_view command;
    std::span<const PresetValue> values;
};
struct Preset {
    std::string_view name;     // "drawing"
    std::string_view purpose;  // one line for --list-presets
    std::span<const PresetStep> steps;
};

// The width the listed steps' values are worked out for: a 0.35 mm pen at
// 300 dpi.
inline constexpr double kNominalStrokeWidth = 4;
inline constexpr std::string_view kDefaultPreset = "drawing";

std::span<const Preset> Presets();
// The preset called name; null when there is none.
const Preset* FindPreset(std::string_view name);
// "drawing, scan, outline".
std::string PresetNames();

// A step with its values worked out for one stroke width.
struct ResolvedStep {
    const Command* command;
    std::vector<int> values;  // empty: the command's own fixed argument
};
// The preset's steps for strokes strokeWidth pixels wide (0 or less: the
// nominal width), their detail sizes times detailScale (0 or more; 1 keeps
// them as the preset has them, 0 removes no detail at all).
std::vector<ResolvedStep> ResolveSteps(const Preset& preset, double strokeWidth, double detailScale = 1);
// The steps as lintra-batch takes them: "binarise-adaptive=48,66 thin ...".
std::string StepsText(std::span<const ResolvedStep> steps);

}  // namespace lintra
