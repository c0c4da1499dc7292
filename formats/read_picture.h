// Reading a picture file of any format Lintra opens into a Dib.
#pragma once

#include <string>

#include "base/message_sink.h"
#include "image/dib.h"
#include "image/read_options.h"

namespace lintra {

// Loads the picture file at path into dib: a BMP file, or a PNG, JPEG, TIFF,
// WebP or PNM file (told apart by their first bytes, never by the name)
// decoded into the BMP that holds the same pixels. dib.m_bValid tells the
// outcome: 1 after a successful read, 0 after a refusal (a damaged or
// unsupported file, a picture beyond options.maxPixels, a missing page),
// which has been shown through sink and leaves the block and all pointers
// as they were. Throws FileError when the file cannot be opened or read.
void ReadPicture(Dib& dib, const std::string& path, MessageSink& sink, const ReadOptions& options = {});

}  // namespace lintra
