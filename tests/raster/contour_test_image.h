// An 8-bit test image whose row padding holds a sentinel, so that a test can
// prove an operation never touched it, and a message sink that records.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/message_sink.h"
#include "image/image_view.h"
#include "support/padded_image.h"
#include "support/recording_sink.h"

namespace lintra::contour_testing {

using test_images::FromPicture;
using TestImage = test_images::PaddedImage;

using test::RecordingSink;

}  // namespace lintra::contour_testing
