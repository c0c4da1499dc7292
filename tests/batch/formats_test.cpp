// lintra-batch on the real files in tests/data/formats: a file whose levels
// are exact gives the same saved picture and the same DXF as the BMP holding
// its pixels; a file to refuse ends the run with its message and status 1;
// the budget and page options; the formats in the help.
#include <gtest/gtest.h>

#include "formats/read_picture.h"
#include "image/dib.h"
#include "run.h"
#include "support/csv.h"
#include "support/recording_sink.h"
#include "support/test_data.h"
#include "support/test_files.h"

namespace lintra::test {
namespace {

const std::string kBatch = LINTRA_BIN_DIR "/lintra-batch";
const std::string kFormats = LINTRA_TEST_DATA_DIR "/formats/";

// The picture's saved BMP and DXF after a pipeline that uses every stage.
std::pair<std::string, std::string> Pipeline(const std::string& input, const TempDir& dir,
                                             const std::string& tag) {
    std::string bmp = dir / (tag + ".bmp"), dxf = dir / (tag + ".dxf");
    RunResult r = RunProgram(kBatch, {input, "binarise-iterative", "thin", "vectorise-2", "dxf=" + dxf,
                                      "show-bitmap", "save=" + bmp});
    EXPECT_EQ(r.status, 0) << input << ": " << r.err;
    return {ReadFile(bmp), ReadFile(dxf)};
}

TEST(BatchFormatsTest, ExactFilesGiveTheResultsOfTheBmpOfTheirPixels) {
    TempDir dir;
    int compared = 0;
    for (auto& row : ReadCsv(kFormats + "files.csv")) {
        if (row["expected"] != "open" || row["exact"] != "yes") continue;
        SCOPED_TRACE(row["file"]);
        std::string input = RequireFixture(kFormats + row["file"]);
        // The BMP of the same pixels: grey levels with the identity table, the
        // colour table as the file has it, or 24-bit colour.
        std::string reference = dir / "reference.bmp";
        RecordingSink sink;
        Dib dib;
        ReadPicture(dib, input, sink);
        ASSERT_EQ(dib.m_bValid, 1);
        dib.Write(reference);
        EXPECT_TRUE(Pipeline(input, dir, "file") == Pipeline(reference, dir, "bmp"));
        ++compared;
    }
    EXPECT_EQ(compared, 26);
    // The colour files against the 24-bit sample they were written from.
    for (const char* name : {"crawfish_459x477_rgb.png", "crawfish_459x477_lossless.webp"})
        EXPECT_TRUE(Pipeline(kFormats + name, dir, "file") ==
                    Pipeline(Sample("crawfish_459x477_24bit_oddwidth_netpbm.bmp"), dir, "bmp"))
            << name;
}

TEST(BatchFormatsTest, FilesToRefuseEndTheRunWithTheirMessage) {
    TempDir dir;
    for (auto& row : ReadCsv(kFormats + "files.csv")) {
        if (row["expected"] != "refuse") continue;
        SCOPED_TRACE(row["file"]);
        RunResult r =
            RunProgram(kBatch, {RequireFixture(kFormats + row["file"]), "thin", "svg=" + (dir / "x.svg")});
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(std::filesystem::exists(dir / "x.svg"));
    }
    // A refused open= keeps the picture open before it: the run stops there.
    RunResult r =
        RunProgram(kBatch, {kFormats + "lamp_194x285_grey.png", "open=" + kFormats + "not_an_image.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "This isn't a bitmap file!\n");
}

TEST(BatchFormatsTest, BudgetAndPageOptions) {
    const std::string lamp = kFormats + "lamp_194x285_g4.tif";
    RunResult r = RunProgram(kBatch, {"--max-pixels", "55289", lamp});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "打开失败,图像有194 x 285个像素,超过了55289个像素的上限!\n");
    EXPECT_EQ(RunProgram(kBatch, {"--max-pixels=55290", lamp}).status, 0);

    const std::string pages = kFormats + "crawfish_459x477_multipage.tif";
    EXPECT_EQ(RunProgram(kBatch, {"--page", "2", pages}).status, 0);
    r = RunProgram(kBatch, {"--page=3", pages});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "打开失败,TIFF文件只有2页,没有第3页!\n");

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--page", "0", pages},
                                                 {"--page", "two", pages},
                                                 {"--max-pixels", "-5", pages},
                                                 {pages, "--page"}}) {
        RunResult bad = RunProgram(kBatch, args);
        EXPECT_EQ(bad.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(bad.err.find("usage: lintra-batch"), std::string::npos);
    }

    RunResult help = RunProgram(kBatch, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* line :
         {"--max-pixels N", "--page N", "  PNG   .png\n", "  TIFF  .tif, .tiff\n",
          "  JPEG  .jpg, .jpeg, .jpe\n", "  PNM   .pbm, .pgm, .ppm, .pnm\n", "  WebP  .webp\n"})
        EXPECT_NE(help.out.find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace lintra::test
