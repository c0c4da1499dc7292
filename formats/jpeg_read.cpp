// JPEG through libjpeg-turbo. libjpeg reports errors by calling error_exit,
// which must not return: it longjmps back here, and every object with a
// destructor is made before the setjmp, so the jump skips none.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <memory>

#include "formats/decode.h"

namespace lintra {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    bool truncated = false;
};

void OnErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings are not printed; a file that ends early is remembered, as libjpeg
// fills the missing rows with grey and carries on.
void OnMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF && !errors->truncated) {
        errors->truncated = true;
        (*info->err->format_message)(info, errors->message);
    }
}

struct Decompressor {
    jpeg_decompress_struct info{};
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

}  // namespace

void DecodeJpeg(std::span<const std::uint8_t> bytes, const ReadOptions& options, Dib& out) {
    ErrorManager errors;
    Decompressor decompressor;
    std::unique_ptr<std::uint8_t[]> cmykRow;
    jpeg_decompress_struct& info = decompressor.info;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnErrorExit;
    errors.base.emit_message = OnMessage;
    if (setjmp(errors.jump)) throw ImageRefused(DamagedMessage(ImageFormat::Jpeg, errors.message));
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    CheckPixelBudget(info.image_width, info.image_height, options);

    bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    CreateOrThrow(out, info.image_width, info.image_height, grey ? 8 : 24, grey ? 256 : 0);
    if (grey) SetGreyTable(out);
    if (cmyk) cmykRow.reset(new std::uint8_t[4ull * info.image_width]);
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        std::uint32_t y = info.output_scanline;
        JSAMPROW row = cmyk ? cmykRow.get() : RowFromTop(out, y);
        jpeg_read_scanlines(&info, &row, 1);
        if (cmyk) {
            // Adobe writes CMYK inverted (0 is full ink); each colour is
            // what its ink leaves of white, times what black leaves.
            bool inverted = info.saw_Adobe_marker;
            std::uint8_t* to = RowFromTop(out, y);
            for (JDIMENSION x = 0; x < info.output_width; ++x) {
                unsigned ink[4];
                for (int c = 0; c < 4; ++c)
                    ink[c] = inverted ? cmykRow[4 * x + c] : 255u - cmykRow[4 * x + c];
                // ink[] now holds what is left of white: 255 is no ink.
                to[3 * x + 0] = static_cast<std::uint8_t>((ink[2] * ink[3] + 127) / 255);
                to[3 * x + 1] = static_cast<std::uint8_t>((ink[1] * ink[3] + 127) / 255);
                to[3 * x + 2] = static_cast<std::uint8_t>((ink[0] * ink[3] + 127) / 255);
            }
        }
        if (errors.truncated) break;
    }
    if (errors.truncated) throw ImageRefused(DamagedMessage(ImageFormat::Jpeg, errors.message));
    jpeg_finish_decompress(&info);
    if (errors.truncated) throw ImageRefused(DamagedMessage(ImageFormat::Jpeg, errors.message));
}

}  // namespace lintra
