// Stage three: removal of small black blobs through 8-connected labelling.
//
// Border rule: only interior pixels are labelled; black pixels on the
// outermost rows and columns read as white and join no blob.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image_view.h"

namespace lintra {

// What one labelling run leaves behind, kept by the view between runs.
// Labels are 32-bit and the area table grows with them: there is no limit
// on the number of blobs.
struct BlobLabelState {
    std::int32_t labelCounter = 0;           // highest label handed out
    std::vector<std::int32_t> area;          // area[L]: pixels carrying label L
    std::int32_t lastNewLabel = 0;
    std::int32_t currentLabel = 0;
    std::int32_t mergedLabel = 0;
    std::vector<std::int32_t> labelImage;    // W x H, bottom row first; 0 = no label
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Labels the black interior pixels of image into state (resets it first).
// An image of more than 8 bits per pixel resets the counters and is not labelled.
void LabelBlackBlobs(BlobLabelState& state, ImageView image);
// Labels image, then whitens every blob whose area is below minimumArea
// (signed comparison), then releases the label image.
void RemoveSmallBlackBlobs(BlobLabelState& state, ImageView image, int minimumArea);

}  // namespace lintra
