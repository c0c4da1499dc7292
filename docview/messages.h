// The texts the document and the view show in message boxes and the status bar.
#pragma once

namespace lintra {

// An image of a depth other than 8 or 24 bits.
inline constexpr const char* kMsgUnsupportedDepth = "打开失败,程序只支持8位或24位位图!";
// Palettor missing, failing, or running past its time limit.
inline constexpr const char* kMsgPalettorFailed =
    "打开失败,运行Palettor.exe失败,请检查是否有Palettor.exe文件!";

// The CAD export and the fitted drawing refuse a segment list traced from
// a picture other than the one open: it would be presented as this one's.
inline constexpr const char* kMsgVectorsFromOtherPicture = "矢量数据来自另一幅图像,请先矢量化";
// The CAD export of the desktop program with no segments to fit.
inline constexpr const char* kMsgNothingToExport = "没有可输出的矢量数据,请先矢量化";

// A drawing the DXF or SVG writer refuses; %1 is the writer's reason.
inline constexpr const char* kMsgCadWriteFailed = "无法写出CAD图纸：%1";

// The Open dialog's filter of one format: its name, its patterns.
inline constexpr const char* kFilterFormatImages = "%1图像(%2)";
// The title of a page of a multi-page file: the path, the page, the count.
inline constexpr const char* kTitleWithPage = "%1 - 第%2页，共%3页";

// The status note after a CAD-ready export: the entities written, in all
// and by type (line, arc, circle, polyline), and the dpi taken for a
// picture without a resolution.
inline constexpr const char* kStatusCadEntities =
    "已写出%1个图元：直线%2，圆弧%3，圆%4，多段线%5；笔画宽%6像素，拟合容差%7像素";
inline constexpr const char* kStatusCadEntitiesAssumedDpi =
    "已写出%1个图元：直线%2，圆弧%3，圆%4，多段线%5；笔画宽%6像素，拟合容差%7像素（图像未记录分辨率，按%8 "
    "dpi换算）";

// The status note after a step that changed the picture; the second form
// when the segments are drawn instead, so the user knows the picture under
// them changed.
struct StatusNote {
    const char* plain;
    const char* vectorShown;
};
// Iterative black and white: the threshold it chose.
inline constexpr StatusNote kStatusThreshold = {"迭代阈值为%1",
                                                "迭代阈值为%1；位图已改变，当前显示的是矢量图"};
// Blob and branch removal: the pieces that went and their pixels.
inline constexpr StatusNote kStatusRemoved = {"去掉了%1处，共%2个像素",
                                              "去掉了%1处，共%2个像素；位图已改变，当前显示的是矢量图"};
// Any other raster step: the pixels it changed.
inline constexpr StatusNote kStatusChanged = {"改变了%1个像素",
                                              "改变了%1个像素；位图已改变，当前显示的是矢量图"};
// A vectorisation: the segments it made.
inline constexpr const char* kStatusSegments = "得到%1条线段";
// The DXF export: the line entities written.
inline constexpr const char* kStatusDxfLines = "已写出%1条直线";
// Undo and redo: the step now shown, of the steps kept.
inline constexpr const char* kStatusHistoryAt = "历史记录：第%1步，共%2步";

}  // namespace lintra
