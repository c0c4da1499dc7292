// The view's commands on a loaded image: the common handler pattern,
// restores, display modes, vectorisation, Save and DXF export, and what the
// drawing pass paints.
#include "docview/commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "docview/doc.h"
#include "docview/messages.h"
#include "docview/view.h"
#include "formats/read_picture.h"
#include "raster/binarise.h"
#include "raster/binarise_adaptive.h"
#include "raster/cleanup.h"
#include "raster/contour.h"
#include "raster/edge.h"
#include "raster/thin.h"
#include "vector/cad/cad_dxf.h"
#include "vector/cad/cad_export.h"
#include "vector/segments/dxf.h"
#include "view_fixture.h"

namespace lintra::test {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A 10 x 10 white image with a one-pixel square outline, corners (2,2) and (5,5).
std::uint8_t Square(int x, int y) {
    bool onSide = (x == 2 || x == 5) && y >= 2 && y <= 5;
    bool onTop = (y == 2 || y == 5) && x >= 2 && x <= 5;
    return onSide || onTop ? 0 : 255;
}

class CommandTest : public ViewTest<> {
protected:
    void OpenSquare() {
        WriteGreyBmp(temp / "square.bmp", 10, 10, Square);
        Open(temp / "square.bmp");
    }
};

const std::vector<CLineSegment> kSquareSegments = {{2, 2, 2, 5}, {2, 5, 5, 5}, {5, 5, 5, 2}, {5, 2, 2, 2}};

TEST_F(CommandTest, ProcessingCommandsTakeThePreviousCopyAndRestorePreviousIsOneLevel) {
    Open(Sample("horse_400x328_8bit_grey_pillow.bmp"));
    std::vector<std::uint8_t> original = Pixels(view.CurrentImage());
    view.OnCommand(cmd::kBinariseThreshold);
    std::vector<std::uint8_t> binarised = Pixels(view.CurrentImage());
    EXPECT_EQ(Pixels(view.PreviousImage()), original);
    view.OnCommand(cmd::kInvert);
    EXPECT_EQ(Pixels(view.PreviousImage()), binarised);

    view.OnCommand(cmd::kRestorePrevious);
    EXPECT_EQ(Pixels(view.CurrentImage()), binarised);
    view.OnCommand(cmd::kRestorePrevious);
    EXPECT_EQ(Pixels(view.CurrentImage()), binarised);
    EXPECT_EQ(Pixels(view.PreviousImage()), binarised);

    view.OnCommand(cmd::kRestoreOriginal);
    EXPECT_EQ(Pixels(view.CurrentImage()), original);
    EXPECT_EQ(view.DisplayedImage(), &view.CurrentImage());
}

TEST(CommandTableTest, RowsAreUniqueAndEveryListedIdentifierHasOne) {
    std::set<int> ids;
    std::set<std::string_view> names;
    for (const Command& command : CommandTable()) {
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
        EXPECT_EQ(FindCommand(command.id), &command);
        if (!command.name.empty()) {
            EXPECT_TRUE(names.insert(command.name).second) << command.name;
            EXPECT_EQ(FindCommand(command.name), &command);
        }
        // What runs matches the kind: an operation for processing and
        // parameter commands, a handler for the view's others.
        bool operates = command.kind == CommandKind::Processing || command.kind == CommandKind::Parameter;
        EXPECT_EQ(command.operation != nullptr, operates) << command.id;
        EXPECT_FALSE(command.handler != nullptr && operates) << command.id;
        // lintra-batch can run exactly the commands the view runs.
        EXPECT_EQ(!command.name.empty(), command.RunsInView()) << command.id;
    }
    std::vector<int> listed(ToolbarButtons().begin(), ToolbarButtons().end());
    listed.insert(listed.end(), ContextMenu().begin(), ContextMenu().end());
    for (const MenuDefinition& menu : MainMenu())
        listed.insert(listed.end(), menu.ids.begin(), menu.ids.end());
    for (int id : listed) {
        if (id == kMenuSeparator) continue;
        const Command* command = FindCommand(id);
        ASSERT_NE(command, nullptr) << id;
        EXPECT_FALSE(command->menuLabel.empty()) << id;
    }
    for (const AcceleratorEntry& accelerator : Accelerators())
        EXPECT_NE(FindCommand(accelerator.id), nullptr) << accelerator.keys;
}

TEST_F(CommandTest, EveryProcessingCommandRunsItsOperationWithItsFixedArguments) {
    // Each processing row on the camera picture, against the operation
    // written out here; a wrong operation or argument, or a missing second
    // step, shows as a difference, and a new row without its expectation
    // fails.
    BlobLabelState state;
    const std::map<int, std::function<void(ImageView)>> expected = {
        {cmd::kEdgeSobel, [](ImageView v) { EdgeSobel(v); }},
        {cmd::kEdgeRoberts, [](ImageView v) { EdgeRoberts(v); }},
        {cmd::kEdgePrewitt, [](ImageView v) { EdgePrewitt(v); }},
        {cmd::kEdgeKirsch, [](ImageView v) { EdgeKirsch(v); }},
        {cmd::kEdgeGaussLaplace, [](ImageView v) { EdgeGaussLaplace(v); }},
        {cmd::kEdgeGradient, [](ImageView v) { EdgeGradient(v); }},
        {cmd::kBinariseGradient, [](ImageView v) { BinariseGradient(v, 30); }},
        {cmd::kBinariseThreshold, [](ImageView v) { BinariseThreshold(v, 30); }},
        {cmd::kBinariseIterative,
         [](ImageView v) {
             Histogram histogram{};
             ComputeHistogram(v, histogram);
             BinariseIterative(v, histogram);
         }},
        {cmd::kBinariseAdaptive,
         [](ImageView v) {
             BinariseAdaptive(v, AdaptiveWindowOf(v, kAdaptiveSensitivity), kAdaptiveSensitivity);
         }},
        {cmd::kInvert, [](ImageView v) { InvertBlackWhite(v); }},
        {cmd::kRemoveBlackWhitePoints, [](ImageView v) { RemoveBlackWhitePoints(v); }},
        {cmd::kThin,
         [](ImageView v) {
             ThinImage(v);
             MakeBorderWhite(v);
         }},
        {cmd::kContour1, [](ImageView v) { ExtractContour1(v); }},
        {cmd::kContour2,
         [](ImageView v) {
             ExtractContour2(v);
             MakeBorderWhite(v);
         }},
        {cmd::kRemoveShortBranches, [](ImageView v) { RemoveShortBranches(v, 3); }},
        {cmd::kRemoveSmallBlobs, [&](ImageView v) { RemoveSmallBlackBlobs(state, v, 3); }},
        {cmd::kRemoveIsolatedPoints, [](ImageView v) { RemoveIsolatedPoints(v, 8); }},
        {cmd::kWhiteBorder, [](ImageView v) { MakeBorderWhite(v); }},
    };
    const std::string path = Sample("camera_512x512_8bit_grey_imagemagick.bmp");
    Open(path);
    Dib expectedImage;
    ReadPicture(expectedImage, path, platform);
    // The outermost contour is checked with its second image below.
    int checked = 0;
    for (const Command& command : CommandTable()) {
        if (command.kind != CommandKind::Processing || command.id == cmd::kOutermostContour) continue;
        SCOPED_TRACE(command.name);
        auto it = expected.find(command.id);
        ASSERT_NE(it, expected.end());
        view.OnCommand(cmd::kRestoreOriginal);
        Dib::CopyPixels(expectedImage, view.OriginalImage());
        view.OnCommand(command.id);
        it->second(expectedImage.View());
        EXPECT_EQ(Pixels(view.CurrentImage()), Pixels(expectedImage));
        EXPECT_EQ(Pixels(view.PreviousImage()), Pixels(view.OriginalImage()));
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(expected.size()));

    // The values a step gives replace the fixed argument; values a command
    // does not take leave everything as it was.
    struct Valued {
        int id;
        std::vector<int> values;
        std::function<void(ImageView)> run;  // null: refused
    };
    for (const Valued& c : {
             Valued{cmd::kRemoveSmallBlobs, {12}, [&](ImageView v) { RemoveSmallBlackBlobs(state, v, 12); }},
             Valued{cmd::kBinariseThreshold, {100}, [](ImageView v) { BinariseThreshold(v, 100); }},
             Valued{cmd::kBinariseAdaptive, {31, 80}, [](ImageView v) { BinariseAdaptive(v, 31, 80); }},
             Valued{cmd::kBinariseAdaptive, {31}, [](ImageView v) { BinariseAdaptive(v, 31, 66); }},
             Valued{cmd::kBinariseAdaptive, {31, 100}, nullptr},
             Valued{cmd::kBinariseAdaptive, {}, nullptr},
             Valued{cmd::kThin, {1}, nullptr},
             Valued{cmd::kParamSmallBlobs, {12}, nullptr},
         }) {
        SCOPED_TRACE(FindCommand(c.id)->name);
        view.OnCommand(cmd::kRestoreOriginal);
        view.OnCommand(cmd::kInvert);
        Dib::CopyPixels(expectedImage, view.CurrentImage());
        EXPECT_EQ(view.OnCommand(c.id, c.values), c.run != nullptr);
        if (c.run) c.run(expectedImage.View());
        EXPECT_EQ(Pixels(view.CurrentImage()), Pixels(expectedImage));
    }

    // The outermost contour traces into the base image as its second image.
    view.OnCommand(cmd::kRestoreOriginal);
    view.OnCommand(cmd::kBinariseIterative);
    Dib::CopyPixels(expectedImage, view.CurrentImage());
    Dib expectedBase;
    ReadPicture(expectedBase, path, platform);
    Dib::CopyPixels(expectedBase, view.BaseImage());
    view.OnCommand(cmd::kOutermostContour);
    TraceOuterContour(expectedImage.View(), expectedBase.View(), platform);
    EXPECT_EQ(Pixels(view.CurrentImage()), Pixels(expectedImage));
    EXPECT_EQ(Pixels(view.BaseImage()), Pixels(expectedBase));
}

TEST_F(CommandTest, CommandInVectorModeChangesTheImageButNotWhatIsShown) {
    OpenSquare();
    view.OnCommand(cmd::kVectorise1);
    EXPECT_TRUE(view.VectorMode());
    EXPECT_EQ(doc.m_segmentList, kSquareSegments);
    EXPECT_EQ(view.ContourCount(), 1);
    std::vector<std::uint8_t> before = Pixels(view.CurrentImage());
    view.OnCommand(cmd::kInvert);
    EXPECT_TRUE(view.VectorMode());
    EXPECT_NE(Pixels(view.CurrentImage()), before);
    RecordingCanvas vector = Draw();
    EXPECT_TRUE(vector.images.empty());
    EXPECT_EQ(vector.lines.size(), 4u);

    view.OnCommand(cmd::kShowBitmap);
    RecordingCanvas bitmap = Draw();
    ASSERT_EQ(bitmap.images.size(), 1u);
    EXPECT_EQ(bitmap.images[0].pixels, view.CurrentImage().GetBits());
    EXPECT_EQ(bitmap.images[0].pixels[2 * 12 + 2], 255);  // the inverted outline
    EXPECT_EQ(doc.m_segmentList, kSquareSegments);
    view.OnCommand(cmd::kShowVector);
    EXPECT_EQ(Draw().lines.size(), 4u);
}

TEST_F(CommandTest, DrawingPassPlacesTheImageAndTheSegments) {
    Open(Sample("lamp_194x285_8bit_16colours_pillow.bmp"));
    RecordingCanvas bitmap = Draw();
    ASSERT_EQ(bitmap.images.size(), 1u);
    const RecordingCanvas::Image& image = bitmap.images[0];
    EXPECT_EQ(image.left, 5);
    EXPECT_EQ(image.top, 5);
    EXPECT_EQ(image.width, 194);
    EXPECT_EQ(image.height, 285);
    // Its 16 colours were turned into grey levels on load: the palette is
    // the full grey ramp.
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = image.palette[i];
        ASSERT_TRUE(e.red == i && e.green == i && e.blue == i && e.flags == 0) << i;
    }

    doc.m_segmentList = {{0, 0, 10, 0}, {3, 7, 3, 284}};
    view.OnCommand(cmd::kShowVector);
    RecordingCanvas vector = Draw();
    EXPECT_TRUE(vector.images.empty());
    ASSERT_EQ(vector.lines.size(), 2u);
    EXPECT_EQ(vector.lines[0].x1, 5);
    EXPECT_EQ(vector.lines[0].y1, 285 + 4);
    EXPECT_EQ(vector.lines[0].x2, 15);
    EXPECT_EQ(vector.lines[1].y1, 285 - 7 + 4);
    EXPECT_EQ(vector.lines[1].y2, 5);
    EXPECT_EQ(vector.lines[1].pen.red, 128);
    EXPECT_EQ(vector.lines[1].pen.green, 0);
    EXPECT_EQ(vector.lines[1].pen.blue, 0);
}

TEST_F(CommandTest, SegmentsAndModeSurviveANewOpen) {
    OpenSquare();
    view.OnCommand(cmd::kVectorise1);
    Open(Sample("horse_400x328_8bit_grey_pillow.bmp"));
    EXPECT_TRUE(view.VectorMode());
    EXPECT_EQ(doc.m_segmentList, kSquareSegments);
    RecordingCanvas canvas = Draw();
    ASSERT_EQ(canvas.lines.size(), 4u);
    EXPECT_EQ(canvas.lines[0].y1, 328 - 2 + 4);  // the new image's height places them
    EXPECT_EQ(view.ContourGrid().width(), 400);
}

TEST_F(CommandTest, VectoriseTwoErasesTheImageAndKeepsTheNumericControlText) {
    OpenSquare();
    view.OnCommand(cmd::kWhiteBorder);  // changes nothing here but the previous image
    std::vector<std::uint8_t> previous = Pixels(view.PreviousImage());
    view.OnCommand(cmd::kVectorise2);
    EXPECT_EQ(platform.busy, (std::vector<bool>{true, false}));
    EXPECT_TRUE(view.VectorMode());
    EXPECT_EQ(doc.m_segmentList,
              (std::vector<CLineSegment>{{2, 2, 2, 5}, {2, 5, 5, 5}, {5, 5, 5, 2}, {5, 2, 3, 2}}));
    EXPECT_EQ(view.NcText(),
              "N1 \n     G01X2.000 Y2.000;\n     G01X2.000 Y5.000;\n     G01X5.000 Y5.000;\n"
              "     G01X5.000 Y2.000;\n     G01X3.000 Y2.000;\n     G00X3.000 Y2.000;\n");
    std::vector<std::uint8_t> erased = Pixels(view.CurrentImage());
    EXPECT_EQ(std::count(erased.begin(), erased.end(), 0), 0);
    EXPECT_EQ(Pixels(view.PreviousImage()), previous);
    // A second run finds nothing: an empty list and an empty text.
    view.OnCommand(cmd::kVectorise2);
    EXPECT_TRUE(doc.m_segmentList.empty());
    EXPECT_TRUE(view.NcText().empty());
}

TEST_F(CommandTest, PeelContourShowsTheWorkImageAndSaysOverAtTheEnd) {
    OpenSquare();
    view.OnCommand(cmd::kPeelContour);
    EXPECT_EQ(view.DisplayedImage(), &view.WorkImage());
    std::vector<std::uint8_t> contour = Pixels(view.CurrentImage());
    EXPECT_EQ(std::count(contour.begin(), contour.end(), 0), 12);
    EXPECT_TRUE(platform.messages.empty());
    view.OnCommand(cmd::kPeelContour);
    EXPECT_EQ(platform.messages, std::vector<std::string>{"OVER"});
}

TEST_F(CommandTest, SaveWritesTheDisplayedImage) {
    Open(Sample("horse_400x328_8bit_grey_pillow.bmp"));
    view.OnCommand(cmd::kInvert);
    platform.answers.push_back(temp / "out.bmp");
    view.OnCommand(cmd::kFileSave);
    ASSERT_EQ(platform.saveDialogs.size(), 1u);
    EXPECT_EQ(platform.saveDialogs[0].defaultExtension, "BMP");
    EXPECT_EQ(platform.saveDialogs[0].filters, (std::vector<FileFilter>{{"位图文件(*.BMP)", {"*.BMP"}}}));
    EXPECT_TRUE(platform.saveDialogs[0].confirmOverwrite);
    Dib saved;
    ReadPicture(saved, temp / "out.bmp", platform);
    EXPECT_EQ(Pixels(saved), Pixels(view.CurrentImage()));

    // Vector mode saves the bitmap that would be shown.
    view.OnCommand(cmd::kShowVector);
    platform.answers.push_back(temp / "vector.bmp");
    view.OnCommand(cmd::kFileSave);
    EXPECT_EQ(ReadAll(temp / "vector.bmp"), ReadAll(temp / "out.bmp"));

    // A folder that does not exist: reported, nothing else changes.
    int invalidations = platform.invalidations;
    platform.answers.push_back(temp / "missing/out.bmp");
    view.OnCommand(cmd::kFileSave);
    EXPECT_EQ(platform.fileErrors.size(), 1u);
    EXPECT_EQ(platform.invalidations, invalidations);
    EXPECT_FALSE(std::filesystem::exists(temp / "missing"));

    // Cancel writes nothing.
    view.OnCommand(cmd::kFileSave);
    EXPECT_EQ(platform.fileErrors.size(), 1u);
}

TEST_F(CommandTest, ExportDxfWritesTheListWithTheImageSize) {
    OpenSquare();
    view.OnCommand(cmd::kVectorise1);
    platform.answers.push_back(temp / "square.dxf");
    int invalidations = platform.invalidations;
    view.OnCommand(cmd::kExportDxf);
    ASSERT_EQ(platform.saveDialogs.size(), 1u);
    const FileDialogRequest& request = platform.saveDialogs[0];
    EXPECT_EQ(request.defaultExtension, "dxf");
    EXPECT_EQ(request.initialName, "*.dxf");
    EXPECT_EQ(request.filters, (std::vector<FileFilter>{{"AutoCAD文件(*.dxf)", {"*.dxf"}}}));
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_EQ(ReadAll(temp / "square.dxf"), DxfText(kSquareSegments, 10, 10));
    EXPECT_EQ(platform.invalidations, invalidations);

    platform.answers.push_back(temp / "missing/square.dxf");
    view.OnCommand(cmd::kExportDxf);
    EXPECT_EQ(platform.fileErrors, std::vector<std::string>{temp / "missing/square.dxf"});
}

TEST_F(CommandTest, ExportCadAsksForItsOptionsThenWritesDxfOrSvgAndShowsWhatItWrote) {
    OpenSquare();
    view.OnCommand(cmd::kVectorise1);
    // Cancel in the options dialog: no file dialog, nothing written.
    view.OnCommand(cmd::kExportCad);
    EXPECT_TRUE(platform.saveDialogs.empty());

    CadExportSettings settings;
    settings.options.unit = cad::Unit::Millimetre;
    settings.version = DxfVersion::R12;
    platform.cadAnswer = settings;
    platform.answers.push_back(temp / "square.dxf");
    view.OnCommand(cmd::kExportCad);
    ASSERT_EQ(platform.saveDialogs.size(), 1u);
    EXPECT_EQ(platform.saveDialogs[0].filters, CadFileDialog().filters);
    // The test picture says 2835 pixels per metre (72 dpi).
    const cad::Drawing drawing = BuildCadDrawing(kSquareSegments, {10, 10, 2835, 2835}, settings.options);
    EXPECT_EQ(drawing.EntityCount(), 1u);
    EXPECT_EQ(ReadAll(temp / "square.dxf"), CadDxfText(drawing, DxfVersion::R12));
    // The export's note follows the vectorisation's.
    ASSERT_EQ(platform.statusTexts.size(), 2u);
    EXPECT_EQ(platform.statusTexts[1].rfind("已写出1个图元", 0), 0u) << platform.statusTexts[1];
    EXPECT_FALSE(view.CadReport().noResolution);

    platform.answers.push_back(temp / "square.SVG");
    view.OnCommand(cmd::kExportCad);
    EXPECT_NE(ReadAll(temp / "square.SVG").find("<svg"), std::string::npos);

    // The fitted drawing over the picture, in its own pen, toggled.
    auto cadLines = [&] {
        int n = 0;
        for (const auto& line : Draw().lines) n += line.pen.blue == 255;
        return n;
    };
    EXPECT_EQ(cadLines(), 0);
    view.OnCommand(cmd::kShowCadDrawing);
    EXPECT_GT(cadLines(), 0);
    view.OnCommand(cmd::kShowCadDrawing);
    EXPECT_EQ(cadLines(), 0);
}

TEST_F(CommandTest, CadExportAndOverlayRefuseAnEmptyListAndAnotherPicturesDrawing) {
    view.SetCheckCadSource(true);  // as the desktop program runs it
    platform.cadAnswer = CadExportSettings{};
    auto exportTo = [&](const std::string& name) {
        platform.answers = {temp / name};
        view.OnCommand(cmd::kExportCad);
        platform.answers.clear();  // a refused export asks for no file
        return std::filesystem::exists(temp / name);
    };
    OpenSquare();
    // Nothing traced yet: said so, no dialog, no file.
    EXPECT_FALSE(exportTo("empty.dxf"));
    EXPECT_EQ(platform.messages, std::vector<std::string>{kMsgNothingToExport});
    EXPECT_TRUE(platform.cadAsked.empty());

    view.OnCommand(cmd::kVectorise1);
    EXPECT_TRUE(exportTo("square.dxf"));
    // Another picture: the list carries over, and the plain DXF still
    // writes it, but the CAD export and the overlay do not present it as
    // this picture's.
    WriteGreyBmp(temp / "other.bmp", 12, 8, Square);
    Open(temp / "other.bmp");
    platform.messages.clear();
    EXPECT_EQ(doc.m_segmentList, kSquareSegments);
    EXPECT_FALSE(exportTo("other.dxf"));
    view.OnCommand(cmd::kShowCadDrawing);
    EXPECT_EQ(platform.messages, std::vector<std::string>(2, kMsgVectorsFromOtherPicture));
    EXPECT_FALSE(view.ShowsCadDrawing());
    platform.answers.push_back(temp / "plain.dxf");
    view.OnCommand(cmd::kExportDxf);
    EXPECT_EQ(ReadAll(temp / "plain.dxf"), DxfText(kSquareSegments, 12, 8));

    // An overlay switched on before the Open is not drawn over the next picture.
    Open(temp / "square.bmp");
    view.OnCommand(cmd::kVectorise1);
    view.OnCommand(cmd::kShowCadDrawing);
    auto cadLines = [&] {
        int n = 0;
        for (const auto& line : Draw().lines) n += line.pen.blue == 255;
        return n;
    };
    EXPECT_GT(cadLines(), 0);
    Open(temp / "other.bmp");
    EXPECT_EQ(cadLines(), 0);
    // Traced again here: its own drawing is exported and shown.
    view.OnCommand(cmd::kVectorise1);
    EXPECT_GT(cadLines(), 0);

    // lintra-batch writes the list it has, empty or carried over.
    view.SetCheckCadSource(false);
    doc.m_segmentList.clear();
    EXPECT_TRUE(exportTo("batch_empty.dxf"));
}

TEST_F(CommandTest, CadOptionsStartFromEachPicturesOwnResolution) {
    CadExportSettings typed;
    typed.options.unit = cad::Unit::Millimetre;
    typed.options.dpi = 150;  // typed earlier, for a picture without a resolution
    view.SetCadSettings(typed);
    auto exportWith = [&](double dpi) {
        CadExportSettings answer = typed;
        answer.options.dpi = dpi;
        platform.cadAnswer = answer;
        platform.answers.push_back(temp / "out.dxf");
        view.OnCommand(cmd::kExportCad);
        return platform.cadAsked.back().options.dpi;
    };
    const int kPpm600 = 23622;  // 600 dpi
    WriteGreyBmp(temp / "fine.bmp", 10, 10, Square, kPpm600);
    WriteGreyBmp(temp / "bare.bmp", 10, 10, Square, 0);
    struct Step {
        const char* file;   // opened first when set
        double answer;      // the dpi the user leaves in the dialog (0: the picture's own)
        double asked;       // the dpi the dialog started from
        double exportedAt;  // the dpi the drawing was scaled by
    };
    const Step steps[] = {
        {"fine.bmp", 0, 0, 600},      // its own resolution, not the 150 typed before
        {nullptr, 300, 0, 300},       // typed over it ...
        {nullptr, 300, 300, 300},     // ... holds for this picture
        {"square.bmp", 0, 0, 72},     // the next picture (72 dpi) starts from its own again
        {"bare.bmp", 150, 150, 150},  // no resolution: the dpi kept for such pictures
        {"fine.bmp", 0, 0, 600},      // reopened: its own again
    };
    WriteGreyBmp(temp / "square.bmp", 10, 10, Square);
    for (const Step& step : steps) {
        if (step.file != nullptr) {
            Open(temp / step.file);
            view.OnCommand(cmd::kVectorise1);
        }
        EXPECT_EQ(exportWith(step.answer), step.asked) << (step.file ? step.file : "again");
        EXPECT_NEAR(view.CadReport().dpi, step.exportedAt, 0.1) << (step.file ? step.file : "again");
    }
    EXPECT_EQ(view.CadSettings().options.dpi, 150);
}

}  // namespace
}  // namespace lintra::test
