// The command-line options of the CAD-ready export: --units, --dpi,
// --tolerance, --fit and --dxf-version, each with its value, and --deskew.
#pragma once

#include <string>

#include "docview/cad_settings.h"

namespace lintra {

// True when name is one of the CAD export's options that take no value.
bool IsCadFlag(const std::string& name);
// Applies the flag name to settings.
void ApplyCadFlag(const std::string& name, CadExportSettings& settings);

// True when name is one of the CAD export's options that take a value.
bool IsCadOption(const std::string& name);

// Applies option name with value to settings; false with error set when the
// value is not one the option takes.
bool ApplyCadOption(const std::string& name, const std::string& value, CadExportSettings& settings,
                    std::string& error);

// The help text of the options.
extern const char* const kCadOptionsHelp;

}  // namespace lintra
