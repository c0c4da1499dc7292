// lintra-batch: drives the view through the same commands as the desktop
// program, one step per argument, with message boxes on standard error.
//
//   lintra-batch [OPTIONS] INPUT [STEP ...]
//   lintra-batch [OPTIONS] [--jobs N] INPUT ... -- STEP ...
//
// Exit status 0 when every step ran, 1 when a file could not be opened,
// loaded, read or written (the run stops there; in the many-files form,
// that input's run), 2 for a usage error.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/parallel_rows.h"
#include "batch/batch_user_interface.h"
#include "batch/cad_options.h"
#include "batch/input_paths.h"
#include "batch/job_pool.h"
#include "batch/progress.h"
#include "batch/read_options_arg.h"
#include "batch/steps.h"
#include "batch/threads_option.h"
#include "docview/commands.h"
#include "docview/converter.h"
#include "docview/doc.h"
#include "docview/presets.h"
#include "docview/trace.h"
#include "docview/view.h"
#include "vector/segments/svg.h"

using namespace lintra;

namespace {

constexpr const char* kUsage =
    "usage: lintra-batch [OPTIONS] INPUT [STEP ...]\n"
    "       lintra-batch [OPTIONS] [--jobs N] INPUT ... -- STEP ...\n"
    "       lintra-batch --list-presets | --help\n";

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

std::string Format(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The commands a step may give values, one a line:
// "remove-small-blobs=area (0 to 1000000)".
std::string ValuedCommands() {
    std::string list;
    for (const Command& command : CommandTable()) {
        if (command.values.empty()) continue;
        std::string names, ranges;
        for (std::size_t i = 0; i < command.values.size(); ++i) {
            const CommandValue& value = command.values[i];
            names += (i == 0 ? "" : ",") + std::string(value.name);
            ranges += (i == 0 ? "" : ", ") + std::to_string(value.min) + " to " + std::to_string(value.max);
        }
        list += "                         " + std::string(command.name) + "=" + names + " (" + ranges + ")\n";
    }
    return list;
}

// Each preset's steps for the nominal stroke width, as a step list.
void PrintPresets() {
    for (const Preset& preset : Presets()) {
        std::printf("%s: %s\n", std::string(preset.name).c_str(), std::string(preset.purpose).c_str());
        std::printf("  %s\n", StepsText(ResolveSteps(preset, kNominalStrokeWidth)).c_str());
    }
    std::printf(
        "\nValues are worked out for strokes %g px wide; trace scales the sizes by the\n"
        "width it measures, and --verbose prints the steps it ran.\n",
        kNominalStrokeWidth);
}

void PrintHelp() {
    std::printf("%s", kUsage);
    std::printf(
        "\nOpens INPUT as the Open command does (24-bit files through Palettor beside\n"
        "this program), then runs each STEP in order, as choosing that command would.\n"
        "Message box texts go to standard error, one line each.\n\n"
        "With -- after the inputs, runs the steps after it on every input, each in a\n"
        "process of its own. In their paths, {stem} is the input's file name without its\n"
        "extension and {dir} its folder (\"{dir}/{stem}.dxf\"); with several inputs every\n"
        "written path needs one of them. Standard error shows the progress (a bar on a\n"
        "terminal, otherwise a line per file), each failed input with its reason, and a\n"
        "summary; a failed input does not stop the others.\n\n"
        "Options:\n"
        "  --verbose             print each step with its time in milliseconds, the\n"
        "                        entities a cad= step wrote, by type, and the skew it\n"
        "                        found, and the preset, stroke width and steps a trace\n"
        "                        step ran\n"
        "  --jobs N              run N inputs at once (default: the number of cores)\n"
        "  --preset NAME         the steps trace runs: %s\n"
        "                        (default: %s, or scan for a page one threshold\n"
        "                        does not suit)\n"
        "  --list-presets        the presets' steps, as they can be typed as steps\n"
        "%s%s"
        "  --help                this text\n%s\n"
        "Steps:\n"
        "  ID or NAME           a command of the table below\n"
        "  NAME=V1[,V2]         a command that takes values, run with them in place of\n"
        "                       its menu item's fixed one:\n%s"
        "  trace                the whole job from the picture as loaded: the --preset\n"
        "                       steps, sizes scaled by the measured stroke width\n"
        "  ID=V1,V2,...         a parameter command (%s, or its\n"
        "  NAME=V1,V2,...       name): open its dialog, then release the trackbar at each\n"
        "                       position in turn (0 to 255)\n"
        "  open=PATH            Open with PATH chosen\n"
        "  save=PATH            Save with PATH chosen (the displayed image, as BMP)\n"
        "  dxf=PATH             DXF export (%s) with PATH chosen\n"
        "  nc=PATH              the numeric-control text of the last Vectorise 2\n"
        "  svg=PATH             the segment list as an SVG drawing of the image's size\n"
        "  cad=PATH             the CAD drawing (polylines, lines, arcs, circles) as DXF,\n"
        "                       or as SVG when PATH ends in .svg, by the options above\n\n"
        "Exit status: 0 every step ran; 1 a file could not be opened, loaded, read or\n"
        "written (the run stops there; with --, any input failed); 2 a usage error.\n\n"
        "Commands:\n",
        PresetNames().c_str(), std::string(kDefaultPreset).c_str(), kThreadsHelp, kCadOptionsHelp,
        ReadOptionsHelp().c_str(), ValuedCommands().c_str(), IdentifiersOf(CommandKind::Parameter).c_str(),
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
    Runner(const ReadOptions& read, const CadExportSettings& cad, const Preset* preset, bool verbose)
        : m_doc(m_ui), m_view(m_doc, m_ui, m_converter), m_preset(preset), m_verbose(verbose) {
        m_doc.m_readOptions.maxPixels = read.maxPixels;
        m_doc.m_readOptions.page = read.page;
        m_ui.cadSettings = cad;
        // A run never undoes: keeping its steps would only cost time and memory.
        m_view.SetRecordHistory(false);
    }

    // Runs one step and the drawing pass after it. False when a file could
    // not be opened, loaded, read or written.
    bool Run(const Step& step) {
        int fileErrors = m_ui.FileErrorCount();
        bool ok = true;
        switch (step.kind) {
            case Step::kCommand:
                if (step.id == cmd::kTrace)
                    Trace();
                else if (!step.values.empty())
                    m_view.OnCommand(step.id, step.values);
                else
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
                if (step.id == cmd::kExportCad && m_ui.FileErrorCount() == fileErrors) ReportCad();
                break;
            case Step::kNc:
                ok = WriteText(step.path, m_view.NcText());
                break;
            case Step::kSvg:
                ok = WriteText(step.path, SvgText(m_doc.m_segmentList, m_view.CurrentImage().GetWidth(),
                                                  m_view.CurrentImage().GetHeight()));
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

    // The preset given, else the one the picture calls for; with --verbose,
    // the preset, the width measured and the steps that ran, which typed as
    // steps repeat the run.
    void Trace() {
        if (!m_view.HasImage()) return;
        double inkRatio = 1;
        const Preset& preset = m_preset ? *m_preset : ChoosePreset(m_view.OriginalImage().View(), &inkRatio);
        TraceReport report = RunPreset(m_view, preset);
        if (m_verbose && report.ran) {
            std::string why = m_preset ? ""
                                       : " (one threshold for the page leaves " + Format(inkRatio) +
                                             " times the ink of a local one)";
            std::printf("trace: preset %s%s, stroke width %.1f px%s\n", std::string(preset.name).c_str(),
                        why.c_str(), report.strokeWidth,
                        report.strokeWidth > 0 ? "" : " (no ink: nominal sizes)");
            std::printf("trace: steps %s\n", StepsText(report.steps).c_str());
        }
    }

    // What the CAD export wrote: the resolution it assumed always, the
    // entities by type with --verbose.
    void ReportCad() {
        const CadExportReport& report = m_view.CadReport();
        if (report.noResolution)
            std::fprintf(stderr, "lintra-batch: the picture records no resolution; scaled at %g dpi\n",
                         report.dpi);
        if (m_verbose) {
            std::printf("cad: %zu entities: %zu LINE, %zu ARC, %zu CIRCLE, %zu polylines\n",
                        report.Entities(), report.lines, report.arcs, report.circles, report.polylines);
            std::printf("cad: stroke width %.1f px%s, fit tolerance %.1f px\n", report.strokeWidth,
                        m_view.StrokeWidth() > 0 ? "" : " (assumed: not measured)", report.tolerance);
            if (!report.skewFound)
                std::printf("cad: no skew found (too few long straight lines, or no main direction)\n");
            else
                std::printf("cad: skew %+.3f degrees, %s\n", report.skewDegrees,
                            report.deskewed ? "turned back" : "left (no --deskew)");
        }
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
    const Preset* m_preset;  // null: chosen for each picture
    bool m_verbose;
};

// Runs steps in order on a view of its own; 1 when one failed.
int RunSteps(const std::vector<Step>& steps, const ReadOptions& read, const CadExportSettings& cad,
             const Preset* preset, bool verbose) {
    Runner runner(read, cad, preset, verbose);
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

// The many-files form: every input through the same steps, jobs at a time.
int RunInputs(const std::vector<std::string>& inputs, const std::vector<std::vector<Step>>& steps, int jobs,
              const ReadOptions& read, const CadExportSettings& cad, const Preset* preset, bool verbose) {
    BatchProgress progress(inputs, stderr, stdout, isatty(STDERR_FILENO) == 1);
    std::size_t failed = RunInChildProcesses(
        inputs.size(), jobs, [&](std::size_t i) { return RunSteps(steps[i], read, cad, preset, verbose); },
        progress);
    progress.Summary();
    return failed == 0 ? 0 : 1;
}

// "-j4": the short option with its value.
bool IsShortJobs(const std::string& arg) {
    return arg.size() > 2 && arg.starts_with("-j") &&
           arg.find_first_not_of("0123456789", 2) == std::string::npos;
}

std::optional<int> ParseJobs(const std::string& text) {
    int jobs = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (ec != std::errc() || end != text.data() + text.size() || jobs < 1) return std::nullopt;
    return jobs;
}

}  // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    const Preset* preset = nullptr;  // chosen for each picture
    CadExportSettings cad;
    ReadOptions readOptions;
    int jobs = ThreadCount();  // the cores this process may run on
    int threads = 0;           // not given
    std::vector<std::string> positional;
    std::optional<std::size_t> separator;  // where the steps start in the many-files form
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        if (arg == "--list-presets") {
            PrintPresets();
            return 0;
        }
        std::string optionError;
        if (arg == "--verbose" || arg == "-v") {
            verbose = true;
        } else if (arg == "--preset" || arg.starts_with("--preset=")) {
            std::string name = arg.size() > 8 ? arg.substr(9) : i + 1 < argc ? argv[++i] : "";
            preset = FindPreset(name);
            if (preset == nullptr)
                return UsageError("unknown preset \"" + name + "\" (the presets: " + PresetNames() + ")");
        } else if (positional.empty() && ParseReadOption(argc, argv, i, readOptions, optionError)) {
            if (!optionError.empty()) return UsageError(optionError);
        } else if (positional.empty() && ParseThreadsOption(argc, argv, i, threads, optionError)) {
            if (!optionError.empty()) return UsageError(optionError);
        } else if (arg == "--jobs" || arg == "-j" || arg.starts_with("--jobs=") || IsShortJobs(arg)) {
            std::string value = arg.starts_with("--jobs=") ? arg.substr(7)
                                : IsShortJobs(arg)         ? arg.substr(2)
                                : i + 1 < argc             ? argv[++i]
                                                           : "";
            std::optional<int> parsed = ParseJobs(value);
            if (!parsed) return UsageError("--jobs takes a whole number from 1: " + value);
            jobs = *parsed;
        } else if (positional.empty() && IsCadFlag(arg)) {
            ApplyCadFlag(arg, cad);
        } else if (std::string name = arg.substr(0, arg.find('=')); positional.empty() && IsCadOption(name)) {
            std::string value;
            if (!TakeOptionValue(argc, argv, i, name, value)) return UsageError(name + " needs a value");
            std::string error;
            if (!ApplyCadOption(name, value, cad, error)) return UsageError(error);
        } else if (arg == "--" && !separator) {
            separator = positional.size();
        } else if (arg.size() > 1 && arg[0] == '-' && positional.empty()) {
            return UsageError("unknown option: " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty() || separator == 0) return UsageError("no input file");

    // Every step is checked before anything runs, so a typing error costs
    // no half-done run.
    std::vector<Step> steps;
    for (std::size_t i = separator.value_or(1); i < positional.size(); ++i) {
        std::string error;
        std::optional<Step> step = ParseStep(positional[i], error);
        if (!step) return UsageError(error);
        steps.push_back(*step);
    }
    if (separator) {
        std::vector<std::string> inputs(positional.begin(), positional.begin() + *separator);
        std::string error;
        auto lists = StepsForInputs(inputs, steps, error);
        if (!lists) return UsageError(error);
        // Set before the children are made, which inherit it.
        SetThreadCount(ThreadsPerRun(threads, ThreadCount(), jobs, inputs.size(), true));
        return RunInputs(inputs, *lists, jobs, readOptions, cad, preset, verbose);
    }
    Step input;
    input.kind = Step::kOpen;
    input.id = cmd::kFileOpen;
    input.path = positional[0];
    input.text = positional[0];
    steps.insert(steps.begin(), input);
    SetThreadCount(ThreadsPerRun(threads, ThreadCount(), jobs, 1, false));
    return RunSteps(steps, readOptions, cad, preset, verbose);
}
