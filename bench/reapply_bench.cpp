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
#include "bench/unattended_platform.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/param_reporter.h"
#include "docview/view.h"

namespace lintra::bench {
namespace {

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
