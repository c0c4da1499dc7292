// Fuzz target: a BMP file opened as the Open command does, then loaded by
// the view's drawing pass (8-bit files directly, 24-bit files through
// Palettor in-process, other depths refused) and drawn. A loaded image must
// survive a Save and a fresh Read unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "docview/doc.h"
#include "docview/view.h"
#include "formats/read_picture.h"
#include "fuzz/fuzz_platform.h"
#include "fuzz/scratch_folder.h"
#include "image/bmp_format.h"
#include "image/dib.h"

using namespace lintra;
using namespace lintra::fuzz;

namespace {

// RLE8 files may promise far more pixels than they hold; the reader accepts
// up to 256 MiB, which would make each input slow. Larger ones are skipped.
constexpr std::uint64_t kMaxRlePixels = 128 * 128;

bool TooLargeToBeFast(const std::uint8_t* data, std::size_t size) {
    if (size < 14 + sizeof(BitmapInfoHeader)) return false;
    BitmapInfoHeader header;
    std::memcpy(&header, data + 14, sizeof header);
    if (header.biCompression != kBiRle8) return false;
    std::uint64_t width = header.biWidth < 0 ? 0 : static_cast<std::uint64_t>(header.biWidth);
    std::int64_t height = header.biHeight;
    std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    return width * rows > kMaxRlePixels;
}

void RequireSameImage(const Dib& a, const Dib& b) {
    if (a.m_nBlockSize != b.m_nBlockSize || std::memcmp(&a.m_fileHeader, &b.m_fileHeader, 14) != 0 ||
        std::memcmp(a.m_pBlock, b.m_pBlock, a.m_nBlockSize) != 0) {
        std::fprintf(stderr, "a saved image reads back differently\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (TooLargeToBeFast(data, size)) return -1;
    const std::string source = ScratchPath("open.bmp");
    WriteWholeFile(source, data, size);

    FuzzPlatform platform;
    CLintraDoc doc(platform);
    CLintraView view(doc, platform, platform);
    if (!doc.OpenPath(source)) return 0;

    CountingCanvas canvas;
    view.OnDraw(canvas);
    if (!view.HasImage()) return 0;

    // Save writes the displayed image; what Read accepted, Write must store
    // so that Read gives it back byte for byte.
    platform.saveAnswer = ScratchPath("saved.bmp");
    view.OnCommand(cmd::kFileSave);
    if (platform.fileErrors != 0) std::abort();
    Dib back;
    ReadPicture(back, platform.saveAnswer, platform);
    if (back.m_bValid != 1) std::abort();
    RequireSameImage(*view.DisplayedImage(), back);
    return 0;
}
