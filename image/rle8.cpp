#include "image/rle8.h"

#include <algorithm>
#include <cstring>

namespace lintra {

bool DecodeRle8(std::span<const std::uint8_t> stream, std::uint8_t* rows, int width, int height,
                std::size_t stride) {
    std::size_t pos = 0;
    std::size_t size = stream.size();
    // x may equal width (the cursor behind the last pixel) and y may equal
    // height (behind the top row, where only escapes are still allowed).
    std::int64_t x = 0;
    std::int64_t y = 0;
    auto fits = [&](std::int64_t count) { return y < height && x + count <= width; };

    while (pos < size) {
        if (size - pos < 2) return false;
        std::uint8_t count = stream[pos];
        std::uint8_t value = stream[pos + 1];
        pos += 2;
        if (count > 0) {
            if (!fits(count)) return false;
            std::memset(rows + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x), value,
                        count);
            x += count;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                y = std::min<std::int64_t>(y + 1, height);
                break;
            case 1:  // end of bitmap
                return true;
            case 2: {  // skip right and up
                if (size - pos < 2) return false;
                x += stream[pos];
                y += stream[pos + 1];
                pos += 2;
                if (x > width || y > height) return false;
                break;
            }
            default: {  // value literal indices, padded to an even count
                std::size_t literal = value;
                if (size - pos < literal || !fits(value)) return false;
                std::memcpy(rows + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x),
                            stream.data() + pos, literal);
                x += value;
                pos += literal + (literal & 1);
                break;
            }
        }
    }
    return true;
}

}  // namespace lintra
