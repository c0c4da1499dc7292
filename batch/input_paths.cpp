#include "batch/input_paths.h"

#include <filesystem>
#include <map>

#include "docview/commands.h"

namespace lintra {
namespace {

constexpr std::string_view kStem = "{stem}";
constexpr std::string_view kDir = "{dir}";

bool NamesInput(const std::string& pattern) {
    return pattern.find(kStem) != std::string::npos || pattern.find(kDir) != std::string::npos;
}

}  // namespace

std::string ExpandInputPath(const std::string& pattern, const std::string& input) {
    std::filesystem::path path(input);
    const std::string stem = path.stem().string();
    const std::string dir = path.has_parent_path() ? path.parent_path().string() : std::string(".");
    std::string result;
    for (std::string::size_type i = 0; i < pattern.size();) {
        if (pattern.compare(i, kStem.size(), kStem) == 0) {
            result += stem;
            i += kStem.size();
        } else if (pattern.compare(i, kDir.size(), kDir) == 0) {
            result += dir;
            i += kDir.size();
        } else {
            result += pattern[i++];
        }
    }
    return result;
}

bool WritesFile(const Step& step) {
    return !step.path.empty() && step.kind != Step::kOpen;
}

std::optional<std::vector<std::vector<Step>>> StepsForInputs(const std::vector<std::string>& inputs,
                                                             const std::vector<Step>& steps,
                                                             std::string& error) {
    if (inputs.size() > 1) {
        for (const Step& step : steps)
            if (WritesFile(step) && !NamesInput(step.path)) {
                error = "with several inputs, a written path needs {stem} or {dir}: " + step.text;
                return std::nullopt;
            }
    }
    std::vector<std::vector<Step>> lists;
    // Which input writes each file, so that no input overwrites another's.
    std::map<std::string, const std::string*> writers;
    for (const std::string& input : inputs) {
        std::vector<Step>& list = lists.emplace_back();
        Step& open = list.emplace_back();
        open.kind = Step::kOpen;
        open.id = cmd::kFileOpen;
        open.path = input;
        open.text = input;
        for (Step step : steps) {
            if (step.path.empty()) {
                list.push_back(std::move(step));
                continue;
            }
            step.path = ExpandInputPath(step.path, input);
            if (WritesFile(step)) {
                std::string key = std::filesystem::path(step.path).lexically_normal().string();
                auto [it, added] = writers.emplace(key, &input);
                if (!added && it->second != &input) {
                    error = "inputs " + *it->second + " and " + input + " would both write " + step.path;
                    return std::nullopt;
                }
            }
            list.push_back(std::move(step));
        }
    }
    return lists;
}

}  // namespace lintra
