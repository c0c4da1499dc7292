// Fuzz target: Palettor's whole program, in-process, on one source file.
// A conversion that reports success must leave a 256-colour BMP of the
// source's size that Lintra's reader accepts, in which every pixel shows a
// palette entry nearest (in 4-bit units) to the pixel's source colour.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formats/read_picture.h"
#include "fuzz/fuzz_platform.h"
#include "fuzz/scratch_folder.h"
#include "image/dib.h"
#include "palettor/bmp_layout.h"

using namespace lintra;
using namespace lintra::fuzz;

namespace {

class QuietSink : public MessageSink {
public:
    void ShowMessage(const std::string&, const std::string&) override {}
};

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

int SquaredNibbleDistance(const RgbQuad& entry, const std::uint8_t* bgr) {
    const int db = entry.rgbBlue / 16 - bgr[0] / 16;
    const int dg = entry.rgbGreen / 16 - bgr[1] / 16;
    const int dr = entry.rgbRed / 16 - bgr[2] / 16;
    return db * db + dg * dg + dr * dr;
}

// Every pixel of result shows an entry at the smallest distance from its
// source colour. The source rows start at bfOffBits (54 when it points into
// the header) and run top-down when biHeight is negative.
void CheckNearest(const std::uint8_t* data, const palettor::BmpHeader& header, Dib& result) {
    const RgbQuad* table = result.GetColorTable();
    const int width = result.GetWidth();
    const int height = result.GetHeight();
    const std::size_t offset = header.bfOffBits >= 54 ? header.bfOffBits : 54;
    const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    ImageView indices = result.View();
    for (int y = 0; y < height; ++y) {
        const int stored = header.biHeight < 0 ? height - 1 - y : y;
        const std::uint8_t* source = data + offset + static_cast<std::size_t>(stored) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* bgr = source + 3 * x;
            int best = SquaredNibbleDistance(table[0], bgr);
            for (int e = 1; e < 256; ++e) best = std::min(best, SquaredNibbleDistance(table[e], bgr));
            if (SquaredNibbleDistance(table[indices.row(y)[x]], bgr) != best)
                Fail("a pixel shows a palette entry that is not the nearest to its colour");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string source = ScratchPath("source.bmp");
    const std::string destination = ScratchPath("result.bmp");
    WriteWholeFile(source, data, size);
    std::remove(destination.c_str());

    if (RunPalettor({"Palettor", source, destination}) != 0) return 0;

    // Success: the header said 24 bits and the file held every row.
    if (size < palettor::kHeaderBytes) Fail("a conversion succeeded without a whole header");
    const palettor::BmpHeader header = palettor::ParseHeader(data);
    QuietSink sink;
    Dib result;
    try {
        ReadPicture(result, destination, sink);
    } catch (const FileError&) {
        Fail("a conversion succeeded without a readable result");
    }
    if (result.m_bValid != 1) Fail("Lintra's reader refuses a converted file");
    if (result.GetBitCount() != 8 || result.GetColorCount() != 256) Fail("the result is not 256-colour");
    std::int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (result.GetWidth() != header.biWidth || result.GetHeight() != height)
        Fail("the result's size differs from the source's");
    CheckNearest(data, header, result);
    return 0;
}
