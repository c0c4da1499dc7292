// What an image operation of the command table may reach besides the image
// it works on: the view provides it for the real pictures, a scratch context
// for trial runs on copies.
#pragma once

#include "base/message_sink.h"
#include "image/image_view.h"
#include "raster/blobs.h"

namespace lintra {

class OperationContext {
public:
    virtual ~OperationContext() = default;
    // The picture the parameter dialogs start from, which the outermost
    // contour's trace writes into.
    virtual ImageView BaseView() = 0;
    // The labelling blob removal keeps between runs.
    virtual BlobLabelState& Blobs() = 0;
    // Thinning tells the strokes' width it measured before thinning.
    virtual void NoteStrokeWidth(double width) = 0;
    // Iterative black and white tells the threshold it chose (-1: none).
    virtual void NoteThreshold(int threshold) = 0;
    // Where the operations show their messages.
    virtual MessageSink& Messages() = 0;
};

}  // namespace lintra
