// An 8-bit test image whose row padding holds a sentinel, so that a test can
// prove an operation never touched it, and a message sink that records.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image/image_view.h"
#include "image/message_sink.h"

namespace lintra::contour_testing {

inline constexpr std::uint8_t kPaddingSentinel = 0xA5;

class TestImage {
public:
    TestImage(int width, int height, std::uint8_t fill = 255)
        : width_(width), height_(height), stride_((width + 3) / 4 * 4 + 4) {
        bytes_.assign(static_cast<std::size_t>(stride_) * height_, kPaddingSentinel);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) at(x, y) = fill;
    }
    ImageView view() { return ImageView{bytes_.data(), width_, height_, stride_, 8}; }
    std::uint8_t& at(int x, int y) { return bytes_[static_cast<std::size_t>(y) * stride_ + x]; }
    std::uint8_t at(int x, int y) const { return bytes_[static_cast<std::size_t>(y) * stride_ + x]; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool paddingIntact() const {
        for (int y = 0; y < height_; ++y)
            for (int x = width_; x < stride_; ++x)
                if (bytes_[static_cast<std::size_t>(y) * stride_ + x] != kPaddingSentinel) return false;
        return true;
    }
    // The picture as rows of '#' (0), '.' (255) and '?' (anything else), top row first.
    std::string picture() const {
        std::string s;
        for (int y = height_ - 1; y >= 0; --y) {
            for (int x = 0; x < width_; ++x) s += at(x, y) == 0 ? '#' : at(x, y) == 255 ? '.' : '?';
            s += '\n';
        }
        return s;
    }
    bool samePixels(const TestImage& other) const {
        if (other.width_ != width_ || other.height_ != height_) return false;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (at(x, y) != other.at(x, y)) return false;
        return true;
    }

private:
    int width_;
    int height_;
    int stride_;
    std::vector<std::uint8_t> bytes_;
};

// Builds an image from rows of '#' (black) and '.' (white), top row first,
// so that the picture reads as it appears on the screen.
inline TestImage FromPicture(const std::vector<std::string>& rows) {
    const int h = static_cast<int>(rows.size());
    const int w = h == 0 ? 0 : static_cast<int>(rows[0].size());
    TestImage image(w, h);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) image.at(x, h - 1 - r) = rows[r][x] == '#' ? 0 : 255;
    return image;
}

class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.emplace_back(text, caption);
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

}  // namespace lintra::contour_testing
