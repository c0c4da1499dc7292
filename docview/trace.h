// The trace command: a preset run end to end on the picture as loaded, so
// that one command takes a scan to the segments the CAD export fits.
#pragma once

#include <optional>
#include <vector>

#include "docview/operation_context.h"
#include "docview/presets.h"
#include "image/image_view.h"

namespace lintra {

class CLintraView;

// The range of the threshold sensitivity and of the detail scale, in percent.
inline constexpr int kSensitivityMin = -50;
inline constexpr int kSensitivityMax = 50;
inline constexpr int kDetailPercentMin = 0;
inline constexpr int kDetailPercentMax = 400;

struct TraceSettings {
    double strokeWidth = 0;  // the width the sizes follow, in pixels; 0: measured
    // How readily grey becomes ink: 0 keeps the preset's black-and-white
    // step; above 0 fainter strokes turn black, below 0 less of the paper's
    // grain does. One level of the 0 to 255 grey scale per step for a single
    // threshold, one step of the local rule's sensitivity otherwise.
    int sensitivity = 0;
    // The smallest detail kept, in percent of the preset's sizes: specks
    // and spurs are removed below the preset's size times detailPercent /
    // 100 (areas by its square). 100 keeps the preset's, 0 removes none.
    int detailPercent = 100;
    // The CAD fit's tolerance in pixels (kAutoTolerance: from the stroke
    // width); nothing leaves the CAD export's own as it is.
    std::optional<double> tolerance;
};

struct TraceReport {
    bool ran = false;                 // false when the view had no picture
    double strokeWidth = 0;           // the width the steps' values were worked out for
    bool measured = false;            // it was measured on the picture
    std::vector<ResolvedStep> steps;  // what ran, in order
};

// The stroke width of the grey picture image as the preset's first step
// leaves it, that step run with the values of the nominal width on a copy;
// 0 when it leaves no black. image is unchanged.
double PresetStrokeWidth(OperationContext& context, const Preset& preset, ImageView image);

// The preset for a picture nobody chose one for: `scan` when one threshold
// for the whole page does not suit it, else the default `drawing`. One
// threshold does not suit a page when the iterative one leaves under half or
// over twice the ink Sauvola's local threshold does (paper darkening to a
// corner turns black, faint ink turns white); on clean and scan-like pages
// the two agree within about 15%. inkRatio receives that share.
const Preset& ChoosePreset(ImageView picture, double* inkRatio = nullptr);

// The steps that trace picture (the grey picture as loaded) with preset
// and settings, for strokes settings.strokeWidth wide (0: the nominal
// width): ResolveSteps with the detail scale, and, when the sensitivity is
// not 0, each single-threshold step (binarise-iterative) replaced by
// binarise-threshold at the threshold it would find on picture moved by
// the sensitivity, and the local rule's sensitivity moved by it.
std::vector<ResolvedStep> TraceSteps(const Preset& preset, ImageView picture, const TraceSettings& settings);

// Restores the picture as loaded, works the steps out by TraceSteps for the
// settings' stroke width (else the one PresetStrokeWidth measures), then
// runs the steps through the view one after another as choosing them would,
// and sets the CAD export's tolerance when the settings give one.
// Running StepsText(report.steps) by hand after loading gives the same
// images and segments. Does nothing while the view has no picture.
TraceReport RunPreset(CLintraView& view, const Preset& preset, const TraceSettings& settings = {});

}  // namespace lintra
