// Dib::ReadBmp: every header field that decides where bytes lie is checked
// against the file's length before anything is allocated, so no file, however
// damaged, makes the reader touch memory outside what it read.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "base/file_error.h"
#include "base/input_file.h"
#include "image/bmp_messages.h"
#include "image/colour_table.h"
#include "image/dib.h"
#include "image/image_refused.h"
#include "image/rle8.h"

namespace lintra {

namespace {

// An RLE8 file expands by up to 32,000 times (a skip escape of 4 bytes covers
// 255 x 255 pixels), so its decoded size is capped: 256 MiB holds an A0 sheet
// scanned at 300 dpi (9933 x 14043 pixels) with room to spare.
constexpr std::uint64_t kMaxDecodedRle8Bytes = 256u << 20;

// Where things lie in the block (the file behind its 14-byte header).
struct Layout {
    std::uint64_t tableEnd = 0;  // offset of the pixel rows (or RLE8 stream)
    std::uint32_t colorCount = 0;
    std::uint64_t stride = 0;
    std::int32_t height = 0;  // positive
    std::uint64_t rowBytes = 0;
    bool topDown = false;
    bool rle8 = false;
};

bool CompressionHoldsRows(const BitmapInfoHeader& header, bool& rle8) {
    rle8 = header.biCompression == kBiRle8;
    switch (header.biCompression) {
        case kBiRgb:
            return true;
        case kBiRle8:
            return header.biBitCount == 8;
        // Bit fields (3) and alpha bit fields (6) only describe the channel
        // masks of 16- and 32-bit rows; the bytes are plain rows, which the
        // load then refuses by their depth.
        case 3:
        case 6:
            return header.biBitCount == 16 || header.biBitCount == 32;
        default:
            return false;
    }
}

// Returns the refusal text for a header that does not describe a readable
// image within blockBytes, or nullptr with layout filled in.
const char* CheckLayout(const BitmapInfoHeader& header, std::uint64_t blockBytes, Layout& layout) {
    if (blockBytes >= 4 && header.biSize < sizeof(BitmapInfoHeader)) return kMsgOldInfoHeader;
    if (blockBytes < sizeof(BitmapInfoHeader) || header.biSize > blockBytes) return kMsgNoInfoHeader;
    if (blockBytes > std::numeric_limits<std::uint32_t>::max()) return kMsgTooLarge;
    if (header.biWidth < 1 || header.biHeight == 0 ||
        header.biHeight == std::numeric_limits<std::int32_t>::min())
        return kMsgBadDimensions;
    if (!CompressionHoldsRows(header, layout.rle8)) return kMsgCompression;
    layout.topDown = header.biHeight < 0;
    // RLE8 rows are always stored bottom-up.
    if (layout.rle8 && layout.topDown) return kMsgBadRle;

    layout.colorCount = BmpColorCount(header);
    if (header.biBitCount <= 8 && layout.colorCount > 256) return kMsgBadColourCount;
    layout.tableEnd = header.biSize + 4ull * layout.colorCount;
    if (layout.tableEnd > blockBytes) return kMsgNoColourTable;

    layout.height = layout.topDown ? -header.biHeight : header.biHeight;
    layout.stride = static_cast<std::uint64_t>(BmpStride(header.biBitCount, header.biWidth));
    if (layout.stride > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return kMsgTooLarge;
    // stride < 2^31 and height < 2^31: the product cannot wrap.
    layout.rowBytes = layout.stride * static_cast<std::uint64_t>(layout.height);
    if (layout.rle8) {
        if (layout.rowBytes > kMaxDecodedRle8Bytes) return kMsgTooLarge;
    } else {
        if (layout.rowBytes > std::numeric_limits<std::uint32_t>::max()) return kMsgTooLarge;
        if (layout.rowBytes > blockBytes - layout.tableEnd) return kMsgNoPixels;
    }
    return nullptr;
}

std::unique_ptr<std::uint8_t[]> Allocate(std::uint64_t bytes, bool zeroed) {
    auto* block = zeroed ? new (std::nothrow) std::uint8_t[bytes]() : new (std::nothrow) std::uint8_t[bytes];
    return std::unique_ptr<std::uint8_t[]>(block);
}

void FlipRows(std::uint8_t* rows, std::size_t stride, std::int32_t height) {
    for (std::int32_t low = 0, high = height - 1; low < high; ++low, --high)
        std::swap_ranges(rows + low * stride, rows + (low + 1) * stride, rows + high * stride);
}

}  // namespace

const char* Dib::ReadBmp(InputFile& file, const ReadOptions& options) {
    BitmapFileHeader fileHeader{};
    file.ReadAt(0, &fileHeader,
                static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), sizeof fileHeader)));
    if (file.size() < 2 || fileHeader.bfType != kBmpSignature) return kMsgNotBitmap;

    std::uint64_t blockBytes = file.size() > sizeof fileHeader ? file.size() - sizeof fileHeader : 0;
    BitmapInfoHeader header{};
    file.ReadAt(sizeof fileHeader, &header,
                static_cast<std::size_t>(std::min<std::uint64_t>(blockBytes, sizeof header)));
    Layout layout;
    if (const char* problem = CheckLayout(header, blockBytes, layout)) return problem;
    CheckPixelBudget(static_cast<std::uint64_t>(header.biWidth), static_cast<std::uint64_t>(layout.height),
                     options);

    std::unique_ptr<std::uint8_t[]> block = Allocate(blockBytes, false);
    if (!block) return kMsgNoMemory;
    file.ReadAtInPieces(sizeof fileHeader, block.get(), static_cast<std::size_t>(blockBytes));

    if (layout.rle8) {
        std::uint64_t available = blockBytes - layout.tableEnd;
        std::uint64_t streamBytes =
            header.biSizeImage != 0 && header.biSizeImage <= available ? header.biSizeImage : available;
        std::uint64_t decodedBlockBytes = layout.tableEnd + layout.rowBytes;
        if (decodedBlockBytes > std::numeric_limits<std::uint32_t>::max()) return kMsgTooLarge;
        // Pixels the stream skips stay index 0.
        std::unique_ptr<std::uint8_t[]> decoded = Allocate(decodedBlockBytes, true);
        if (!decoded) return kMsgNoMemory;
        std::memcpy(decoded.get(), block.get(), layout.tableEnd);
        std::span<const std::uint8_t> stream(block.get() + layout.tableEnd,
                                             static_cast<std::size_t>(streamBytes));
        if (!DecodeRle8(stream, decoded.get() + layout.tableEnd, header.biWidth, layout.height,
                        layout.stride))
            return kMsgBadRle;
        block = std::move(decoded);
        blockBytes = decodedBlockBytes;
        // The block now holds a plain uncompressed file; its headers say so,
        // so that Save writes a file every reader understands.
        auto* info = reinterpret_cast<BitmapInfoHeader*>(block.get());
        info->biCompression = kBiRgb;
        info->biSizeImage = static_cast<std::uint32_t>(layout.rowBytes);
        fileHeader.bfSize = static_cast<std::uint32_t>(sizeof fileHeader + blockBytes);
        fileHeader.bfOffBits = static_cast<std::uint32_t>(sizeof fileHeader + layout.tableEnd);
    } else if (layout.topDown) {
        // Every operation, Save and Palettor expect the bottom row first.
        FlipRows(block.get() + layout.tableEnd, layout.stride, layout.height);
        reinterpret_cast<BitmapInfoHeader*>(block.get())->biHeight = layout.height;
    }

    auto* info = reinterpret_cast<BitmapInfoHeader*>(block.get());
    if (info->biClrUsed == 0) info->biClrUsed = layout.colorCount;
    if (info->biSizeImage == 0) info->biSizeImage = static_cast<std::uint32_t>(layout.rowBytes);

    m_block = std::move(block);
    m_pBlock = m_block.get();
    m_pInfoHeader = info;
    m_pBitmapInfo = reinterpret_cast<BitmapInfo*>(m_pBlock);
    m_pColorTable = layout.colorCount > 0 ? reinterpret_cast<RgbQuad*>(m_pBlock + info->biSize) : nullptr;
    m_pBits = m_pBlock + layout.tableEnd;
    m_nBlockSize = static_cast<std::uint32_t>(blockBytes);
    m_fileHeader = fileHeader;
    ComputeStride();
    return nullptr;
}

}  // namespace lintra
