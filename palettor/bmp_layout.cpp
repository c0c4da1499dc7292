#include "palettor/bmp_layout.h"

#include <limits>

namespace lintra::palettor {
namespace {

std::uint16_t Get16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char* p, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>(v >> (8 * k));
}

std::uint64_t RoundUp4(std::uint64_t n) {
    return (n + 3) / 4 * 4;
}

}  // namespace

BmpHeader ParseHeader(const unsigned char* b) {
    BmpHeader h;
    h.bfType = Get16(b + 0);
    h.bfSize = Get32(b + 2);
    h.bfReserved1 = Get16(b + 6);
    h.bfReserved2 = Get16(b + 8);
    h.bfOffBits = Get32(b + 10);
    h.biSize = Get32(b + 14);
    h.biWidth = static_cast<std::int32_t>(Get32(b + 18));
    h.biHeight = static_cast<std::int32_t>(Get32(b + 22));
    h.biPlanes = Get16(b + 26);
    h.biBitCount = Get16(b + 28);
    h.biCompression = Get32(b + 30);
    h.biSizeImage = Get32(b + 34);
    h.biXPelsPerMeter = static_cast<std::int32_t>(Get32(b + 38));
    h.biYPelsPerMeter = static_cast<std::int32_t>(Get32(b + 42));
    h.biClrUsed = Get32(b + 46);
    h.biClrImportant = Get32(b + 50);
    return h;
}

void StoreHeader(const BmpHeader& h, unsigned char* b) {
    b[0] = 'B';
    b[1] = 'M';
    Put32(b + 2, h.bfSize);
    Put16(b + 6, h.bfReserved1);
    Put16(b + 8, h.bfReserved2);
    Put32(b + 10, h.bfOffBits);
    Put32(b + 14, h.biSize);
    Put32(b + 18, static_cast<std::uint32_t>(h.biWidth));
    Put32(b + 22, static_cast<std::uint32_t>(h.biHeight));
    Put16(b + 26, h.biPlanes);
    Put16(b + 28, h.biBitCount);
    Put32(b + 30, h.biCompression);
    Put32(b + 34, h.biSizeImage);
    Put32(b + 38, static_cast<std::uint32_t>(h.biXPelsPerMeter));
    Put32(b + 42, static_cast<std::uint32_t>(h.biYPelsPerMeter));
    Put32(b + 46, h.biClrUsed);
    Put32(b + 50, h.biClrImportant);
}

LayoutCheck ComputeSourceLayout(const BmpHeader& h, SourceLayout& layout) {
    if (h.biCompression != 0) return LayoutCheck::kCompressed;
    if (h.biWidth < 1 || h.biHeight == 0 || h.biHeight == std::numeric_limits<std::int32_t>::min()) {
        return LayoutCheck::kInvalidSize;
    }
    SourceLayout l;
    l.width = h.biWidth;
    l.topDown = h.biHeight < 0;
    l.height = l.topDown ? -h.biHeight : h.biHeight;
    // Below 2^31 each, so 3 * width and every product here stay far below 2^64.
    l.stride = RoundUp4(3 * static_cast<std::uint64_t>(l.width));
    l.pixelBytes = l.stride * static_cast<std::uint64_t>(l.height);
    l.outputStride = RoundUp4(static_cast<std::uint64_t>(l.width));
    l.outputPixelBytes = l.outputStride * static_cast<std::uint64_t>(l.height);
    l.pixelOffset = h.bfOffBits >= kHeaderBytes ? h.bfOffBits : kHeaderBytes;
    if (kOutputPixelOffset + l.outputPixelBytes > std::numeric_limits<std::uint32_t>::max() ||
        l.pixelBytes > std::numeric_limits<std::size_t>::max() / 2) {
        return LayoutCheck::kTooLarge;
    }
    layout = l;
    return LayoutCheck::kOk;
}

BmpHeader OutputHeader(const BmpHeader& source, const SourceLayout& layout) {
    BmpHeader h = source;
    h.bfType = 0x4D42;
    h.bfSize = static_cast<std::uint32_t>(kOutputPixelOffset + layout.outputPixelBytes);
    h.bfOffBits = static_cast<std::uint32_t>(kOutputPixelOffset);
    h.biSize = 40;
    h.biHeight = layout.height;
    h.biBitCount = 8;
    h.biSizeImage = static_cast<std::uint32_t>(layout.outputPixelBytes);
    // A reader takes biClrUsed entries and finds the pixels right behind
    // them; any count other than the 256 written would shift the rows.
    if (h.biClrUsed != 0 && h.biClrUsed != kPaletteEntries) h.biClrUsed = 0;
    return h;
}

}  // namespace lintra::palettor
