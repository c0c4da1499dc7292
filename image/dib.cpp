#include "image/dib.h"

#include <algorithm>
#include <cstring>

#include "image/atomic_file.h"

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

void Dib::Write(const std::string& path) {
    WriteFileAtomically(path, {Bytes(&m_fileHeader, sizeof m_fileHeader), Bytes(m_pBlock, m_nBlockSize)});
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
        // Summed in this order in double precision and truncated: (59, 59, 59)
        // lands just below 59 and gives 58.
        double level = (0.299 * entry.rgbRed + 0.114 * entry.rgbBlue) + 0.587 * entry.rgbGreen;
        grey[i] = static_cast<std::uint8_t>(level);
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
