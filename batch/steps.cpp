#include "batch/steps.h"

#include <charconv>

#include "docview/commands.h"

namespace lintra {
namespace {

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// "V1,V2,...": whole numbers, at least one.
std::optional<std::vector<int>> ParseList(std::string_view text) {
    std::vector<int> values;
    while (true) {
        std::string_view::size_type comma = text.find(',');
        std::optional<int> value = ParseInt(text.substr(0, comma));
        if (!value) return std::nullopt;
        values.push_back(*value);
        if (comma == std::string_view::npos) return values;
        text.remove_prefix(comma + 1);
    }
}

// A command of the table by identifier or by name; only the commands the
// view runs are steps.
const Command* Resolve(std::string_view key) {
    std::optional<int> id = ParseInt(key);
    const Command* command = id ? FindCommand(*id) : FindCommand(key);
    return command != nullptr && command->RunsInView() ? command : nullptr;
}

}  // namespace

bool TakesPath(const Command& command) {
    return command.RunsInView() && (command.kind == CommandKind::File || command.kind == CommandKind::Export);
}

std::optional<Step> ParseStep(const std::string& argument, std::string& error) {
    Step step;
    step.text = argument;
    std::string::size_type equals = argument.find('=');
    std::string_view key = std::string_view(argument).substr(0, equals);
    if (equals == std::string::npos) {
        const Command* command = Resolve(key);
        if (command == nullptr) {
            error = "unknown step: " + argument;
            return std::nullopt;
        }
        step.id = command->id;
        step.kind = command->kind == CommandKind::Parameter ? Step::kParam : Step::kCommand;
        return step;
    }
    std::string value = argument.substr(equals + 1);
    if (key == "nc" || key == "svg") {
        step.kind = key == "nc" ? Step::kNc : Step::kSvg;
    } else {
        const Command* command = Resolve(key);
        if (command == nullptr) {
            error = "unknown step: " + argument;
            return std::nullopt;
        }
        step.id = command->id;
        if (command->id == cmd::kFileOpen) {
            step.kind = Step::kOpen;
        } else if (TakesPath(*command)) {
            step.kind = Step::kWrite;
        } else if (command->kind == CommandKind::Parameter) {
            step.kind = Step::kParam;
            std::optional<std::vector<int>> positions = ParseList(value);
            for (int position : positions.value_or(std::vector<int>{}))
                if (position < 0 || position > 255) positions.reset();
            if (!positions) {
                error = "trackbar positions are whole numbers from 0 to 255: " + argument;
                return std::nullopt;
            }
            step.values = *positions;
            return step;
        } else if (command->kind == CommandKind::Processing && !command->values.empty()) {
            std::optional<std::vector<int>> values = ParseList(value);
            std::string why;
            if (!values || !ValuesFit(*command, *values, why)) {
                error =
                    (values ? why : std::string(command->name) + " takes whole numbers") + ": " + argument;
                return std::nullopt;
            }
            step.values = *values;
            return step;
        } else {
            error = "this step takes no value: " + argument;
            return std::nullopt;
        }
    }
    if (value.empty()) {
        error = "missing path: " + argument;
        return std::nullopt;
    }
    step.path = value;
    return step;
}

}  // namespace lintra
