// An owned 8-bit test image whose rows carry padding filled with a sentinel,
// so that a test can prove an operation never touched it, with the small
// drawing and printing helpers the raster and vector tests share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "image/image_view.h"

namespace lintra::test_images {

inline constexpr std::uint8_t kSentinel = 0x5A;

class PaddedImage {
public:
    PaddedImage() : PaddedImage(1, 1) {}
    // Rows padded to a multiple of 4 and 4 bytes more, so even a width that
    // is a multiple of 4 has padding to watch; the padding holds pad.
    PaddedImage(int width, int height, std::uint8_t fill = 255, std::uint8_t pad = kSentinel)
        : m_width(width),
          m_height(height),
          m_stride((width + 3) / 4 * 4 + 4),
          m_pad(pad),
          m_bytes(static_cast<std::size_t>(m_stride) * height, pad) {
        for (int y = 0; y < m_height; ++y)
            std::fill_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(y) * m_stride, m_width, fill);
    }
    ImageView view() { return ImageView{m_bytes.data(), m_width, m_height, m_stride, 8}; }
    std::uint8_t& at(int x, int y) { return m_bytes[static_cast<std::size_t>(y) * m_stride + x]; }
    std::uint8_t at(int x, int y) const { return m_bytes[static_cast<std::size_t>(y) * m_stride + x]; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int stride() const { return m_stride; }
    std::uint8_t* data() { return m_bytes.data(); }

    bool paddingIntact() const {
        for (int y = 0; y < m_height; ++y)
            for (int x = m_width; x < m_stride; ++x)
                if (m_bytes[static_cast<std::size_t>(y) * m_stride + x] != m_pad) return false;
        return true;
    }
    // Whole blocks compared, padding included.
    friend bool operator==(const PaddedImage& a, const PaddedImage& b) {
        return a.m_width == b.m_width && a.m_height == b.m_height && a.m_bytes == b.m_bytes;
    }
    // The pixels alone compared.
    bool samePixels(const PaddedImage& other) const {
        if (other.m_width != m_width || other.m_height != m_height) return false;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (at(x, y) != other.at(x, y)) return false;
        return true;
    }

    void Set(std::initializer_list<std::pair<int, int>> points, std::uint8_t value = 0) {
        for (auto [x, y] : points) at(x, y) = value;
    }
    // Every pixel of the rectangle [x0, x1] x [y0, y1] becomes value.
    void Fill(int x0, int y0, int x1, int y1, std::uint8_t value = 0) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) at(x, y) = value;
    }
    // The one-pixel outline of that rectangle.
    void Outline(int x0, int y0, int x1, int y1, std::uint8_t value = 0) {
        for (int x = x0; x <= x1; ++x) at(x, y0) = at(x, y1) = value;
        for (int y = y0; y <= y1; ++y) at(x0, y) = at(x1, y) = value;
    }

    // Rows of '#' (0), '.' (255) and '?' (anything else), top row first.
    std::string picture() const {
        std::string s;
        for (int y = m_height - 1; y >= 0; --y) {
            for (int x = 0; x < m_width; ++x) s += at(x, y) == 0 ? '#' : at(x, y) == 255 ? '.' : '?';
            s += '\n';
        }
        return s;
    }
    // Every pixel value, top row first, for failure messages of grey images.
    std::string values() const {
        std::string s;
        for (int y = m_height - 1; y >= 0; --y) {
            for (int x = 0; x < m_width; ++x) {
                const std::uint8_t v = at(x, y);
                s += v == 0 ? "  #" : v == 255 ? "  ." : (v < 100 ? " " : "") + std::to_string(v);
            }
            s += '\n';
        }
        return s;
    }

private:
    int m_width;
    int m_height;
    int m_stride;
    std::uint8_t m_pad;
    std::vector<std::uint8_t> m_bytes;
};

// An image from rows of '#' (0) and '.' (255), top row first, as the picture
// looks on the screen.
inline PaddedImage FromPicture(const std::vector<std::string>& rows) {
    const int h = static_cast<int>(rows.size());
    const int w = h == 0 ? 0 : static_cast<int>(rows[0].size());
    PaddedImage image(w, h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            image.at(x, h - 1 - r) =
                rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(x)] == '#' ? 0 : 255;
    return image;
}

}  // namespace lintra::test_images
