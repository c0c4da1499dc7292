// RLE8, the run-length coding of 8-bit BMP files: pairs (count, index) give
// runs, and the escapes 0 0 (end of line), 0 1 (end of bitmap), 0 2 dx dy
// (skip) and 0 n (n literal indices, padded to an even length) the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lintra {

// Decodes stream into height bottom-up rows of stride bytes at rows, each
// width pixels wide. Pixels the stream skips keep the value they had.
// Returns false, having written only inside the rows, when an instruction
// would write outside them or needs bytes past the end of the stream; a
// stream that ends between instructions without an end-of-bitmap is decoded
// as far as it goes.
bool DecodeRle8(std::span<const std::uint8_t> stream, std::uint8_t* rows, int width, int height,
                std::size_t stride);

}  // namespace lintra
