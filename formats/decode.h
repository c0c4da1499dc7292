// The readers of the formats other than BMP. Each decodes a whole file held
// in memory into out (an empty Dib) as the BMP that holds the same pixels:
//   grey pictures (any bit depth, bilevel included, photometric sense
//   honoured, 16 bits rounded to 8) an 8-bit picture with the identity grey
//   table; colour-table pictures of at most 256 entries an 8-bit picture
//   with that table; every other colour picture a 24-bit one. An alpha
//   channel is composited over white first.
// Every reader checks the picture's size against the pixel budget before it
// allocates pixel memory. Each throws ImageRefused with the message to show
// (the library's reason included) when the file is damaged, truncated,
// beyond the budget or of a kind it cannot turn into such a picture, and
// std::bad_alloc when memory runs short; out is then to be thrown away.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "formats/image_format.h"
#include "image/dib.h"
#include "image/image_refused.h"
#include "image/read_options.h"

namespace lintra {

// Calls the reader of format (anything but Bmp and Unknown).
void Decode(ImageFormat format, std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out);

void DecodePng(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out);
// A truncated JPEG is refused; libjpeg's other warnings are not.
void DecodeJpeg(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out);
// Opens page options.page (from 1) of a multi-page file.
void DecodeTiff(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out);
void DecodeWebp(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out);
// The number of pages of the TIFF file at path; 1 for a file libtiff
// cannot open.
int TiffPageCount(const std::string& path);
// PBM, PGM and PPM, plain (text) and raw.
void DecodePnm(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out);

// Helpers for the readers.
// out.Create with a refusal for a block beyond 32 bits and bad_alloc for
// memory that runs short.
void CreateOrThrow(Dib& out, std::uint32_t width, std::uint32_t height, int bitCount,
                   std::uint32_t colourCount);
// Fills the table of an 8-bit out with the identity grey ramp.
void SetGreyTable(Dib& out);
// Row y counted from the top of the picture (rows are stored bottom-up).
inline std::uint8_t* RowFromTop(Dib& dib, std::uint32_t y) {
    return dib.GetBits() +
           static_cast<std::size_t>(dib.GetHeight() - 1 - static_cast<std::int32_t>(y)) * dib.m_nStride;
}
// level over white by alpha: (level x alpha + 255 x (255 - alpha)) / 255, rounded.
inline std::uint8_t OverWhite(unsigned level, unsigned alpha) {
    return static_cast<std::uint8_t>((level * alpha + 255u * (255u - alpha) + 127u) / 255u);
}
// A 16-bit sample rounded to 8 bits.
inline std::uint8_t RoundTo8(unsigned sample) {
    return static_cast<std::uint8_t>((sample * 255u + 32767u) / 65535u);
}
// The messages: a damaged file of format with the library's reason; a file
// of a kind the reader does not handle.
std::string DamagedMessage(ImageFormat format, const std::string& reason);
std::string UnsupportedMessage(ImageFormat format, const std::string& reason);

}  // namespace lintra
