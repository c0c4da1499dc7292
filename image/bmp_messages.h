// The texts the BMP reader shows when it refuses a file. Each names what is
// wrong with the file, so the user knows whether it is damaged or of a kind
// the program does not read.
#pragma once

namespace lintra {

inline constexpr const char* kMsgNotBitmap = "This isn't a bitmap file!";
// The file ends inside its info header.
inline constexpr const char* kMsgNoInfoHeader = "打开失败,位图文件不完整,缺少信息头!";
// An info header shorter than 40 bytes (the old OS/2 formats).
inline constexpr const char* kMsgOldInfoHeader = "打开失败,不支持这种位图格式(信息头不足40字节)!";
// Width below 1 or height 0.
inline constexpr const char* kMsgBadDimensions = "打开失败,位图的宽度或高度无效!";
// Sizes that overflow, or a decoded image beyond what the program holds.
inline constexpr const char* kMsgTooLarge = "打开失败,位图太大!";
// More than 256 colour-table entries for an image of at most 8 bits.
inline constexpr const char* kMsgBadColourCount = "打开失败,位图的颜色表超过256项!";
// The file ends inside its colour table.
inline constexpr const char* kMsgNoColourTable = "打开失败,位图文件不完整,缺少颜色表!";
// The file ends inside its pixel rows.
inline constexpr const char* kMsgNoPixels = "打开失败,位图文件不完整,缺少像素数据!";
// Any compression but RLE8 on an 8-bit image.
inline constexpr const char* kMsgCompression = "打开失败,不支持这种压缩方式,只支持未压缩或RLE8压缩的位图!";
// RLE8 data that would run past its rows or its bytes, or RLE8 stored top-down.
inline constexpr const char* kMsgBadRle = "打开失败,位图的RLE8压缩数据已损坏!";
inline constexpr const char* kMsgNoMemory = "打开失败,内存不足!";

// Patterns of the readers' composed refusals, filled by FillPlaceholders.
// A picture over the pixel budget: width, height, the budget.
inline constexpr const char* kMsgOverPixelBudget = "打开失败,图像有%1 x %2个像素,超过了%3个像素的上限!";
// A damaged or cut-off file: the format's name, the decoder's reason.
inline constexpr const char* kMsgDamagedImage = "打开失败,%1文件已损坏或不完整: %2";
// A variant of a format the reader does not take: the format, the reason.
inline constexpr const char* kMsgUnsupportedImage = "打开失败,不支持这种%1图像: %2";
// A TIFF page beyond the file's last: the page count, the page asked for.
inline constexpr const char* kMsgNoSuchPage = "打开失败,TIFF文件只有%1页,没有第%2页!";

}  // namespace lintra
