// The two BMP layouts Palettor deals in: the 24-bit source as its header
// describes it, and the 8-bit result, always written with the plain 54-byte
// header, a 256-entry colour table and the pixel rows at byte 1078.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lintra::palettor {

inline constexpr std::size_t kHeaderBytes = 54;  // 14-byte file header + 40-byte info header
inline constexpr std::size_t kPaletteEntries = 256;
inline constexpr std::size_t kPaletteBytes = 4 * kPaletteEntries;
inline constexpr std::size_t kOutputPixelOffset = kHeaderBytes + kPaletteBytes;  // 1078

// The file header and the first 40 bytes of the info header, as numbers.
struct BmpHeader {
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// Decodes the first 54 bytes of a file (little-endian, whatever the host).
BmpHeader ParseHeader(const unsigned char* bytes);

// Encodes a header into 54 bytes: "BM" (whatever bfType holds), the rest of
// the file header and a 40-byte info header.
void StoreHeader(const BmpHeader& header, unsigned char* bytes);

// Where a 24-bit source keeps its pixels and how they are laid out.
struct SourceLayout {
    std::int32_t width = 0;          // pixels per row, at least 1
    std::int32_t height = 0;         // rows, at least 1 (the absolute biHeight)
    bool topDown = false;            // biHeight was negative: the first stored row is the top one
    std::uint64_t stride = 0;        // 3 * width raised to a multiple of 4
    std::uint64_t pixelOffset = 0;   // file offset of the first stored row
    std::uint64_t pixelBytes = 0;    // stride * height
    std::uint64_t outputStride = 0;  // width raised to a multiple of 4
    std::uint64_t outputPixelBytes = 0;
};

enum class LayoutCheck {
    kOk,
    kCompressed,   // biCompression is not 0: the bytes are not plain rows
    kInvalidSize,  // width below 1, height 0, or a height with no positive counterpart
    kTooLarge,     // the 8-bit result would not fit the 32-bit size fields
};

// Works out the layout of a 24-bit source from its header. The pixels start
// at bfOffBits, or at byte 54 when bfOffBits points inside the 54-byte
// header (writers that leave it 0). Sizes are 64-bit, so no header can wrap
// them; whether the file really holds that many bytes is the caller's check.
LayoutCheck ComputeSourceLayout(const BmpHeader& header, SourceLayout& layout);

// The header of the 8-bit result: the source header with bfSize, bfOffBits
// 1078, biSize 40, biBitCount 8, a positive height, biSizeImage and a
// biClrUsed that agrees with the 256-entry table (kept when it is 0 or 256).
// For a source in the plain 54-byte layout this is bfOffBits + 1024.
BmpHeader OutputHeader(const BmpHeader& source, const SourceLayout& layout);

}  // namespace lintra::palettor
