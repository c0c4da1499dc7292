// Small CAD drawings of known geometry for the file writers' tests and for
// the files the external readers check (tests/vector/cad/cad_readers.sh).
#pragma once

#include <random>
#include <string>
#include <vector>

#include "formats/read_picture.h"
#include "image/dib.h"
#include "raster/binarise.h"
#include "raster/cleanup.h"
#include "raster/stroke_width.h"
#include "raster/thin.h"
#include "support/recording_sink.h"
#include "support/test_data.h"
#include "vector/cad/cad_drawing.h"
#include "vector/segments/segment.h"
#include "vector/vectorise/vectorise2.h"

namespace lintra::test {

// The 8-bit samples that are drawings or have strokes to trace.
inline const std::vector<std::string> kTracedSamples{
    "capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp", "horse_400x328_8bit_grey_pillow.bmp",
    "page_384x191_8bit_grey_clrused0_netpbm.bmp",         "text_448x172_8bit_grey_v4header_imagemagick.bmp",
    "camera_512x512_8bit_grey_imagemagick.bmp",           "lamp_194x285_8bit_16colours_pillow.bmp"};

// What tracing a sample leaves beside its segments: the black-and-white
// picture before thinning and after it (before the walk cleared the strokes
// it traced), a byte a pixel, and the strokes' width measured between.
struct TraceStages {
    std::vector<std::uint8_t> ink, thinned;
    double strokeWidth = 0;
};

inline void KeepPixels(ImageView image, std::vector<std::uint8_t>& out) {
    for (int y = 0; y < image.height; ++y) out.insert(out.end(), image.row(y), image.row(y) + image.width);
}

// A sample as the program traces it: binarised by iteration, thinned with a
// white border, then walked by Vectorise 2.
inline SegmentList TraceSample(const std::string& name, Dib& dib, TraceStages* stages = nullptr) {
    RecordingSink sink;
    ReadPicture(dib, Sample(name), sink);
    ImageView image = dib.View();
    Histogram histogram{};
    ComputeHistogram(image, histogram);
    BinariseIterative(image, histogram);
    if (stages) {
        KeepPixels(image, stages->ink);
        stages->strokeWidth = MeasureStrokeWidth(image);
    }
    ThinImage(image);
    MakeBorderWhite(image);
    if (stages) KeepPixels(image, stages->thinned);
    SegmentList segments;
    std::string nc;
    TraceStrokes(image, segments, nc);
    return segments;
}

// Nothing drawn on a 120 x 80 pixel sheet.
inline cad::Drawing EmptyCadDrawing() {
    cad::Drawing d;
    d.sheetWidth = 120;
    d.sheetHeight = 80;
    return d;
}

// One of each kind in millimetres: a line, an arc across 0 degrees, a circle,
// an open polyline with a left and a right turn and a straight stretch, and
// a closed square whose closing stretch is a half circle bulging out below it.
inline cad::Drawing PartsCadDrawing() {
    cad::Drawing d;
    d.unit = cad::Unit::Millimetre;
    d.sheetWidth = 50;
    d.sheetHeight = 40;
    d.lines.push_back({{1, 1}, {11.5, 1}});
    d.arcs.push_back({{30, 30}, 5, 300, 60});
    d.circles.push_back({{40, 10}, 2.25});
    d.polylines.push_back({{{{5, 10}, 0.5}, {{15, 10}, -0.25}, {{25, 12}, 0}, {{25, 20}, 0}}, false});
    d.polylines.push_back({{{{10, 25}, 0}, {{10, 35}, 0}, {{20, 35}, 0}, {{20, 25}, -1}}, true});
    return d;
}

// Many entities of every kind at seeded random places, in inches: enough
// for a reader's count to mean something.
inline cad::Drawing ManyCadDrawing(unsigned seed = 14) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> at(0.5, 7.5), size(0.05, 0.4), angle(0, 360), bulge(-2, 2);
    cad::Drawing d;
    d.unit = cad::Unit::Inch;
    d.sheetWidth = 8;
    d.sheetHeight = 8;
    for (int i = 0; i < 40; ++i) d.lines.push_back({{at(random), at(random)}, {at(random), at(random)}});
    for (int i = 0; i < 30; ++i)
        d.arcs.push_back({{at(random), at(random)}, size(random), angle(random), angle(random)});
    for (int i = 0; i < 20; ++i) d.circles.push_back({{at(random), at(random)}, size(random)});
    for (int i = 0; i < 25; ++i) {
        cad::Polyline p;
        p.closed = i % 3 == 0;
        for (int v = 0; v < 2 + i % 7; ++v)
            p.vertices.push_back({{at(random), at(random)}, v % 2 ? bulge(random) : 0});
        d.polylines.push_back(p);
    }
    return d;
}

}  // namespace lintra::test
