// An 8-bit test image whose row padding holds a sentinel, so that a test can
// prove an operation never touched it, and a message sink that records.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image/image_view.h"
#include "image/message_sink.h"
#include "tests/padded_image.h"

namespace lintra::contour_testing {

using test_images::FromPicture;
using TestImage = test_images::PaddedImage;

class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.emplace_back(text, caption);
    }
    std::vector<std::pair<std::string, std::string>> messages;
};

}  // namespace lintra::contour_testing
