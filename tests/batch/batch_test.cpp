// lintra-batch end to end: the golden square, whole pipelines on the
// samples with the DXF read back by ezdxf, parameter steps, failures and
// their exit status, usage errors and the help text; --deskew on a page
// drawn askew.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <regex>

#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/view.h"
#include "run.h"
#include "support/fake_platform.h"
#include "support/test_data.h"
#include "support/test_files.h"
#include "vector/segments/dxf.h"

namespace lintra::test {
namespace {

const std::string kBatch = LINTRA_BIN_DIR "/lintra-batch";
const std::string kData = LINTRA_TEST_DATA_DIR "/batch/";

// The LINE entities of a DXF file as ezdxf reads them: one "x1 y1 x2 y2
// layer" line each.
std::vector<std::string> EzdxfLines(const std::string& path) {
    RunResult r =
        RunProgram(LINTRA_PYTHON, {"-c",
                                   "import sys, ezdxf\n"
                                   "doc = ezdxf.readfile(sys.argv[1])\n"
                                   "for e in doc.modelspace().query('LINE'):\n"
                                   "    s, t = e.dxf.start, e.dxf.end\n"
                                   "    print('%g %g %g %g %s' % (s.x, s.y, t.x, t.y, e.dxf.layer))\n",
                                   path});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The segments of an SVG written by svg=, back in image coordinates.
std::vector<CLineSegment> SvgSegments(const std::string& svg, int height) {
    std::vector<CLineSegment> segments;
    std::regex pair("M(-?[0-9.]+) (-?[0-9.]+)L(-?[0-9.]+) (-?[0-9.]+)");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), pair); it != std::sregex_iterator(); ++it) {
        auto x = [&](int i) { return static_cast<int>(std::stod((*it)[i]) - 0.5); };
        auto y = [&](int i) { return height - 1 - static_cast<int>(std::stod((*it)[i]) - 0.5); };
        segments.emplace_back(x(1), y(2), x(3), y(4));
    }
    return segments;
}

TEST(BatchTest, SquareOutlineGivesTheGoldenFiles) {
    TempDir dir;
    RunResult r = RunProgram(kBatch, {kData + "square_10x10.bmp", "vectorise-1", "dxf=" + (dir / "v1.dxf"),
                                      "svg=" + (dir / "v1.svg"), "restore-original", "vectorise-2",
                                      "32809=" + (dir / "v2.dxf"), "nc=" + (dir / "v2.nc")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(dir / "v1.dxf"), ReadFile(kData + "square_vectorise1.dxf"));
    EXPECT_EQ(ReadFile(dir / "v2.dxf"), ReadFile(kData + "square_vectorise2.dxf"));
    EXPECT_EQ(ReadFile(dir / "v2.nc"), ReadFile(kData + "square_vectorise2.nc"));
    std::string svg = ReadFile(dir / "v1.svg");
    EXPECT_NE(svg.find("width=\"10\" height=\"10\""), std::string::npos);
    EXPECT_EQ(SvgSegments(svg, 10),
              (std::vector<CLineSegment>{{2, 2, 2, 5}, {2, 5, 5, 5}, {5, 5, 5, 2}, {5, 2, 2, 2}}));
    // Upright: image row 2 (near the bottom) is drawn at SVG y 7.5.
    EXPECT_NE(svg.find("M2.5 7.5L2.5 4.5"), std::string::npos);
    EXPECT_EQ(EzdxfLines(dir / "v1.dxf"), (std::vector<std::string>{"2 2 2 5 Vorlak", "2 5 5 5 Vorlak",
                                                                    "5 5 5 2 Vorlak", "5 2 2 2 Vorlak"}));
}

// The pipeline of the README on the bundled kind of drawing: a 24-bit file
// through Palettor, the DXF read back with as many LINE entities as the
// SVG has segments, and no temporary file left behind.
TEST(BatchTest, TwentyFourBitDrawingThroughThePipeline) {
    TempDir dir;
    TempDir tmp;
    RunResult r = RunProgram(kBatch,
                             {"--verbose", Sample("crawfish_459x477_24bit_oddwidth_netpbm.bmp"),
                              "binarise-iterative", "remove-small-blobs", "thin", "remove-short-branches",
                              "vectorise-1", "dxf=" + (dir / "out.dxf"), "svg=" + (dir / "out.svg")},
                             {"TMPDIR=" + tmp.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
    std::vector<CLineSegment> segments = SvgSegments(ReadFile(dir / "out.svg"), 477);
    EXPECT_GT(segments.size(), 100u);
    std::vector<std::string> lines = EzdxfLines(dir / "out.dxf");
    EXPECT_EQ(lines.size(), segments.size());
    // --verbose: one timed line per step, the input first.
    std::istringstream out(r.out);
    std::vector<std::string> steps;
    for (std::string line; std::getline(out, line);) steps.push_back(line);
    ASSERT_EQ(steps.size(), 8u) << r.out;
    EXPECT_TRUE(std::regex_match(steps[0], std::regex(".*crawfish.*\\.bmp: [0-9]+\\.[0-9] ms")));
    EXPECT_TRUE(std::regex_match(steps[5], std::regex("vectorise-1: [0-9]+\\.[0-9] ms")));
}

TEST(BatchTest, CommandLineAndViewGiveTheSameDxfOnAnInkDrawing) {
    const std::string input = Sample("capitol_ink_794x1123_8bit_grey_clrused0_opencv.bmp");
    const std::vector<std::string> steps = {"32786", "32802", "thin", "32794", "32778"};
    TempDir dir;
    std::vector<std::string> args{input};
    args.insert(args.end(), steps.begin(), steps.end());
    args.push_back("dxf=" + (dir / "batch.dxf"));
    RunResult r = RunProgram(kBatch, args);
    ASSERT_EQ(r.status, 0) << r.err;

    FakePlatform platform;
    CLintraDoc doc(platform);
    CLintraView view(doc, platform, platform);
    platform.answers.push_back(input);
    view.OnCommand(cmd::kFileOpen);
    view.LoadPendingImage();
    for (int id : {cmd::kBinariseThreshold, cmd::kRemoveSmallBlobs, cmd::kThin, cmd::kRemoveShortBranches,
                   cmd::kVectorise2})
        view.OnCommand(id);
    ASSERT_FALSE(doc.m_segmentList.empty());
    EXPECT_EQ(ReadFile(dir / "batch.dxf"), DxfText(doc.m_segmentList, 794, 1123));
    EXPECT_EQ(EzdxfLines(dir / "batch.dxf").size(), doc.m_segmentList.size());
}

TEST(BatchTest, ParameterStepsReportLikeTrackbarReleases) {
    TempDir dir;
    const std::string input = Sample("horse_400x328_8bit_grey_pillow.bmp");
    // The menu command thresholds at 30; the dialog at 30 must agree, also
    // after other positions and a repeated last one (which sends nothing).
    ASSERT_EQ(RunProgram(kBatch, {input, "binarise-threshold", "save=" + (dir / "menu.bmp")}).status, 0);
    ASSERT_EQ(RunProgram(kBatch, {input, "32789=0,255,30,30", "save=" + (dir / "dialog.bmp")}).status, 0);
    ASSERT_EQ(
        RunProgram(kBatch, {input, "param-binarise-threshold=30", "save=" + (dir / "named.bmp")}).status, 0);
    EXPECT_EQ(ReadFile(dir / "dialog.bmp"), ReadFile(dir / "menu.bmp"));
    EXPECT_EQ(ReadFile(dir / "named.bmp"), ReadFile(dir / "menu.bmp"));
    // Restore previous after adjusting gives the picture from before.
    ASSERT_EQ(
        RunProgram(kBatch, {input, "32789=100,200", "restore-previous", "save=" + (dir / "back.bmp")}).status,
        0);
    ASSERT_EQ(RunProgram(kBatch, {input, "save=" + (dir / "plain.bmp")}).status, 0);
    EXPECT_EQ(ReadFile(dir / "back.bmp"), ReadFile(dir / "plain.bmp"));
}

TEST(BatchTest, FailuresStopTheRunWithStatusOne) {
    TempDir dir;
    std::string text = dir / "notes.bmp";
    std::ofstream(text) << "hello";
    struct Case {
        std::string input;
        std::string message;
    };
    for (const Case& c :
         {Case{text, "This isn't a bitmap file!\n"},
          Case{Sample("horse_400x328_1bit_netpbm.bmp"), "打开失败,程序只支持8位或24位位图!\n"},
          Case{dir / "missing.bmp", dir / "missing.bmp"}}) {
        SCOPED_TRACE(c.input);
        RunResult r = RunProgram(kBatch, {c.input, "thin", "svg=" + (dir / "never.svg")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "never.svg"));
    }
    // A write that fails stops the run too.
    RunResult r = RunProgram(
        kBatch, {kData + "square_10x10.bmp", "save=" + (dir / "no/such.bmp"), "svg=" + (dir / "never.svg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir / "no/such.bmp"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "never.svg"));
    // A second open= of a refused file fails as well.
    r = RunProgram(kBatch, {kData + "square_10x10.bmp", "open=" + text});
    EXPECT_EQ(r.status, 1);
    // Palettor's message when it cannot be run: lintra-batch copied where
    // there is no Palettor beside it.
    std::filesystem::copy_file(kBatch, dir / "lintra-batch");
    std::filesystem::permissions(dir / "lintra-batch", std::filesystem::perms::owner_all);
    r = RunProgram(dir / "lintra-batch", {Sample("chelsea_crop_5x3_24bit_imagemagick.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "打开失败,运行Palettor.exe失败,请检查是否有Palettor.exe文件!\n");
}

TEST(BatchTest, MessagesOfSuccessfulStepsGoToStandardError) {
    RunResult r = RunProgram(kBatch, {kData + "square_10x10.bmp", "peel-contour", "peel-contour"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "OVER\n");
}

TEST(BatchTest, UsageErrorsAndHelp) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{},
          {"--frobnicate", kData + "square_10x10.bmp"},
          {kData + "square_10x10.bmp", "no-such-step"},
          {kData + "square_10x10.bmp", "32789=256"},
          {kData + "square_10x10.bmp", "32789=1,,2"},
          {kData + "square_10x10.bmp", "thin=3"},
          {kData + "square_10x10.bmp", "svg="},
          {kData + "square_10x10.bmp", "99999"},
          {kData + "square_10x10.bmp", "svg=" + (dir / "early.svg"), "bogus"}}) {
        RunResult r = RunProgram(kBatch, args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage: lintra-batch"), std::string::npos);
    }
    // Nothing ran before the bad step was found.
    EXPECT_FALSE(std::filesystem::exists(dir / "early.svg"));

    RunResult help = RunProgram(kBatch, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const Command& command : CommandTable()) {
        if (command.name.empty()) continue;
        std::string label(command.menuLabel);
        label = label.substr(0, label.find('\t'));
        std::regex row("\\n +" + std::to_string(command.id) + " +" + std::string(command.name) + " +[^\\n]*");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(help.out, m, row)) << command.id;
        EXPECT_NE(m.str().find(label), std::string::npos) << command.id;
    }
}

TEST(BatchTest, CadStepWritesTheFittedDrawingByTheOptionsAndRefusesBadOnes) {
    TempDir dir;
    const std::string input = kData + "square_10x10.bmp";
    RunResult r = RunProgram(
        kBatch, {"--units", "mm", "--dpi=254", "--tolerance", "0.5", "--dxf-version", "r12", "--verbose",
                 input, "vectorise-1", "cad=" + (dir / "square.dxf"), "cad=" + (dir / "square.svg")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("cad: 1 entities"), std::string::npos) << r.out;
    const std::string dxf = ReadFile(dir / "square.dxf");
    EXPECT_NE(dxf.find("AC1009"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "square.svg").find("mm\""), std::string::npos);

    for (const std::vector<std::string>& options : {std::vector<std::string>{"--dpi", "0"},
                                                    {"--dpi", "-300"},
                                                    {"--dpi", "300dpi"},
                                                    {"--dpi", "nan"},
                                                    {"--tolerance", "-1"},
                                                    {"--tolerance", "inf"},
                                                    {"--units", "cm"},
                                                    {"--fit", "maybe"},
                                                    {"--dxf-version", "r14"},
                                                    {"--units"}}) {
        std::vector<std::string> args = options;
        if (options.size() > 1) args.insert(args.end(), {input, "vectorise-1", "cad=" + (dir / "bad.dxf")});
        RunResult bad = RunProgram(kBatch, args);
        EXPECT_EQ(bad.status, 2) << ::testing::PrintToString(options);
        EXPECT_NE(bad.err.find(options[0]), std::string::npos) << bad.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.dxf"));
}

// A page drawn 2 degrees askew (counter-clockwise with rows down, so
// clockwise as the drawing's y runs up): --deskew --verbose reports that
// skew and writes the frame and the cross level and upright again, each
// long stretch as near as its own fit allows; without --deskew the skew is
// reported and the drawing left as traced.
TEST(BatchTest, DeskewTurnsTheCadDrawingBackByTheSkewItReports) {
    TempDir dir;
    const std::string page = dir / "askew.bmp";
    RunResult drawn = RunProgram(
        LINTRA_PYTHON, {"-c",
                        "import math, sys\n"
                        "from PIL import Image, ImageDraw\n"
                        "a = math.radians(2)\n"
                        "turn = lambda x, y: (300 + math.cos(a) * (x - 300) - math.sin(a) * (y - 200),\n"
                        "                     200 + math.sin(a) * (x - 300) + math.cos(a) * (y - 200))\n"
                        "image = Image.new('L', (600, 400), 255)\n"
                        "draw = ImageDraw.Draw(image)\n"
                        "for line in ([(40, 40), (560, 40), (560, 360), (40, 360), (40, 40)],\n"
                        "             [(100, 200), (500, 200)], [(300, 80), (300, 320)]):\n"
                        "    draw.line([turn(x, y) for x, y in line], fill=0, width=4, joint='curve')\n"
                        "image.save(sys.argv[1], dpi=(300, 300))\n",
                        page});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    // The stretches of 100 px or more: their turn off the nearest axis, in degrees.
    auto offAxes = [&](const std::string& dxf) {
        RunResult r = RunProgram(
            LINTRA_PYTHON,
            {"-c",
             "import math, sys, ezdxf\n"
             "doc = ezdxf.readfile(sys.argv[1])\n"
             "for e in doc.modelspace():\n"
             "    p = [(e.dxf.start.x, e.dxf.start.y), (e.dxf.end.x, e.dxf.end.y)] if e.dxftype() == 'LINE' "
             "else "
             "[v[:2] for v in e.get_points('xy')] + ([e.get_points('xy')[0][:2]] if e.closed else [])\n"
             "    for (x0, y0), (x1, y1) in zip(p, p[1:]):\n"
             "        if math.hypot(x1 - x0, y1 - y0) >= 100:\n"
             "            d = math.degrees(math.atan2(y1 - y0, x1 - x0)) % 90\n"
             "            print(min(d, 90 - d))\n",
             dxf});
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<double> turns;
        std::istringstream in(r.out);
        for (double t; in >> t;) turns.push_back(t);
        return turns;
    };

    RunResult deskewed =
        RunProgram(kBatch, {"--deskew", "--verbose", page, "trace", "cad=" + (dir / "upright.dxf")});
    ASSERT_EQ(deskewed.status, 0) << deskewed.err;
    std::smatch found;
    ASSERT_TRUE(
        std::regex_search(deskewed.out, found, std::regex("cad: skew ([-+0-9.]+) degrees, turned back")))
        << deskewed.out;
    EXPECT_NEAR(std::stod(found[1]), -2.0, 0.1);
    const std::vector<double> upright = offAxes(dir / "upright.dxf");
    ASSERT_GE(upright.size(), 6u);  // four sides and the cross's two bars
    for (double turn : upright) EXPECT_LT(turn, 0.25);

    RunResult left = RunProgram(kBatch, {"--verbose", page, "trace", "cad=" + (dir / "askew.dxf")});
    ASSERT_EQ(left.status, 0) << left.err;
    EXPECT_NE(left.out.find(" degrees, left (no --deskew)"), std::string::npos) << left.out;
    for (double turn : offAxes(dir / "askew.dxf")) EXPECT_NEAR(turn, 2.0, 0.25);
}

}  // namespace
}  // namespace lintra::test
