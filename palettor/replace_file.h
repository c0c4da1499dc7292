// Writing a whole file so that a failure never leaves it half written.
#pragma once

#include <cstddef>
#include <string>

namespace lintra::palettor {

enum class WriteOutcome {
    kOk,
    kCreateFailed,  // the file (or its temporary twin) could not be created; nothing was written
    kWriteFailed,   // writing, closing or the final rename failed; the old file is untouched
};

// Writes data[0..n) as the new content of path. A regular file (or a path
// that does not exist yet) is written to a temporary file in the same
// folder, which is then renamed over path: path holds either its old bytes
// or all of the new ones, also when it is the file just read. A file that
// cannot be opened for writing is refused as kCreateFailed. A symbolic
// link is followed and its target replaced. A path that names something
// other than a regular file (a device, a pipe) is written directly, since
// renaming over it would replace the node itself.
WriteOutcome ReplaceFileContents(const std::string& path, const unsigned char* data, std::size_t n);

}  // namespace lintra::palettor
