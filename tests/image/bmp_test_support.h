// Helpers for the image tests: BMP files crafted byte by byte, the shared
// recording message sink and temporary folder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "base/message_sink.h"
#include "image/bmp_format.h"
#include "support/recording_sink.h"
#include "support/test_files.h"

namespace lintra::testing {

using Bytes = std::vector<std::uint8_t>;

using test::RecordingSink;

using test::TempDir;

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The header structs are packed: compare their fields by value (+field), as
// binding a reference to a misaligned field is undefined.
//
// A BMP file assembled from its parts exactly as given: nothing is derived
// from anything else unless Fit() is called, so tests can lie in any field.
struct BmpBuilder {
    BitmapFileHeader file{kBmpSignature, 0, 0, 0, 0};
    BitmapInfoHeader info{40, 0, 0, 1, 8, kBiRgb, 0, 2835, 2835, 0, 0};
    Bytes headerExtra;  // bytes of a longer info header behind the 40
    std::vector<RgbQuad> table;
    Bytes gap;  // bytes between colour table and rows
    Bytes rows;

    // An 8-bit image of w x h whose pixel (x, y) is value(x, y), bottom row
    // first, padding bytes 0xEE; a table of `colours` grey entries.
    template <typename Value>
    static BmpBuilder Indexed8(int w, int h, int colours, Value value) {
        BmpBuilder b;
        b.info.biWidth = w;
        b.info.biHeight = h;
        b.info.biClrUsed = static_cast<std::uint32_t>(colours);
        for (int i = 0; i < colours; ++i) {
            auto c = static_cast<std::uint8_t>(i);
            b.table.push_back({c, c, c, 0});
        }
        int stride = (w + 3) / 4 * 4;
        b.rows.assign(static_cast<std::size_t>(stride) * h, 0xEE);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b.rows[static_cast<std::size_t>(y) * stride + x] = value(x, y);
        b.info.biSizeImage = static_cast<std::uint32_t>(b.rows.size());
        return b.Fit();
    }

    // Sets bfSize and bfOffBits to the sizes of the parts.
    BmpBuilder& Fit() {
        file.bfOffBits =
            static_cast<std::uint32_t>(14 + 40 + headerExtra.size() + 4 * table.size() + gap.size());
        file.bfSize = static_cast<std::uint32_t>(file.bfOffBits + rows.size());
        return *this;
    }

    Bytes Build() const {
        Bytes out;
        auto put = [&out](const void* p, std::size_t n) {
            const auto* bytes = static_cast<const std::uint8_t*>(p);
            out.insert(out.end(), bytes, bytes + n);
        };
        put(&file, sizeof file);
        put(&info, sizeof info);
        put(headerExtra.data(), headerExtra.size());
        put(table.data(), table.size() * sizeof(RgbQuad));
        put(gap.data(), gap.size());
        put(rows.data(), rows.size());
        return out;
    }
};

}  // namespace lintra::testing
