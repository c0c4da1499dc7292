#include "batch/cad_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace lintra {

namespace {

constexpr double kLargestDpi = 1e6;
constexpr double kLargestTolerance = 1e4;

// The whole of text as a finite number, or false.
bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

const char* const kCadOptionsHelp =
    "  --units px|mm|in      the CAD drawing's unit (default px)\n"
    "  --dpi N               the scan's resolution for mm and in, instead of the\n"
    "                        file's own (a file without one is taken as 300 dpi)\n"
    "  --tolerance PX        how far the fitted drawing may stray from the strokes,\n"
    "                        in pixels (default: half the stroke width measured\n"
    "                        when thinning, 1 to 3; 0 keeps the pixel path)\n"
    "  --fit on|off          lines, arcs and circles (on, the default) or straight\n"
    "                        pieces only\n"
    "  --dxf-version r2000|r12  the CAD drawing's DXF version (default r2000)\n"
    "  --deskew              turn the CAD drawing back by the page's skew, measured\n"
    "                        from its long straight lines (up to 5 degrees), so its\n"
    "                        main directions are exact; the picture is not changed\n";

bool IsCadFlag(const std::string& name) {
    return name == "--deskew";
}

void ApplyCadFlag(const std::string& name, CadExportSettings& settings) {
    if (name == "--deskew") settings.options.deskew = true;
}

bool IsCadOption(const std::string& name) {
    return name == "--units" || name == "--dpi" || name == "--tolerance" || name == "--fit" ||
           name == "--dxf-version";
}

bool ApplyCadOption(const std::string& name, const std::string& value, CadExportSettings& settings,
                    std::string& error) {
    double number = 0;
    if (name == "--units") {
        if (ParseUnit(value, settings.options.unit)) return true;
        error = "--units takes px, mm or in, not '" + value + "'";
    } else if (name == "--dpi") {
        if (ParseNumber(value, number) && number > 0 && number <= kLargestDpi) {
            settings.options.dpi = number;
            return true;
        }
        error = "--dpi takes a number of dots per inch greater than 0, not '" + value + "'";
    } else if (name == "--tolerance") {
        if (ParseNumber(value, number) && number >= 0 && number <= kLargestTolerance) {
            settings.options.tolerance = number;
            return true;
        }
        error = "--tolerance takes a number of pixels, 0 or more, not '" + value + "'";
    } else if (name == "--fit") {
        if (value == "on" || value == "off") {
            settings.options.fit = value == "on";
            return true;
        }
        error = "--fit takes on or off, not '" + value + "'";
    } else if (name == "--dxf-version") {
        if (value == "r2000" || value == "r12") {
            settings.version = value == "r12" ? DxfVersion::R12 : DxfVersion::R2000;
            return true;
        }
        error = "--dxf-version takes r2000 or r12, not '" + value + "'";
    }
    return false;
}

}  // namespace lintra
