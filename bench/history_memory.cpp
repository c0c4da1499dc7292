// lintra-history-memory PAGE.bmp: opens an 8-bit page through the view as
// the Open command does, runs twenty steps a user might take on a scan
// (binarisation, trackbar positions, clean-up, thinning, vectorisation,
// restores, edge detection) and prints what the undo history holds after
// each, then what the process gained in resident memory over the picture's
// own images. Undo and redo then run over all twenty steps and the picture
// is compared with the one before them.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/unattended_platform.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/history.h"
#include "docview/param_reporter.h"
#include "docview/view.h"

namespace lintra {
namespace {

// Resident memory of this process in kB, from /proc.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace
}  // namespace lintra

int main(int argc, char** argv) {
    using namespace lintra;
    if (argc != 2) {
        std::fprintf(stderr, "usage: lintra-history-memory PAGE.bmp\n");
        return 2;
    }
    bench::UnattendedPlatform ui;
    ui.file = argv[1];
    CLintraDoc doc(ui);
    CLintraView view(doc, ui, ui);
    view.OnCommand(cmd::kFileOpen);
    view.LoadPendingImage();
    if (!view.HasImage()) return 1;
    const long opened = ResidentKb();
    const std::vector<std::uint8_t> first = CopyPixels(view.CurrentImage().View());

    // -1: a trackbar position of the newest dialog (its value follows).
    const std::vector<std::pair<int, int>> steps = {
        {cmd::kParamBinariseThreshold, 0},
        {-1, 120},
        {-1, 160},
        {cmd::kBinariseIterative, 0},
        {cmd::kRemoveIsolatedPoints, 0},
        {cmd::kParamSmallBlobs, 0},
        {-1, 6},
        {-1, 12},
        {cmd::kRemoveBlackWhitePoints, 0},
        {cmd::kThin, 0},
        {cmd::kRemoveShortBranches, 0},
        {cmd::kVectorise1, 0},
        {cmd::kRestorePrevious, 0},
        {cmd::kWhiteBorder, 0},
        {cmd::kInvert, 0},
        {cmd::kInvert, 0},
        {cmd::kContour1, 0},
        {cmd::kRestoreOriginal, 0},
        {cmd::kEdgeSobel, 0},
        {cmd::kBinariseIterative, 0},
        {cmd::kVectorise2, 0},
        {cmd::kRestoreOriginal, 0},
    };
    const PictureGeometry picture = view.Geometry();
    std::printf("picture %d x %d, %.1f MB per 8-bit copy\n", picture.width, picture.height,
                picture.width * static_cast<double>(picture.height) / 1e6);
    std::printf("%4s %-28s %12s %12s\n", "step", "command", "step bytes", "history bytes");
    std::size_t previous = 0;
    for (const auto& [id, value] : steps) {
        if (id == -1)
            ui.dialogs.back().ReportFull(value);
        else
            view.OnCommand(id);
        const UndoHistory& history = view.History();
        if (history.Bytes() == previous && id != -1) continue;  // opening a dialog is no step
        const HistoryStep& step = history.At(history.Position() - 1).step;
        std::string name(FindCommand(step.id)->name);
        if (!step.values.empty()) name += "=" + std::to_string(step.values[0]);
        std::printf("%4zu %-28s %12zu %12zu\n", history.Position(), name.c_str(), history.Bytes() - previous,
                    history.Bytes());
        previous = history.Bytes();
    }
    const long processed = ResidentKb();
    const UndoHistory& history = view.History();
    std::printf("steps kept: %zu, history holds %.2f MB (%.2f full 8-bit copies)\n", history.Size(),
                history.Bytes() / 1e6,
                history.Bytes() / (picture.width * static_cast<double>(picture.height)));
    std::printf("resident memory: %ld kB after the open, %ld kB after the steps (+%.1f MB)\n", opened,
                processed, (processed - opened) / 1e3);
    const std::vector<std::uint8_t> last = CopyPixels(view.CurrentImage().View());
    view.GoToStep(0);
    const bool undone = CopyPixels(view.CurrentImage().View()) == first;
    view.GoToStep(history.Size());
    const bool redone = CopyPixels(view.CurrentImage().View()) == last;
    std::printf("undo to the start %s, redo to the end %s\n", undone ? "exact" : "DIFFERS",
                redone ? "exact" : "DIFFERS");
    return undone && redone ? 0 : 1;
}
