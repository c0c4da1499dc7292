#include "image/image_refused.h"

#include <string>

#include "base/message_sink.h"
#include "image/bmp_messages.h"

namespace lintra {

void CheckPixelBudget(std::uint64_t width, std::uint64_t height, const ReadOptions& options) {
    // Both come from 32-bit fields: the product cannot wrap.
    if (width * height <= options.maxPixels) return;
    throw ImageRefused(FillPlaceholders(kMsgOverPixelBudget, {std::to_string(width), std::to_string(height),
                                                              std::to_string(options.maxPixels)}));
}

}  // namespace lintra
