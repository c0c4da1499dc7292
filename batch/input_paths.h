// The many-files form of lintra-batch: one step list for every input, with
// {stem} (the input's file name without its extension) and {dir} (its
// folder, "." for a bare name) filled in for each.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/steps.h"

namespace lintra {

// pattern with every {stem} and {dir} replaced for input.
std::string ExpandInputPath(const std::string& pattern, const std::string& input);

// True for a step that writes the file its path names.
bool WritesFile(const Step& step);

// For each input, the Open of that input followed by steps with their paths
// expanded. Returns nothing and sets error on a usage error: with several
// inputs, a written path that names neither {stem} nor {dir}, or two inputs
// that would write the same file.
std::optional<std::vector<std::vector<Step>>> StepsForInputs(const std::vector<std::string>& inputs,
                                                             const std::vector<Step>& steps,
                                                             std::string& error);

}  // namespace lintra
