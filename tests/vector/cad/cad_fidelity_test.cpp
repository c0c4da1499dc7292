// The CAD-ready drawing stays on the strokes it was traced from: over the
// line drawings among the samples, drawn back onto the pixel grid, at least
// 99% of the drawing lies on the black-and-white picture's ink (within one
// and a half pixels), and 99% of the thinned centre lines lie within a stroke width of
// the drawing (near junctions the thinned lines bend away from the strokes
// the drawing straightens, by up to about that much).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/vector/cad/cad_test_drawings.h"
#include "vector/cad/cad_export.h"

namespace lintra {
namespace {

class Grid {
public:
    Grid(int width, int height) : m_width(width), m_height(height), m_cells(std::size_t(width) * height, 0) {}
    void Set(int x, int y) {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height) m_cells[std::size_t(y) * m_width + x] = 1;
    }
    bool Has(int x, int y) const {
        return x >= 0 && y >= 0 && x < m_width && y < m_height && m_cells[std::size_t(y) * m_width + x];
    }
    // The share of this grid's pixels with a pixel of other within reach.
    double ShareNear(const Grid& other, double reach) const {
        const int r = static_cast<int>(std::ceil(reach));
        std::size_t all = 0, near = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                if (!Has(x, y)) continue;
                ++all;
                bool found = false;
                for (int dy = -r; dy <= r && !found; ++dy)
                    for (int dx = -r; dx <= r && !found; ++dx)
                        found = dx * dx + dy * dy <= reach * reach && other.Has(x + dx, y + dy);
                near += found;
            }
        return all == 0 ? 1.0 : double(near) / double(all);
    }

private:
    int m_width, m_height;
    std::vector<std::uint8_t> m_cells;
};

class CadFidelityTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CadFidelityTest, DrawingLiesOnTheInkAndFollowsTheCentreLines) {
    Dib dib;
    test::TraceStages stages;
    const SegmentList segments = test::TraceSample(GetParam(), dib, &stages);
    const int width = dib.GetWidth(), height = dib.GetHeight();
    Grid ink(width, height), centre(width, height), drawn(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (stages.ink[std::size_t(y) * width + x] == 0) ink.Set(x, y);
            if (stages.thinned[std::size_t(y) * width + x] == 0) centre.Set(x, y);
        }
    CadOptions options;
    options.strokeWidth = stages.strokeWidth;
    const cad::Drawing drawing = BuildCadDrawing(segments, {width, height, 0, 0}, options);
    for (const cad::Line& piece : StraightPieces(drawing, 0.1)) {
        const double length = std::hypot(piece.to.x - piece.from.x, piece.to.y - piece.from.y);
        const int steps = std::max(1, static_cast<int>(std::ceil(length * 4)));
        for (int i = 0; i <= steps; ++i) {
            const double t = double(i) / steps;
            drawn.Set(static_cast<int>(std::lround(piece.from.x + t * (piece.to.x - piece.from.x))),
                      static_cast<int>(std::lround(piece.from.y + t * (piece.to.y - piece.from.y))));
        }
    }
    EXPECT_GE(drawn.ShareNear(ink, 1.5), 0.99) << drawing.EntityCount() << " entities";
    EXPECT_GE(centre.ShareNear(drawn, std::max(2.0, stages.strokeWidth)), 0.99)
        << "stroke width " << stages.strokeWidth;
}

INSTANTIATE_TEST_SUITE_P(LineDrawings, CadFidelityTest, ::testing::ValuesIn(test::kTracedSamples));

}  // namespace
}  // namespace lintra
