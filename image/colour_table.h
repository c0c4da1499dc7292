// The colour table of an 8-bit picture read as grey levels: every operation
// takes pixel values for brightness, so a picture whose table is not the
// identity grey ramp (a palette, or grey entries out of index order, as
// GraphicsMagick, ImageMagick, Pillow and netpbm write them) is turned into
// the grey levels its table shows before anything works on it.
#pragma once

#include <cstdint>

#include "image/bmp_format.h"

namespace lintra {

class Dib;

// The grey level of a colour: (0.299 R + 0.114 B) + 0.587 G, summed in that
// order in double precision and truncated, so (59, 59, 59) gives 58.
std::uint8_t GreyLevel(const RgbQuad& colour);

// True when dib is an 8-bit picture whose colour table holds (i, i, i) at
// every entry i it has (the reserved byte aside): its pixel values are
// already their brightness.
bool HasIdentityGreyTable(const Dib& dib);

// Leaves dib alone unless it is an 8-bit picture without the identity grey
// table; otherwise makes it an uncompressed 8-bit picture of the same size
// whose pixel values are GreyLevel of their table entries, with a full
// 256-entry identity grey table. An index beyond the table's entries has no
// colour and is drawn black, so it becomes 0. Returns false, dib unchanged,
// when memory runs short.
bool TurnTableIntoGrey(Dib& dib);

}  // namespace lintra
