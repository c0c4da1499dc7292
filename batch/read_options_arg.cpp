#include "batch/read_options_arg.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "formats/image_format.h"

namespace lintra {

namespace {

bool ParsePositive(const std::string& text, std::uint64_t limit, std::uint64_t& value) {
    const char* end = text.data() + text.size();
    auto [at, problem] = std::from_chars(text.data(), end, value);
    return problem == std::errc() && at == end && value >= 1 && value <= limit;
}

}  // namespace

bool TakeOptionValue(int argc, char** argv, int& i, const std::string& name, std::string& value) {
    const std::string arg = argv[i];
    if (name.size() < arg.size()) {
        value = arg.substr(name.size() + 1);
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        return false;
    }
    return true;
}

bool ParseReadOption(int argc, char** argv, int& i, ReadOptions& options, std::string& error) {
    std::string arg = argv[i];
    std::string name = arg.substr(0, arg.find('='));
    if (name != "--max-pixels" && name != "--page") return false;
    std::string value;
    if (!TakeOptionValue(argc, argv, i, name, value)) {
        error = name + " needs a number";
        return true;
    }
    std::uint64_t number = 0;
    std::uint64_t limit =
        name == "--page" ? std::numeric_limits<int>::max() : std::numeric_limits<std::uint64_t>::max();
    if (!ParsePositive(value, limit, number)) {
        error = name + " needs a whole number from 1: " + value;
        return true;
    }
    if (name == "--page")
        options.page = static_cast<int>(number);
    else
        options.maxPixels = number;
    return true;
}

std::string ReadOptionsHelp() {
    std::string text = "  --max-pixels N  refuse pictures of more than N pixels (default " +
                       std::to_string(kDefaultMaxPixels) +
                       ")\n"
                       "  --page N        open page N of a multi-page TIFF file (default 1)\n\n"
                       "Input formats (told apart by their contents, not by the name):\n";
    for (const FormatInfo& format : SupportedFormats()) {
        std::string suffixes;
        for (const std::string& suffix : format.suffixes)
            suffixes += (suffixes.empty() ? "." : ", .") + suffix;
        text += "  " + std::string(format.name) + std::string(6 - std::string(format.name).size(), ' ') +
                suffixes + "\n";
    }
    text +=
        "Grey pictures open as grey levels, pictures with a colour table as the grey\n"
        "levels of their colours, other colour pictures through Palettor; transparency\n"
        "is laid over white.\n";
    return text;
}

}  // namespace lintra
