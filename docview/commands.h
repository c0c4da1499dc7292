// Every command the program knows, as data in one place: identifier, the
// name lintra-batch accepts, and the menu label. The desktop menus, the
// toolbar, lintra-batch's --help and the tests are all built from here.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace lintra {

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
}  // namespace cmd

// The private message from a parameter dialog to the view.
inline constexpr int kWmParamChanged = 0x0405;

// Fixed arguments of the menu commands, and the trackbar range.
namespace param {
inline constexpr int kMenuThreshold = 30;
inline constexpr int kMenuShortBranchPasses = 3;
inline constexpr int kMenuBlobArea = 3;
inline constexpr int kMenuIsolatedNeighbours = 8;
inline constexpr int kPeelIsolatedNeighbours = 7;
inline constexpr int kBlackWhitePointsThreshold = 100;
inline constexpr int kTrackbarMin = 0;
inline constexpr int kTrackbarMax = 255;
}  // namespace param

struct CommandInfo {
    int id;
    std::string_view name;       // lintra-batch step name; empty when it has none
    std::string_view menuLabel;  // label of its menu item; empty when it has none
};

// Every command routed to the view or the document, in identifier order of
// the menus.
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);
const CommandInfo* FindCommand(std::string_view name);

// Menu 128: the tree the desktop program builds its menu bar from.
struct MenuEntry {
    int id;                  // 0 for a separator
    std::string_view label;  // "打开...\tCtrl+O(&O)"; empty for a separator
};
struct MenuDefinition {
    std::string_view title;  // "文件(&F)"
    std::span<const MenuEntry> entries;
};
std::span<const MenuDefinition> MainMenu();

// Accelerator table 128: key text in QKeySequence's portable form.
struct AcceleratorEntry {
    std::string_view keys;  // "Ctrl+O"
    int id;
};
std::span<const AcceleratorEntry> Accelerators();

// Toolbar 128: command identifiers, 0 for a separator.
std::span<const int> ToolbarButtons();

}  // namespace lintra
