// The picture file formats Lintra opens, told apart by their first bytes
// (never by the file name), with the names and file-name patterns the Open
// dialog and lintra-batch's help list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lintra {

enum class ImageFormat { Unknown, Bmp, Png, Jpeg, Tiff, WebP, Pnm };

// How many leading bytes DetectFormat needs at most.
inline constexpr std::size_t kSignatureBytes = 16;

// The format whose signature the file's first bytes carry: "BM", the PNG
// signature, FF D8 FF, "II*\0" / "MM\0*" (and BigTIFF), "RIFF....WEBP", or
// "P1" to "P6" followed by white space. Unknown for anything else.
ImageFormat DetectFormat(std::span<const std::uint8_t> head);

struct FormatInfo {
    ImageFormat format;
    const char* name;                   // "PNG"
    std::vector<std::string> suffixes;  // {"png"}, lower case, without the dot
};

// Every format Lintra opens, BMP first.
const std::vector<FormatInfo>& SupportedFormats();

// The name of a format ("PNG"), for messages.
const char* FormatName(ImageFormat format);

}  // namespace lintra
