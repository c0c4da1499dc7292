#include "vector/vectorise/isolated_pass.h"

#include "vector/vectorise/isolated_pass_rows.h"

namespace lintra {

void vector_detail::IsolatedPassRow(const std::uint8_t* below, std::uint8_t* here, const std::uint8_t* above,
                                    int from, int width) {
    for (int x = from; x < width - 1; ++x) {
        const int whites = (below[x - 1] == 255) + (below[x] == 255) + (below[x + 1] == 255) +
                           (here[x - 1] == 255) + (here[x + 1] == 255) + (above[x - 1] == 255) +
                           (above[x] == 255) + (above[x + 1] == 255);
        if (here[x] == 0 && whites == 8)
            here[x] = 255;
        else if (here[x] == 255 && whites == 0)
            here[x] = 0;
    }
}

void RemoveIsolatedPointsAtOnce(ImageView image) {
    if (image.empty() || image.bitCount != 8 || image.stride < image.width) return;
    for (int y = 1; y <= image.height - 2; ++y) {
        const std::uint8_t* below = image.row(y - 1);
        std::uint8_t* here = image.row(y);
        const std::uint8_t* above = image.row(y + 1);
        const int x = vector_detail::IsolatedPassRowWords(below, here, above, image.width);
        vector_detail::IsolatedPassRow(below, here, above, x, image.width);
    }
}

}  // namespace lintra
