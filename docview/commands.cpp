#include "docview/commands.h"

#include <algorithm>
#include <array>

namespace lintra {
namespace {

using namespace cmd;

constexpr CommandInfo kCommands[] = {
    {kFileOpen, "open", "打开...\tCtrl+O(&O)"},
    {kFileSave, "save", "保存\tCtrl+S(&S)"},
    {kEdgeSobel, "edge-sobel", "初步处理1"},
    {kEdgeRoberts, "edge-roberts", "初步处理2"},
    {kEdgePrewitt, "edge-prewitt", "初步处理3"},
    {kEdgeKirsch, "edge-kirsch", "初步处理4"},
    {kEdgeGaussLaplace, "edge-gauss-laplace", "初步处理5"},
    {kEdgeGradient, "edge-gradient", "初步处理6"},
    {kBinariseGradient, "binarise-gradient", "图像黑白化1"},
    {kBinariseThreshold, "binarise-threshold", "图像黑白化2"},
    {kBinariseIterative, "binarise-iterative", "图像黑白化3"},
    {kParamBinariseGradient, "param-binarise-gradient", "参数调整1"},
    {kParamBinariseThreshold, "param-binarise-threshold", "参数调整2"},
    {kInvert, "invert", "黑白反色"},
    {kRemoveBlackWhitePoints, "remove-black-white-points", "消除黑白点"},
    {kThin, "thin", "细化图像"},
    {kContour1, "contour-1", "提取轮廓1"},
    {kContour2, "contour-2", "提取轮廓2"},
    {kOutermostContour, "outermost-contour", "提取最外面轮廓"},
    {kRemoveShortBranches, "remove-short-branches", "去掉短枝"},
    {kParamShortBranches, "param-short-branches", "参数调整1"},
    {kRemoveSmallBlobs, "remove-small-blobs", "去除小黑团"},
    {kParamSmallBlobs, "param-small-blobs", "参数调整2"},
    {kRemoveIsolatedPoints, "remove-isolated-points", "消除孤立点"},
    {kWhiteBorder, "white-border", "使边框为白"},
    {kVectorise1, "vectorise-1", "矢量化1"},
    {kPeelContour, "peel-contour", ""},
    {kVectorise2, "vectorise-2", "矢量化2"},
    {kExportDxf, "dxf", "输出CAD格式文件(.dxf)"},
    {kRestoreOriginal, "restore-original", "还原至原图"},
    {kRestorePrevious, "restore-previous", "还原到上幅图"},
    {kShowBitmap, "show-bitmap", "显示位图"},
    {kShowVector, "show-vector", "显示矢量图"},
};

constexpr MenuEntry kSeparator{0, ""};

constexpr MenuEntry kFileMenu[] = {
    {kFileOpen, "打开...\tCtrl+O(&O)"},
    {kFileSave, "保存\tCtrl+S(&S)"},
    kSeparator,
    {kAppExit, "退出(&X)"},
};
constexpr MenuEntry kEditMenu[] = {
    {kRestoreOriginal, "还原至原图"},
    {kRestorePrevious, "还原到上幅图"},
};
constexpr MenuEntry kViewMenu[] = {
    {kViewToolbar, "工具栏(&T)"},
    {kViewStatusBar, "状态栏(&S)"},
    {kShowBitmap, "显示位图"},
    {kShowVector, "显示矢量图"},
};
constexpr MenuEntry kStep1Menu[] = {
    {kEdgeSobel, "初步处理1"},  {kEdgeRoberts, "初步处理2"},      {kEdgePrewitt, "初步处理3"},
    {kEdgeKirsch, "初步处理4"}, {kEdgeGaussLaplace, "初步处理5"}, {kEdgeGradient, "初步处理6"},
};
constexpr MenuEntry kStep2Menu[] = {
    kSeparator, {kBinariseGradient, "图像黑白化1"},  {kParamBinariseGradient, "参数调整1"},
    kSeparator, {kBinariseThreshold, "图像黑白化2"}, {kParamBinariseThreshold, "参数调整2"},
    kSeparator, {kBinariseIterative, "图像黑白化3"},
};
constexpr MenuEntry kStep3Menu[] = {
    {kInvert, "黑白反色"},
    {kRemoveBlackWhitePoints, "消除黑白点"},
    {kThin, "细化图像"},
    {kContour1, "提取轮廓1"},
    {kContour2, "提取轮廓2"},
    {kOutermostContour, "提取最外面轮廓"},
    kSeparator,
    {kRemoveShortBranches, "去掉短枝"},
    {kParamShortBranches, "参数调整1"},
    kSeparator,
    {kRemoveSmallBlobs, "去除小黑团"},
    {kParamSmallBlobs, "参数调整2"},
    kSeparator,
    {kRemoveIsolatedPoints, "消除孤立点"},
    {kWhiteBorder, "使边框为白"},
};
constexpr MenuEntry kStep4Menu[] = {
    {kVectorise1, "矢量化1"},
    {kVectorise2, "矢量化2"},
    {kExportDxf, "输出CAD格式文件(.dxf)"},
};
constexpr MenuEntry kHelpMenu[] = {
    {kAppAbout, "关于此软件"},
};

constexpr MenuDefinition kMenus[] = {
    {"文件(&F)", kFileMenu},        {"编辑(&E)", kEditMenu},        {"视图(&V)", kViewMenu},
    {"处理第一步(&F)", kStep1Menu}, {"处理第二步(S&)", kStep2Menu}, {"处理第三步(T&)", kStep3Menu},
    {"处理第四步(&F)", kStep4Menu}, {"帮助(&H)", kHelpMenu},
};

constexpr AcceleratorEntry kAccelerators[] = {
    {"Ctrl+N", kFileNew},  {"Ctrl+O", kFileOpen},        {"Ctrl+S", kFileSave},  {"Ctrl+P", kFilePrint},
    {"Ctrl+Z", kEditUndo}, {"Alt+Backspace", kEditUndo}, {"Ctrl+X", kEditCut},   {"Shift+Del", kEditCut},
    {"Ctrl+C", kEditCopy}, {"Ctrl+Ins", kEditCopy},      {"Ctrl+V", kEditPaste}, {"Shift+Ins", kEditPaste},
    {"F6", kNextPane},     {"Shift+F6", kPrevPane},
};

constexpr int kToolbar[] = {kFileOpen, kFileSave, 0, kRestoreOriginal, kRestorePrevious};

}  // namespace

std::span<const CommandInfo> CommandTable() {
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                           [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

const CommandInfo* FindCommand(std::string_view name) {
    auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                           [name](const CommandInfo& c) { return !c.name.empty() && c.name == name; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::span<const MenuDefinition> MainMenu() {
    return kMenus;
}
std::span<const AcceleratorEntry> Accelerators() {
    return kAccelerators;
}
std::span<const int> ToolbarButtons() {
    return kToolbar;
}

}  // namespace lintra
