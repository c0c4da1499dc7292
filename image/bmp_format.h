// The BMP file layout, little-endian, as laid down on disk: a 14-byte file
// header, an info header of biSize bytes (40 or more), an optional colour
// table of four-byte entries (blue, green, red, reserved), then the pixel
// rows, bottom row first, each padded to a multiple of 4 bytes.
#pragma once

#include <bit>
#include <cstdint>

namespace lintra {

static_assert(std::endian::native == std::endian::little,
              "BMP headers are read in place: a little-endian host is assumed");

inline constexpr std::uint16_t kBmpSignature = 0x4D42;  // "BM"

#pragma pack(push, 1)
struct BitmapFileHeader {
    std::uint16_t bfType;
    std::uint32_t bfSize;
    std::uint16_t bfReserved1;
    std::uint16_t bfReserved2;
    std::uint32_t bfOffBits;
};

struct BitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

struct RgbQuad {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};

// The info header followed by its colour table: what drawing hands on.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[1];
};
#pragma pack(pop)

static_assert(sizeof(BitmapFileHeader) == 14);
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(sizeof(RgbQuad) == 4);

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;

// Row stride in bytes for a bit count and width: 1 bit (w + 7) / 8, 4 bits
// (w + 1) / 2, 24 bits 3w, every other count w, raised to a multiple of 4.
// 64-bit so that a hostile width cannot wrap.
std::int64_t BmpStride(int bitCount, std::int64_t width);

// Colour-table entries: biClrUsed when not 0, else 2, 16 or 256 for 1, 4 and
// 8 bits, and 0 above 8 bits.
std::uint32_t BmpColorCount(const BitmapInfoHeader& header);

}  // namespace lintra
