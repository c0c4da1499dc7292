#include "docview/commands.h"

#include <algorithm>

#include "base/parallel_rows.h"
#include "docview/view.h"
#include "raster/binarise.h"
#include "raster/binarise_adaptive.h"
#include "raster/cleanup.h"
#include "raster/contour.h"
#include "raster/edge.h"
#include "raster/stroke_width.h"
#include "raster/thin.h"

namespace lintra {
namespace {

using namespace cmd;
using enum CommandKind;

// The operations of the rows, where the library's own function does not
// take (view, image, argument) as it stands.
template <void (*Operation)(ImageView)>
void Plain(OperationContext&, ImageView image, std::span<const int>) {
    Operation(image);
}

template <void (*Operation)(ImageView, int)>
void WithArgument(OperationContext&, ImageView image, std::span<const int> arguments) {
    Operation(image, arguments[0]);
}

void BinariseByIteration(OperationContext& context, ImageView image, std::span<const int>) {
    Histogram histogram{};
    ComputeHistogram(image, histogram);
    context.NoteThreshold(BinariseIterative(image, histogram));
}

// The strokes' width is measured before thinning takes it away; the CAD
// export scales its fit by it.
void ThinWithWhiteBorder(OperationContext& context, ImageView image, std::span<const int>) {
    context.NoteStrokeWidth(MeasureStrokeWidth(image));
    ThinImage(image, ThreadCount());
    MakeBorderWhite(image);
}

void Contour2WithWhiteBorder(OperationContext&, ImageView image, std::span<const int>) {
    ExtractContour2(image);
    MakeBorderWhite(image);
}

// The base image receives what the trace leaves of the outermost contour.
void OutermostContour(OperationContext& context, ImageView image, std::span<const int>) {
    TraceOuterContour(image, context.BaseView(), context.Messages());
}

// The labelling state lives in the view between runs.
void SmallBlobs(OperationContext& context, ImageView image, std::span<const int> minimumArea) {
    RemoveSmallBlackBlobs(context.Blobs(), image, minimumArea[0]);
}

// A window of 0 (the menu's) follows the picture's stroke width; a missing
// sensitivity is the default.
void BinariseLocally(OperationContext&, ImageView image, std::span<const int> arguments) {
    const int sensitivity = arguments.size() > 1 ? arguments[1] : kAdaptiveSensitivity;
    const int window = arguments[0] > 0 ? arguments[0] : AdaptiveWindowOf(image, sensitivity);
    BinariseAdaptive(image, window, sensitivity);
}

constexpr CommandValue kThresholdValue[] = {{"threshold", 0, 255}};
constexpr CommandValue kPassesValue[] = {{"passes", 0, 255}};
constexpr CommandValue kAreaValue[] = {{"area", 0, 1'000'000}};
constexpr CommandValue kNeighboursValue[] = {{"neighbours", 0, 8}};
constexpr CommandValue kAdaptiveValues[] = {
    {"window", 0, kAdaptiveWindowMax}, {"sensitivity", kAdaptiveSensitivityMin, kAdaptiveSensitivityMax}};

constexpr bool kImage = true;     // needs a loaded image
constexpr bool kAnyTime = false;  // runs with or without one

// A command the view runs through its handler.
constexpr Command ViewCommand(CommandKind kind, int id, std::string_view name, std::string_view label,
                              bool needsImage, ViewHandler handler, std::string_view prompt = {}) {
    return {id, kind, name, label, needsImage, handler, nullptr, 0, prompt, {}};
}
// A processing command: the operation on the current image with its fixed
// argument, by the common pattern (previous copy, operation, show, redraw).
// A step may give it values instead of the fixed argument.
constexpr Command ProcessingCommand(int id, std::string_view name, std::string_view label,
                                    ImageOperation operation, int argument = 0,
                                    std::span<const CommandValue> values = {}) {
    return {id, CommandKind::Processing, name, label, kImage, nullptr, operation, argument, {}, values};
}
// A parameter command: opens a trackbar dialog; the operation is re-applied
// to the base image at each reported position.
constexpr Command ParameterCommand(int id, std::string_view name, std::string_view label,
                                   ImageOperation operation) {
    return {id, CommandKind::Parameter, name, label, kImage, nullptr, operation, 0, {}, {}};
}
// A command the front end runs itself.
constexpr Command FrontEndCommand(CommandKind kind, int id, std::string_view label, std::string_view prompt) {
    return {id, kind, {}, label, kAnyTime, nullptr, nullptr, 0, prompt, {}};
}

constexpr Command kCommands[] = {
    ViewCommand(File, kFileOpen, "open", "打开...\tCtrl+O(&O)", kAnyTime, &CLintraView::OnFileOpen,
                "打开一个现有文档\n打开"),
    ViewCommand(File, kFileSave, "save", "保存\tCtrl+S(&S)", kImage, &CLintraView::OnFileSave,
                "保存活动文档\n保存"),

    ProcessingCommand(kEdgeSobel, "edge-sobel", "初步处理1", Plain<EdgeSobel>),
    ProcessingCommand(kEdgeRoberts, "edge-roberts", "初步处理2", Plain<EdgeRoberts>),
    ProcessingCommand(kEdgePrewitt, "edge-prewitt", "初步处理3", Plain<EdgePrewitt>),
    ProcessingCommand(kEdgeKirsch, "edge-kirsch", "初步处理4", Plain<EdgeKirsch>),
    ProcessingCommand(kEdgeGaussLaplace, "edge-gauss-laplace", "初步处理5", Plain<EdgeGaussLaplace>),
    ProcessingCommand(kEdgeGradient, "edge-gradient", "初步处理6", Plain<EdgeGradient>),

    ProcessingCommand(kBinariseGradient, "binarise-gradient", "图像黑白化1", WithArgument<BinariseGradient>,
                      param::kMenuThreshold, kThresholdValue),
    ProcessingCommand(kBinariseThreshold, "binarise-threshold", "图像黑白化2",
                      WithArgument<BinariseThreshold>, param::kMenuThreshold, kThresholdValue),
    ProcessingCommand(kBinariseIterative, "binarise-iterative", "图像黑白化3", BinariseByIteration),
    ProcessingCommand(kBinariseAdaptive, "binarise-adaptive", "图像黑白化4(自适应)", BinariseLocally,
                      param::kMenuAdaptiveWindow, kAdaptiveValues),
    ParameterCommand(kParamBinariseGradient, "param-binarise-gradient", "参数调整1",
                     WithArgument<BinariseGradient>),
    ParameterCommand(kParamBinariseThreshold, "param-binarise-threshold", "参数调整2",
                     WithArgument<BinariseThreshold>),

    ProcessingCommand(kInvert, "invert", "黑白反色", Plain<InvertBlackWhite>),
    ProcessingCommand(kRemoveBlackWhitePoints, "remove-black-white-points", "消除黑白点",
                      Plain<RemoveBlackWhitePoints>),
    ProcessingCommand(kThin, "thin", "细化图像", ThinWithWhiteBorder),
    ProcessingCommand(kContour1, "contour-1", "提取轮廓1", Plain<ExtractContour1>),
    ProcessingCommand(kContour2, "contour-2", "提取轮廓2", Contour2WithWhiteBorder),
    ProcessingCommand(kOutermostContour, "outermost-contour", "提取最外面轮廓", OutermostContour),
    ProcessingCommand(kRemoveShortBranches, "remove-short-branches", "去掉短枝",
                      WithArgument<RemoveShortBranches>, param::kMenuShortBranchPasses, kPassesValue),
    ParameterCommand(kParamShortBranches, "param-short-branches", "参数调整1",
                     WithArgument<RemoveShortBranches>),
    ProcessingCommand(kRemoveSmallBlobs, "remove-small-blobs", "去除小黑团", SmallBlobs, param::kMenuBlobArea,
                      kAreaValue),
    ParameterCommand(kParamSmallBlobs, "param-small-blobs", "参数调整2", SmallBlobs),
    ProcessingCommand(kRemoveIsolatedPoints, "remove-isolated-points", "消除孤立点",
                      WithArgument<RemoveIsolatedPoints>, param::kMenuIsolatedNeighbours, kNeighboursValue),
    ProcessingCommand(kWhiteBorder, "white-border", "使边框为白", Plain<MakeBorderWhite>),

    ViewCommand(Vectorisation, kVectorise1, "vectorise-1", "矢量化1", kImage, &CLintraView::OnVectorise1),
    ViewCommand(Vectorisation, kPeelContour, "peel-contour", "", kImage, &CLintraView::OnPeelContour),
    ViewCommand(Vectorisation, kVectorise2, "vectorise-2", "矢量化2", kImage, &CLintraView::OnVectorise2),
    ViewCommand(Vectorisation, kTrace, "trace", "一键矢量化...", kImage, &CLintraView::OnTrace,
                "按预设从原图一步得到矢量图\n一键矢量化"),
    ViewCommand(Export, kExportDxf, "dxf", "输出CAD格式文件(.dxf)", kImage, &CLintraView::OnExportDxf),
    ViewCommand(Export, kExportCad, "cad", "输出CAD图纸(多段线、圆弧)...", kImage, &CLintraView::OnExportCad,
                "输出可编辑的CAD图纸：多段线、直线、圆弧和圆\nCAD图纸"),

    // Undo and redo are the desktop program's: lintra-batch keeps no history.
    FrontEndCommand(Edit, kEditUndo, "撤销\tCtrl+Z(&U)", "撤销上一步处理\n撤销"),
    FrontEndCommand(Edit, kEditRedo, "重做\tCtrl+Y(&R)", "重做撤销的一步\n重做"),
    ViewCommand(Edit, kRestoreOriginal, "restore-original", "还原至原图", kImage,
                &CLintraView::OnRestoreOriginal, "还原到未修改时\n还原到未修改时"),
    ViewCommand(Edit, kRestorePrevious, "restore-previous", "还原到上幅图", kImage,
                &CLintraView::OnRestorePrevious, "还原至上一幅图\n还原至上一幅图"),
    ViewCommand(View, kShowBitmap, "show-bitmap", "显示位图", kImage, &CLintraView::OnShowBitmap),
    ViewCommand(View, kShowVector, "show-vector", "显示矢量图", kImage, &CLintraView::OnShowVector),
    ViewCommand(View, kShowCadDrawing, "show-cad", "显示CAD图纸", kImage, &CLintraView::OnShowCadDrawing,
                "在图上显示或隐藏拟合后的CAD图纸\n显隐CAD图纸"),

    FrontEndCommand(File, kFileNew, "", "建立新文档\n新建"),
    FrontEndCommand(File, kFilePrint, "打印(&P)...", "打印活动文档\n打印"),
    FrontEndCommand(File, kFilePrintDirect, "", "使用当前选项打印活动文档\n快速打印"),
    FrontEndCommand(File, kFilePrintPreview, "打印预览(&V)", "显示整页\n打印预览"),
    FrontEndCommand(File, kFilePrintSetup, "打印设置(&R)...", "改变打印机及打印选项\n页面设置"),
    FrontEndCommand(File, kAppExit, "退出(&X)", "退出应用程序；提示保存文档\n退出"),
    FrontEndCommand(Edit, kEditCut, "", ""),
    FrontEndCommand(Edit, kEditCopy, "", ""),
    FrontEndCommand(Edit, kEditPaste, "", ""),
    FrontEndCommand(View, kViewToolbar, "工具栏(&T)", "显示或隐藏工具栏\n显隐工具栏"),
    FrontEndCommand(View, kViewStatusBar, "状态栏(&S)", "显示或隐藏状态栏\n显隐状态栏"),
    FrontEndCommand(View, kNextPane, "", ""),
    FrontEndCommand(View, kPrevPane, "", ""),
    FrontEndCommand(Help, kAppAbout, "关于此软件", "显示程序信息、版本号和版权\n关于"),
};

constexpr int kFileMenu[] = {kFileOpen, kFileSave, kMenuSeparator, kAppExit};
constexpr int kEditMenu[] = {kEditUndo, kEditRedo, kMenuSeparator, kRestoreOriginal, kRestorePrevious};
constexpr int kViewMenu[] = {kViewToolbar, kViewStatusBar, kShowBitmap, kShowVector, kShowCadDrawing};
constexpr int kStep1Menu[] = {kEdgeSobel,  kEdgeRoberts,      kEdgePrewitt,
                              kEdgeKirsch, kEdgeGaussLaplace, kEdgeGradient};
constexpr int kStep2Menu[] = {kMenuSeparator, kBinariseGradient,  kParamBinariseGradient,
                              kMenuSeparator, kBinariseThreshold, kParamBinariseThreshold,
                              kMenuSeparator, kBinariseIterative, kBinariseAdaptive};
constexpr int kStep3Menu[] = {kInvert,
                              kRemoveBlackWhitePoints,
                              kThin,
                              kContour1,
                              kContour2,
                              kOutermostContour,
                              kMenuSeparator,
                              kRemoveShortBranches,
                              kParamShortBranches,
                              kMenuSeparator,
                              kRemoveSmallBlobs,
                              kParamSmallBlobs,
                              kMenuSeparator,
                              kRemoveIsolatedPoints,
                              kWhiteBorder};
constexpr int kStep4Menu[] = {kVectorise1, kVectorise2, kTrace, kExportDxf, kExportCad};
constexpr int kHelpMenu[] = {kAppAbout};

constexpr MenuDefinition kMenus[] = {
    {"文件(&F)", kFileMenu},        {"编辑(&E)", kEditMenu},        {"视图(&V)", kViewMenu},
    {"处理第一步(&F)", kStep1Menu}, {"处理第二步(S&)", kStep2Menu}, {"处理第三步(T&)", kStep3Menu},
    {"处理第四步(&F)", kStep4Menu}, {"帮助(&H)", kHelpMenu},
};

constexpr int kContextMenu[] = {kFilePrint, kFilePrintPreview, kFilePrintSetup};

constexpr AcceleratorEntry kAccelerators[] = {
    {"Ctrl+N", kFileNew},   {"Ctrl+O", kFileOpen},        {"Ctrl+S", kFileSave}, {"Ctrl+P", kFilePrint},
    {"Ctrl+Z", kEditUndo},  {"Alt+Backspace", kEditUndo}, {"Ctrl+Y", kEditRedo}, {"Ctrl+Shift+Z", kEditRedo},
    {"Ctrl+X", kEditCut},   {"Shift+Del", kEditCut},      {"Ctrl+C", kEditCopy}, {"Ctrl+Ins", kEditCopy},
    {"Ctrl+V", kEditPaste}, {"Shift+Ins", kEditPaste},    {"F6", kNextPane},     {"Shift+F6", kPrevPane},
};

constexpr int kToolbar[] = {kFileOpen, kFileSave, kMenuSeparator, kRestoreOriginal, kRestorePrevious};

}  // namespace

std::span<const Command> CommandTable() {
    return kCommands;
}

bool ChangesPicture(const Command& command) {
    return command.kind == CommandKind::Processing || command.kind == CommandKind::Vectorisation ||
           command.id == kRestoreOriginal || command.id == kRestorePrevious;
}

const Command* FindCommand(int id) {
    auto it = std::ranges::find(kCommands, id, &Command::id);
    return it == std::end(kCommands) ? nullptr : &*it;
}

const Command* FindCommand(std::string_view name) {
    if (name.empty()) return nullptr;
    auto it = std::ranges::find(kCommands, name, &Command::name);
    return it == std::end(kCommands) ? nullptr : &*it;
}

bool ValuesFit(const Command& command, std::span<const int> values, std::string& error) {
    bool fit = !values.empty() && values.size() <= command.values.size();
    for (std::size_t i = 0; fit && i < values.size(); ++i)
        fit = values[i] >= command.values[i].min && values[i] <= command.values[i].max;
    if (fit) return true;
    if (command.values.empty()) {
        error = std::string(command.name) + " takes no value";
        return false;
    }
    error = std::string(command.name) + " takes";
    for (std::size_t i = 0; i < command.values.size(); ++i) {
        const CommandValue& value = command.values[i];
        error += (i == 0 ? " " : ", then ") + std::string(value.name) + " (" + std::to_string(value.min) +
                 " to " + std::to_string(value.max) + ")";
    }
    return false;
}

std::span<const MenuDefinition> MainMenu() {
    return kMenus;
}
std::span<const int> ContextMenu() {
    return kContextMenu;
}
std::span<const AcceleratorEntry> Accelerators() {
    return kAccelerators;
}
std::span<const int> ToolbarButtons() {
    return kToolbar;
}

}  // namespace lintra
