// Fuzz target: a picture file of any format Lintra reads (PNG, JPEG, TIFF,
// WebP, PNM, BMP; the reader goes by the first bytes), opened as the Open
// command does with a budget of a million pixels, loaded by the view's
// drawing pass (colour through Palettor in-process, colour tables turned into
// grey levels) and drawn. A loaded image must survive a Save and a fresh
// Read unchanged. The first byte picks the page of a multi-page TIFF file
// when it is not part of the picture: inputs starting with '#' skip it.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "docview/doc.h"
#include "docview/view.h"
#include "formats/read_picture.h"
#include "fuzz/fuzz_platform.h"
#include "fuzz/scratch_folder.h"
#include "image/dib.h"

using namespace lintra;
using namespace lintra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int page = 1;
    if (size >= 2 && data[0] == '#') {
        page = 1 + data[1] % 4;
        data += 2;
        size -= 2;
    }
    const std::string source = ScratchPath("open.img");
    WriteWholeFile(source, data, size);

    FuzzPlatform platform;
    CLintraDoc doc(platform);
    // Big enough for every seed, small enough that each input stays fast.
    doc.m_readOptions.maxPixels = 1 << 20;
    doc.m_readOptions.page = page;
    CLintraView view(doc, platform, platform);
    if (!doc.OpenPath(source)) return 0;

    CountingCanvas canvas;
    view.OnDraw(canvas);
    if (!view.HasImage()) return 0;

    platform.saveAnswer = ScratchPath("saved.bmp");
    view.OnCommand(cmd::kFileSave);
    if (platform.fileErrors != 0) std::abort();
    Dib back;
    ReadPicture(back, platform.saveAnswer, platform);
    const Dib& shown = *view.DisplayedImage();
    if (back.m_bValid != 1 || back.m_nBlockSize != shown.m_nBlockSize ||
        std::memcmp(back.m_pBlock, shown.m_pBlock, shown.m_nBlockSize) != 0) {
        std::fprintf(stderr, "a saved image reads back differently\n");
        std::abort();
    }
    return 0;
}
