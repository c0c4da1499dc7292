// lintra-batch's options for reading the input: the pixel budget and the
// page of a multi-page file, and the list of formats its help shows.
#pragma once

#include <string>

#include "image/read_options.h"

namespace lintra {

// The value of option name at argv[i], given as "NAME=VALUE" or as the next
// argument (i then moves past it); false when there is none.
bool TakeOptionValue(int argc, char** argv, int& i, const std::string& name, std::string& value);

// Takes "--max-pixels N", "--page N" (or "--max-pixels=N", "--page=N") at
// argv[i] into options, moving i past a separate value. Returns false when
// argv[i] is neither; sets error (and returns true) for a missing or bad
// value: N is a whole number from 1.
bool ParseReadOption(int argc, char** argv, int& i, ReadOptions& options, std::string& error);

// The help lines of the two options and of the formats read.
std::string ReadOptionsHelp();

}  // namespace lintra
