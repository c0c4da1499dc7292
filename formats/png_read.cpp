// PNG through libpng. libpng reports errors by longjmp: every object with a
// destructor is made before the setjmp, so the jump skips none.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/decode.h"

namespace lintra {

namespace {

struct PngSource {
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
    char error[200] = {};
};

void ReadBytes(png_structp png, png_bytep data, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->offset) png_error(png, "the file ends early");
    std::memcpy(data, source->bytes.data() + source->offset, count);
    source->offset += count;
}

void OnError(png_structp png, png_const_charp message) {
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->error, sizeof source->error, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct PngHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngHandles() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// What the rows are once libpng's transformations are set up.
enum class Layout { Grey, GreyAlpha, Palette, Bgr, Bgra };

}  // namespace

void DecodePng(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out) {
    PngSource source;
    source.bytes = bytes;
    PngHandles handles;
    std::vector<png_bytep> rows;
    std::unique_ptr<std::uint8_t[]> alphaRows;  // grey-alpha or BGRA rows, composited afterwards
    png_uint_32 width = 0, height = 0;

    handles.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
    if (!handles.png) throw std::bad_alloc();
    handles.info = png_create_info_struct(handles.png);
    if (!handles.info) throw std::bad_alloc();
    png_structp png = handles.png;
    png_infop info = handles.info;

    Layout layout = Layout::Grey;
    if (setjmp(png_jmpbuf(png))) throw ImageRefused(DamagedMessage(ImageFormat::Png, source.error));
    png_set_read_fn(png, &source, ReadBytes);
    // The pixel budget, not libpng's, decides what size is too large.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    CheckPixelBudget(width, height, options);
    int colourType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (depth == 16) png_set_scale_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(png);
        layout = Layout::Palette;
    } else if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (transparency) png_set_tRNS_to_alpha(png);
        layout = colourType == PNG_COLOR_TYPE_GRAY_ALPHA || transparency ? Layout::GreyAlpha : Layout::Grey;
    } else {
        png_set_bgr(png);
        if (transparency) png_set_tRNS_to_alpha(png);
        layout = colourType == PNG_COLOR_TYPE_RGB_ALPHA || transparency ? Layout::Bgra : Layout::Bgr;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    // C++ exceptions may leave here: only a longjmp must not skip destructors.
    int bits = layout == Layout::Bgr || layout == Layout::Bgra ? 24 : 8;
    std::uint32_t colours = bits == 8 ? 256 : 0;
    png_colorp palette = nullptr;
    int paletteCount = 0;
    if (layout == Layout::Palette) {
        if (!png_get_PLTE(png, info, &palette, &paletteCount) || paletteCount < 1 || paletteCount > 256)
            throw ImageRefused(DamagedMessage(ImageFormat::Png, "no palette"));
        colours = static_cast<std::uint32_t>(paletteCount);
    }
    CreateOrThrow(out, width, height, bits, colours);
    rows.resize(height);
    std::size_t rowBytes = png_get_rowbytes(png, info);
    if (layout == Layout::GreyAlpha || layout == Layout::Bgra) {
        alphaRows.reset(new std::uint8_t[rowBytes * height]);
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = alphaRows.get() + rowBytes * y;
    } else {
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = RowFromTop(out, y);
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);

    if (layout == Layout::Grey) SetGreyTable(out);
    if (layout == Layout::Palette) {
        int count = paletteCount;
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        if (png_get_valid(png, info, PNG_INFO_tRNS)) png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
        for (int i = 0; i < count && i < 256; ++i) {
            unsigned a = i < alphaCount ? alpha[i] : 255;
            out.m_pColorTable[i] = RgbQuad{OverWhite(palette[i].blue, a), OverWhite(palette[i].green, a),
                                           OverWhite(palette[i].red, a), 0};
        }
    }
    if (layout == Layout::GreyAlpha) {
        SetGreyTable(out);
        for (png_uint_32 y = 0; y < height; ++y) {
            const std::uint8_t* in = rows[y];
            std::uint8_t* to = RowFromTop(out, y);
            for (png_uint_32 x = 0; x < width; ++x) to[x] = OverWhite(in[2 * x], in[2 * x + 1]);
        }
    }
    if (layout == Layout::Bgra) {
        for (png_uint_32 y = 0; y < height; ++y) {
            const std::uint8_t* in = rows[y];
            std::uint8_t* to = RowFromTop(out, y);
            for (png_uint_32 x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c) to[3 * x + c] = OverWhite(in[4 * x + c], in[4 * x + 3]);
        }
    }
}

}  // namespace lintra
