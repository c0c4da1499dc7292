// The texts the document and the view show in message boxes and the status bar.
#pragma once

namespace lintra {

// An image of a depth other than 8 or 24 bits.
inline constexpr const char* kMsgUnsupportedDepth = "打开失败,程序只支持8位或24位位图!";
// Palettor missing, failing, or running past its time limit.
inline constexpr const char* kMsgPalettorFailed =
    "打开失败,运行Palettor.exe失败,请检查是否有Palettor.exe文件!";

// The status note after a CAD-ready export: the entities written, in all
// and by type (line, arc, circle, polyline), and the dpi taken for a
// picture without a resolution.
inline constexpr const char* kStatusCadEntities =
    "已写出%1个图元：直线%2，圆弧%3，圆%4，多段线%5；笔画宽%6像素，拟合容差%7像素";
inline constexpr const char* kStatusCadEntitiesAssumedDpi =
    "已写出%1个图元：直线%2，圆弧%3，圆%4，多段线%5；笔画宽%6像素，拟合容差%7像素（图像未记录分辨率，按%8 "
    "dpi换算）";

}  // namespace lintra
