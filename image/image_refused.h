// A picture file a reader refuses, and the pixel budget every reader checks
// before it allocates pixel memory.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "image/read_options.h"

namespace lintra {

// A file a reader refuses; what() is the message for the user.
class ImageRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws ImageRefused, naming the size and the budget, when width x height
// is above options.maxPixels.
void CheckPixelBudget(std::uint64_t width, std::uint64_t height, const ReadOptions& options);

}  // namespace lintra
