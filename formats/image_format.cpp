#include "formats/image_format.h"

#include <cstring>

namespace lintra {

namespace {

bool StartsWith(std::span<const std::uint8_t> head, const char* bytes, std::size_t count) {
    return head.size() >= count && std::memcmp(head.data(), bytes, count) == 0;
}

bool IsPnmSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '#';
}

}  // namespace

ImageFormat DetectFormat(std::span<const std::uint8_t> head) {
    if (StartsWith(head, "BM", 2)) return ImageFormat::Bmp;
    if (StartsWith(head, "\x89PNG\r\n\x1a\n", 8)) return ImageFormat::Png;
    if (StartsWith(head, "\xFF\xD8\xFF", 3)) return ImageFormat::Jpeg;
    if (StartsWith(head, "II*\0", 4) || StartsWith(head, "MM\0*", 4) || StartsWith(head, "II+\0", 4) ||
        StartsWith(head, "MM\0+", 4))
        return ImageFormat::Tiff;
    if (StartsWith(head, "RIFF", 4) && head.size() >= 12 && std::memcmp(head.data() + 8, "WEBP", 4) == 0)
        return ImageFormat::WebP;
    if (head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' && IsPnmSpace(head[2]))
        return ImageFormat::Pnm;
    return ImageFormat::Unknown;
}

const std::vector<FormatInfo>& SupportedFormats() {
    static const std::vector<FormatInfo> formats = {
        {ImageFormat::Bmp, "BMP", {"bmp"}},
        {ImageFormat::Png, "PNG", {"png"}},
        {ImageFormat::Tiff, "TIFF", {"tif", "tiff"}},
        {ImageFormat::Jpeg, "JPEG", {"jpg", "jpeg", "jpe"}},
        {ImageFormat::Pnm, "PNM", {"pbm", "pgm", "ppm", "pnm"}},
        {ImageFormat::WebP, "WebP", {"webp"}},
    };
    return formats;
}

const char* FormatName(ImageFormat format) {
    for (const FormatInfo& info : SupportedFormats())
        if (info.format == format) return info.name;
    return "?";
}

}  // namespace lintra
