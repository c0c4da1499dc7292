// Fuzz target: a small picture made from the input, opened through the
// document (8-bit, or 24-bit through Palettor in-process), then a sequence
// of view commands from the input: processing, restores, display modes,
// parameter dialogs with trackbar positions, both vectorisers, peeling a
// contour, Save and DXF export to scratch files, and drawing passes.
//
// Input layout:
//   byte 0   flags: bit 0 = 24-bit picture, bit 1 = pixels from bits (black
//            and white line drawings) instead of one grey byte per pixel
//   byte 1   width - 1 (1 to 128)
//   byte 2   height - 1 (1 to 128)
//   byte 3   number of commands (at most 64)
//   then the commands, one byte each; a trackbar move takes one more byte
//   (its position), a new Open two more (width - 1 and height - 1 of the new
//   picture, bit 7 of the first = 24-bit); the rest of the input is the pixel
//   source, repeated as needed (an empty source gives a white picture).
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/view.h"
#include "fuzz/fuzz_platform.h"
#include "fuzz/scratch_folder.h"

using namespace lintra;
using namespace lintra::fuzz;

namespace {

constexpr int kMaxSide = 128;

constexpr int kMaxCommands = 64;

// Pseudo-commands of the script besides the view's own identifiers.
constexpr int kMoveTrackbar = -1;  // the newest dialog reports a position
constexpr int kDrawPass = -2;      // the drawing routine runs
constexpr int kReopen = -3;        // Open of another picture, then a drawing pass

// The script's commands, read from the command table: its processing
// commands (the common handler pattern) first, then the parameter and
// vectorising commands and the edit and view commands the view runs on a
// picture, the segment DXF and Save, and the pseudo-commands.
struct Script {
    std::vector<int> ids;
    std::size_t processing = 0;  // the first ids that are processing commands
};

const Script& TheScript() {
    static const Script script = [] {
        Script s;
        auto take = [&s](auto keep) {
            for (const Command& c : CommandTable())
                if (c.RunsInView() && c.needsImage && keep(c.kind)) s.ids.push_back(c.id);
        };
        take([](CommandKind kind) { return kind == CommandKind::Processing; });
        s.processing = s.ids.size();
        take([](CommandKind kind) {
            return kind == CommandKind::Parameter || kind == CommandKind::Vectorisation ||
                   kind == CommandKind::Edit || kind == CommandKind::View;
        });
        s.ids.insert(s.ids.end(), {kMoveTrackbar, kMoveTrackbar, kMoveTrackbar, cmd::kExportDxf,
                                   cmd::kFileSave, kDrawPass, kReopen});
        return s;
    }();
    return script;
}

std::vector<std::uint8_t> LittleEndian(std::uint32_t value, int bytes) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

// A bottom-up BMP file of the given depth (8 with a grey table, or 24) whose
// pixel values come from source.
std::vector<std::uint8_t> MakeBmp(int width, int height, bool colour, bool bits,
                                  std::span<const std::uint8_t> source) {
    const int bytesPerPixel = colour ? 3 : 1;
    const std::uint32_t stride = static_cast<std::uint32_t>(width * bytesPerPixel + 3) / 4 * 4;
    const std::uint32_t table = colour ? 0 : 1024;
    const std::uint32_t offset = 54 + table;
    const std::uint32_t imageBytes = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> file{'B', 'M'};
    auto put = [&](std::uint32_t value, int bytes) {
        std::vector<std::uint8_t> b = LittleEndian(value, bytes);
        file.insert(file.end(), b.begin(), b.end());
    };
    put(offset + imageBytes, 4), put(0, 4), put(offset, 4);
    put(40, 4), put(static_cast<std::uint32_t>(width), 4), put(static_cast<std::uint32_t>(height), 4);
    put(1, 2), put(colour ? 24 : 8, 2), put(0, 4), put(imageBytes, 4), put(2835, 4), put(2835, 4);
    put(colour ? 0 : 256, 4), put(0, 4);
    for (int i = 0; i < 256 && !colour; ++i)
        file.insert(file.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});

    std::size_t next = 0;  // position in source, counted in bits or bytes
    auto value = [&]() -> std::uint8_t {
        if (source.empty()) return 255;
        if (bits) {
            std::size_t bit = next++ % (source.size() * 8);
            return (source[bit / 8] >> (bit % 8)) & 1 ? 0 : 255;
        }
        return source[next++ % source.size()];
    };
    for (int y = 0; y < height; ++y) {
        std::size_t rowStart = file.size();
        for (int x = 0; x < width * bytesPerPixel; ++x) file.push_back(value());
        file.resize(rowStart + stride, 0);
    }
    return file;
}

// The width pixels of every row, bottom row first.
std::vector<std::uint8_t> Pixels(const Dib& dib) {
    ImageView view = dib.View();
    std::vector<std::uint8_t> out;
    for (int y = 0; y < view.height; ++y) out.insert(out.end(), view.row(y), view.row(y) + view.width);
    return out;
}

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return -1;
    const bool colour = (data[0] & 1) != 0;
    const bool bits = (data[0] & 2) != 0;
    const int width = data[1] % kMaxSide + 1;
    const int height = data[2] % kMaxSide + 1;
    const int commandCount = data[3] % (kMaxCommands + 1);
    std::size_t at = 4;

    struct Step {
        int id;
        bool processing = false;
        int position = 0;    // trackbar position
        std::uint8_t w = 0;  // new picture of a reopen
        std::uint8_t h = 0;
    };
    std::vector<Step> steps;
    while (static_cast<int>(steps.size()) < commandCount && at < size) {
        const Script& script = TheScript();
        std::size_t index = data[at++] % script.ids.size();
        Step step{script.ids[index], index < script.processing};
        if (step.id == kMoveTrackbar) step.position = at < size ? data[at++] : 0;
        if (step.id == kReopen) {
            step.w = at < size ? data[at++] : 0;
            step.h = at < size ? data[at++] : 0;
        }
        steps.push_back(step);
    }
    std::span<const std::uint8_t> source(data + at, size - at);

    const std::string picture = ScratchPath("picture.bmp");
    auto writePicture = [&](int w, int h, bool c) {
        std::vector<std::uint8_t> file = MakeBmp(w, h, c, bits, source);
        WriteWholeFile(picture, file.data(), file.size());
    };
    writePicture(width, height, colour);

    FuzzPlatform platform;
    platform.saveAnswer = ScratchPath("output");
    CLintraDoc doc(platform);
    CLintraView view(doc, platform, platform);
    Require(doc.OpenPath(picture), "a well-formed picture was refused");
    CountingCanvas canvas;
    view.OnDraw(canvas);
    Require(view.HasImage(), "a well-formed picture did not load");
    std::vector<std::uint8_t> original = Pixels(view.OriginalImage());

    int currentWidth = width;
    int currentHeight = height;
    for (const Step& step : steps) {
        const std::vector<std::uint8_t> before = Pixels(view.CurrentImage());
        if (step.id == kMoveTrackbar) {
            if (!platform.dialogs.empty()) platform.dialogs.back()->ReportFull(step.position);
        } else if (step.id == kDrawPass) {
            view.OnDraw(canvas);
        } else if (step.id == kReopen) {
            // The segment list, the display mode and open dialogs carry over.
            currentWidth = step.w % kMaxSide + 1;
            currentHeight = step.h % kMaxSide + 1;
            writePicture(currentWidth, currentHeight, (step.w & 0x80) != 0);
            Require(doc.OpenPath(picture), "a well-formed picture was refused");
            view.OnDraw(canvas);
            original = Pixels(view.OriginalImage());
        } else {
            Require(view.OnCommand(step.id), "a command was not routed");
        }
        // No command changes the picture's size or loses the image; the
        // image as loaded stays as loaded; a processing command keeps the
        // picture it started from for Restore previous.
        Require(view.HasImage() && view.CurrentImage().GetWidth() == currentWidth &&
                    view.CurrentImage().GetHeight() == currentHeight,
                "a command lost the image or changed its size");
        Require(Pixels(view.OriginalImage()) == original, "the image as loaded changed");
        if (step.processing)
            Require(Pixels(view.PreviousImage()) == before, "the previous image is not the one before");
    }
    Require(platform.fileErrors == 0, "Save or export failed in the scratch folder");
    return 0;
}
