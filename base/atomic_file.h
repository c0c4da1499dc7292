// Whole-file writes that never leave a half-written destination: the bytes go
// to a temporary file beside the destination, which is flushed to disk and
// then renamed over it in one step.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace lintra {

// Whether a write waits until the bytes are on the disk: a user's file does;
// a scratch file that another program reads at once, in a private folder, and
// that is deleted afterwards gains nothing from it but the wait.
enum class Flush { ToDisk, No };

// Writes the chunks, in order, as the new contents of path.
// Throws FileError (path and reason) when the temporary file cannot be
// created, written, flushed or closed, or cannot be renamed over path; the
// temporary file is then removed and whatever was at path is left intact.
// A symbolic link is followed and the file it names replaced; an existing
// file that cannot be opened for writing is refused and kept; a device or a
// pipe at path is written directly (a failure there leaves what was written).
void WriteFileAtomically(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> chunks,
                         Flush flush = Flush::ToDisk);

// A chunk of raw bytes for WriteFileAtomically.
inline std::span<const std::uint8_t> Bytes(const void* data, std::size_t size) {
    return {static_cast<const std::uint8_t*>(data), size};
}

}  // namespace lintra
