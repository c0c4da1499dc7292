// Fuzz target: Palettor's whole program, in-process, on one source file.
// A conversion that reports success must leave a 256-colour BMP of the
// source's size that Lintra's reader accepts.
#include <cstdint>
#include <cstdlib>
#include <cstring>

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
        result.Read(destination, sink);
    } catch (const FileError&) {
        Fail("a conversion succeeded without a readable result");
    }
    if (result.m_bValid != 1) Fail("Lintra's reader refuses a converted file");
    if (result.GetBitCount() != 8 || result.GetColorCount() != 256) Fail("the result is not 256-colour");
    std::int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (result.GetWidth() != header.biWidth || result.GetHeight() != height)
        Fail("the result's size differs from the source's");
    return 0;
}
