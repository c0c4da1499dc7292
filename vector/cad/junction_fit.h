// Fitting a stroke graph as the strokes were drawn, not as thinning left
// them. Near a junction the thinned pixels bend towards one another over
// about a stroke width (further where strokes meet at a sharp angle), so:
//   - each chain is fitted as FitChain does, then every straight piece and
//     arc is fitted again by least squares from its pixels clear of the
//     junctions and of its own corners;
//   - neighbouring pieces that one line or one circle fits within the
//     tolerance become one piece, and pieces with no pixel clear of a
//     junction give way to their neighbours, so that a line crossed by
//     another stays one line with no jog at the crossing;
//   - arcs of one circle, from any chains, become one circle when ink
//     covers the whole circle, however many strokes touch or cross it;
//   - pieces meet where their fitted lines and circles cross: a corner at
//     the intersection of its two lines, a T on the line it meets, an acute
//     junction at its tip; tiny loops inside a junction are dropped.
#pragma once

#include <vector>

#include "vector/cad/chain_fit.h"
#include "vector/cad/stroke_graph.h"

namespace lintra {

// The graph's chains fitted within tolerance pixels (> 0) for strokes about
// strokeWidth pixels wide; circles found across chains come as chains of
// their own. With arcs false, straight pieces only. The chains carry their
// vertices or circle, not the pixel positions they were fitted to.
std::vector<FittedChain> FitAtJunctions(const StrokeGraph& graph, double tolerance, double strokeWidth,
                                        bool arcs);

}  // namespace lintra
