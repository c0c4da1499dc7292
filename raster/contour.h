// Stage three: contour extraction and the boundary follower that
// vectorisation builds on.
//
// Border rule: the extraction operations examine the interior only;
// TraceOuterContour treats positions outside the image as white, so an
// object touching the border is followed along it, and a walk that would
// circle such an object for ever stops once it starts repeating itself.
#pragma once

#include <vector>

#include "base/message_sink.h"
#include "image/image_view.h"

namespace lintra {

// Threshold at 127, then keep the black interior pixels with a non-black
// neighbour; everything else, the border included, becomes white.
void ExtractContour1(ImageView image);
// Marks (9) the 0-or-9 interior pixels with no white neighbour, then whitens
// the marks. Only 0 is black and only 255 white; the border is untouched.
void ExtractContour2(ImageView image);
// Step (dx, dy) of direction code 0 W, 1 NW, 2 N, 3 NE, 4 E, 5 SE, 6 S, 7 SW;
// a code above 7 leaves dx and dy unwritten.
void DirectionStep(unsigned code, int& dx, int& dy);

enum TraceResult : int { kTraceNothing = 0, kTraceTraced = 1, kTraceIsolated = 2 };

// What TraceOuterContour tells the user when its start pixel stands alone.
inline constexpr const char* kIsolatedPointMessage = "有孤立点存在";

// Follows, clockwise, the outer boundary of the object of the lowest,
// leftmost black interior pixel of image. Returns kTraceNothing when there
// is none (nothing changed); kTraceTraced with image holding just the traced
// pixels and every traced pixel whitened in remainder; kTraceIsolated when
// the start pixel has no black neighbour: "有孤立点存在" is shown through sink
// (caption kAppTitle), image is unchanged and the start pixel is whitened in
// remainder. The walk is TraceBoundary's (see there for objects on the
// border). image and remainder must have one size; otherwise nothing is done
// and kTraceNothing is returned. Cost: the start scan, the trace, and one
// pass that rewrites image.
int TraceOuterContour(ImageView image, ImageView remainder, MessageSink& sink);

// The two stages TraceOuterContour is built from, for callers (Vectorise 1)
// that peel many contours and cannot afford whole-image work per contour.
struct TracePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(TracePoint, TracePoint) = default;
};

// Scans the interior of image from `from` onwards in the follower's order (rows
// from the bottom, y = 1 to H-2, each row x = 1 to W-2) for a pixel of value
// 0. `from` is clamped into the interior; a later start only skips pixels.
// Returns true and sets start when one is found.
bool FindTraceStart(ImageView image, TracePoint& start, TracePoint from = {1, 1});
// Follows the boundary clockwise from start with the same steps as
// TraceOuterContour, reading image only (positions outside read as white).
// path receives every accepted pixel in order, start first; a pixel accepted
// twice appears twice. Returns kTraceTraced when start came up again as a
// candidate, kTraceIsolated (path = {start}) when start has no black
// neighbour. A start with black pixels to its W, SW, S or SE (black border
// pixels beside the lowest interior one) is not on its object's outer
// boundary, so the walk may circle the object without meeting it: the walk
// then stops, also with kTraceTraced, before its first repeated step, when
// path holds every pixel it would ever visit. Cost proportional to the
// length of path; path's capacity is reused, so a caller can keep one vector
// for many traces.
int TraceBoundary(ImageView image, TracePoint start, std::vector<TracePoint>& path);

}  // namespace lintra
