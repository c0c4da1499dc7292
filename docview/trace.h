// The trace command: a preset run end to end on the picture as loaded, so
// that one command takes a scan to the segments the CAD export fits.
#pragma once

#include <vector>

#include "docview/presets.h"
#include "image/image_view.h"

namespace lintra {

class CLintraView;

struct TraceSettings {
    double strokeWidth = 0;  // the width the sizes follow, in pixels; 0: measured
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
double PresetStrokeWidth(CLintraView& view, const Preset& preset, ImageView image);

// The preset for a picture nobody chose one for: `scan` when one threshold
// for the whole page does not suit it, else the default `drawing`. One
// threshold does not suit a page when the iterative one leaves under half or
// over twice the ink Sauvola's local threshold does (paper darkening to a
// corner turns black, faint ink turns white); on clean and scan-like pages
// the two agree within about 15%. inkRatio receives that share.
const Preset& ChoosePreset(ImageView picture, double* inkRatio = nullptr);

// Restores the picture as loaded, works the preset's values out for the
// settings' stroke width (else the one PresetStrokeWidth measures), then
// runs the steps through the view one after another as choosing them would.
// Running StepsText(report.steps) by hand after loading gives the same
// images and segments. Does nothing while the view has no picture.
TraceReport RunPreset(CLintraView& view, const Preset& preset, const TraceSettings& settings = {});

}  // namespace lintra
