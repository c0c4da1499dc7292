// Faults around the view: Save and DXF export onto a full disk, a read-only
// folder or a failing device; an unusable temporary directory and converters
// that fail in new ways; a source file that changes between Open and the
// load. Each case shows the failure reported, the earlier file intact and the
// view as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/messages.h"
#include "docview/view.h"
#include "fault_folders.h"
#include "formats/read_picture.h"
#include "image/bmp_messages.h"
#include "view_fixture.h"

namespace lintra::test {
namespace {

// Records the whole text of each file error, as the desktop program shows it.
class ReportingPlatform : public FakePlatform {
public:
    std::vector<std::string> reports;
    void ReportFileError(const FileError& error) override {
        FakePlatform::ReportFileError(error);
        reports.push_back(error.what());
    }
};

// Everything a failed Save, export or load must leave as it was.
struct ViewState {
    std::vector<std::vector<std::uint8_t>> images;
    const Dib* display = nullptr;
    std::int32_t vectorMode = 0;
    SegmentList segments;
    std::int32_t imageOpen = 0, reloadPending = 0;
    friend bool operator==(const ViewState&, const ViewState&) = default;
};

class FaultTest : public ViewTest<ReportingPlatform> {
protected:
    // A drawing with processed images, segments and vector mode on.
    void OpenProcessedDrawing() {
        WriteGreyBmp(temp / "drawing.bmp", 64, 48, [](int x, int y) {
            return std::uint8_t((x - 20) * (x - 20) + (y - 24) * (y - 24) < 150 ? 30 : 220);
        });
        Open(temp / "drawing.bmp");
        for (int id : {cmd::kBinariseThreshold, cmd::kThin, cmd::kVectorise1}) view.OnCommand(id);
        ASSERT_FALSE(doc.m_segmentList.empty());
        ASSERT_TRUE(view.VectorMode());
    }
    ViewState State() {
        ViewState s;
        for (const Dib* dib : {&view.CurrentImage(), &view.OriginalImage(), &std::as_const(view.BaseImage()),
                               &view.WorkImage(), &view.PreviousImage()})
            s.images.push_back(Pixels(*dib));
        s.display = view.DisplayedImage();
        s.vectorMode = view.VectorMode();
        s.segments = doc.m_segmentList;
        s.imageOpen = doc.m_bImageOpen;
        s.reloadPending = doc.m_bReloadPending;
        return s;
    }
    // Runs Save to bmp and DXF export to dxf while guard (a fault that must
    // be active only during the command) lives; each must be reported once
    // with reason in its text, and change neither the view nor the files
    // that were there before.
    template <typename Guard>
    void ExpectSaveAndExportRefused(const std::string& bmp, const std::string& dxf,
                                    const std::string& reason) {
        ViewState before = State();
        int invalidations = platform.invalidations;
        platform.answers.push_back(bmp);
        platform.answers.push_back(dxf);
        {
            [[maybe_unused]] Guard guard;
            view.OnCommand(cmd::kFileSave);
            view.OnCommand(cmd::kExportDxf);
        }
        ASSERT_EQ(platform.reports.size(), 2u);
        EXPECT_EQ(platform.fileErrors, (std::vector<std::string>{bmp, dxf}));
        for (const std::string& report : platform.reports)
            EXPECT_NE(report.find(reason), std::string::npos) << report;
        EXPECT_TRUE(platform.messages.empty());
        EXPECT_EQ(platform.invalidations, invalidations);
        EXPECT_TRUE(State() == before);
        platform.reports.clear();
        platform.fileErrors.clear();
    }
};

struct NoGuard {};

const std::string kEarlierBmp = "BM an earlier picture";
const std::string kEarlierDxf = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nENDSEC\r\n0\r\nEOF";
const std::vector<std::pair<std::string, std::string>> kEarlierFiles = {{"earlier.bmp", kEarlierBmp},
                                                                        {"earlier.dxf", kEarlierDxf}};

TEST_F(FaultTest, FullDiskKeepsTheEarlierFilesAndTheView) {
    OpenProcessedDrawing();
    FullFolder full;
    if (std::string why = full.Make(kEarlierFiles); !why.empty()) GTEST_SKIP() << why;
    const std::string noSpace = std::strerror(ENOSPC);
    ExpectSaveAndExportRefused<NoGuard>(full / "earlier.bmp", full / "earlier.dxf", noSpace);
    ExpectSaveAndExportRefused<NoGuard>(full / "new.bmp", full / "new.dxf", noSpace);
    EXPECT_EQ(FileBytes(full / "earlier.bmp"), kEarlierBmp);
    EXPECT_EQ(FileBytes(full / "earlier.dxf"), kEarlierDxf);
    // No temporary file, no half-written new file.
    EXPECT_EQ(Entries(full.path()), (std::vector<std::string>{"earlier.bmp", "earlier.dxf", "filler"}));
}

// Runs anywhere: a file-size limit fails the writes part way, as a disk that
// fills up during the Save does.
struct SmallFileLimit : FileSizeLimit {
    SmallFileLimit() : FileSizeLimit(16) {}
};

TEST_F(FaultTest, WriteCutOffPartWayKeepsTheEarlierFilesAndTheView) {
    OpenProcessedDrawing();
    Folder folder;
    for (const auto& [name, bytes] : kEarlierFiles) PutFile(folder / name, bytes);
    ExpectSaveAndExportRefused<SmallFileLimit>(folder / "earlier.bmp", folder / "earlier.dxf",
                                               std::strerror(EFBIG));
    EXPECT_EQ(FileBytes(folder / "earlier.bmp"), kEarlierBmp);
    EXPECT_EQ(FileBytes(folder / "earlier.dxf"), kEarlierDxf);
    EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"earlier.bmp", "earlier.dxf"}));
}

TEST_F(FaultTest, FullDeviceIsReportedAndStaysADevice) {
    if (!std::filesystem::is_character_file("/dev/full")) GTEST_SKIP() << "no /dev/full";
    OpenProcessedDrawing();
    // Through a link in a folder of the test's own: /dev/full is written
    // through it, never renamed over.
    Folder folder;
    std::filesystem::create_symlink("/dev/full", folder / "full.bmp");
    std::filesystem::create_symlink("/dev/full", folder / "full.dxf");
    ExpectSaveAndExportRefused<NoGuard>(folder / "full.bmp", folder / "full.dxf", std::strerror(ENOSPC));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "full.bmp"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "full.dxf"));
    EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"full.bmp", "full.dxf"}));
}

TEST_F(FaultTest, ReadOnlyMountKeepsTheEarlierFilesAndTheView) {
    OpenProcessedDrawing();
    ReadOnlyMount folder;
    if (std::string why = folder.Make(kEarlierFiles); !why.empty()) GTEST_SKIP() << why;
    const std::string readOnly = std::strerror(EROFS);
    ExpectSaveAndExportRefused<NoGuard>(folder / "earlier.bmp", folder / "earlier.dxf", readOnly);
    ExpectSaveAndExportRefused<NoGuard>(folder / "new.bmp", folder / "new.dxf", readOnly);
    EXPECT_EQ(FileBytes(folder / "earlier.bmp"), kEarlierBmp);
    EXPECT_EQ(FileBytes(folder / "earlier.dxf"), kEarlierDxf);
}

TEST_F(FaultTest, FolderAndFilesWithoutWritePermissionAreNotReplaced) {
    if (std::string why = ActAsOtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OpenProcessedDrawing();
    ReadOnlyPermissions folder;
    ASSERT_EQ(folder.Make(kEarlierFiles), "");
    const std::string denied = std::strerror(EACCES);
    ExpectSaveAndExportRefused<ActAsOtherUser>(folder / "earlier.bmp", folder / "earlier.dxf", denied);
    ExpectSaveAndExportRefused<ActAsOtherUser>(folder / "new.bmp", folder / "new.dxf", denied);
    EXPECT_EQ(FileBytes(folder / "earlier.bmp"), kEarlierBmp);
    EXPECT_EQ(FileBytes(folder / "earlier.dxf"), kEarlierDxf);
    EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"earlier.bmp", "earlier.dxf"}));
}

// A read-only file in a folder that may be written: replacing it by a rename
// would slip past its own permission, so it is refused as truncating it
// would be.
TEST_F(FaultTest, ReadOnlyFileInAWritableFolderIsNotReplaced) {
    if (std::string why = ActAsOtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OpenProcessedDrawing();
    Folder folder;
    chmod(folder.path().c_str(), 0777);
    for (const auto& [name, bytes] : kEarlierFiles) {
        PutFile(folder / name, bytes);
        chmod((folder / name).c_str(), 0444);
    }
    ExpectSaveAndExportRefused<ActAsOtherUser>(folder / "earlier.bmp", folder / "earlier.dxf",
                                               std::strerror(EACCES));
    EXPECT_EQ(FileBytes(folder / "earlier.bmp"), kEarlierBmp);
    EXPECT_EQ(FileBytes(folder / "earlier.dxf"), kEarlierDxf);
    EXPECT_EQ(Entries(folder.path()), (std::vector<std::string>{"earlier.bmp", "earlier.dxf"}));
}

// A linked destination keeps its link; the file it names gets the picture.
TEST_F(FaultTest, SaveThroughALinkReplacesTheFileItNames) {
    OpenProcessedDrawing();
    Folder folder;
    std::filesystem::create_directory(folder / "real");
    PutFile(folder / "real/picture.bmp", kEarlierBmp);
    std::filesystem::create_symlink("real/picture.bmp", folder / "link.bmp");
    view.OnCommand(cmd::kShowBitmap);
    platform.answers.push_back(folder / "link.bmp");
    view.OnCommand(cmd::kFileSave);
    EXPECT_TRUE(platform.reports.empty());
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.bmp"));
    Dib saved;
    ReadPicture(saved, folder / "real/picture.bmp", platform);
    EXPECT_EQ(Pixels(saved), Pixels(view.CurrentImage()));
    EXPECT_EQ(Entries(folder / "real"), std::vector<std::string>{"picture.bmp"});
}

// The converter's temporary directory cannot hold the private folder: the
// load is reported like any file error during loading and stays pending; the
// images loaded before are kept, and nothing is left behind.
TEST_F(FaultTest, UnusableTemporaryDirectoryKeepsTheLoadPending) {
    OpenProcessedDrawing();
    ViewState before = State();
    Folder scratch;
    PutFile(scratch / "a-file", "not a folder");
    ReadOnlyPermissions readOnly;
    ASSERT_EQ(readOnly.Make({}), "");
    struct Case {
        std::string tmpdir, reason;
        bool otherUser;
    };
    for (const Case& c : {Case{scratch / "a-file", std::strerror(ENOTDIR), false},
                          Case{scratch / "missing", std::strerror(ENOENT), false},
                          Case{readOnly.path(), std::strerror(EACCES), true}}) {
        SCOPED_TRACE(c.tmpdir);
        // Root that cannot become another user writes into any folder.
        if (c.otherUser && !ActAsOtherUser::Unavailable().empty()) continue;
        platform.tempDirectory = c.tmpdir;
        platform.reports.clear();
        platform.fileErrors.clear();
        platform.answers.push_back(Sample("chelsea_crop_5x3_24bit_imagemagick.bmp"));
        view.OnCommand(cmd::kFileOpen);
        {
            std::optional<ActAsOtherUser> other;
            if (c.otherUser) other.emplace();
            Draw();
        }
        ASSERT_EQ(platform.reports.size(), 1u);
        EXPECT_EQ(platform.fileErrors, std::vector<std::string>{c.tmpdir});
        EXPECT_NE(platform.reports[0].find(c.reason), std::string::npos) << platform.reports[0];
        EXPECT_EQ(platform.converterRuns, 0);
        EXPECT_EQ(doc.m_bImageOpen, 1);
        EXPECT_EQ(doc.m_bReloadPending, 1);
        ViewState now = State();
        EXPECT_TRUE(now.images == before.images);
        EXPECT_EQ(now.segments, before.segments);
        view.OnCommand(cmd::kInvert);  // nothing loaded: the commands wait
        EXPECT_TRUE(Pixels(view.CurrentImage()) == before.images[0]);
    }
    EXPECT_EQ(Entries(scratch.path()), std::vector<std::string>{"a-file"});
    EXPECT_TRUE(Entries(readOnly.path()).empty());
    // A usable directory again: the next drawing pass completes the load.
    platform.tempDirectory = temp.path();
    Draw();
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_EQ(view.CurrentImage().GetWidth(), 5);
    EXPECT_EQ(platform.converterRuns, 1);
}

// A temporary directory on a full disk: with no room for the picture the
// load is a file error and stays pending; with room for the picture but not
// for the converter's result, the converter fails. Either way the private
// folder is gone.
TEST_F(FaultTest, FullTemporaryDirectory) {
    OpenProcessedDrawing();
    ViewState before = State();
    for (int freePages : {0, 1}) {
        SCOPED_TRACE(freePages);
        FullFolder full;
        if (std::string why = full.Make({}, freePages); !why.empty()) GTEST_SKIP() << why;
        platform.tempDirectory = full.path();
        platform.messages.clear();
        platform.reports.clear();
        platform.converterRuns = 0;
        Open(Sample("chelsea_crop_5x3_24bit_imagemagick.bmp"));
        if (freePages == 0) {
            ASSERT_EQ(platform.reports.size(), 1u);
            EXPECT_NE(platform.reports[0].find(std::strerror(ENOSPC)), std::string::npos)
                << platform.reports[0];
            EXPECT_EQ(platform.converterRuns, 0);
            EXPECT_EQ(doc.m_bReloadPending, 1);
        } else {
            EXPECT_TRUE(platform.reports.empty());
            EXPECT_EQ(platform.converterRuns, 1);
            EXPECT_EQ(platform.messages, std::vector<std::string>{kMsgPalettorFailed});
            EXPECT_EQ(doc.m_bReloadPending, 0);
            EXPECT_EQ(doc.m_bImageOpen, 0);
        }
        EXPECT_TRUE(State().images == before.images);
        EXPECT_EQ(Entries(full.path()), std::vector<std::string>{"filler"});
    }
}

// Converters that end "successfully" without a usable result, or die: each
// is refused, the earlier images stay, and the private folder goes with
// whatever the converter left in it.
TEST_F(FaultTest, BrokenConverterResultsLeaveNoTemporaryFolder) {
    OpenProcessedDrawing();
    ViewState before = State();
    TempDir programs;
    platform.programDirectory = programs.path();
    Folder tmp;
    platform.tempDirectory = tmp.path();
    struct Case {
        std::string script;
        std::string message;  // empty: a file error, the load pending
        bool loads = false;
    };
    const std::string real = LINTRA_BIN_DIR "/Palettor";
    for (const Case& c : {
             Case{"exit 0", kMsgPalettorFailed},  // the 24-bit file left as it was
             Case{"echo garbage > \"$2\"; exit 0", kMsgNotBitmap},
             Case{"rm \"$2\"; exit 0", ""},
             // The 8-bit result cut short inside its pixel rows.
             Case{"\"" + real + "\" \"$1\" \"$2\"; truncate -s 1100 \"$2\"", kMsgNoPixels},
             Case{"kill -SEGV $$", kMsgPalettorFailed},
             Case{"\"" + real + "\" \"$1\" \"$2\"; touch \"$2.side\" \"$(dirname \"$2\")/other\"; exit 0", "",
                  true},
         }) {
        SCOPED_TRACE(c.script);
        WriteScript(programs.path(), "Palettor", c.script);
        platform.messages.clear();
        platform.reports.clear();
        Open(Sample("chelsea_crop_5x3_24bit_imagemagick.bmp"));
        EXPECT_TRUE(Entries(tmp.path()).empty());
        if (c.loads) {
            // A real conversion with litter beside it: loaded, litter gone.
            EXPECT_TRUE(platform.messages.empty() && platform.reports.empty());
            EXPECT_EQ(doc.m_bReloadPending, 0);
            EXPECT_EQ(view.CurrentImage().GetWidth(), 5);
            continue;
        }
        if (c.message.empty()) {
            EXPECT_TRUE(platform.messages.empty());
            EXPECT_EQ(platform.reports.size(), 1u);
            EXPECT_EQ(doc.m_bReloadPending, 1);
        } else {
            EXPECT_EQ(platform.messages, std::vector<std::string>{c.message});
            EXPECT_TRUE(platform.reports.empty());
            EXPECT_EQ(doc.m_bReloadPending, 0);
            EXPECT_EQ(doc.m_bImageOpen, 0);
        }
        EXPECT_TRUE(State().images == before.images);
    }
}

// The source changes on disk after Open has read it and before the drawing
// pass loads the view's images from it.
TEST_F(FaultTest, EightBitSourceTruncatedBeforeTheLoadIsRefused) {
    OpenProcessedDrawing();
    ViewState before = State();
    std::string path = temp / "later.bmp";
    WriteGreyBmp(path, 40, 30, [](int x, int y) { return std::uint8_t(x + y); });
    platform.answers.push_back(path);
    view.OnCommand(cmd::kFileOpen);
    std::filesystem::resize_file(path, 1078 + 40 * 15);
    Draw();
    EXPECT_EQ(platform.messages, std::vector<std::string>{kMsgNoPixels});
    EXPECT_EQ(doc.m_bImageOpen, 0);
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_TRUE(State().images == before.images);
    // Nothing is drawn and the commands wait for the next Open.
    RecordingCanvas canvas;
    view.OnDraw(canvas);
    EXPECT_TRUE(canvas.images.empty() && canvas.lines.empty());
    view.OnCommand(cmd::kInvert);
    EXPECT_TRUE(State().images == before.images);
}

TEST_F(FaultTest, EightBitSourceReplacedByAnotherDepthBeforeTheLoadIsRefused) {
    OpenProcessedDrawing();
    std::string path = temp / "later.bmp";
    WriteGreyBmp(path, 40, 30, [](int x, int y) { return std::uint8_t(x + y); });
    platform.answers.push_back(path);
    view.OnCommand(cmd::kFileOpen);
    std::filesystem::copy_file(Sample("chelsea_crop_5x3_24bit_imagemagick.bmp"), path,
                               std::filesystem::copy_options::overwrite_existing);
    Draw();
    EXPECT_EQ(platform.messages, std::vector<std::string>{kMsgUnsupportedDepth});
    EXPECT_EQ(doc.m_bImageOpen, 0);
    EXPECT_EQ(doc.m_bReloadPending, 0);
    RecordingCanvas canvas;
    view.OnDraw(canvas);
    EXPECT_TRUE(canvas.images.empty() && canvas.lines.empty());
    // A good file afterwards loads as usual.
    Open(Sample("page_crop_7x5_8bit_grey_pillow.bmp"));
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_EQ(view.CurrentImage().GetWidth(), 7);
    view.OnCommand(cmd::kInvert);
    EXPECT_EQ(view.DisplayedImage(), &view.CurrentImage());
}

TEST_F(FaultTest, TwentyFourBitSourceGoneBeforeTheLoadStillLoadsFromTheDocument) {
    std::string path = temp / "colour.bmp";
    std::filesystem::copy_file(Sample("chelsea_crop_5x3_24bit_imagemagick.bmp"), path);
    platform.answers.push_back(path);
    view.OnCommand(cmd::kFileOpen);
    std::filesystem::remove(path);
    Draw();
    EXPECT_TRUE(platform.messages.empty() && platform.reports.empty());
    EXPECT_EQ(doc.m_bReloadPending, 0);
    EXPECT_EQ(view.CurrentImage().GetWidth(), 5);
    EXPECT_EQ(view.CurrentImage().GetBitCount(), 8);
    EXPECT_TRUE(temp.Contents().empty());
}

}  // namespace
}  // namespace lintra::test
