// The per-pixel passes: 24-bit rows to colour codes, codes to palette
// indices. Both run once over the image and allocate nothing.
#pragma once

#include <cstdint>

#include "palettor/bmp_layout.h"
#include "palettor/palette.h"

namespace lintra::palettor {

// Reduces the source rows (layout.pixelBytes bytes, stored as the layout
// says) to width * height codes, bottom row first and each row from left
// to right; the row padding is skipped. A top-down source comes out in the
// same bottom-up order as its bottom-up twin.
void ReduceToCodes(const unsigned char* pixels, const SourceLayout& layout, std::uint16_t* codes);

// Writes the 8-bit rows (layout.outputPixelBytes bytes, bottom row first):
// the palette index of each code, then the padding of each row as 0.
void WriteIndices(const std::uint16_t* codes, const SourceLayout& layout, const Palette& palette,
                  unsigned char* rows);

}  // namespace lintra::palettor
