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
        : width_(width), height_(height), stride_((width + 3) / 4 * 4 + 4), pad_(pad),
          bytes_(static_cast<std::size_t>(stride_) * height, pad) {
        for (int y = 0; y < height_; ++y)
            std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(y) * stride_, width_, fill);
    }
    ImageView view() { return ImageView{bytes_.data(), width_, height_, stride_, 8}; }
    std::uint8_t& at(int x, int y) { return bytes_[static_cast<std::size_t>(y) * stride_ + x]; }
    std::uint8_t at(int x, int y) const { return bytes_[static_cast<std::size_t>(y) * stride_ + x]; }
    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    std::uint8_t* data() { return bytes_.data(); }

    bool paddingIntact() const {
        for (int y = 0; y < height_; ++y)
            for (int x = width_; x < stride_; ++x)
                if (bytes_[static_cast<std::size_t>(y) * stride_ + x] != pad_) return false;
        return true;
    }
    // Whole blocks compared, padding included.
    friend bool operator==(const PaddedImage& a, const PaddedImage& b) {
        return a.width_ == b.width_ && a.height_ == b.height_ && a.bytes_ == b.bytes_;
    }
    // The pixels alone compared.
    bool samePixels(const PaddedImage& other) const {
        if (other.width_ != width_ || other.height_ != height_) return false;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
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
        for (int y = height_ - 1; y >= 0; --y) {
            for (int x = 0; x < width_; ++x) s += at(x, y) == 0 ? '#' : at(x, y) == 255 ? '.' : '?';
            s += '\n';
        }
        return s;
    }
    // Every pixel value, top row first, for failure messages of grey images.
    std::string values() const {
        std::string s;
        for (int y = height_ - 1; y >= 0; --y) {
            for (int x = 0; x < width_; ++x) {
                const std::uint8_t v = at(x, y);
                s += v == 0 ? "  #" : v == 255 ? "  ." : (v < 100 ? " " : "") + std::to_string(v);
            }
            s += '\n';
        }
        return s;
    }

private:
    int width_;
    int height_;
    int stride_;
    std::uint8_t pad_;
    std::vector<std::uint8_t> bytes_;
};

// An image from rows of '#' (0) and '.' (255), top row first, as the picture
// looks on the screen.
inline PaddedImage FromPicture(const std::vector<std::string>& rows) {
    const int h = static_cast<int>(rows.size());
    const int w = h == 0 ? 0 : static_cast<int>(rows[0].size());
    PaddedImage image(w, h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            image.at(x, h - 1 - r) = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(x)] == '#' ? 0 : 255;
    return image;
}

}  // namespace lintra::test_images
