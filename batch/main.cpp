// lintra-batch: drives the view through the same commands as the desktop
// program, one step per argument, with message boxes on standard error.
//
//   lintra-batch [--verbose] [--max-pixels N] [--page N] INPUT [STEP ...]
//
// Exit status 0 when every step ran, 1 when a file could not be opened,
// loaded, read or written (the run stops there), 2 for a usage error.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "batch/batch_user_interface.h"
#include "batch/read_options_arg.h"
#include "batch/steps.h"
#include "batch/svg.h"
#include "docview/commands.h"
#include "docview/converter.h"
#include "docview/doc.h"
#include "docview/view.h"
#include "image/atomic_file.h"

using namespace lintra;

namespace {

constexpr const char* kUsage =
    "usage: lintra-batch [--verbose] [--max-pixels N] [--page N] INPUT [STEP ...]\n"
    "       lintra-batch --help\n";

// The title of the menu holding id, without its mnemonic: two items of
// different menus share the label "参数调整1".
std::string MenuTitleOf(int id) {
    for (const MenuDefinition& menu : MainMenu())
        for (int entry : menu.ids)
            if (entry == id) {
                std::string title(menu.title);
                return title.substr(0, title.find('('));
            }
    return {};
}

// The identifiers of the commands of kind, "32788, 32789, ...".
std::string IdentifiersOf(CommandKind kind) {
    std::string list;
    for (const Command& command : CommandTable()) {
        if (command.kind != kind || command.name.empty()) continue;
        if (!list.empty()) list += ", ";
        list += std::to_string(command.id);
    }
    return list;
}

void PrintHelp() {
    std::printf("%s", kUsage);
    std::printf(
        "\nOpens INPUT as the Open command does (24-bit files through Palettor beside\n"
        "this program), then runs each STEP in order, as choosing that command would.\n"
        "Message box texts go to standard error, one line each.\n\n"
        "Options:\n"
        "  --verbose      print each step with its time in milliseconds\n"
        "  --help         this text\n%s\n"
        "Steps:\n"
        "  ID or NAME           a command of the table below\n"
        "  ID=V1,V2,...         a parameter command (%s, or its\n"
        "  NAME=V1,V2,...       name): open its dialog, then release the trackbar at each\n"
        "                       position in turn (0 to 255)\n"
        "  open=PATH            Open with PATH chosen\n"
        "  save=PATH            Save with PATH chosen (the displayed image, as BMP)\n"
        "  dxf=PATH             DXF export (%s) with PATH chosen\n"
        "  nc=PATH              the numeric-control text of the last Vectorise 2\n"
        "  svg=PATH             the segment list as an SVG drawing of the image's size\n\n"
        "Exit status: 0 every step ran; 1 a file could not be opened, loaded, read or\n"
        "written (the run stops there); 2 a usage error.\n\n"
        "Commands:\n",
        ReadOptionsHelp().c_str(), IdentifiersOf(CommandKind::Parameter).c_str(),
        IdentifiersOf(CommandKind::Export).c_str());
    for (const Command& command : CommandTable()) {
        if (command.name.empty()) continue;
        std::string label(command.menuLabel);
        if (std::string::size_type tab = label.find('\t'); tab != std::string::npos) label[tab] = ' ';
        std::string menu = MenuTitleOf(command.id);
        if (!menu.empty()) label += "  (" + menu + ")";
        if (label.empty()) label = "(no menu item)";
        std::printf("  %5d  %-26s %s\n", command.id, std::string(command.name).c_str(), label.c_str());
    }
}

int UsageError(const std::string& error) {
    if (!error.empty()) std::fprintf(stderr, "lintra-batch: %s\n", error.c_str());
    std::fprintf(stderr, "%s", kUsage);
    return 2;
}

class Runner {
public:
    explicit Runner(const ReadOptions& options) : m_doc(m_ui), m_view(m_doc, m_ui, m_converter) {
        m_doc.m_readOptions.maxPixels = options.maxPixels;
        m_doc.m_readOptions.page = options.page;
    }

    // Runs one step and the drawing pass after it. False when a file could
    // not be opened, loaded, read or written.
    bool Run(const Step& step) {
        int fileErrors = m_ui.FileErrorCount();
        bool ok = true;
        switch (step.kind) {
            case Step::kCommand:
                m_view.OnCommand(step.id);
                break;
            case Step::kParam:
                RunParam(step);
                break;
            case Step::kOpen:
                ok = Open(step.path);
                break;
            case Step::kWrite:
                m_ui.PresetFile(step.path);
                m_view.OnCommand(step.id);
                m_ui.ClearPresetFile();
                break;
            case Step::kNc:
                ok = WriteText(step.path, m_view.m_ncText);
                break;
            case Step::kSvg:
                ok = WriteText(step.path, SvgText(m_doc.m_segmentList, m_view.m_currentImage.GetWidth(),
                                                  m_view.m_currentImage.GetHeight()));
                break;
        }
        // The drawing pass after the step; a failed step ends the run, and a
        // second pass would only repeat (and report again) its failed load.
        if (ok) m_view.LoadPendingImage();
        return ok && m_ui.FileErrorCount() == fileErrors;
    }

private:
    bool Open(const std::string& path) {
        m_ui.PresetFile(path);
        m_view.OnCommand(cmd::kFileOpen);
        m_ui.ClearPresetFile();
        // Only a file that was read leaves a load pending.
        if (m_doc.m_bReloadPending != 1) return false;
        m_view.LoadPendingImage();
        return m_doc.m_bImageOpen == 1 && m_doc.m_bReloadPending == 0;
    }

    void RunParam(const Step& step) {
        ParamReporter* before = m_ui.NewestDialog();
        m_view.OnCommand(step.id);
        ParamReporter* dialog = m_ui.NewestDialog();
        // No image, no dialog: the command did nothing.
        if (dialog == nullptr || dialog == before) return;
        for (int position : step.values) dialog->ReportFull(position);
    }

    bool WriteText(const std::string& path, const std::string& text) {
        try {
            WriteFileAtomically(path, {Bytes(text.data(), text.size())});
        } catch (const FileError& error) {
            m_ui.ReportFileError(error);
            return false;
        }
        return true;
    }

    BatchUserInterface m_ui;
    ChildProcessConverter m_converter;
    CLintraDoc m_doc;
    CLintraView m_view;
};

}  // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    ReadOptions readOptions;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        std::string optionError;
        if (arg == "--verbose" || arg == "-v") {
            verbose = true;
        } else if (positional.empty() && ParseReadOption(argc, argv, i, readOptions, optionError)) {
            if (!optionError.empty()) return UsageError(optionError);
        } else if (arg.size() > 1 && arg[0] == '-' && positional.empty()) {
            return UsageError("unknown option: " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty()) return UsageError("no input file");

    // Every step is checked before anything runs, so a typing error costs
    // no half-done run.
    std::vector<Step> steps;
    Step input;
    input.kind = Step::kOpen;
    input.id = cmd::kFileOpen;
    input.path = positional[0];
    input.text = positional[0];
    steps.push_back(input);
    for (std::size_t i = 1; i < positional.size(); ++i) {
        std::string error;
        std::optional<Step> step = ParseStep(positional[i], error);
        if (!step) return UsageError(error);
        steps.push_back(*step);
    }

    Runner runner(readOptions);
    for (const Step& step : steps) {
        auto start = std::chrono::steady_clock::now();
        bool ok = runner.Run(step);
        if (verbose) {
            std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
            std::printf("%s: %.1f ms\n", step.text.c_str(), ms.count());
            std::fflush(stdout);
        }
        if (!ok) return 1;
    }
    return 0;
}
