#include "image/bmp_format.h"

namespace lintra {

std::int64_t BmpStride(int bitCount, std::int64_t width) {
    std::int64_t bytes;
    switch (bitCount) {
        case 1:
            bytes = (width + 7) / 8;
            break;
        case 4:
            bytes = (width + 1) / 2;
            break;
        case 24:
            bytes = 3 * width;
            break;
        default:
            bytes = width;
            break;
    }
    return (bytes + 3) / 4 * 4;
}

std::uint32_t BmpColorCount(const BitmapInfoHeader& header) {
    if (header.biClrUsed != 0) return header.biClrUsed;
    switch (header.biBitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

}  // namespace lintra
