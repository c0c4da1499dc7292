#include "formats/decode.h"

#include <limits>
#include <new>

#include "base/message_sink.h"
#include "image/bmp_messages.h"

namespace lintra {

void Decode(ImageFormat format, std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out) {
    switch (format) {
        case ImageFormat::Png:
            return DecodePng(bytes, options, out);
        case ImageFormat::Jpeg:
            return DecodeJpeg(bytes, options, out);
        case ImageFormat::Tiff:
            return DecodeTiff(bytes, options, out);
        case ImageFormat::WebP:
            return DecodeWebp(bytes, options, out);
        case ImageFormat::Pnm:
            return DecodePnm(bytes, options, out);
        default:
            throw ImageRefused(kMsgNotBitmap);
    }
}

void CreateOrThrow(Dib& out, std::uint32_t width, std::uint32_t height, int bitCount,
                   std::uint32_t colourCount) {
    constexpr std::uint32_t kMax = std::numeric_limits<std::int32_t>::max();
    std::uint64_t bytes = static_cast<std::uint64_t>(BmpStride(bitCount, width)) * height;
    if (width == 0 || height == 0) throw ImageRefused(kMsgBadDimensions);
    if (width > kMax || height > kMax || bytes > std::numeric_limits<std::uint32_t>::max() - 2048)
        throw ImageRefused(kMsgTooLarge);
    if (!out.Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), bitCount,
                    colourCount))
        throw std::bad_alloc();
}

void SetGreyTable(Dib& out) {
    for (std::uint32_t i = 0; i < out.GetColorCount(); ++i) {
        auto level = static_cast<std::uint8_t>(i);
        out.m_pColorTable[i] = RgbQuad{level, level, level, 0};
    }
}

std::string DamagedMessage(ImageFormat format, const std::string& reason) {
    return FillPlaceholders(kMsgDamagedImage, {FormatName(format), reason});
}

std::string UnsupportedMessage(ImageFormat format, const std::string& reason) {
    return FillPlaceholders(kMsgUnsupportedImage, {FormatName(format), reason});
}

}  // namespace lintra
