#include "bench/page_tool.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench/bench_page.h"
#include "bench/page_bmp.h"

namespace lintra::bench {
namespace {

constexpr const char* kUsage =
    "usage: lintra-make-page [--dpi 150|300|600|1200] [--size WxH] [--seed N] [--grey PATH] [--colour "
    "PATH]\n";

int UsageError(const std::string& error) {
    std::fprintf(stderr, "lintra-make-page: %s\n%s", error.c_str(), kUsage);
    return 2;
}

// A whole decimal number in [low, high], or false.
bool ParseNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

}  // namespace

int RunMakePage(int argc, const char* const* argv) {
    long dpi = 300, seed = 1, width = 0, height = 0;
    std::string greyPath, colourPath;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            std::printf("%s", kUsage);
            return 0;
        }
        if (i + 1 >= argc) return UsageError("missing value after " + option);
        const std::string value = argv[++i];
        if (option == "--dpi") {
            if (!ParseNumber(value, 150, 1200, dpi) ||
                (dpi != 150 && dpi != 300 && dpi != 600 && dpi != 1200))
                return UsageError("--dpi takes 150, 300, 600 or 1200");
        } else if (option == "--seed") {
            if (!ParseNumber(value, 0, 0xFFFFFFFFL, seed)) return UsageError("bad seed " + value);
        } else if (option == "--size") {
            const std::string::size_type x = value.find('x');
            if (x == std::string::npos || !ParseNumber(value.substr(0, x), 1, 30000, width) ||
                !ParseNumber(value.substr(x + 1), 1, 30000, height))
                return UsageError("--size takes WxH, each 1 to 30000");
        } else if (option == "--grey") {
            greyPath = value;
        } else if (option == "--colour") {
            colourPath = value;
        } else {
            return UsageError("unknown option " + option);
        }
    }
    if (greyPath.empty() && colourPath.empty())
        return UsageError("nothing to write: give --grey or --colour");
    if (width == 0) {
        const PageSize sheet = A4Size(static_cast<int>(dpi));
        width = sheet.width;
        height = sheet.height;
    }
    const PageImage page = MakeScannedPage(static_cast<int>(width), static_cast<int>(height),
                                           static_cast<std::uint32_t>(seed), static_cast<int>(dpi));
    try {
        if (!greyPath.empty()) WriteGreyBmp(greyPath, page, static_cast<int>(dpi));
        if (!colourPath.empty())
            WriteColourBmp(colourPath, MakeColourScan(page, static_cast<std::uint32_t>(seed)),
                           static_cast<int>(dpi));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lintra-make-page: %s\n", error.what());
        return 1;
    }
    return 0;
}

}  // namespace lintra::bench
