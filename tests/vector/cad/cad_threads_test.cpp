// The CAD export shares its work among the worker threads: the chains a
// few at a time, the joins weighed ahead of joining, the file's entities in
// two halves. However many threads share it, the files are the same.
#include <gtest/gtest.h>

#include <string>

#include "base/parallel_rows.h"
#include "cad_test_drawings.h"
#include "vector/cad/cad_dxf.h"
#include "vector/cad/cad_export.h"

namespace lintra {
namespace {

class CadThreadsTest : public ::testing::Test {
protected:
    void TearDown() override { SetThreadCount(0); }
};

TEST_F(CadThreadsTest, TheSameFilesHoweverManyThreadsShareTheWork) {
    for (const char* name : {"capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp",
                             "text_448x172_8bit_grey_v4header_imagemagick.bmp"}) {
        Dib dib;
        const SegmentList segments = test::TraceSample(name, dib);
        const PictureGeometry picture{dib.View().width, dib.View().height, 0, 0};
        std::string r2000, r12;
        for (int threads : {1, 2, 3}) {
            SetThreadCount(threads);
            const cad::Drawing drawing = BuildCadDrawing(segments, picture, CadOptions{});
            if (threads == 1) {
                ASSERT_GT(drawing.EntityCount(), 50u) << name;
                r2000 = CadDxfText(drawing, DxfVersion::R2000);
                r12 = CadDxfText(drawing, DxfVersion::R12);
                continue;
            }
            EXPECT_EQ(CadDxfText(drawing, DxfVersion::R2000), r2000) << name << ", " << threads << " threads";
            EXPECT_EQ(CadDxfText(drawing, DxfVersion::R12), r12) << name << ", " << threads << " threads";
        }
    }
}

}  // namespace
}  // namespace lintra
