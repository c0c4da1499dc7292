#include "vector/vectorise/vectorise2.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "raster/cleanup.h"

namespace lintra {

namespace {

// Steps of the neighbour codes 0 (stop) to 8.
constexpr int kStrokeDx[9] = {0, -1, 0, 1, -1, 1, -1, 0, 1};
constexpr int kStrokeDy[9] = {0, 1, 1, 1, 0, 0, -1, -1, -1};
// The codes tried, in order, when the walk cannot keep its direction.
constexpr int kStrokePriority[8] = {2, 4, 6, 8, 1, 3, 5, 7};
constexpr int kNoDirection = 9;

void AppendNumber(std::string& text, std::int32_t value) {
    char buffer[16];
    text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// Appends "     G0<g>X<x>.000 Y<y>.000;\n": the coordinates are whole pixels,
// so the three decimals of the numeric-control format are always zero.
void AppendMove(std::string& text, char g, int x, int y) {
    text.append("     G0");
    text.push_back(g);
    text.push_back('X');
    AppendNumber(text, x);
    text.append(".000 Y");
    AppendNumber(text, y);
    text.append(".000;\n");
}

void AppendBlockNumber(std::string& text, std::int32_t n) {
    text.push_back('N');
    AppendNumber(text, n);
    text.append(" \n");
}

// Where the walk continues from (x, y) with code c, reading the eight
// neighbours (which the white border keeps inside the image).
int StepAt(ImageView image, int x, int y, int c) {
    const std::uint8_t* below = image.row(y - 1) + x;
    const std::uint8_t* here = image.row(y) + x;
    const std::uint8_t* above = image.row(y + 1) + x;
    const std::array<bool, 8> white = {above[-1] == 255, above[0] == 255,  above[1] == 255, here[-1] == 255,
                                       here[1] == 255,   below[-1] == 255, below[0] == 255, below[1] == 255};
    return NextStrokeStep(white, c);
}

// The first pixel of value 0 at or after (x, y) in the interior scan
// (rows from the bottom, each from x = 1 to W-2); false when none is left.
bool FindStrokeStart(ImageView image, int& x, int& y) {
    for (; y <= image.height - 2; ++y, x = 1) {
        const std::uint8_t* row = image.row(y);
        const void* hit = std::memchr(row + x, 0, static_cast<std::size_t>(image.width - 1 - x));
        if (hit != nullptr) {
            x = static_cast<int>(static_cast<const std::uint8_t*>(hit) - row);
            return true;
        }
    }
    return false;
}

// Follows one stroke from (x, y), erasing it, appending its segments and its
// numbered block n.
void WalkStroke(ImageView image, int x, int y, std::int32_t& n, SegmentList& segments, std::string& text) {
    int c = kNoDirection;
    Point runStart;
    while (image.at(x, y) == 0) {
        const int k = StepAt(image, x, y, c);
        if (c == kNoDirection) {
            ++n;
            AppendBlockNumber(text, n);
            if (k == 0) {  // a lone pixel becomes a short diagonal ending at it
                AppendSegment(segments, {x - 1, y - 1}, {x, y});
                AppendMove(text, '1', x - 1, y - 1);
                AppendMove(text, '1', x, y);
            } else {
                c = k;
                runStart = {x, y};
                AppendMove(text, '1', x, y);
            }
        } else if (k != c) {  // a vertex: the direction changes or the stroke ends
            AppendSegment(segments, runStart, {x, y});
            AppendMove(text, '1', x, y);
            runStart = {x, y};
            c = k;
        }
        image.at(x, y) = 255;
        if (k == 0) {
            AppendMove(text, '0', x, y);
            return;
        }
        x += kStrokeDx[k];
        y += kStrokeDy[k];
    }
    // Stopped on an ink pixel that is not 0 (a grey value): the last run
    // yields no segment.
}

}  // namespace

int NextStrokeStep(const std::array<bool, 8>& white, int direction) {
    // Code i (1 to 8) is neighbour i - 1 of the flags.
    if (direction >= 1 && direction <= 8 && !white[direction - 1]) return direction;
    for (int code : kStrokePriority)
        if (!white[code - 1]) return code;
    return 0;
}

void TraceStrokes(ImageView image, SegmentList& segments, std::string& ncText) {
    if (image.empty() || image.bitCount != 8 || image.stride < image.width) return;
    MakeBorderWhite(image);
    if (image.width < 3 || image.height < 3) return;
    std::int32_t n = 0;
    // Walks only erase, so no pixel before the last start turns 0 again:
    // each scan resumes where the previous one stopped.
    int x = 1;
    int y = 1;
    while (FindStrokeStart(image, x, y)) WalkStroke(image, x, y, n, segments, ncText);
}

}  // namespace lintra
