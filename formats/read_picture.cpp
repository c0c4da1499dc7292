#include "formats/read_picture.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "base/input_file.h"
#include "formats/decode.h"
#include "formats/image_format.h"
#include "image/bmp_messages.h"
#include "image/colour_table.h"
#include "image/image_refused.h"

namespace lintra {

void ReadPicture(Dib& dib, const std::string& path, MessageSink& sink, const ReadOptions& options) {
    // Nothing of the Dib changes until the new image is complete, so a
    // refused file leaves the previous image fully usable.
    auto refuse = [&](const std::string& text) {
        dib.m_bValid = 0;
        sink.ShowMessage(text, kAppTitle);
    };

    InputFile file(path);
    Dib image;
    try {
        std::uint8_t signature[kSignatureBytes] = {};
        file.ReadAt(0, signature,
                    static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), sizeof signature)));
        ImageFormat format = DetectFormat(
            {signature, static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), sizeof signature))});
        if (format == ImageFormat::Bmp) {
            if (const char* problem = image.ReadBmp(file, options)) return refuse(problem);
        } else if (format == ImageFormat::Unknown) {
            return refuse(kMsgNotBitmap);
        } else {
            if (file.size() > std::numeric_limits<std::uint32_t>::max()) return refuse(kMsgTooLarge);
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.size()));
            file.ReadAt(0, bytes.data(), bytes.size());
            Decode(format, bytes, options, image);
        }
    } catch (const ImageRefused& refusal) {
        return refuse(refusal.what());
    } catch (const std::bad_alloc&) {
        return refuse(kMsgNoMemory);
    }
    if (options.greyLevels && !TurnTableIntoGrey(image)) return refuse(kMsgNoMemory);
    image.m_szPath = path;
    image.m_bValid = 1;
    dib.TakeImage(image);
}

}  // namespace lintra
