// Every command the program knows, as one table: each row says what the
// command is (identifier, lintra-batch name, menu label, kind, whether it
// needs a loaded image, its status-bar prompt) and what it runs. The view
// dispatches by looking a row up; the desktop menus, the toolbar, the
// context menu, lintra-batch's steps and --help, and the tests all read the
// rows. A new command is one row and, where no operation fits, one function.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "docview/operation_context.h"
#include "image/image_view.h"

namespace lintra {

class CLintraView;

namespace cmd {
// Framework commands.
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSave = 57603;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintDirect = 57608;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
// The view's own commands.
inline constexpr int kEdgeSobel = 32773;
inline constexpr int kEdgeRoberts = 32774;
inline constexpr int kEdgePrewitt = 32775;
inline constexpr int kEdgeKirsch = 32776;
inline constexpr int kEdgeGaussLaplace = 32777;
inline constexpr int kVectorise2 = 32778;
inline constexpr int kRestoreOriginal = 32779;
inline constexpr int kVectorise1 = 32783;
inline constexpr int kBinariseGradient = 32785;
inline constexpr int kBinariseThreshold = 32786;
inline constexpr int kBinariseIterative = 32787;
inline constexpr int kParamBinariseGradient = 32788;
inline constexpr int kParamBinariseThreshold = 32789;
inline constexpr int kInvert = 32790;
inline constexpr int kRemoveBlackWhitePoints = 32791;
inline constexpr int kThin = 32792;
inline constexpr int kContour1 = 32793;
inline constexpr int kRemoveShortBranches = 32794;
inline constexpr int kOutermostContour = 32795;
inline constexpr int kRestorePrevious = 32797;
inline constexpr int kShowBitmap = 32799;
inline constexpr int kShowVector = 32800;
inline constexpr int kEdgeGradient = 32801;
inline constexpr int kRemoveSmallBlobs = 32802;
inline constexpr int kParamSmallBlobs = 32803;
inline constexpr int kRemoveIsolatedPoints = 32804;
inline constexpr int kParamShortBranches = 32805;
inline constexpr int kWhiteBorder = 32807;
inline constexpr int kContour2 = 32808;
inline constexpr int kExportDxf = 32809;
inline constexpr int kPeelContour = 32811;
inline constexpr int kExportCad = 32812;
inline constexpr int kShowCadDrawing = 32813;
inline constexpr int kBinariseAdaptive = 32814;
inline constexpr int kTrace = 32815;
}  // namespace cmd

// Fixed arguments of the menu commands, and the trackbar range.
namespace param {
inline constexpr int kMenuThreshold = 30;
inline constexpr int kMenuShortBranchPasses = 3;
inline constexpr int kMenuBlobArea = 3;
inline constexpr int kMenuIsolatedNeighbours = 8;
inline constexpr int kMenuAdaptiveWindow = 0;  // the window follows the stroke width
inline constexpr int kTrackbarMin = 0;
inline constexpr int kTrackbarMax = 255;
}  // namespace param

enum class CommandKind { File, Edit, View, Processing, Parameter, Vectorisation, Export, Help };

// What a processing command does to the current image with its fixed
// argument (or the values a step gives it instead); for a parameter command,
// what is re-applied to the base image at each position the trackbar
// reports. arguments holds at least one value.
using ImageOperation = void (*)(OperationContext& context, ImageView image, std::span<const int> arguments);

// A value a step may give a processing command in place of its fixed
// argument ("remove-small-blobs=12"): its name, as --help prints it, and
// its range.
struct CommandValue {
    std::string_view name;
    int min;
    int max;
};
// What any other command of the view runs.
using ViewHandler = void (CLintraView::*)();

struct Command {
    int id;
    CommandKind kind;
    std::string_view name;                 // lintra-batch step name; empty when it has none
    std::string_view menuLabel;            // label of its menu item, "打开...\tCtrl+O(&O)"; empty when none
    bool needsImage;                       // does nothing until an image has been loaded
    ViewHandler handler;                   // run by the view; null for the two kinds below
    ImageOperation operation;              // processing and parameter commands
    int argument;                          // a processing command's fixed argument
    std::string_view prompt;               // "status-bar prompt\ntool tip"; empty when none
    std::span<const CommandValue> values;  // what a step may give a processing command; empty: nothing

    // False for the commands the front end runs itself (Exit, About,
    // printing, the toolbar and status-bar switches, the keys with no handler).
    bool RunsInView() const { return handler != nullptr || operation != nullptr; }
};

std::span<const Command> CommandTable();
// True for the commands that change the picture or the segments, and so
// make a step of the undo history: processing, vectorisation and the two
// restores. A parameter command changes nothing itself; each position its
// dialog reports does.
bool ChangesPicture(const Command& command);
// The row of id or of a lintra-batch name; null when there is none.
const Command* FindCommand(int id);
const Command* FindCommand(std::string_view name);
// True when values suit command: one to values.size() of them, each in its
// range. Sets error to what the command takes when they do not.
bool ValuesFit(const Command& command, std::span<const int> values, std::string& error);

// The menu bar: each menu's title and its command identifiers, 0 for a
// separator. Labels come from the rows.
inline constexpr int kMenuSeparator = 0;
struct MenuDefinition {
    std::string_view title;  // "文件(&F)"
    std::span<const int> ids;
};
std::span<const MenuDefinition> MainMenu();
// The view's context menu (the print commands, which have no menu-bar item).
std::span<const int> ContextMenu();

// Accelerator table: key text in QKeySequence's portable form.
struct AcceleratorEntry {
    std::string_view keys;  // "Ctrl+O"
    int id;
};
std::span<const AcceleratorEntry> Accelerators();

// Toolbar: command identifiers, 0 for a separator.
std::span<const int> ToolbarButtons();

}  // namespace lintra
