// One private folder per fuzzing process for the files a target writes:
// the same names are reused by every input, and the folder goes when the
// process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lintra::fuzz {

// The folder, made on first use with mkdtemp and removed at exit.
const std::string& ScratchFolder();
// ScratchFolder() + "/" + name.
std::string ScratchPath(const std::string& name);
// Writes size bytes to path, replacing what was there; aborts on failure
// (a full scratch disk is no finding of the code under test).
void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace lintra::fuzz
