#include "fuzz/fuzz_platform.h"

#include <unistd.h>

#include <cstdio>

#include "fuzz/scratch_folder.h"

namespace lintra::fuzz {

int RunPalettor(const std::vector<std::string>& commandLine) {
    std::vector<std::string> words = commandLine;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // Palettor reports on standard output; keep the fuzzer's output readable.
    std::fflush(stdout);
    int saved = dup(1);
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink != nullptr) dup2(fileno(sink), 1);
    int status = PalettorMain(static_cast<int>(words.size()), argv.data());
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, 1);
        close(saved);
    }
    if (sink != nullptr) std::fclose(sink);
    return status;
}

std::string FuzzPlatform::TempDirectory() {
    return ScratchFolder();
}

std::string FuzzPlatform::ProgramDirectory() {
    return ScratchFolder();
}

ProcessOutcome FuzzPlatform::Run(const std::string& program, const std::vector<std::string>& args,
                                 std::chrono::milliseconds) {
    ++converterRuns;
    std::vector<std::string> commandLine{program};
    commandLine.insert(commandLine.end(), args.begin(), args.end());
    return RunPalettor(commandLine) == 0 ? ProcessOutcome::Succeeded : ProcessOutcome::Failed;
}

void FuzzPlatform::OpenParamDialog(std::function<void(int)> report) {
    dialogs.push_back(std::make_unique<ParamReporter>(std::move(report)));
}

void CountingCanvas::DrawIndexedImage(int, int, const std::uint8_t* pixels, int width, int height, int stride,
                                      const Palette256&) {
    // Touch the first and last pixel of every row: AddressSanitizer reports
    // any row outside the block.
    volatile std::uint8_t sum = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        sum = sum + row[0] + row[width - 1];
        pixelsSeen += width;
    }
    (void)sum;
}

}  // namespace lintra::fuzz
