// WebP through libwebp.
#include <webp/decode.h>

#include <memory>

#include "formats/decode.h"

namespace lintra {

namespace {

const char* StatusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY:
            return "out of memory";
        case VP8_STATUS_INVALID_PARAM:
            return "invalid parameter";
        case VP8_STATUS_BITSTREAM_ERROR:
            return "bitstream error";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "unsupported feature";
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "not enough data";
        default:
            return "decoding failed";
    }
}

struct OutputFree {
    WebPDecBuffer* buffer;
    ~OutputFree() { WebPFreeDecBuffer(buffer); }
};

}  // namespace

void DecodeWebp(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) throw std::bad_alloc();
    OutputFree release{&config.output};
    VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &config.input);
    if (status != VP8_STATUS_OK) throw ImageRefused(DamagedMessage(ImageFormat::WebP, StatusText(status)));
    if (config.input.width < 1 || config.input.height < 1)
        throw ImageRefused(DamagedMessage(ImageFormat::WebP, "no picture size"));
    auto width = static_cast<std::uint32_t>(config.input.width);
    auto height = static_cast<std::uint32_t>(config.input.height);
    CheckPixelBudget(width, height, options);
    if (config.input.has_animation) throw ImageRefused(UnsupportedMessage(ImageFormat::WebP, "animation"));

    bool alpha = config.input.has_alpha != 0;
    CreateOrThrow(out, width, height, 24, 0);
    std::unique_ptr<std::uint8_t[]> bgra;
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    // Without alpha the rows go straight into the Dib, top row first; they
    // are turned bottom-up below.
    std::size_t stride = alpha ? 4ull * width : out.m_nStride;
    if (alpha) bgra.reset(new std::uint8_t[stride * height]);
    config.output.u.RGBA.rgba = alpha ? bgra.get() : out.GetBits();
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = stride * height;
    status = WebPDecode(bytes.data(), bytes.size(), &config);
    if (status != VP8_STATUS_OK) throw ImageRefused(DamagedMessage(ImageFormat::WebP, StatusText(status)));

    if (alpha) {
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint8_t* in = bgra.get() + stride * y;
            std::uint8_t* to = RowFromTop(out, y);
            for (std::uint32_t x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c) to[3 * x + c] = OverWhite(in[4 * x + c], in[4 * x + 3]);
        }
        return;
    }
    std::uint8_t* rows = out.GetBits();
    for (std::uint32_t low = 0, high = height - 1; low < high; ++low, --high)
        std::swap_ranges(rows + low * stride, rows + (low + 1) * stride, rows + high * stride);
}

}  // namespace lintra
