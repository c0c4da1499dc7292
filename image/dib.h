// Dib: one BMP file held in memory, the 14-byte file header plus one owned
// block with the info header, the colour table and the pixel rows.
//
// Reading (formats/read_picture.h) accepts what Lintra can work on safely
// and refuses, with a message box (texts in image/bmp_messages.h) and the
// Dib left exactly as it was, anything that would make it read or write
// outside the file's bytes. RLE8
// files are decoded into plain rows and top-down files turned bottom-up, so
// every Dib holds uncompressed rows, bottom row first. Write stores the Dib
// unchanged through a temporary file renamed over the destination, so a
// failed Save never destroys the file that was there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/atomic_file.h"
#include "base/message_sink.h"
#include "image/bmp_format.h"
#include "image/image_view.h"
#include "image/read_options.h"

namespace lintra {

class InputFile;

class Dib {
public:
    Dib() = default;
    virtual ~Dib() = default;
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    // Stores the file header and the block unchanged at path.
    // Throws FileError when the file cannot be created, written or renamed;
    // the earlier file at path is then intact. Flush::No leaves the bytes to
    // the system's cache, for a scratch file another program reads at once.
    void Write(const std::string& path, Flush flush = Flush::ToDisk);

    std::int32_t GetWidth() const;
    std::int32_t GetHeight() const;
    std::uint32_t GetColorCount() const;
    std::uint8_t* GetBits() const { return m_pBits; }
    RgbQuad* GetColorTable() const { return m_pColorTable; }
    BitmapInfo* GetBitmapInfo() const { return m_pBitmapInfo; }
    // Stores m_nBitCount and m_nStride from the info header; returns the stride.
    std::uint32_t ComputeStride();

    // Makes the Dib a blank uncompressed picture of width x height pixels at
    // bitCount (8 or 24) bits with colourCount zeroed colour-table entries and
    // zeroed rows, as a BMP file holding it would read. Returns false, the Dib
    // unchanged, when the block would not fit 32 bits or memory runs short.
    bool Create(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t colourCount);
    // Makes this Dib a copy of source's picture, headers, path and validity.
    // Returns false, the Dib unchanged, when memory runs short.
    bool CopyImage(const Dib& source);
    // Moves other's picture, path and validity into this Dib and leaves
    // other empty; what this Dib held is released.
    void TakeImage(Dib& other);

    bool IsEmpty() const { return m_pBlock == nullptr; }
    int GetBitCount() const { return m_pInfoHeader ? m_pInfoHeader->biBitCount : 0; }
    // The pixel rows as an 8-bit image view (empty view for an empty Dib).
    ImageView View();
    // The same view of a Dib the caller may only read; like GetBits, it does
    // not guard the pixels themselves.
    ImageView View() const;

    // Copies stride x height bytes of pixel rows from source to destination;
    // both should have the same width, height and bit count. Never copies
    // more than the smaller of the two holds.
    static void CopyPixels(Dib& destination, const Dib& source);
    // Turns a 256-entry colour-indexed image into grey levels with an
    // identity grey colour table (double-precision 0.299 R + 0.114 B + 0.587 G,
    // truncated). A shorter table is rewritten as far as it goes and indices
    // beyond it become 0; anything but 8 bits is left alone.
    static void ConvertToGrey(Dib& dib);

    RgbQuad* m_pColorTable = nullptr;
    std::uint8_t* m_pBits = nullptr;
    std::int32_t m_bValid = 0;
    BitmapFileHeader m_fileHeader{};
    BitmapInfoHeader* m_pInfoHeader = nullptr;
    BitmapInfo* m_pBitmapInfo = nullptr;
    std::uint8_t* m_pBlock = nullptr;
    std::uint32_t m_nBlockSize = 0;
    std::uint32_t m_nBitCount = 0;
    std::uint32_t m_nStride = 0;
    std::string m_szPath;

    // Reads the BMP file into this (empty) Dib; returns the refusal text, or
    // nullptr on success. Throws ImageRefused beyond the pixel budget.
    // formats/read_picture.h reads a file of any format, BMP included.
    const char* ReadBmp(InputFile& file, const ReadOptions& options);

private:
    std::unique_ptr<std::uint8_t[]> m_block;  // owns what m_pBlock points at
};

}  // namespace lintra
