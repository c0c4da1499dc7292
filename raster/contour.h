// Stage three: contour extraction and the boundary follower that
// vectorisation builds on.
//
// Border rule: the extraction operations examine the interior only;
// TraceOuterContour treats positions outside the image as white, so an
// object touching the border is followed along it and the trace still stops.
#pragma once

#include "image/image_view.h"
#include "image/message_sink.h"

namespace lintra {

// Threshold at 127, then keep the black interior pixels with a non-black
// neighbour; everything else, the border included, becomes white.
void ExtractContour1(ImageView image);
// Marks (9) the 0-or-9 interior pixels with no white neighbour, then whitens
// the marks. Only 0 is black and only 255 white.
void ExtractContour2(ImageView image);
// Step (dx, dy) of direction code 0 W, 1 NW, 2 N, 3 NE, 4 E, 5 SE, 6 S, 7 SW;
// a code above 7 leaves dx and dy unwritten.
void DirectionStep(unsigned code, int& dx, int& dy);

enum TraceResult : int { kTraceNothing = 0, kTraceTraced = 1, kTraceIsolated = 2 };

// Follows, clockwise, the outer boundary of the object of the lowest,
// leftmost black interior pixel of a. Returns kTraceNothing when there is
// none (nothing changed); kTraceTraced with a holding just the traced pixels
// and every traced pixel whitened in b; kTraceIsolated when the start pixel
// has no black neighbour: "有孤立点存在" is shown through sink, a is
// unchanged and the start pixel is whitened in b. a and b have one size.
int TraceOuterContour(ImageView a, ImageView b, MessageSink& sink);

}  // namespace lintra
