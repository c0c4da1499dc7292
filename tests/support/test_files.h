// Small files and folders for the tests: a private folder, an 8-bit grey
// BMP written pixel by pixel, a shell script, and the pixels of a Dib.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "image/dib.h"
#include "support/test_data.h"

namespace lintra::test {

// A folder of its own for one test, removed with its contents at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lintra-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    // Names of everything inside, recursively.
    std::vector<std::string> Contents() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_path))
            names.push_back(entry.path().string());
        return names;
    }

private:
    std::string m_path;
};

// Writes an 8-bit bottom-up BMP with an identity grey table; pixel(x, y)
// gives the value with y = 0 the bottom row. The header records
// pelsPerMeter both ways (2835 is 72 dpi, 0 no resolution).
inline void WriteGreyBmp(const std::string& path, int width, int height,
                         const std::function<std::uint8_t(int, int)>& pixel,
                         std::uint32_t pelsPerMeter = 2835) {
    int stride = (width + 3) / 4 * 4;
    std::uint32_t offset = 14 + 40 + 1024;
    std::uint32_t size = offset + static_cast<std::uint32_t>(stride * height);
    std::vector<std::uint8_t> bytes;
    auto put16 = [&](std::uint16_t v) { bytes.insert(bytes.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); };
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
    };
    put16(0x4D42), put32(size), put32(0), put32(offset);
    put32(40), put32(width), put32(height), put16(1), put16(8), put32(0);
    put32(static_cast<std::uint32_t>(stride * height)), put32(pelsPerMeter), put32(pelsPerMeter), put32(256),
        put32(0);
    for (int i = 0; i < 256; ++i)
        bytes.insert(bytes.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) bytes.push_back(pixel(x, y));
        bytes.insert(bytes.end(), static_cast<std::size_t>(stride - width), 0);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// An executable shell script named name in dir.
inline std::string WriteScript(const std::string& dir, const std::string& name, const std::string& body) {
    std::string path = dir + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path;
}

// The width pixels of every row, bottom row first.
inline std::vector<std::uint8_t> Pixels(const Dib& dib) {
    ImageView view = dib.View();
    std::vector<std::uint8_t> out;
    for (int y = 0; y < view.height; ++y) out.insert(out.end(), view.row(y), view.row(y) + view.width);
    return out;
}

}  // namespace lintra::test
