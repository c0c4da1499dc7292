#include "bench/page_bmp.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace lintra::bench {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// File header, 40-byte info header, colours colour-table entries, then rows.
void WriteBmp(const std::string& path, int width, int height, int bitCount, int stride,
              const std::vector<std::uint8_t>& rows, int colours, int dpi) {
    // Pixels per metre, rounded: 11811 at 300 dpi.
    const auto perMetre = static_cast<std::uint32_t>(dpi / 0.0254 + 0.5);
    const std::uint32_t offset = 14 + 40 + 4u * static_cast<std::uint32_t>(colours);
    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride) * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> head;
    Put16(head, 0x4D42);  // "BM"
    Put32(head, offset + imageSize);
    Put32(head, 0);
    Put32(head, offset);
    Put32(head, 40);
    Put32(head, static_cast<std::uint32_t>(width));
    Put32(head, static_cast<std::uint32_t>(height));  // positive: bottom row first
    Put16(head, 1);
    Put16(head, static_cast<std::uint32_t>(bitCount));
    Put32(head, 0);  // uncompressed
    Put32(head, imageSize);
    Put32(head, perMetre);
    Put32(head, perMetre);
    Put32(head, static_cast<std::uint32_t>(colours));
    Put32(head, 0);
    for (int i = 0; i < colours; ++i) Put32(head, static_cast<std::uint32_t>(i) * 0x010101u);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    file.write(reinterpret_cast<const char*>(rows.data()), static_cast<std::streamsize>(imageSize));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

}  // namespace

void WriteGreyBmp(const std::string& path, const PageImage& page, int dpi) {
    WriteBmp(path, page.width, page.height, 8, page.stride, page.pixels, 256, dpi);
}

void WriteColourBmp(const std::string& path, const ColourImage& page, int dpi) {
    WriteBmp(path, page.width, page.height, 24, page.stride, page.pixels, 0, dpi);
}

}  // namespace lintra::bench
