// The texts the document and the view show in message boxes.
#pragma once

namespace lintra {

// An image of a depth other than 8 or 24 bits.
inline constexpr const char* kMsgUnsupportedDepth = "打开失败,程序只支持8位或24位位图!";
// Palettor missing, failing, or running past its time limit.
inline constexpr const char* kMsgPalettorFailed =
    "打开失败,运行Palettor.exe失败,请检查是否有Palettor.exe文件!";

}  // namespace lintra
