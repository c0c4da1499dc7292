// Opening and loading: 8-bit files shown from the document's copy until the
// first command, 24-bit files through Palettor in a private folder, the
// depth and converter messages, file errors, and commands without an image.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <sstream>
#include <thread>
#include <utility>

#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/messages.h"
#include "docview/view.h"
#include "formats/read_picture.h"
#include "view_fixture.h"

namespace lintra::test {
namespace {

class LoadTest : public ViewTest<> {};

TEST_F(LoadTest, EightBitFileIsShownFromTheDocumentUntilTheFirstCommand) {
    const std::string path = Sample("horse_400x328_8bit_grey_pillow.bmp");
    platform.answers.push_back(path);
    view.OnCommand(cmd::kFileOpen);
    ASSERT_EQ(platform.openDialogs.size(), 1u);
    const FileDialogRequest& request = platform.openDialogs[0];
    EXPECT_EQ(request.defaultExtension, "BMP");
    EXPECT_EQ(request.initialName, "*.BMP");
    // Every format together, one filter each, then the BMP filter.
    ASSERT_EQ(request.filters.size(), 7u);
    EXPECT_EQ(request.filters[0].description, "所有支持的图像");
    EXPECT_EQ(request.filters[0].patterns,
              (std::vector<std::string>{"*.bmp", "*.png", "*.tif", "*.tiff", "*.jpg", "*.jpeg", "*.jpe",
                                        "*.pbm", "*.pgm", "*.ppm", "*.pnm", "*.webp"}));
    EXPECT_EQ(request.filters[2], (FileFilter{"TIFF图像(*.tif *.tiff)", {"*.tif", "*.tiff"}}));
    EXPECT_EQ(request.filters[6], (FileFilter{"位图文件(*.BMP)", {"*.BMP"}}));
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_EQ(doc.m_strFilePath, path);
    EXPECT_EQ(doc.m_bImageOpen, 1);
    EXPECT_EQ(doc.m_bReloadPending, 1);
    EXPECT_EQ(platform.titles, std::vector<std::string>{path});
    EXPECT_GE(platform.invalidations, 1);

    RecordingCanvas canvas;
    view.OnDraw(canvas);
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_EQ(view.DisplayedImage(), &doc.m_dib);
    EXPECT_EQ(view.Segments(), &doc.m_segmentList);
    EXPECT_EQ(view.ContourGrid().width(), 400);
    EXPECT_EQ(view.ContourGrid().height(), 328);
    for (const Dib* dib : {&view.CurrentImage(), &view.OriginalImage(), &std::as_const(view.BaseImage()),
                           &view.WorkImage(), &view.PreviousImage()})
        EXPECT_EQ(Pixels(*dib), Pixels(doc.m_dib));
    ASSERT_EQ(canvas.images.size(), 1u);
    EXPECT_EQ(canvas.images[0].pixels, doc.m_dib.GetBits());
    EXPECT_TRUE(platform.messages.empty());

    view.OnCommand(cmd::kInvert);
    EXPECT_EQ(view.DisplayedImage(), &view.CurrentImage());
    EXPECT_EQ(Pixels(view.PreviousImage()), Pixels(doc.m_dib));
    EXPECT_EQ(view.CurrentImage().View().at(0, 0), 255 - doc.m_dib.View().at(0, 0));
}

TEST_F(LoadTest, CancelAndRefusedFilesChangeNothing) {
    Open(Sample("horse_400x328_8bit_grey_pillow.bmp"));
    std::vector<std::uint8_t> shown = Pixels(view.CurrentImage());

    platform.answers.push_back(std::nullopt);  // Cancel
    view.OnCommand(cmd::kFileOpen);
    EXPECT_EQ(doc.m_strFilePath, Sample("horse_400x328_8bit_grey_pillow.bmp"));

    std::string text = temp / "notes.bmp";
    std::ofstream(text) << "hello, not a bitmap";
    Open(text);
    EXPECT_EQ(platform.messages, std::vector<std::string>{"This isn't a bitmap file!"});

    Open(temp / "missing.bmp");
    EXPECT_EQ(platform.fileErrors, std::vector<std::string>{temp / "missing.bmp"});

    EXPECT_EQ(platform.titles.size(), 1u);
    EXPECT_EQ(doc.m_bImageOpen, 1);
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_EQ(Pixels(view.CurrentImage()), shown);
    EXPECT_EQ(doc.m_dib.GetWidth(), 400);
}

TEST_F(LoadTest, TwentyFourBitFileGoesThroughPalettorAndLeavesNoTemporaryFile) {
    Open(Sample("horse_400x328_24bit_imagemagick.bmp"));
    ASSERT_TRUE(platform.messages.empty()) << platform.messages[0];
    EXPECT_EQ(platform.converterRuns, 1);
    EXPECT_EQ(doc.m_bImageOpen, 1);
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_EQ(doc.m_dib.GetBitCount(), 24);
    EXPECT_EQ(view.DisplayedImage(), &view.CurrentImage());
    EXPECT_TRUE(temp.Contents().empty());
    for (const Dib* dib : {&view.CurrentImage(), &view.OriginalImage(), &std::as_const(view.BaseImage()),
                           &view.WorkImage(), &view.PreviousImage()}) {
        ASSERT_EQ(dib->GetBitCount(), 8);
        EXPECT_EQ(dib->GetWidth(), 400);
        EXPECT_EQ(dib->GetHeight(), 328);
        ASSERT_EQ(dib->GetColorCount(), 256u);
        for (int i = 0; i < 256; ++i) {
            const RgbQuad& entry = dib->GetColorTable()[i];
            ASSERT_TRUE(entry.rgbRed == i && entry.rgbGreen == i && entry.rgbBlue == i) << i;
        }
        EXPECT_EQ(Pixels(*dib), Pixels(view.CurrentImage()));
    }
    // The same picture stored as 8-bit grey: the 12-bit colour cube costs
    // at most the four low bits of each channel.
    std::vector<std::uint8_t> pixels = Pixels(view.CurrentImage());
    Dib grey;
    ReadPicture(grey, Sample("horse_400x328_8bit_grey_pillow.bmp"), platform);
    std::vector<std::uint8_t> reference = Pixels(grey);
    ASSERT_EQ(pixels.size(), reference.size());
    int far = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) far += std::abs(pixels[i] - reference[i]) > 16 ? 1 : 0;
    EXPECT_EQ(far, 0);

    // Restore original after processing gives the grey image as loaded.
    view.OnCommand(cmd::kEdgeSobel);
    view.OnCommand(cmd::kBinariseIterative);
    view.OnCommand(cmd::kRestoreOriginal);
    EXPECT_EQ(Pixels(view.CurrentImage()), pixels);
}

TEST_F(LoadTest, OtherFormatsLoadAsTheBmpOfTheirPixelsAndBadOnesChangeNothing) {
    // A colour PNG takes the 24-bit path through Palettor, as the BMP it was
    // made from does.
    ViewTest<>::Open(Sample("crawfish_459x477_24bit_oddwidth_netpbm.bmp"));
    std::vector<std::uint8_t> fromBmp = Pixels(view.CurrentImage());
    const std::string png = RequireFixture(kTestData + "/formats/crawfish_459x477_rgb.png");
    Open(png);
    ASSERT_TRUE(platform.messages.empty()) << platform.messages[0];
    EXPECT_EQ(platform.converterRuns, 2);
    EXPECT_EQ(doc.m_dib.GetBitCount(), 24);
    EXPECT_EQ(Pixels(view.CurrentImage()), fromBmp);
    EXPECT_EQ(platform.titles.back(), png);

    // A multi-page file names the page in the title.
    const std::string pages = RequireFixture(kTestData + "/formats/crawfish_459x477_multipage.tif");
    Open(pages);
    EXPECT_EQ(platform.titles.back(), pages + " - 第1页，共2页");

    // A palette PNG is shown as the grey levels of its colours.
    Open(RequireFixture(kTestData + "/formats/lamp_194x285_pal.png"));
    ASSERT_TRUE(platform.messages.empty()) << platform.messages[0];
    EXPECT_EQ(view.DisplayedImage(), &doc.m_dib);
    ASSERT_EQ(doc.m_dib.GetColorCount(), 256u);
    EXPECT_EQ(doc.m_dib.GetColorTable()[77].rgbGreen, 77);
    EXPECT_EQ(Pixels(view.OriginalImage()), Pixels(doc.m_dib));
    std::vector<std::uint8_t> shown = Pixels(view.CurrentImage());
    std::size_t titles = platform.titles.size();

    // Damaged files: the library's reason, and nothing changes.
    Open(RequireFixture(kTestData + "/formats/crawfish_459x477_truncated.png"));
    Open(RequireFixture(kTestData + "/formats/crawfish_459x477_truncated.jpg"));
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[0].rfind("打开失败,PNG文件已损坏或不完整: ", 0), 0u) << platform.messages[0];
    EXPECT_EQ(platform.messages[1], "打开失败,JPEG文件已损坏或不完整: Premature end of JPEG file");
    EXPECT_EQ(platform.titles.size(), titles);
    EXPECT_EQ(doc.m_dib.GetWidth(), 194);
    EXPECT_EQ(Pixels(view.CurrentImage()), shown);
    EXPECT_EQ(view.DisplayedImage(), &doc.m_dib);
}

TEST_F(LoadTest, OtherDepthsGiveTheDepthMessageAndDrawNothing) {
    for (const std::string& path :
         {Sample("horse_400x328_1bit_netpbm.bmp"), Sample("lamp_194x285_4bit_graphicsmagick.bmp"),
          SuiteFile("g/rgb16.bmp"), SuiteFile("g/rgb32.bmp")}) {
        SCOPED_TRACE(path);
        platform.messages.clear();
        Open(path);
        EXPECT_EQ(platform.messages, std::vector<std::string>{kMsgUnsupportedDepth});
        EXPECT_EQ(doc.m_bImageOpen, 0);
        EXPECT_EQ(doc.m_bReloadPending, 0);
        RecordingCanvas canvas;
        view.OnDraw(canvas);
        EXPECT_TRUE(canvas.images.empty() && canvas.lines.empty());
    }
}

TEST_F(LoadTest, FailedLoadKeepsTheOldImagesAndCommandsDoNothing) {
    Open(Sample("horse_400x328_8bit_grey_pillow.bmp"));
    std::vector<std::uint8_t> horse = Pixels(view.CurrentImage());
    ASSERT_EQ(Pixels(view.BaseImage()), horse);  // the base, made on first use
    Open(SuiteFile("g/rgb32.bmp"));
    ASSERT_EQ(doc.m_bImageOpen, 0);
    int invalidations = platform.invalidations;
    for (const Command& command : CommandTable()) {
        if (!command.RunsInView() || command.id == cmd::kFileOpen) continue;
        EXPECT_TRUE(view.OnCommand(command.id)) << command.id;
    }
    view.OnParamChanged(100);
    EXPECT_EQ(platform.invalidations, invalidations);
    EXPECT_TRUE(platform.saveDialogs.empty());
    EXPECT_TRUE(platform.dialogs.empty());
    EXPECT_EQ(Pixels(view.CurrentImage()), horse);

    EXPECT_EQ(Pixels(view.BaseImage()), horse);

    // A good file afterwards works again, and its base, asked for after a
    // command, is that picture as loaded.
    Open(Sample("camera_512x512_8bit_grey_imagemagick.bmp"));
    EXPECT_EQ(doc.m_bImageOpen, 1);
    EXPECT_EQ(view.CurrentImage().GetWidth(), 512);
    view.OnCommand(cmd::kInvert);
    EXPECT_EQ(view.BaseImage().GetWidth(), 512);
    EXPECT_EQ(Pixels(view.BaseImage()), Pixels(view.OriginalImage()));
    EXPECT_NE(Pixels(view.BaseImage()), Pixels(view.CurrentImage()));
}

TEST_F(LoadTest, CommandsBeforeAnyImageDoNothing) {
    for (const Command& command : CommandTable()) {
        if (!command.RunsInView() || command.id == cmd::kFileOpen) continue;
        EXPECT_TRUE(view.OnCommand(command.id)) << command.id;
    }
    view.OnParamChanged(10);
    EXPECT_EQ(platform.invalidations, 0);
    EXPECT_TRUE(platform.saveDialogs.empty() && platform.dialogs.empty() && platform.busy.empty());
    RecordingCanvas canvas;
    view.OnDraw(canvas);
    EXPECT_TRUE(canvas.images.empty() && canvas.lines.empty());
    // Framework commands and unknown identifiers are not the view's.
    for (int id : {cmd::kFileNew, cmd::kFilePrint, cmd::kAppAbout, cmd::kEditUndo, 0, 32780})
        EXPECT_FALSE(view.OnCommand(id)) << id;
}

TEST_F(LoadTest, FileErrorDuringLoadingKeepsTheLoadPending) {
    std::string path = temp / "drawing.bmp";
    WriteGreyBmp(path, 12, 10, [](int x, int y) { return std::uint8_t(x * 20 + y); });
    platform.answers.push_back(path);
    view.OnCommand(cmd::kFileOpen);
    std::filesystem::rename(path, temp / "away.bmp");
    RecordingCanvas canvas;
    view.OnDraw(canvas);
    EXPECT_EQ(platform.fileErrors, std::vector<std::string>{path});
    EXPECT_EQ(doc.m_bImageOpen, 1);
    EXPECT_EQ(doc.m_bReloadPending, 1);
    EXPECT_TRUE(canvas.images.empty());
    view.OnCommand(cmd::kInvert);  // nothing loaded yet: nothing happens
    EXPECT_TRUE(view.CurrentImage().IsEmpty());

    // The next drawing pass repeats the whole load.
    std::filesystem::rename(temp / "away.bmp", path);
    view.OnDraw(canvas);
    EXPECT_EQ(doc.m_bReloadPending, 0);
    ASSERT_EQ(canvas.images.size(), 1u);
    EXPECT_EQ(canvas.images[0].width, 12);
}

// Processes of the group pgid that are not zombies (a killed orphan stays a
// zombie until its new parent reaps it).
int LiveGroupMembers(pid_t pgid) {
    int live = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        live = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            if (!std::getline(stat, line)) continue;
            // pid (comm) state ppid pgrp ...; comm may hold spaces.
            std::istringstream rest(line.substr(line.rfind(')') + 2));
            char state = 0;
            long ppid = 0, pgrp = 0;
            rest >> state >> ppid >> pgrp;
            if (pgrp == pgid && state != 'Z' && state != 'X') ++live;
        }
        if (live == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return live;
}

class ConverterTest : public LoadTest {
protected:
    void OpenTwentyFourBit() { Open(Sample("chelsea_crop_5x3_24bit_imagemagick.bmp")); }
    void ExpectPalettorMessage() {
        EXPECT_EQ(platform.messages, std::vector<std::string>{kMsgPalettorFailed});
        EXPECT_EQ(doc.m_bImageOpen, 0);
        EXPECT_EQ(doc.m_bReloadPending, 0);
        EXPECT_TRUE(temp.Contents().empty());
    }
    TempDir programs;
};

TEST_F(ConverterTest, MissingPalettor) {
    platform.programDirectory = programs.path();
    OpenTwentyFourBit();
    ExpectPalettorMessage();
}

TEST_F(ConverterTest, FailingPalettor) {
    platform.programDirectory = programs.path();
    // Writes something, then fails: the half-written result is not read.
    WriteScript(programs.path(), "Palettor", "echo broken > \"$2\"; exit 255");
    OpenTwentyFourBit();
    ExpectPalettorMessage();
}

TEST_F(ConverterTest, HangingPalettorIsKilledAtTheTimeLimit) {
    platform.programDirectory = programs.path();
    std::string pidFile = programs / "pid";
    WriteScript(programs.path(), "Palettor", "echo $$ > \"" + pidFile + "\"; sleep 30");
    view.SetConverterTimeout(std::chrono::milliseconds(300));
    auto start = std::chrono::steady_clock::now();
    OpenTwentyFourBit();
    auto elapsed = std::chrono::steady_clock::now() - start;
    ExpectPalettorMessage();
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    // The script and its sleep are gone: the whole process group was killed.
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(LiveGroupMembers(pid), 0);
}

TEST_F(ConverterTest, ConverterSeesAPrivateFolderAndBothArgumentsAreTheFile) {
    platform.programDirectory = programs.path();
    std::string log = programs / "args";
    WriteScript(programs.path(), "Palettor",
                "echo \"$1|$2\" > \"" + log + "\"; stat -c %a \"$(dirname \"$1\")\" >> \"" + log +
                    "\"; exec \"" LINTRA_BIN_DIR "/Palettor\" \"$1\" \"$2\" > /dev/null");
    OpenTwentyFourBit();
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(doc.m_bImageOpen, 1);
    std::ifstream in(log);
    std::string args, mode;
    std::getline(in, args);
    std::getline(in, mode);
    std::string file = args.substr(0, args.find('|'));
    EXPECT_EQ(args, file + "|" + file);
    EXPECT_EQ(std::filesystem::path(file).filename(), "temp.bmp");
    EXPECT_EQ(std::filesystem::path(file).parent_path().parent_path(), temp.path());
    EXPECT_EQ(mode, "700");
    EXPECT_TRUE(temp.Contents().empty());
}

}  // namespace
}  // namespace lintra::test
