// Palettor: converts a 24-bit BMP file into a 256-colour BMP file.
//   Palettor filename1 filename2
// Progress and errors go to standard output; the exit status is 0 after a
// conversion and -1 after any failure. filename1 is read completely and
// closed before filename2 is written, so both may name the same file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "palettor/bmp_layout.h"
#include "palettor/palette.h"
#include "palettor/pixels.h"
#include "palettor/replace_file.h"

namespace lintra::palettor {
namespace {

constexpr int kFailure = -1;

void PrintUsage(const char* program) {
    std::printf("Usage:\n");
    std::printf("    %s filename1 filename2\n", program ? program : "");
    std::printf("    filename1 : source 24bit BMP filename    like: xxx.bmp\n");
    std::printf("    filename2 : new 256 color BMP filename\n");
}

// Closes the source on every early return; Close() reports whether the
// close itself succeeded.
class SourceFile {
public:
    explicit SourceFile(std::FILE* file) : m_file(file) {}
    ~SourceFile() { Close(); }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    std::FILE* get() const { return m_file; }
    bool Close() {
        if (!m_file) return true;
        const bool ok = std::fclose(m_file) == 0;
        m_file = nullptr;
        return ok;
    }

private:
    std::FILE* m_file;
};

// The file's length in bytes, or -1 when it cannot be told.
long long FileLength(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    return std::ftell(file);
}

// Counts the bytes from the current position to the end of the file.
long long CountRemainingBytes(std::FILE* file) {
    unsigned char chunk[65536];
    long long count = 0;
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) count += static_cast<long long>(got);
    return count;
}

int Convert(const char* sourceName, const char* destinationName) {
    std::FILE* opened = std::fopen(sourceName, "rb");
    if (!opened) {
        std::printf("!!!file %s open failed.\n", sourceName);
        return kFailure;
    }
    std::printf("file %s open success.\n", sourceName);
    SourceFile source(opened);

    unsigned char headerBytes[kHeaderBytes];
    if (std::fread(headerBytes, 1, kHeaderBytes, source.get()) != kHeaderBytes) {
        const bool readError = std::ferror(source.get()) != 0;
        source.Close();
        if (readError) {
            std::printf("!!!file %s read failed.\n", sourceName);
        } else {
            std::printf("The BMP header is incomplete.\n");
        }
        return kFailure;
    }
    const BmpHeader header = ParseHeader(headerBytes);
    if (header.biBitCount != 24) {
        source.Close();
        std::printf("This is not a 24bit BMP file.\n");
        return kFailure;
    }

    SourceLayout layout;
    switch (ComputeSourceLayout(header, layout)) {
        case LayoutCheck::kOk:
            break;
        case LayoutCheck::kCompressed:
            source.Close();
            std::printf("Only uncompressed 24bit BMP files can be converted.\n");
            return kFailure;
        case LayoutCheck::kInvalidSize:
            source.Close();
            std::printf("The image size %d x %d is not valid.\n", header.biWidth, header.biHeight);
            return kFailure;
        case LayoutCheck::kTooLarge:
            source.Close();
            std::printf("The image size %d x %d is too large.\n", header.biWidth, header.biHeight);
            return kFailure;
    }

    // Checked before anything is allocated: a header cannot make the
    // program reserve more than the file holds.
    const long long length = FileLength(source.get());
    if (length < 0) {
        source.Close();
        std::printf("!!!file %s read failed.\n", sourceName);
        return kFailure;
    }
    const std::uint64_t needed = layout.pixelOffset + layout.pixelBytes;
    if (static_cast<std::uint64_t>(length) < needed) {
        source.Close();
        std::printf("The file has %llu bytes but its header needs %llu.\n",
                    static_cast<unsigned long long>(length), static_cast<unsigned long long>(needed));
        return kFailure;
    }

    auto pixels = std::make_unique_for_overwrite<unsigned char[]>(layout.pixelBytes);
    std::size_t got = 0;
    if (std::fseek(source.get(), static_cast<long>(layout.pixelOffset), SEEK_SET) == 0) {
        got = std::fread(pixels.get(), 1, layout.pixelBytes, source.get());
    }
    if (got != layout.pixelBytes) {
        // The file shrank since its length was taken, or the disk failed.
        source.Close();
        std::printf("!!!file %s read failed.\n", sourceName);
        return kFailure;
    }

    const unsigned char* last = pixels.get() + layout.pixelBytes - 4;
    std::printf("last 4 byte of color Data:%x %x %x %x\n", last[0], last[1], last[2], last[3]);
    const long long unread = CountRemainingBytes(source.get());
    if (unread != 0) std::printf("%lld bytes not read in file.\n", unread);
    std::printf("read file over.\n");
    if (source.Close()) std::printf("file close.\n");

    const std::size_t pixelCount = static_cast<std::size_t>(layout.width) * layout.height;
    auto codes = std::make_unique_for_overwrite<std::uint16_t[]>(pixelCount);
    ReduceToCodes(pixels.get(), layout, codes.get());
    pixels.reset();

    const Palette palette = BuildPalette(CountCodes(codes.get(), pixelCount));

    std::vector<unsigned char> output(kOutputPixelOffset + layout.outputPixelBytes);
    StoreHeader(OutputHeader(header, layout), output.data());
    std::copy(palette.table.begin(), palette.table.end(), output.begin() + kHeaderBytes);
    WriteIndices(codes.get(), layout, palette, output.data() + kOutputPixelOffset);
    codes.reset();

    switch (ReplaceFileContents(destinationName, output.data(), output.size())) {
        case WriteOutcome::kOk:
            return 0;
        case WriteOutcome::kCreateFailed:
            std::printf("open new file failed.\n");
            return kFailure;
        case WriteOutcome::kWriteFailed:
            std::printf("write new file failed.\n");
            return kFailure;
    }
    return kFailure;
}

}  // namespace
}  // namespace lintra::palettor

int main(int argc, char** argv) {
    if (argc < 3) {
        lintra::palettor::PrintUsage(argc > 0 ? argv[0] : nullptr);
        return lintra::palettor::kFailure;
    }
    try {
        return lintra::palettor::Convert(argv[1], argv[2]);
    } catch (const std::bad_alloc&) {
        std::printf("Not enough memory to convert %s.\n", argv[1]);
        return lintra::palettor::kFailure;
    }
}
