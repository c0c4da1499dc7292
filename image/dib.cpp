#include "image/dib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "base/atomic_file.h"
#include "base/parallel_rows.h"
#include "image/colour_table.h"

namespace lintra {

std::int32_t Dib::GetWidth() const {
    return m_pInfoHeader ? m_pInfoHeader->biWidth : 0;
}

std::int32_t Dib::GetHeight() const {
    return m_pInfoHeader ? m_pInfoHeader->biHeight : 0;
}

std::uint32_t Dib::GetColorCount() const {
    return m_pInfoHeader ? BmpColorCount(*m_pInfoHeader) : 0;
}

std::uint32_t Dib::ComputeStride() {
    m_nBitCount = m_pInfoHeader ? m_pInfoHeader->biBitCount : 0;
    m_nStride =
        m_pInfoHeader ? static_cast<std::uint32_t>(BmpStride(static_cast<int>(m_nBitCount), GetWidth())) : 0;
    return m_nStride;
}

ImageView Dib::View() {
    if (IsEmpty()) return {};
    return {m_pBits, GetWidth(), GetHeight(), static_cast<int>(ComputeStride()), GetBitCount()};
}

ImageView Dib::View() const {
    if (IsEmpty()) return {};
    const int bitCount = GetBitCount();
    return {m_pBits, GetWidth(), GetHeight(), static_cast<int>(BmpStride(bitCount, GetWidth())), bitCount};
}

bool Dib::Create(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t colourCount) {
    if (width < 1 || height < 1 || (bitCount != 8 && bitCount != 24) || colourCount > 256) return false;
    std::uint64_t stride = static_cast<std::uint64_t>(BmpStride(bitCount, width));
    std::uint64_t tableEnd = sizeof(BitmapInfoHeader) + 4ull * colourCount;
    std::uint64_t rowBytes = stride * static_cast<std::uint64_t>(height);
    std::uint64_t blockBytes = tableEnd + rowBytes;
    if (rowBytes > std::numeric_limits<std::uint32_t>::max() - sizeof m_fileHeader - tableEnd) return false;
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockBytes]());
    if (!block) return false;

    auto* info = reinterpret_cast<BitmapInfoHeader*>(block.get());
    *info = BitmapInfoHeader{static_cast<std::uint32_t>(sizeof(BitmapInfoHeader)),
                             width,
                             height,
                             1,
                             static_cast<std::uint16_t>(bitCount),
                             kBiRgb,
                             static_cast<std::uint32_t>(rowBytes),
                             0,
                             0,
                             colourCount,
                             0};
    m_block = std::move(block);
    m_pBlock = m_block.get();
    m_pInfoHeader = info;
    m_pBitmapInfo = reinterpret_cast<BitmapInfo*>(m_pBlock);
    m_pColorTable =
        colourCount > 0 ? reinterpret_cast<RgbQuad*>(m_pBlock + sizeof(BitmapInfoHeader)) : nullptr;
    m_pBits = m_pBlock + tableEnd;
    m_nBlockSize = static_cast<std::uint32_t>(blockBytes);
    m_fileHeader =
        BitmapFileHeader{kBmpSignature, static_cast<std::uint32_t>(sizeof m_fileHeader + blockBytes), 0, 0,
                         static_cast<std::uint32_t>(sizeof m_fileHeader + tableEnd)};
    ComputeStride();
    return true;
}

bool Dib::CopyImage(const Dib& source) {
    Dib copy;
    if (!source.IsEmpty()) {
        copy.m_block.reset(new (std::nothrow) std::uint8_t[source.m_nBlockSize]);
        if (!copy.m_block) return false;
        // In pieces on the worker threads: the copy is into fresh memory, and
        // the system's cost of handing out its pages outweighs the copying,
        // on every thread alike.
        ParallelPieces(source.m_nBlockSize, kFreshMemoryPiece, [&](std::size_t first, std::size_t last) {
            std::memcpy(copy.m_block.get() + first, source.m_pBlock + first, last - first);
        });
        auto at = [&](const void* p) {
            return p ? copy.m_block.get() + (static_cast<const std::uint8_t*>(p) - source.m_pBlock) : nullptr;
        };
        copy.m_pBlock = copy.m_block.get();
        copy.m_pInfoHeader = reinterpret_cast<BitmapInfoHeader*>(copy.m_pBlock);
        copy.m_pBitmapInfo = reinterpret_cast<BitmapInfo*>(copy.m_pBlock);
        copy.m_pColorTable = reinterpret_cast<RgbQuad*>(at(source.m_pColorTable));
        copy.m_pBits = at(source.m_pBits);
        copy.m_nBlockSize = source.m_nBlockSize;
    }
    copy.m_fileHeader = source.m_fileHeader;
    copy.m_szPath = source.m_szPath;
    copy.m_bValid = source.m_bValid;
    TakeImage(copy);
    return true;
}

void Dib::TakeImage(Dib& other) {
    m_block = std::move(other.m_block);
    m_pBlock = std::exchange(other.m_pBlock, nullptr);
    m_pInfoHeader = std::exchange(other.m_pInfoHeader, nullptr);
    m_pBitmapInfo = std::exchange(other.m_pBitmapInfo, nullptr);
    m_pColorTable = std::exchange(other.m_pColorTable, nullptr);
    m_pBits = std::exchange(other.m_pBits, nullptr);
    m_nBlockSize = std::exchange(other.m_nBlockSize, 0);
    m_fileHeader = std::exchange(other.m_fileHeader, BitmapFileHeader{});
    m_szPath = std::move(other.m_szPath);
    m_bValid = std::exchange(other.m_bValid, 0);
    ComputeStride();
    other.ComputeStride();
}

void Dib::Write(const std::string& path, Flush flush) {
    WriteFileAtomically(path, {Bytes(&m_fileHeader, sizeof m_fileHeader), Bytes(m_pBlock, m_nBlockSize)},
                        flush);
    m_szPath = path;
}

namespace {

// Bytes of pixel rows a read Dib holds: stride x height.
std::size_t PixelBytes(const Dib& dib) {
    if (dib.IsEmpty()) return 0;
    return static_cast<std::size_t>(BmpStride(dib.GetBitCount(), dib.GetWidth())) *
           static_cast<std::size_t>(std::max(dib.GetHeight(), 0));
}

}  // namespace

void Dib::CopyPixels(Dib& destination, const Dib& source) {
    // Callers pass images of one size; should they not, the copy still stops
    // at the end of the smaller pixel area instead of overrunning a block.
    std::size_t bytes = std::min(PixelBytes(source), PixelBytes(destination));
    if (bytes > 0) std::memmove(destination.m_pBits, source.m_pBits, bytes);
}

void Dib::ConvertToGrey(Dib& dib) {
    if (dib.IsEmpty() || dib.GetBitCount() != 8 || dib.m_pColorTable == nullptr) return;
    // Only the entries the table holds are rewritten: an index beyond them has
    // no colour and is drawn black, so it becomes grey level 0.
    std::uint32_t count = std::min<std::uint32_t>(dib.GetColorCount(), 256);
    std::uint8_t grey[256] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        RgbQuad& entry = dib.m_pColorTable[i];
        grey[i] = GreyLevel(entry);
        std::uint8_t index = static_cast<std::uint8_t>(i);
        entry = RgbQuad{index, index, index, 0};
    }
    ImageView view = dib.View();
    for (int y = 0; y < view.height; ++y) {
        std::uint8_t* row = view.row(y);
        for (int x = 0; x < view.width; ++x) row[x] = grey[row[x]];
    }
}

}  // namespace lintra
