// Stage three: removal of small black blobs through 8-connected labelling.
//
// Border rule: only interior pixels are labelled; black pixels on the
// outermost rows and columns read as white, join no blob and are never
// changed. Black means exactly 0; other values are never labelled.
#pragma once

#include <cstdint>
#include <vector>

#include "image/image_view.h"

namespace lintra {

// One run of black interior pixels, x0 to x1 inclusive, in row y, and the
// label of the blob it belongs to.
struct BlobRun {
    std::int32_t y = 0;
    std::int32_t x0 = 0;
    std::int32_t x1 = 0;
    std::int32_t label = 0;
};

// What one labelling run leaves behind, kept by the view between runs.
// Labels are 32-bit and the area table grows with them: there is no limit
// on the number of blobs. Blobs are labelled 1, 2, ... in the order the scan
// (rows from the top, each row from the left) first meets them, one label per
// 8-connected blob.
struct BlobLabelState {
    std::int32_t labelCounter = 0;     // number of blobs (the highest label)
    std::vector<std::int64_t> area;    // area[L]: pixels of blob L; area[0] = 0
    std::vector<BlobRun> runs;         // the blobs' pixels, rows from the top
    std::vector<std::uint32_t> links;  // working store of the labelling:
    std::vector<std::uint8_t> ranks;   // the union-find forest of the runs
};

// Labels the black interior pixels of image into state (resets it first).
// An image of more than 8 bits per pixel, or with no interior, resets the
// counters and is not labelled. Linear in the pixels (union-find over runs).
void LabelBlackBlobs(BlobLabelState& state, ImageView image);
// Labels image, then whitens every blob whose area is below minimumArea
// (signed comparison), then releases the runs (their storage is kept for the
// next call, which the parameter dialog makes often). A minimum area of 1 or
// less changes nothing; an image of more than 8 bits per pixel is untouched.
void RemoveSmallBlackBlobs(BlobLabelState& state, ImageView image, int minimumArea);

}  // namespace lintra
