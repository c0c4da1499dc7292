// The depths Lintra loads: 8-bit images as they are, 24-bit ones through
// Palettor. Everything else is refused by the load with its own message.
#pragma once

#include "image/dib.h"

namespace lintra {

// True when dib holds an image of 8 or 24 bits per pixel.
inline bool HasLoadableDepth(const Dib& dib) {
    int bits = dib.GetBitCount();
    return !dib.IsEmpty() && (bits == 8 || bits == 24);
}

}  // namespace lintra
