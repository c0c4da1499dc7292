// The step list of lintra-batch: each argument after the input file names
// one command as the user would choose it, or a file to write.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lintra {

struct Command;

struct Step {
    enum Kind {
        kCommand,  // a command of the table, by identifier or name
        kParam,    // a parameter command with the positions to report
        kOpen,     // Open with path chosen
        kWrite,    // a command that asks for a file to write (Save, DXF export), with path chosen
        kNc,       // the numeric-control text of the last Vectorise 2
        kSvg,      // the segment list as an SVG drawing
    };
    Kind kind = kCommand;
    int id = 0;               // the command (kCommand, kParam, kOpen, kWrite)
    std::string path;         // kOpen, kWrite, kNc, kSvg
    std::vector<int> values;  // kParam: trackbar positions, 0 to 255; kCommand: its values, if any
    std::string text;         // the argument as given
};

// True for the commands a step can give a path: Open and the view's file and
// export commands, which ask for a file.
bool TakesPath(const Command& command);

// Parses one step argument. Returns nothing and sets error on a usage error.
std::optional<Step> ParseStep(const std::string& argument, std::string& error);

}  // namespace lintra
