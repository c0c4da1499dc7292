#include "batch/threads_option.h"

#include <algorithm>
#include <charconv>

#include "batch/read_options_arg.h"

namespace lintra {

const char* const kThreadsHelp =
    "  --threads N           threads for the operations on one picture (default: the\n"
    "                        number of cores; with --, the cores shared among the\n"
    "                        inputs run at once)\n";

bool ParseThreadsOption(int argc, char** argv, int& i, int& threads, std::string& error) {
    const std::string arg = argv[i];
    const std::string name = arg.substr(0, arg.find('='));
    if (name != "--threads") return false;
    std::string value;
    if (!TakeOptionValue(argc, argv, i, name, value)) {
        error = "--threads needs a number";
        return true;
    }
    int number = 0;
    const char* end = value.data() + value.size();
    auto [at, problem] = std::from_chars(value.data(), end, number);
    if (problem != std::errc() || at != end || number < 1 || number > kMaxThreads) {
        error = "--threads needs a whole number from 1 to " + std::to_string(kMaxThreads) + ": " + value;
        return true;
    }
    threads = number;
    return true;
}

int ThreadsPerRun(int given, int cores, int jobs, std::size_t inputs, bool manyFiles) {
    if (given > 0) return given;
    if (!manyFiles) return std::max(cores, 1);
    // Runs at once never exceed the inputs; each gets its share of the
    // cores, so that jobs x threads does not crowd the machine.
    const auto runs =
        static_cast<int>(std::min<std::size_t>(std::max(jobs, 1), std::max<std::size_t>(inputs, 1)));
    return std::max(1, cores / runs);
}

}  // namespace lintra
