// Latency of one parameter change: the view's re-application path (base
// copied back into the current image, the operation re-run with the new
// position, the view invalidated) for each of the four parameter commands
// on the shared test page (A4 at 300 dpi; 256 x 256 with
// LINTRA_BENCH_SMALL=1). The page is opened from a BMP file as a user would
// open it; the binarisations start from the grey scan, blob removal from
// its iterative binarisation, short-branch removal from the thinned page.
// Repainting is the desktop program's and is not included.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_page.h"
#include "bench/page_bmp.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/param_reporter.h"
#include "docview/view.h"

namespace lintra::bench {
namespace {

// A user interface with no one in front of it: Open answers with one file,
// every other dialog is cancelled, messages are counted; there is no
// converter (only 8-bit pages are opened here).
class UnattendedPlatform : public UserInterface, public ConverterRunner {
public:
    std::string file;
    int messages = 0;

    void ShowMessage(const std::string&, const std::string&) override { ++messages; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return file; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void InvalidateView() override {}
    void SetBusy(bool) override {}
    void SetDocumentTitle(const std::string&) override {}
    bool ChooseCadOptions(const PictureGeometry&, CadExportSettings&) override { return true; }
    void ShowStatus(const std::string&, const std::vector<std::string>&) override {}
    std::string TempDirectory() override { return std::filesystem::temp_directory_path().string(); }
    std::string ProgramDirectory() override { return {}; }
    ProcessOutcome Run(const std::string&, const std::vector<std::string>&,
                       std::chrono::milliseconds) override {
        return ProcessOutcome::FailedToStart;
    }
    void OpenParamDialog(std::function<void(int)>) override {}
    void ReportFileError(const FileError&) override { ++messages; }
};

// A view holding the page prepared by the given commands, with the
// parameter dialog of dialogCommand open and its base saved.
struct ParamSession {
    UnattendedPlatform platform;
    CLintraDoc doc{platform};
    CLintraView view{doc, platform, platform};
    bool ready = false;

    ParamSession(std::vector<int> preparation, int dialogCommand) {
        const PageSize size = BenchPageSize();
        const std::string path = (std::filesystem::temp_directory_path() /
                                  ("lintra-bench-page-" + std::to_string(getpid()) + ".bmp"))
                                     .string();
        WriteGreyBmp(path, MakeScannedPage(size.width, size.height));
        platform.file = path;
        view.OnCommand(cmd::kFileOpen);
        view.LoadPendingImage();
        std::filesystem::remove(path);
        for (int id : preparation) view.OnCommand(id);
        view.OnCommand(dialogCommand);
        view.OnParamChanged(1);  // the first change saves the base
        ready = view.HasImage() && platform.messages == 0;
    }
};

void BM_ParamChange(benchmark::State& state, std::vector<int> preparation, int dialogCommand) {
    static std::unique_ptr<ParamSession> session;
    static int sessionCommand = 0;
    if (!session || sessionCommand != dialogCommand) {
        session.reset();
        session = std::make_unique<ParamSession>(std::move(preparation), dialogCommand);
        sessionCommand = dialogCommand;
    }
    if (!session->ready) {
        state.SkipWithError("the page could not be opened and prepared");
        return;
    }
    const int value = static_cast<int>(state.range(0));
    for (auto _ : state) {
        session->view.OnParamChanged(value);
        benchmark::ClobberMemory();
    }
}

#define LINTRA_PARAM_BENCH(name, preparation, command)            \
    BENCHMARK_CAPTURE(BM_ParamChange, name, preparation, command) \
        ->Arg(0)                                                  \
        ->Arg(3)                                                  \
        ->Arg(30)                                                 \
        ->Arg(128)                                                \
        ->Arg(255)                                                \
        ->Unit(benchmark::kMillisecond)

const std::vector<int> kFromGrey{};
const std::vector<int> kFromBinarised{cmd::kBinariseIterative};
const std::vector<int> kFromThinned{cmd::kBinariseIterative, cmd::kThin};

LINTRA_PARAM_BENCH(BinariseGradient, kFromGrey, cmd::kParamBinariseGradient);
LINTRA_PARAM_BENCH(BinariseThreshold, kFromGrey, cmd::kParamBinariseThreshold);
LINTRA_PARAM_BENCH(SmallBlobs, kFromBinarised, cmd::kParamSmallBlobs);
LINTRA_PARAM_BENCH(ShortBranches, kFromThinned, cmd::kParamShortBranches);

}  // namespace
}  // namespace lintra::bench
