#include "tests/vector/vectorise/vectorise_oracle.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "raster/cleanup.h"
#include "raster/contour.h"

namespace lintra::oracle {

namespace {

void CopyImage(ImageView destination, ImageView source) {
    std::memcpy(destination.pixels, source.pixels, source.byteSize());
}

std::vector<std::uint8_t> Bytes(ImageView image) {
    return std::vector<std::uint8_t>(image.pixels, image.pixels + image.byteSize());
}

Point Step(Point p, int code) {
    int dx = 0;
    int dy = 0;
    DirectionStep(static_cast<unsigned>(((code % 8) + 8) % 8), dx, dy);
    return {p.x + dx, p.y + dy};
}

struct Vectorise1Run {
    const Vectorise1Images& images;
    Grid& grid;
    std::int32_t& contourCount;
    SegmentList& segments;
    MessageSink& sink;
    // Work images in which an isolated start pixel was reported.
    std::set<std::vector<std::uint8_t>> isolatedStates;

    bool LabelNextContour() {
        RemoveIsolatedPoints(images.work, 8);
        CopyImage(images.current, images.work);
        // The same picture fails at the same pixel again: the steps would
        // repeat for ever from here.
        std::vector<std::uint8_t> state = Bytes(images.work);
        if (isolatedStates.count(state) != 0) return false;
        const int r = TraceOuterContour(images.current, images.work, sink);
        if (r == 2) {
            isolatedStates.insert(state);
            RemoveIsolatedPoints(images.work, 7);
            return true;
        }
        if (r != 1) return false;
        ++contourCount;
        for (int y = 0; y < images.current.height; ++y)
            for (int x = 0; x < images.current.width; ++x)
                if (images.current.at(x, y) == 0) grid[x][y] = contourCount;
        return true;
    }

    void TraceLabelledContour(std::int32_t k, int height, int width) {
        std::vector<std::vector<std::uint8_t>> visited(width, std::vector<std::uint8_t>(height, 0));
        Point s;
        bool found = false;
        for (int y = 1; y <= height - 2 && !found; ++y)
            for (int x = 1; x <= width - 2 && !found; ++x)
                if (grid[x][y] == k) {
                    s = {x, y};
                    found = true;
                }
        if (!found) {
            sink.ShowMessage("此轮廓为空", kAppTitle);
            return;
        }
        auto label = [this](Point p) { return grid[p.x][p.y]; };
        int e = 1;
        while (label(Step(s, e)) != k) {
            ++e;
            if (e == 9) return;  // no neighbour carries k
        }
        Point c = Step(s, e);
        Point b = s;
        int d = e % 8;
        int t = (e + 6) % 8;
        int f = 0;
        // (pixel, search code) pairs the walk has stood on.
        std::set<std::vector<int>> states;
        while (true) {
            if (!states.insert({c.x, c.y, t}).second) return;  // round for ever
            visited[c.x][c.y] = 1;
            while (label(Step(c, t)) != k) t = (t + 1) % 8;
            const Point n = Step(c, t);
            if (n == s) break;
            if (visited[n.x][n.y]) {
                if (f == 0) {
                    if (t == d) {
                        AppendSegment(segments, b, n);
                    } else {
                        AppendSegment(segments, b, c);
                        AppendSegment(segments, c, n);
                    }
                }
                f = 1;
                b = c;
            } else if (f == 1) {
                AppendSegment(segments, c, n);
                f = 0;
                b = c;
            } else if (t != d) {
                AppendSegment(segments, b, c);
                d = t;
                b = c;
            }
            c = n;
            t = (t + 6) % 8;
        }
        if (f == 0) {
            if (t == d) {
                AppendSegment(segments, b, s);
            } else {
                AppendSegment(segments, b, c);
                AppendSegment(segments, c, s);
            }
        }
    }
};

}  // namespace

void Vectorise1(const Vectorise1Images& images, Grid& grid, std::int32_t& contourCount, SegmentList& segments,
                MessageSink& sink) {
    const int w = images.current.width;
    const int h = images.current.height;
    segments.clear();
    CopyImage(images.previous, images.current);
    MakeBorderWhite(images.current);
    CopyImage(images.work, images.current);
    grid.assign(w, std::vector<std::int32_t>(h, 0));
    contourCount = 0;
    Vectorise1Run run{images, grid, contourCount, segments, sink, {}};
    // At most as many peel steps as the work image has black or white
    // interior pixels.
    long steps = 0;
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) steps += images.work.at(x, y) == 0 || images.work.at(x, y) == 255;
    while (steps-- > 0 && run.LabelNextContour()) {
    }
    for (std::int32_t k = 1; k <= contourCount; ++k) run.TraceLabelledContour(k, h, w);
    CopyImage(images.current, images.previous);
}

namespace {

// Neighbour codes of the stroke walk: 1 NW, 2 N, 3 NE, 4 W, 5 E, 6 SW, 7 S, 8 SE.
const int kDx[9] = {0, -1, 0, 1, -1, 1, -1, 0, 1};
const int kDy[9] = {0, 1, 1, 1, 0, 0, -1, -1, -1};

int NextStrokeStep(const int white[8], int c) {
    if (c >= 1 && c <= 8 && white[c - 1] == 0) return c;
    for (int code : {2, 4, 6, 8, 1, 3, 5, 7})
        if (white[code - 1] == 0) return code;
    return 0;
}

void Append(std::string& text, const char* format, double x, double y) {
    char line[128];
    std::snprintf(line, sizeof line, format, x, y);
    text += line;
}

}  // namespace

void TraceStrokes(ImageView image, SegmentList& segments, std::string& ncText) {
    const int w = image.width;
    const int h = image.height;
    MakeBorderWhite(image);
    std::int32_t n = 0;
    while (true) {
        int x = 0;
        int y = 0;
        bool found = false;
        for (int yy = 1; yy <= h - 2 && !found; ++yy)
            for (int xx = 1; xx <= w - 2 && !found; ++xx)
                if (image.at(xx, yy) == 0) {
                    x = xx;
                    y = yy;
                    found = true;
                }
        if (!found) return;
        int c = 9;
        Point s;
        while (image.at(x, y) == 0) {
            int white[8];
            for (int i = 1; i <= 8; ++i) white[i - 1] = image.at(x + kDx[i], y + kDy[i]) == 255;
            const int k = NextStrokeStep(white, c);
            if (c == 9) {
                char block[32];
                std::snprintf(block, sizeof block, "N%d \n", n + 1);
                if (k == 0) {
                    ++n;
                    AppendSegment(segments, {x - 1, y - 1}, {x, y});
                    ncText += block;
                    Append(ncText, "     G01X%.3f Y%.3f;\n", x - 1, y - 1);
                    Append(ncText, "     G01X%.3f Y%.3f;\n", x, y);
                } else {
                    c = k;
                    ++n;
                    s = {x, y};
                    ncText += block;
                    Append(ncText, "     G01X%.3f Y%.3f;\n", x, y);
                }
            } else if (k != c) {
                AppendSegment(segments, s, {x, y});
                Append(ncText, "     G01X%.3f Y%.3f;\n", x, y);
                s = {x, y};
                c = k;
            }
            if (k == 0) Append(ncText, "     G00X%.3f Y%.3f;\n", x, y);
            image.at(x, y) = 255;
            x += kDx[k];
            y += kDy[k];
            if (k == 0) break;
        }
    }
}

}  // namespace lintra::oracle
