// lintra-batch's --threads N: how many threads the operations on one picture
// use, and how the cores are shared when several inputs run at once.
#pragma once

#include <cstddef>
#include <string>

namespace lintra {

// The most threads --threads accepts.
inline constexpr int kMaxThreads = 256;

// Takes "--threads N" (or "--threads=N") at argv[i] into threads, moving i
// past a separate value. Returns false when argv[i] is not the option; sets
// error (and returns true) for a missing value or one that is not a whole
// number from 1 to kMaxThreads.
bool ParseThreadsOption(int argc, char** argv, int& i, int& threads, std::string& error);

// The threads each picture's run uses: given when it is set (above 0); else
// all the cores for a single run, or the cores shared evenly among the runs
// at once in the many-files form (jobs, or fewer inputs), at least one each.
int ThreadsPerRun(int given, int cores, int jobs, std::size_t inputs, bool manyFiles);

// The option's help lines.
extern const char* const kThreadsHelp;

}  // namespace lintra
