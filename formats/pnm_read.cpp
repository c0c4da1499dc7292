// The netpbm formats, read by hand: a header of a magic number, width,
// height and (except for bitmaps) the largest sample value, in text with
// comments, then the samples, as text (P1 to P3) or bytes (P4 to P6).
// P1 and P4 are bitmaps in which 1 is black.
#include <memory>

#include "formats/decode.h"

namespace lintra {

namespace {

class PnmScanner {
public:
    explicit PnmScanner(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    // The next decimal number after white space and comments; refuses a
    // file that ends or holds anything else first, or a number above limit.
    std::uint32_t Number(std::uint32_t limit) {
        SkipSpace();
        if (m_at >= m_bytes.size() || !IsDigit(m_bytes[m_at])) Fail("a number is missing");
        std::uint64_t value = 0;
        while (m_at < m_bytes.size() && IsDigit(m_bytes[m_at])) {
            value = value * 10 + (m_bytes[m_at++] - '0');
            if (value > limit) Fail("a number is too large");
        }
        return static_cast<std::uint32_t>(value);
    }
    // A plain bitmap's sample: one digit, 0 or 1, white space optional.
    unsigned Bit() {
        SkipSpace();
        if (m_at >= m_bytes.size() || (m_bytes[m_at] != '0' && m_bytes[m_at] != '1'))
            Fail("a sample is missing");
        return m_bytes[m_at++] - '0';
    }
    // The one white-space byte that ends the header of a raw file.
    void EndHeader() {
        if (m_at >= m_bytes.size() || !IsSpace(m_bytes[m_at])) Fail("the header does not end");
        ++m_at;
    }
    std::span<const std::uint8_t> Rest() const { return m_bytes.subspan(m_at); }
    [[noreturn]] static void Fail(const char* reason) {
        throw ImageRefused(DamagedMessage(ImageFormat::Pnm, reason));
    }

private:
    static bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
    static bool IsSpace(std::uint8_t c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    void SkipSpace() {
        while (m_at < m_bytes.size()) {
            if (IsSpace(m_bytes[m_at])) {
                ++m_at;
            } else if (m_bytes[m_at] == '#') {
                while (m_at < m_bytes.size() && m_bytes[m_at] != '\n' && m_bytes[m_at] != '\r') ++m_at;
            } else {
                break;
            }
        }
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

}  // namespace

void DecodePnm(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out) {
    const int kind = bytes.size() >= 2 ? bytes[1] - '0' : 0;
    PnmScanner scan(bytes.subspan(2));
    std::uint32_t width = scan.Number(0x7fffffff);
    std::uint32_t height = scan.Number(0x7fffffff);
    if (width == 0 || height == 0) PnmScanner::Fail("no picture size");
    bool bitmap = kind == 1 || kind == 4;
    bool colour = kind == 3 || kind == 6;
    bool raw = kind >= 4;
    std::uint32_t maxValue = bitmap ? 1 : scan.Number(65535);
    if (maxValue == 0) PnmScanner::Fail("the largest sample value is 0");
    if (raw) scan.EndHeader();
    CheckPixelBudget(width, height, options);

    const unsigned channels = colour ? 3 : 1;
    const unsigned sampleBytes = maxValue > 255 ? 2 : 1;
    std::span<const std::uint8_t> data = scan.Rest();
    if (raw) {
        std::uint64_t rowBytes = bitmap ? (width + 7ull) / 8 : 1ull * width * channels * sampleBytes;
        if (data.size() / rowBytes < height) PnmScanner::Fail("the file ends early");
    } else if (data.size() / channels / width < height) {
        // Every plain sample takes a byte at least.
        PnmScanner::Fail("the file ends early");
    }
    CreateOrThrow(out, width, height, colour ? 24 : 8, colour ? 0 : 256);
    if (!colour) SetGreyTable(out);

    std::size_t at = 0;
    auto level = [&](std::uint32_t value) -> std::uint8_t {
        if (value > maxValue) PnmScanner::Fail("a sample is above the largest value");
        return static_cast<std::uint8_t>((value * 255ull + maxValue / 2) / maxValue);
    };
    auto sample = [&]() -> std::uint8_t {
        if (!raw) return level(scan.Number(65535));
        std::uint32_t value = data[at++];
        if (sampleBytes == 2) value = value << 8 | data[at++];
        return level(value);
    };
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* to = RowFromTop(out, y);
        if (bitmap) {
            for (std::uint32_t x = 0; x < width; ++x) {
                unsigned bit = raw ? (data[at + x / 8] >> (7 - x % 8)) & 1u : scan.Bit();
                to[x] = bit ? 0 : 255;
            }
            if (raw) at += (width + 7) / 8;
        } else if (colour) {
            for (std::uint32_t x = 0; x < width; ++x) {
                std::uint8_t r = sample(), g = sample(), b = sample();
                to[3 * x] = b;
                to[3 * x + 1] = g;
                to[3 * x + 2] = r;
            }
        } else {
            for (std::uint32_t x = 0; x < width; ++x) to[x] = sample();
        }
    }
}

}  // namespace lintra
