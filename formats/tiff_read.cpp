// TIFF through libtiff, reading from memory. Strip-organised pictures of one
// sample per pixel (grey, bilevel with CCITT fax compression among them,
// colour table) are read row by row at their own depth, so their levels and
// tables stay exact; every other kind (colour, CMYK, YCbCr, alpha, tiles)
// goes through libtiff's RGBA reader.
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/message_sink.h"
#include "formats/decode.h"
#include "image/bmp_messages.h"

namespace lintra {

namespace {

struct TiffSource {
    std::span<const std::uint8_t> bytes;
    toff_t offset = 0;
    std::string error;  // libtiff's first error
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* source = static_cast<TiffSource*>(handle);
    if (count < 0 || source->offset >= source->bytes.size()) return 0;
    auto n = std::min<toff_t>(static_cast<toff_t>(count), source->bytes.size() - source->offset);
    std::memcpy(buffer, source->bytes.data() + source->offset, n);
    source->offset += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<TiffSource*>(handle);
    toff_t base = whence == SEEK_CUR ? source->offset : whence == SEEK_END ? source->bytes.size() : 0;
    if (offset > ~toff_t{0} - base) return static_cast<toff_t>(-1);
    source->offset = base + offset;
    return source->offset;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<TiffSource*>(handle)->bytes.size();
}

int OnError(TIFF*, void* data, const char* module, const char* format, va_list arguments) {
    auto* source = static_cast<TiffSource*>(data);
    if (source->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        source->error = module ? std::string(module) + ": " + text : text;
    }
    return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

[[noreturn]] void Damaged(const TiffSource& source, const char* fallback) {
    throw ImageRefused(DamagedMessage(ImageFormat::Tiff, source.error.empty() ? fallback : source.error));
}

// A 16-bit colour-map value as 8 bits; old writers stored 8-bit values.
std::uint8_t MapLevel(std::uint16_t value, bool eightBit) {
    return eightBit ? static_cast<std::uint8_t>(value) : RoundTo8(value);
}

void ReadRows(TIFF* tiff, TiffSource& source, std::uint32_t width, std::uint32_t height, int bits,
              bool palette, bool whiteIsZero, Dib& out) {
    tmsize_t size = TIFFScanlineSize(tiff);
    if (size <= 0 || static_cast<std::uint64_t>(size) * 8 < static_cast<std::uint64_t>(width) * bits)
        Damaged(source, "bad scanline size");
    std::unique_ptr<std::uint8_t[]> line(new std::uint8_t[static_cast<std::size_t>(size)]);
    const unsigned maxValue = bits == 16 ? 65535u : (1u << bits) - 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, line.get(), y, 0) < 0) Damaged(source, "cannot read a row");
        std::uint8_t* to = RowFromTop(out, y);
        for (std::uint32_t x = 0; x < width; ++x) {
            unsigned value;
            if (bits == 16) {
                std::uint16_t sample;
                std::memcpy(&sample, line.get() + 2 * x, 2);
                value = sample;
            } else {
                std::uint64_t bit = static_cast<std::uint64_t>(x) * bits;
                value = (line[bit / 8] >> (8 - bits - bit % 8)) & maxValue;
            }
            if (palette) {
                to[x] = static_cast<std::uint8_t>(value);
                continue;
            }
            if (whiteIsZero) value = maxValue - value;
            to[x] = bits == 16 ? RoundTo8(value) : static_cast<std::uint8_t>(value * 255u / maxValue);
        }
    }
}

void ReadRgba(TIFF* tiff, TiffSource& source, std::uint32_t width, std::uint32_t height, bool grey,
              Dib& out) {
    char problem[1024] = {};
    if (!TIFFRGBAImageOK(tiff, problem)) throw ImageRefused(UnsupportedMessage(ImageFormat::Tiff, problem));
    std::unique_ptr<std::uint32_t[]> raster(new std::uint32_t[static_cast<std::size_t>(width) * height]);
    // Bottom row first, as the Dib stores them; libtiff gives colours
    // multiplied by alpha, so over white each is c + 255 - alpha.
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.get(), ORIENTATION_BOTLEFT, 0))
        Damaged(source, "cannot read the picture");
    CreateOrThrow(out, width, height, grey ? 8 : 24, grey ? 256 : 0);
    if (grey) SetGreyTable(out);
    auto over = [](std::uint32_t pixel, int shift) {
        unsigned a = TIFFGetA(pixel), c = (pixel >> shift) & 0xFF;
        return static_cast<std::uint8_t>(std::min(255u, c + 255u - a));
    };
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* in = raster.get() + static_cast<std::size_t>(y) * width;
        std::uint8_t* to = out.GetBits() + static_cast<std::size_t>(y) * out.m_nStride;
        for (std::uint32_t x = 0; x < width; ++x) {
            if (grey) {
                to[x] = over(in[x], 0);
            } else {
                to[3 * x + 0] = over(in[x], 16);
                to[3 * x + 1] = over(in[x], 8);
                to[3 * x + 2] = over(in[x], 0);
            }
        }
    }
}

}  // namespace

void DecodeTiff(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out) {
    TiffSource source{bytes, 0, {}};
    std::unique_ptr<TIFFOpenOptions, OptionsFree> openOptions(TIFFOpenOptionsAlloc());
    if (!openOptions) throw std::bad_alloc();
    TIFFOpenOptionsSetErrorHandlerExtR(openOptions.get(), OnError, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(openOptions.get(), OnWarning, &source);
    // libtiff's own buffers (strips, tiles) stay within what the budget allows.
    TIFFOpenOptionsSetMaxSingleMemAlloc(openOptions.get(),
                                        static_cast<tmsize_t>(options.maxPixels * 4 + (1 << 20)));
    // "m": read through ReadProc, never map the caller's bytes.
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("picture", "rm", &source, ReadProc, WriteProc,
                                                             SeekProc, CloseProc, SizeProc, nullptr, nullptr,
                                                             openOptions.get()));
    if (!tiff) Damaged(source, "cannot open");
    if (options.page > 1) {
        tdir_t pages = TIFFNumberOfDirectories(tiff.get());
        if (options.page > static_cast<int>(pages) ||
            !TIFFSetDirectory(tiff.get(), static_cast<tdir_t>(options.page - 1)))
            throw ImageRefused(
                FillPlaceholders(kMsgNoSuchPage, {std::to_string(pages), std::to_string(options.page)}));
    }

    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0)
        Damaged(source, "no picture size");
    CheckPixelBudget(width, height, options);

    std::uint16_t bits = 1, samples = 1, photometric = 0, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric)) {
        // Fax pictures without the tag are white on zero, as fax defines.
        bool fax = compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
                   compression == COMPRESSION_CCITTFAX4;
        photometric = fax ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
    }
    bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
    bool palette = photometric == PHOTOMETRIC_PALETTE && bits <= 8;
    bool plainDepth = bits == 1 || bits == 2 || bits == 4 || bits == 8 || (bits == 16 && grey);
    if (!TIFFIsTiled(tiff.get()) && samples == 1 && plainDepth && (grey || palette)) {
        std::uint32_t colours = 256;
        std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (palette) {
            if (!TIFFGetField(tiff.get(), TIFFTAG_COLORMAP, &red, &green, &blue))
                Damaged(source, "no colour map");
            colours = 1u << bits;
        }
        CreateOrThrow(out, width, height, 8, colours);
        if (palette) {
            bool eightBit = true;
            for (std::uint32_t i = 0; i < colours; ++i)
                eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
            for (std::uint32_t i = 0; i < colours; ++i)
                out.m_pColorTable[i] = RgbQuad{MapLevel(blue[i], eightBit), MapLevel(green[i], eightBit),
                                               MapLevel(red[i], eightBit), 0};
        } else {
            SetGreyTable(out);
        }
        ReadRows(tiff.get(), source, width, height, bits, palette, photometric == PHOTOMETRIC_MINISWHITE,
                 out);
        return;
    }
    ReadRgba(tiff.get(), source, width, height, grey, out);
}

}  // namespace lintra

namespace lintra {

int TiffPageCount(const std::string& path) {
    TiffSource quiet{{}, 0, {}};
    std::unique_ptr<TIFFOpenOptions, OptionsFree> openOptions(TIFFOpenOptionsAlloc());
    if (!openOptions) return 1;
    TIFFOpenOptionsSetErrorHandlerExtR(openOptions.get(), OnError, &quiet);
    TIFFOpenOptionsSetWarningHandlerExtR(openOptions.get(), OnWarning, &quiet);
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpenExt(path.c_str(), "rm", openOptions.get()));
    if (!tiff) return 1;
    return std::max(1, static_cast<int>(TIFFNumberOfDirectories(tiff.get())));
}

}  // namespace lintra
