#include "raster/contour.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lintra {

namespace {

constexpr int kStepX[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int kStepY[8] = {0, 1, 1, 1, 0, -1, -1, -1};

// Copies the width pixels of row y into dst (never the padding).
void CopyRow(ImageView image, int y, std::uint8_t* dst) {
    std::memcpy(dst, image.row(y), static_cast<std::size_t>(image.width));
}

void FillRow(ImageView image, int y, std::uint8_t value) {
    std::memset(image.row(y), value, static_cast<std::size_t>(image.width));
}

// Eight pixels at a time in a 64-bit word. Every operation below is done
// byte by byte without carries between bytes, so byte order does not matter.
using Word = std::uint64_t;
constexpr Word kHighBits = 0x8080808080808080ULL;
constexpr Word kLowBits = 0x7F7F7F7F7F7F7F7FULL;
constexpr Word kNines = 0x0909090909090909ULL;

Word Load(const std::uint8_t* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}
void Store(std::uint8_t* p, Word w) {
    std::memcpy(p, &w, sizeof w);
}
// 0xFF in each byte whose high bit is set in high, 0 in the others.
Word Spread(Word high) {
    return (high >> 7) * 0xFF;
}
// The high bit of each byte that is 0 in v.
Word ZeroBytes(Word v) {
    return ~(((v & kLowBits) + kLowBits) | v) & kHighBits;
}

// Values up to 127 become 0, from 128 up 255: the high bit decides.
void ThresholdRow(std::uint8_t* row, int width) {
    int x = 0;
    for (; x + 8 <= width; x += 8) Store(row + x, Spread(Load(row + x) & kHighBits));
    for (; x < width; ++x) row[x] = row[x] <= 127 ? 0 : 255;
}

}  // namespace

void DirectionStep(unsigned code, int& dx, int& dy) {
    if (code > 7) return;
    dx = kStepX[code];
    dy = kStepY[code];
}

void ExtractContour1(ImageView image) {
    if (image.empty()) return;
    const int w = image.width;
    const int h = image.height;
    if (w < 3 || h < 3) {
        for (int y = 0; y < h; ++y) FillRow(image, y, 255);
        return;
    }
    // Every decision reads the thresholded image, so the rows below and at
    // the one being rewritten are kept as thresholded copies; the row above
    // is thresholded in place just before it is needed.
    std::vector<std::uint8_t> below(w), middle(w);
    ThresholdRow(image.row(0), w);
    ThresholdRow(image.row(1), w);
    CopyRow(image, 0, below.data());
    FillRow(image, 0, 255);
    for (int y = 1; y <= h - 2; ++y) {
        std::uint8_t* out = image.row(y);
        std::uint8_t* above = image.row(y + 1);
        ThresholdRow(above, w);
        CopyRow(image, y, middle.data());
        const std::uint8_t* s = below.data();
        const std::uint8_t* m = middle.data();
        // Values are 0 or 255: a black pixel stays black unless all eight
        // neighbours are black (their OR is 0); white stays white.
        int x = 1;
        for (; x + 8 <= w - 1; x += 8) {
            const Word any = Load(s + x - 1) | Load(s + x) | Load(s + x + 1) | Load(m + x - 1) |
                             Load(m + x + 1) | Load(above + x - 1) | Load(above + x) | Load(above + x + 1);
            Store(out + x, Load(m + x) | ~any);
        }
        for (; x <= w - 2; ++x) {
            const std::uint8_t any =
                s[x - 1] | s[x] | s[x + 1] | m[x - 1] | m[x + 1] | above[x - 1] | above[x] | above[x + 1];
            out[x] = static_cast<std::uint8_t>(m[x] | static_cast<std::uint8_t>(~any));
        }
        out[0] = 255;
        out[w - 1] = 255;
        below.swap(middle);
    }
    FillRow(image, h - 1, 255);
}

void ExtractContour2(ImageView image) {
    if (image.empty() || image.width < 3 || image.height < 3) return;
    const int w = image.width;
    const int h = image.height;
    // The marks (9) are never white, so marking changes no later decision:
    // one pass that reads unchanged neighbours gives the two sweeps' result.
    // Rows keep their original values in the copies until they are no longer
    // a neighbour of any row still to be decided.
    std::vector<std::uint8_t> below(w), middle(w);
    CopyRow(image, 0, below.data());
    CopyRow(image, 1, middle.data());
    for (int y = 1; y <= h - 2; ++y) {
        std::uint8_t* out = image.row(y);
        const std::uint8_t* above = image.row(y + 1);  // not rewritten yet
        const std::uint8_t* s = below.data();
        const std::uint8_t* m = middle.data();
        int x = 1;
        for (; x + 8 <= w - 1; x += 8) {
            const Word white = ZeroBytes(~Load(s + x - 1)) | ZeroBytes(~Load(s + x)) |
                               ZeroBytes(~Load(s + x + 1)) | ZeroBytes(~Load(m + x - 1)) |
                               ZeroBytes(~Load(m + x + 1)) | ZeroBytes(~Load(above + x - 1)) |
                               ZeroBytes(~Load(above + x)) | ZeroBytes(~Load(above + x + 1));
            const Word p = Load(m + x);
            const Word whiten = ZeroBytes(p ^ kNines) | (ZeroBytes(p) & ~white);
            Store(out + x, p | Spread(whiten));
        }
        for (; x <= w - 2; ++x) {
            const std::uint8_t p = m[x];
            if (p == 9) {
                out[x] = 255;
            } else if (p == 0) {
                const bool anyWhite = s[x - 1] == 255 || s[x] == 255 || s[x + 1] == 255 || m[x - 1] == 255 ||
                                      m[x + 1] == 255 || above[x - 1] == 255 || above[x] == 255 ||
                                      above[x + 1] == 255;
                if (!anyWhite) out[x] = 255;
            }
        }
        below.swap(middle);
        if (y + 1 <= h - 2) CopyRow(image, y + 1, middle.data());
    }
}

bool FindTraceStart(ImageView image, TracePoint& start, TracePoint from) {
    if (image.empty() || image.width < 3 || image.height < 3) return false;
    int y = std::max(from.y, 1);
    int x = std::max(from.x, 1);
    if (x > image.width - 2) {  // past the row's last interior pixel: next row
        x = 1;
        ++y;
    }
    for (; y <= image.height - 2; ++y, x = 1) {
        const std::uint8_t* row = image.row(y);
        const void* hit = std::memchr(row + x, 0, static_cast<std::size_t>(image.width - 1 - x));
        if (hit != nullptr) {
            start = {static_cast<int>(static_cast<const std::uint8_t*>(hit) - row), y};
            return true;
        }
    }
    return false;
}

int TraceBoundary(ImageView image, TracePoint start, std::vector<TracePoint>& path) {
    path.clear();
    path.push_back(start);
    auto black = [&image](int x, int y) { return image.contains(x, y) && image.row(y)[x] == 0; };
    // A start with no black pixel to its W, SW, S or SE lies on its object's
    // outer boundary, and the walk comes back to it. Otherwise (black border
    // pixels beside the start, or a caller's own start) the walk can circle
    // the object for ever without meeting the start; it is then stopped at
    // its first repeated state (pixel, arrival direction), from which it
    // would only repeat the pixels already in path. The states seen are kept
    // as one bit per arrival direction in a byte per pixel, allocated only
    // for such a start.
    bool mayCircle = false;
    for (unsigned c : {5u, 6u, 7u, 0u})
        mayCircle = mayCircle || black(start.x + kStepX[c], start.y + kStepY[c]);
    std::vector<std::uint8_t> seen;
    if (mayCircle)
        seen.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
    // There are only 8 W H states, so no walk needs more accepted steps.
    const std::int64_t maxSteps = 8 * static_cast<std::int64_t>(image.width) * image.height;
    int px = start.x;
    int py = start.y;
    unsigned c = 1;
    int failures = 1;
    for (std::int64_t steps = 0; steps <= maxSteps;) {
        const int qx = px + kStepX[c];
        const int qy = py + kStepY[c];
        if (qx == start.x && qy == start.y) return kTraceTraced;
        if (black(qx, qy)) {
            if (mayCircle) {
                std::uint8_t& directions = seen[static_cast<std::size_t>(qy) * image.width + qx];
                if (directions & (1u << c)) return kTraceTraced;
                directions |= static_cast<std::uint8_t>(1u << c);
            }
            path.push_back({qx, qy});
            ++steps;
            px = qx;
            py = qy;
            c = (c + 6) & 7;  // back 90 degrees
            failures = 1;
        } else {
            if (++failures == 9) return kTraceIsolated;
            c = (c + 1) & 7;  // 45 degrees clockwise
        }
    }
    return kTraceTraced;
}

int TraceOuterContour(ImageView image, ImageView remainder, MessageSink& sink) {
    if (image.empty() || remainder.empty() || image.width != remainder.width ||
        image.height != remainder.height)
        return kTraceNothing;
    TracePoint start;
    if (!FindTraceStart(image, start)) return kTraceNothing;
    std::vector<TracePoint> path;
    const int result = TraceBoundary(image, start, path);
    remainder.at(start.x, start.y) = 255;
    if (result == kTraceIsolated) {
        sink.ShowMessage(kIsolatedPointMessage, kAppTitle);
        return kTraceIsolated;
    }
    for (const TracePoint p : path) remainder.at(p.x, p.y) = 255;
    for (int y = 0; y < image.height; ++y) FillRow(image, y, 255);
    for (const TracePoint p : path) image.at(p.x, p.y) = 0;
    return kTraceTraced;
}

}  // namespace lintra
