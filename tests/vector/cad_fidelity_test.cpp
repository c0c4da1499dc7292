// The CAD-ready drawing stays on the strokes it was traced from: over the
// line drawings among the samples, drawn back onto the pixel grid, at least
// 99% of the thinned raster lies within 2 pixels of the drawing and 99% of
// the drawing within 2 pixels of the raster.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "image/dib.h"
#include "raster/binarise.h"
#include "raster/cleanup.h"
#include "raster/thin.h"
#include "support/recording_sink.h"
#include "support/test_data.h"
#include "vector/cad_export.h"
#include "vector/vectorise2.h"

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
    // The share of this grid's pixels with a pixel of other within 2 pixels.
    double ShareNear(const Grid& other) const {
        std::size_t all = 0, near = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                if (!Has(x, y)) continue;
                ++all;
                bool found = false;
                for (int dy = -2; dy <= 2 && !found; ++dy)
                    for (int dx = -2; dx <= 2 && !found; ++dx)
                        found = dx * dx + dy * dy <= 4 && other.Has(x + dx, y + dy);
                near += found;
            }
        return all == 0 ? 1.0 : double(near) / double(all);
    }

private:
    int m_width, m_height;
    std::vector<std::uint8_t> m_cells;
};

class CadFidelityTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CadFidelityTest, DrawingAndThinnedRasterLieWithinTwoPixelsOfEachOther) {
    test::RecordingSink sink;
    Dib dib;
    dib.Read(test::Sample(GetParam()), sink);
    ImageView image = dib.View();
    Histogram histogram{};
    ComputeHistogram(image, histogram);
    BinariseIterative(image, histogram);
    ThinImage(image);
    MakeBorderWhite(image);
    // The walk clears the strokes it traces: the raster is read first.
    Grid raster(image.width, image.height), drawn(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.row(y)[x] == 0) raster.Set(x, y);
    SegmentList segments;
    std::string nc;
    TraceStrokes(image, segments, nc);
    const cad::Drawing drawing = BuildCadDrawing(segments, {image.width, image.height, 0, 0}, CadOptions{});
    for (const cad::Line& piece : StraightPieces(drawing, 0.1)) {
        const double length = std::hypot(piece.to.x - piece.from.x, piece.to.y - piece.from.y);
        const int steps = std::max(1, static_cast<int>(std::ceil(length * 4)));
        for (int i = 0; i <= steps; ++i) {
            const double t = double(i) / steps;
            drawn.Set(static_cast<int>(std::lround(piece.from.x + t * (piece.to.x - piece.from.x))),
                      static_cast<int>(std::lround(piece.from.y + t * (piece.to.y - piece.from.y))));
        }
    }
    EXPECT_GE(raster.ShareNear(drawn), 0.99) << drawing.EntityCount() << " entities";
    EXPECT_GE(drawn.ShareNear(raster), 0.99);
}

INSTANTIATE_TEST_SUITE_P(LineDrawings, CadFidelityTest,
                         ::testing::Values("capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp",
                                           "horse_400x328_8bit_grey_pillow.bmp",
                                           "page_384x191_8bit_grey_clrused0_netpbm.bmp",
                                           "text_448x172_8bit_grey_v4header_imagemagick.bmp"));

}  // namespace
}  // namespace lintra
