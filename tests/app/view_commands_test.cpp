// The whole program on the offscreen platform: opening from the command
// line's path, the painted view, every processing item reaching its
// handler, the parameter dialogs driving the view, saving and printing.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/busy_notice.h"
#include "app/cad_options_dialog.h"
#include "app/file_dialogs.h"
#include "app/lintra_app.h"
#include "app/main_frame.h"
#include "app/param_dialog.h"
#include "app/printing.h"
#include "app/recent_files.h"
#include "app/started_app.h"
#include "app/user_input.h"
#include "app/view_widget.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/view.h"

using namespace lintra;

namespace {

// Clean, as the program shows it in the title and keeps it in the recent list.
const QString kSamples = QDir::cleanPath(QStringLiteral(LINTRA_TEST_DATA_DIR "/samples")) + u'/';
const QString kHorse = kSamples + QStringLiteral("horse_400x328_8bit_grey_pillow.bmp");
const QString kCamera = kSamples + QStringLiteral("camera_512x512_8bit_grey_imagemagick.bmp");
const QString kOneBitHorse = kSamples + QStringLiteral("horse_400x328_1bit_netpbm.bmp");

// The current image's pixels, top row first, as a comparable byte string.
QByteArray Pixels(const Dib& dib) {
    ImageView view = dib.View();
    QByteArray bytes;
    for (int y = view.height - 1; y >= 0; --y)
        bytes.append(reinterpret_cast<const char*>(view.row(y)), view.width);
    return bytes;
}

// The picture as the view shows it: the grab's region at (5, 5).
QImage Shown(LintraViewWidget& widget, QSize size) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(QRect(QPoint(5, 5), size));
}

}  // namespace

class TestViewCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openShowsThePictureAtFiveFive();
    void largePictureOpensFittedAndScrollsAtFullSize();
    void zoomPaintsEachPixelAsABlock();
    void zoomFollowsTheWheelAndStaysInRange();
    void largePageZoomsOutToFitAndKeepsThinLines();
    void middleButtonAndSpacePan();
    void droppedFileOpens();
    void everyProcessingItemReachesItsHandler();
    void everyFrontEndCommandHasAHandler();
    void vectorModePaintsSegmentsInDarkRed();
    void paramDialogAppliesTheReleasedPosition();
    void newestDialogChoosesTheOperation();
    void saveWritesTheDisplayedImage();
    void cadSaveDialogFilterDecidesTheFormat();
    void cadOptionsStartFromEachPicturesResolution();
    void refusedFileLeavesTitleAndReportsIt();
    void pixelBudgetSettingRefusesLargerPictures();
    void fileGoneBeforeTheLoadIsReportedOnce();
    void printsToPdf();

private:
    void Open(const QString& path);

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CLintraApp> m_app;
    QStringList m_messages;
};

void TestViewCommands::init() {
    // Every sample read here: a missing one fails each test with its path
    // (a failed init skips the test) instead of failing it far from the cause.
    for (const QString& sample : {kHorse, kCamera, kOneBitHorse})
        QVERIFY2(QFileInfo(sample).isFile(), qPrintable(QStringLiteral("missing test file ") + sample));
    QVERIFY(m_dir.isValid());
    m_settings =
        std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    m_app = std::make_unique<CLintraApp>(*m_settings);
    m_messages.clear();
    QVERIFY(test::StartUnattended(*m_app, [this](const QString& text) { m_messages.append(text); }));
}

void TestViewCommands::cleanup() {
    m_app.reset();
    m_settings.reset();
}

void TestViewCommands::Open(const QString& path) {
    // A processed picture is left without saving it.
    auto discard =
        test::AnswerModals([](QWidget* modal) { test::ClickMessageBoxButton(modal, QMessageBox::No); });
    m_app->OpenFile(path);
    m_app->ViewWidget().Refresh();
    QCoreApplication::processEvents();
}

void TestViewCommands::openShowsThePictureAtFiveFive() {
    // Before any Open nothing is painted.
    QImage blank = m_app->ViewWidget().grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(blank.pixel(10, 10), qRgb(255, 255, 255));

    Open(kHorse);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QCOMPARE(m_app->Frame().windowTitle(), kHorse + QStringLiteral(" - Contourix"));
    // The load was timed for the busy notice, as an 8-bit file.
    QVERIFY(m_app->Busy().SecondsPerPixel(CLintraApp::kLoadKey - 8) >= 0);
    QCOMPARE(m_app->Recent().Paths().value(0), kHorse);
    QImage expected = QImage(kHorse).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!expected.isNull());
    QCOMPARE(m_app->ViewWidget().ContentSize(), expected.size() + QSize(10, 10));
    QImage grabbed = m_app->ViewWidget().grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(grabbed.copy(QRect(QPoint(5, 5), expected.size())), expected);
    // The margin keeps the background.
    QCOMPARE(grabbed.pixel(4, 4), qRgb(255, 255, 255));
    QCOMPARE(grabbed.pixel(5 + expected.width(), 5 + expected.height()), qRgb(255, 255, 255));
}

void TestViewCommands::largePictureOpensFittedAndScrollsAtFullSize() {
    m_app->Frame().resize(400, 300);
    QCoreApplication::processEvents();
    Open(kCamera);
    QCoreApplication::processEvents();
    QScrollArea& area = m_app->ScrollArea();
    LintraViewWidget& widget = m_app->ViewWidget();
    // Larger than the window: opened as large as fits, without scroll bars.
    QVERIFY2(widget.Zoom() < 1.0, qPrintable(QString::number(widget.Zoom())));
    QVERIFY(!area.horizontalScrollBar()->isVisible());
    QVERIFY(!area.verticalScrollBar()->isVisible());
    QCOMPARE(m_app->ZoomLabel().text(), QString::number(std::round(widget.Zoom() * 1000) / 10) + u'%');
    // Ctrl+0: 100%, the picture's own size, with scroll bars.
    m_app->Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_app->Frame()));
    QTest::keyClick(&m_app->Frame(), Qt::Key_0, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QCOMPARE(widget.Zoom(), 1.0);
    QCOMPARE(m_app->ZoomLabel().text(), QStringLiteral("100%"));
    QVERIFY(area.horizontalScrollBar()->isVisible());
    QVERIFY(area.verticalScrollBar()->isVisible());
    QCOMPARE(widget.size(), QSize(522, 522));
    // Ctrl+F fits it again.
    QTest::keyClick(&m_app->Frame(), Qt::Key_F, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QVERIFY(widget.Zoom() < 1.0);
    QVERIFY(!area.verticalScrollBar()->isVisible());
    // At 100% in a window large enough: no scroll bars.
    QTest::keyClick(&m_app->Frame(), Qt::Key_0, Qt::ControlModifier);
    m_app->Frame().resize(900, 800);
    QCoreApplication::processEvents();
    QVERIFY(!area.horizontalScrollBar()->isVisible());
    QVERIFY(!area.verticalScrollBar()->isVisible());
}

void TestViewCommands::zoomPaintsEachPixelAsABlock() {
    Open(kHorse);
    LintraViewWidget& widget = m_app->ViewWidget();
    QCOMPARE(widget.Zoom(), 1.0);
    const QImage actual = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QSize picture(400, 328);
    m_app->Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_app->Frame()));
    QTest::keyClick(&m_app->Frame(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(widget.Zoom(), 2.0);
    QCOMPARE(m_app->ZoomLabel().text(), QStringLiteral("200%"));
    QCoreApplication::processEvents();
    QCOMPARE(widget.size().expandedTo(QSize(810, 666)), widget.size());
    // Each picture pixel paints as a 2 x 2 block from (5, 5) on.
    const QImage zoomed = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb expected = actual.pixel(5 + x, 5 + y);
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    wrong += zoomed.pixel(5 + 2 * x + dx, 5 + 2 * y + dy) != expected;
        }
    QCOMPARE(wrong, 0);
    QCOMPARE(zoomed.pixel(4, 4), qRgb(255, 255, 255));
    QCOMPARE(zoomed.pixel(5 + 2 * picture.width(), 5 + 2 * picture.height()), qRgb(255, 255, 255));

    // The vectors scale with the picture: every segment's start lies in
    // the block of its pixel.
    CMainFrame& frame = m_app->Frame();
    for (int id : {cmd::kBinariseIterative, cmd::kThin, cmd::kVectorise1}) frame.ActionFor(id)->trigger();
    QCoreApplication::processEvents();
    const QImage vectors = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int starts = 0, found = 0;
    for (const CLineSegment& segment : m_app->Doc().m_segmentList) {
        if (segment.x1 == segment.x2 && segment.y1 == segment.y2) continue;
        ++starts;
        const QPoint block(5 + 2 * segment.x1, 5 + 2 * (picture.height() - 1 - segment.y1));
        bool red = false;
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                red = red || vectors.pixel(block + QPoint(dx, dy)) == qRgb(128, 0, 0);
        found += red ? 1 : 0;
    }
    QVERIFY(starts > 0);
    QCOMPARE(found, starts);

    // Back to 100%: painted exactly as before zooming.
    frame.ActionFor(cmd::kShowBitmap)->trigger();
    frame.ActionFor(cmd::kRestoreOriginal)->trigger();
    QTest::keyClick(&frame, Qt::Key_0, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QCOMPARE(widget.grab().toImage().convertToFormat(QImage::Format_RGB32), actual);
}

void TestViewCommands::zoomFollowsTheWheelAndStaysInRange() {
    Open(kHorse);
    LintraViewWidget& widget = m_app->ViewWidget();
    // A window smaller than the picture, so both scroll bars move.
    m_app->Frame().resize(400, 300);
    m_app->Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_app->Frame()));
    QCOMPARE(widget.Zoom(), 1.0);
    // Ctrl and the wheel: a notch a doubling; the wheel alone does not zoom.
    QVERIFY(test::SendWheel(&widget, 120, Qt::ControlModifier, QPoint(50, 50)));
    QCOMPARE(widget.Zoom(), 2.0);
    // The picture point under the pointer stays under it: picture pixel
    // (22.5, 22.5) was at (50, 50) and is there again.
    QScrollArea& area = m_app->ScrollArea();
    QCoreApplication::processEvents();
    QCOMPARE(QPoint(area.horizontalScrollBar()->value(), area.verticalScrollBar()->value()), QPoint(45, 45));
    test::SendWheel(&widget, -120, Qt::ControlModifier);
    QCOMPARE(widget.Zoom(), 1.0);
    test::SendWheel(&widget, -120);
    QCOMPARE(widget.Zoom(), 1.0);
    for (int i = 0; i < 10; ++i) QTest::keyClick(&m_app->Frame(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(widget.Zoom(), 0.125);
    QCOMPARE(m_app->ZoomLabel().text(), QStringLiteral("12.5%"));
    for (int i = 0; i < 12; ++i) QTest::keyClick(&m_app->Frame(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(widget.Zoom(), 16.0);
    QCOMPARE(m_app->ZoomLabel().text(), QStringLiteral("1600%"));
    QCoreApplication::processEvents();
    QVERIFY(area.horizontalScrollBar()->isVisible());
    QCOMPARE(widget.size().width(), 400 * 16 + 10);
}

void TestViewCommands::largePageZoomsOutToFitAndKeepsThinLines() {
    // An A4 page at 600 dpi, white, with one-pixel black lines across and down.
    const QSize page(4960, 7016);
    const QList<int> across{1001, 3003, 5005, 7000}, down{7, 1501, 2503, 4950};
    QImage drawing(page, QImage::Format_Indexed8);
    QList<QRgb> grey(256);
    for (int i = 0; i < 256; ++i) grey[i] = qRgb(i, i, i);
    drawing.setColorTable(grey);
    drawing.fill(255);
    for (int y : across) std::memset(drawing.scanLine(y), 0, static_cast<std::size_t>(page.width()));
    for (int y = 0; y < page.height(); ++y)
        for (int x : down) drawing.scanLine(y)[x] = 0;
    const QString path = m_dir.filePath(QStringLiteral("a4_600dpi.bmp"));
    QVERIFY(drawing.save(path, "BMP"));

    m_app->Frame().resize(800, 600);
    QCoreApplication::processEvents();
    Open(path);
    LintraViewWidget& widget = m_app->ViewWidget();
    QScrollArea& area = m_app->ScrollArea();
    // Opened whole, below 12.5%, without scroll bars; Ctrl+- goes no lower
    // than that, Ctrl++ and Ctrl+F come back to it.
    const double fit = widget.Zoom();
    QVERIFY2(fit < 0.125 && fit > 0.05, qPrintable(QString::number(fit)));
    QVERIFY(!area.verticalScrollBar()->isVisible() && !area.horizontalScrollBar()->isVisible());
    m_app->Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_app->Frame()));
    for (int i = 0; i < 3; ++i) QTest::keyClick(&m_app->Frame(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(widget.Zoom(), fit);
    QTest::keyClick(&m_app->Frame(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(widget.Zoom(), 0.125);
    QTest::keyClick(&m_app->Frame(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(widget.Zoom(), fit);
    QCoreApplication::processEvents();

    // Every line is drawn unbroken: each screen row (column) across the
    // picture has a dark pixel where the line passes, within a pixel.
    auto brokenLines = [&](const QImage& shown, double zoom) {
        QStringList broken;
        const int right = 5 + static_cast<int>(page.width() * zoom) - 1;
        const int bottom = 5 + static_cast<int>(page.height() * zoom) - 1;
        auto dark = [&](int x, int y) { return qGray(shown.pixel(x, y)) < 128; };
        for (int y : across) {
            const int row = 5 + static_cast<int>(y * zoom);
            for (int x = 5; x < right; ++x)
                if (!dark(x, row - 1) && !dark(x, row) && !dark(x, row + 1)) {
                    broken << QStringLiteral("row %1 at %2").arg(y).arg(x);
                    break;
                }
        }
        for (int x : down) {
            const int column = 5 + static_cast<int>(x * zoom);
            for (int y = 5; y < bottom; ++y)
                if (!dark(column - 1, y) && !dark(column, y) && !dark(column + 1, y)) {
                    broken << QStringLiteral("column %1 at %2").arg(x).arg(y);
                    break;
                }
        }
        return broken.join(QStringLiteral(", "));
    };
    QCOMPARE(brokenLines(widget.grab().toImage(), fit), QString());
    widget.SetZoom(0.125);
    QCoreApplication::processEvents();
    QCOMPARE(brokenLines(widget.grab().toImage(), 0.125), QString());

    // Painting again reuses the reduced picture; a command that changes the
    // picture has it built again.
    const int builds = widget.Reduced().Builds();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 10; ++i) widget.repaint();
    qInfo("10 paints of a 600-dpi A4 page at 12.5%%: %lld ms", static_cast<long long>(timer.elapsed()));
    QCOMPARE(widget.Reduced().Builds(), builds);
    timer.restart();
    m_app->Frame().ActionFor(cmd::kInvert)->trigger();
    QCoreApplication::processEvents();
    const QImage inverted = widget.grab().toImage();
    qInfo("Invert, its refresh and the paints after it, reduction included: %lld ms",
          static_cast<long long>(timer.elapsed()));
    QCOMPARE(widget.Reduced().Builds(), builds + 1);
    QCOMPARE(qGray(inverted.pixel(5 + 10, 5 + 10)), 0);
}

void TestViewCommands::middleButtonAndSpacePan() {
    Open(kHorse);
    LintraViewWidget& widget = m_app->ViewWidget();
    widget.SetZoom(4.0);
    QCoreApplication::processEvents();
    QScrollArea& area = m_app->ScrollArea();
    QScrollBar& across = *area.horizontalScrollBar();
    QScrollBar& down = *area.verticalScrollBar();
    across.setValue(300);
    down.setValue(300);
    QCoreApplication::processEvents();
    // The middle button drags the picture: 40 left and 30 up scrolls the
    // view 40 right and 30 down.
    const QPoint from(500, 500);
    QTest::mousePress(&widget, Qt::MiddleButton, {}, from);
    QTest::mouseMove(&widget, from + QPoint(-40, -30));
    QTest::mouseRelease(&widget, Qt::MiddleButton, {}, from + QPoint(-40, -30));
    QCOMPARE(across.value(), 340);
    QCOMPARE(down.value(), 330);
    // The left button alone does nothing of the kind; with space held it pans.
    QTest::mousePress(&widget, Qt::LeftButton, {}, QPoint(600, 600));
    QTest::mouseMove(&widget, QPoint(650, 650));
    QTest::mouseRelease(&widget, Qt::LeftButton, {}, QPoint(650, 650));
    QCOMPARE(across.value(), 340);
    widget.setFocus();
    QTest::keyPress(&widget, Qt::Key_Space);
    QCOMPARE(widget.cursor().shape(), Qt::OpenHandCursor);
    QTest::mousePress(&widget, Qt::LeftButton, {}, QPoint(600, 600));
    QTest::mouseMove(&widget, QPoint(620, 610));
    QTest::mouseRelease(&widget, Qt::LeftButton, {}, QPoint(620, 610));
    QTest::keyRelease(&widget, Qt::Key_Space);
    QCOMPARE(across.value(), 320);
    QCOMPARE(down.value(), 320);
    QCOMPARE(widget.cursor().shape(), Qt::ArrowCursor);
}

void TestViewCommands::droppedFileOpens() {
    CMainFrame& frame = m_app->Frame();
    const QPoint at = frame.rect().center();
    // Text is not a file: the drag is refused.
    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(&frame, &refused);
    QVERIFY(!refused.isAccepted());
    // One local file: accepted, and its drop opens it as Open does.
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(kHorse)});
    QDragEnterEvent enter(at, Qt::CopyAction, &file, Qt::LeftButton, {});
    QApplication::sendEvent(&frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &file, Qt::LeftButton, {});
    QApplication::sendEvent(&frame, &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(frame.windowTitle(), kHorse + QStringLiteral(" - Contourix"));
    m_app->ViewWidget().Refresh();
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QCOMPARE(m_app->Recent().Paths().value(0), kHorse);
    const QImage expected = QImage(kHorse).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(Shown(m_app->ViewWidget(), expected.size()), expected);
}

void TestViewCommands::everyProcessingItemReachesItsHandler() {
    Open(kHorse);
    CLintraView& view = m_app->View();
    CMainFrame& frame = m_app->Frame();
    const QByteArray original = Pixels(view.OriginalImage());
    for (const Command& command : CommandTable()) {
        if (command.kind != CommandKind::Processing) continue;
        const int id = command.id;
        // Start from a binarised picture with a different previous image,
        // so that the copy into the previous image shows the handler ran.
        frame.ActionFor(cmd::kRestoreOriginal)->trigger();
        QCOMPARE(Pixels(view.CurrentImage()), original);
        frame.ActionFor(cmd::kBinariseThreshold)->trigger();
        QByteArray before = Pixels(view.CurrentImage());
        QVERIFY(before != original);
        QCOMPARE(Pixels(view.PreviousImage()), original);
        frame.ActionFor(id)->trigger();
        QVERIFY2(Pixels(view.PreviousImage()) == before, qPrintable(QString::number(id)));
        // Timed for the status bar's busy notice.
        QVERIFY(m_app->Busy().SecondsPerPixel(id) >= 0);
        QCOMPARE(view.DisplayedImage(), &view.CurrentImage());
    }
    // Restore previous, twice, gives the same image.
    frame.ActionFor(cmd::kInvert)->trigger();
    QByteArray inverted = Pixels(view.CurrentImage());
    frame.ActionFor(cmd::kRestorePrevious)->trigger();
    QByteArray once = Pixels(view.CurrentImage());
    QVERIFY(once != inverted);
    frame.ActionFor(cmd::kRestorePrevious)->trigger();
    QCOMPARE(Pixels(view.CurrentImage()), once);
    // The shown picture follows the current image.
    QCoreApplication::processEvents();
    QImage shown = Shown(m_app->ViewWidget(), QSize(400, 328));
    QCOMPARE(qGray(shown.pixel(0, 0)), static_cast<int>(static_cast<std::uint8_t>(once.at(0))));
}

void TestViewCommands::everyFrontEndCommandHasAHandler() {
    // A row the view does not run that a menu item, the context menu, a
    // toolbar button or a key can send is the front end's to run.
    auto sent = [](int id) {
        auto has = [id](auto ids) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
        for (const MenuDefinition& menu : MainMenu())
            if (has(menu.ids)) return true;
        for (const AcceleratorEntry& accelerator : Accelerators())
            if (accelerator.id == id) return true;
        return has(ContextMenu()) || has(ToolbarButtons());
    };
    int checked = 0;
    for (const Command& command : CommandTable()) {
        if (command.RunsInView() || !sent(command.id)) continue;
        QVERIFY2(CLintraApp::HasFrontEndHandler(command.id), qPrintable(QString::number(command.id)));
        ++checked;
    }
    QVERIFY(checked > 0);
    // Every handler is of a command of the table.
    for (int id = 0; id < 65536; ++id)
        if (CLintraApp::HasFrontEndHandler(id))
            QVERIFY2(FindCommand(id) != nullptr, qPrintable(QString::number(id)));
    // Running the toolbar's switch as a command flips it as its menu item does.
    QToolBar* toolBar = m_app->Frame().ToolBar();
    QVERIFY(toolBar->isVisible());
    m_app->Dispatch(cmd::kViewToolbar);
    QVERIFY(!toolBar->isVisible());
    QVERIFY(!m_app->Frame().ActionFor(cmd::kViewToolbar)->isChecked());
    m_app->Dispatch(cmd::kViewToolbar);
    QVERIFY(toolBar->isVisible());
}

void TestViewCommands::vectorModePaintsSegmentsInDarkRed() {
    Open(kHorse);
    CMainFrame& frame = m_app->Frame();
    for (int id : {cmd::kBinariseIterative, cmd::kThin, cmd::kVectorise1}) frame.ActionFor(id)->trigger();
    CLintraView& view = m_app->View();
    QVERIFY(view.VectorMode());
    const SegmentList& segments = m_app->Doc().m_segmentList;
    QVERIFY(!segments.empty());
    QCoreApplication::processEvents();
    QImage grabbed = m_app->ViewWidget().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int height = 328;
    int onRed = 0;
    for (const CLineSegment& s : segments) {
        if (s.x1 == s.x2 && s.y1 == s.y2) continue;
        onRed += grabbed.pixel(s.x1 + 5, height - s.y1 + 4) == qRgb(128, 0, 0) ? 1 : 0;
    }
    // Every segment start is painted (a later segment may not overwrite it
    // with another colour: there is only one pen).
    QVERIFY(onRed > 0);
    int counted = 0;
    for (const CLineSegment& s : segments) counted += (s.x1 == s.x2 && s.y1 == s.y2) ? 0 : 1;
    QCOMPARE(onRed, counted);
    // No bitmap under the vectors: a pixel far from any segment is background.
    QCOMPARE(grabbed.pixel(2, 2), qRgb(255, 255, 255));
    // Show bitmap brings the picture back, unchanged.
    QByteArray current = Pixels(view.CurrentImage());
    frame.ActionFor(cmd::kShowBitmap)->trigger();
    QVERIFY(!view.VectorMode());
    QCOMPARE(Pixels(view.CurrentImage()), current);
}

void TestViewCommands::paramDialogAppliesTheReleasedPosition() {
    Open(kHorse);
    CMainFrame& frame = m_app->Frame();
    QImage grey = QImage(kHorse).convertToFormat(QImage::Format_Grayscale8);
    frame.ActionFor(cmd::kParamBinariseThreshold)->trigger();
    QCOMPARE(m_app->ParamDialogs().size(), 1);
    CParameterDialog* dialog = m_app->ParamDialogs().last();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->ValueEdit()->text(), QStringLiteral("0"));
    // Every report starts again from the picture as it was: p > threshold is white.
    auto check = [&](int p) {
        QCOMPARE(dialog->ValueEdit()->text(), QString::number(p));
        QCoreApplication::processEvents();
        QImage shown = Shown(m_app->ViewWidget(), grey.size());
        int wrong = 0;
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x) {
                QRgb expected = grey.pixelColor(x, y).red() > p ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                wrong += shown.pixel(x, y) != expected ? 1 : 0;
            }
        QCOMPARE(wrong, 0);
    };
    // Dragged by the thumb; the release reports where it stopped.
    for (int target : {100, 30, 115}) check(test::DragThumbTowards(dialog->Slider(), target));
    // A key applies the position it moved the thumb to: End all black, Home
    // only the black pixels black.
    dialog->Slider()->setFocus();
    QTest::keyClick(dialog->Slider(), Qt::Key_End);
    check(255);
    QTest::keyClick(dialog->Slider(), Qt::Key_Home);
    check(0);
    // A number typed into the box and confirmed with Enter.
    dialog->ValueEdit()->setFocus();
    QTest::keyClick(dialog->ValueEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog->ValueEdit(), QStringLiteral("128"));
    QTest::keyClick(dialog->ValueEdit(), Qt::Key_Return);
    check(128);
    QVERIFY(dialog->isVisible());
    // Restore previous brings back the picture from before the dialog.
    frame.ActionFor(cmd::kRestorePrevious)->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(Shown(m_app->ViewWidget(), grey.size()), grey.convertToFormat(QImage::Format_RGB32));
}

void TestViewCommands::newestDialogChoosesTheOperation() {
    Open(kHorse);
    CMainFrame& frame = m_app->Frame();
    frame.ActionFor(cmd::kParamBinariseGradient)->trigger();
    frame.ActionFor(cmd::kParamBinariseThreshold)->trigger();
    QCOMPARE(m_app->ParamDialogs().size(), 2);
    CParameterDialog* older = m_app->ParamDialogs().first();
    QVERIFY(older->isVisible());
    // The older dialog's release runs the newer dialog's operation.
    const int p = test::DragThumbTowards(older->Slider(), 128);
    QCoreApplication::processEvents();
    QImage grey = QImage(kHorse).convertToFormat(QImage::Format_Grayscale8);
    QImage shown = Shown(m_app->ViewWidget(), grey.size());
    int wrong = 0;
    for (int y = 0; y < grey.height(); y += 3)
        for (int x = 0; x < grey.width(); x += 3)
            wrong +=
                shown.pixel(x, y) != (grey.pixelColor(x, y).red() > p ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    QCOMPARE(wrong, 0);
    // Closing hides a dialog; it stays alive.
    older->close();
    QVERIFY(!older->isVisible());
    QCOMPARE(m_app->ParamDialogs().size(), 2);
}

void TestViewCommands::saveWritesTheDisplayedImage() {
    Open(kHorse);
    m_app->Frame().ActionFor(cmd::kInvert)->trigger();
    QString path = m_dir.filePath(QStringLiteral("saved.bmp"));
    m_app->Files().PresetSaveFile(path);
    m_app->Frame().ActionFor(cmd::kFileSave)->trigger();
    QImage saved(path);
    QVERIFY(!saved.isNull());
    QImage grey = QImage(kHorse).convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(saved.size(), grey.size());
    QCOMPARE(saved.pixelColor(10, 10).red(), 255 - grey.pixelColor(10, 10).red());

    // A folder that does not exist: a message naming the file.
    QString bad = m_dir.filePath(QStringLiteral("missing/out.bmp"));
    m_app->Files().PresetSaveFile(bad);
    m_app->Frame().ActionFor(cmd::kFileSave)->trigger();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(QStringLiteral("out.bmp")), qPrintable(m_messages.first()));
}

void TestViewCommands::cadSaveDialogFilterDecidesTheFormat() {
    Open(kHorse);
    CMainFrame& frame = m_app->Frame();
    for (int id : {cmd::kBinariseIterative, cmd::kThin, cmd::kVectorise1}) frame.ActionFor(id)->trigger();
    QCoreApplication::processEvents();
    // The filter chosen in the save dialog (steps down its list), the name
    // typed, and the file that is written, in which format.
    const struct {
        int filterSteps;
        const char* typed;
        const char* written;
        bool svg;
    } cases[] = {
        // Each name starts with its own letter, so no completion list opens.
        {0, "a1", "a1.dxf", false},    {1, "b2", "b2.svg", true},       {1, "c3.svg", "c3.svg", true},
        {1, "d4.dxf", "d4.svg", true}, {1, "e5.v2", "e5.v2.svg", true}, {0, "f6.SVG", "f6.dxf", false},
        {2, "g7.svg", "g7.svg", true}, {2, "h8", "h8.dxf", false},
    };
    // The dialogs open in the test's folder, as after opening a file there.
    m_app->Files().PresetOpenFile(m_dir.filePath(QStringLiteral("settings.ini")));
    QVERIFY(m_app->ChooseOpenFile({}).has_value());
    for (const auto& c : cases) {
        const QString typed = m_dir.filePath(QLatin1String(c.typed));
        // OK in the options dialog; in the save dialog the type chosen from
        // the keyboard, the name typed and Enter.
        auto answer = test::AnswerModals([&](QWidget* modal) {
            if (qobject_cast<CadOptionsDialog*>(modal)) {
                QTest::mouseClick(modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                                  Qt::LeftButton);
                return;
            }
            auto* types = modal->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(types != nullptr && name != nullptr);
            types->setFocus();
            for (int i = 0; i < c.filterSteps; ++i) QTest::keyClick(types, Qt::Key_Down);
            name->setFocus();
            QTest::keyClicks(name, QLatin1String(c.typed));
            QTest::keyClick(name, Qt::Key_Return);
        });
        frame.ActionFor(cmd::kExportCad)->trigger();
        QFile file(m_dir.filePath(QLatin1String(c.written)));
        QVERIFY2(file.open(QIODevice::ReadOnly),
                 qPrintable(QDir(m_dir.path()).entryList(QDir::Files).join(u' ')));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("<svg") == c.svg, c.written);
        QVERIFY2(text.startsWith("0\r\nSECTION") == !c.svg, c.written);
        QVERIFY2(!QFileInfo::exists(typed) || typed == file.fileName(), c.typed);
    }
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
}

void TestViewCommands::cadOptionsStartFromEachPicturesResolution() {
    // Two traced pictures: a 600-dpi page and a 74-dpi one.
    QImage grey = QImage(kHorse).convertToFormat(QImage::Format_Indexed8);
    QVERIFY(!grey.isNull());
    const QString fine = m_dir.filePath(QStringLiteral("fine.bmp")),
                  coarse = m_dir.filePath(QStringLiteral("coarse.bmp"));
    grey.setDotsPerMeterX(23622), grey.setDotsPerMeterY(23622);
    QVERIFY(grey.save(fine, "BMP"));
    grey.setDotsPerMeterX(2913), grey.setDotsPerMeterY(2913);
    QVERIFY(grey.save(coarse, "BMP"));
    CMainFrame& frame = m_app->Frame();
    // Each export in millimetres: what the dialog offered, and a dpi typed
    // over the picture's own when asked.
    struct Offered {
        bool own;
        double dpi;
    };
    auto exportCad = [&](const QString& picture, double typeDpi) {
        if (!picture.isEmpty()) {
            Open(picture);
            for (int id : {cmd::kBinariseIterative, cmd::kThin, cmd::kVectorise1})
                frame.ActionFor(id)->trigger();
            QCoreApplication::processEvents();
        }
        Offered offered{};
        auto answer = test::AnswerModals([&](QWidget* modal) {
            auto* dialog = qobject_cast<CadOptionsDialog*>(modal);
            QVERIFY(dialog != nullptr);
            dialog->UnitBox()->setFocus();
            while (dialog->UnitBox()->currentData().toString() != QStringLiteral("mm"))
                QTest::keyClick(dialog->UnitBox(), Qt::Key_Down);
            offered = {dialog->OwnDpiBox()->isChecked(), dialog->DpiBox()->value()};
            if (typeDpi > 0) {
                if (dialog->OwnDpiBox()->isChecked())
                    QTest::mouseClick(dialog->OwnDpiBox(), Qt::LeftButton, {},
                                      QPoint(5, dialog->OwnDpiBox()->height() / 2));
                dialog->DpiBox()->setFocus();
                QTest::keyClick(dialog->DpiBox(), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(dialog->DpiBox(), QString::number(typeDpi));
            }
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        m_app->Files().PresetSaveFile(m_dir.filePath(QStringLiteral("out.dxf")));
        frame.ActionFor(cmd::kExportCad)->trigger();
        return offered;
    };
    Offered offered = exportCad(fine, 500);
    QVERIFY(offered.own);
    QCOMPARE(m_app->View().CadReport().dpi, 500.0);
    // The same picture again: the typed dpi holds.
    offered = exportCad(QString(), 0);
    QVERIFY(!offered.own);
    QCOMPARE(offered.dpi, 500.0);
    // The next picture starts from its own 74 dpi and is exported at it.
    offered = exportCad(coarse, 0);
    QVERIFY(offered.own);
    QCOMPARE(std::round(m_app->View().CadReport().dpi), 74.0);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
}

void TestViewCommands::refusedFileLeavesTitleAndReportsIt() {
    Open(kHorse);
    QString title = m_app->Frame().windowTitle();
    // A 1-bit file: read, then refused at load with the depth message.
    Open(kOneBitHorse);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages.first(), QStringLiteral("打开失败,程序只支持8位或24位位图!"));
    // Not a BMP at all: the reader's message, title unchanged.
    m_messages.clear();
    QString text = m_dir.filePath(QStringLiteral("notes.bmp"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("hello, not a bitmap");
    file.close();
    QString before = m_app->Frame().windowTitle();
    Open(text);
    QCOMPARE(m_messages, QStringList{QStringLiteral("This isn't a bitmap file!")});
    QCOMPARE(m_app->Frame().windowTitle(), before);
    Q_UNUSED(title);
}

void TestViewCommands::pixelBudgetSettingRefusesLargerPictures() {
    // The horse is 400 x 328 = 131200 pixels: over a budget of 131199, the
    // program started afresh refuses it with a message naming the budget and
    // opens nothing; at exactly its size it opens.
    for (qulonglong budget : {131199ull, 131200ull}) {
        cleanup();
        QSettings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
            .setValue(QLatin1String(kPixelBudgetKey), budget);
        init();
        const QString before = m_app->Frame().windowTitle();
        Open(kHorse);
        if (budget < 131200) {
            QCOMPARE(m_messages.size(), 1);
            QVERIFY2(m_messages.first().contains(QStringLiteral("131199")), qPrintable(m_messages.first()));
            QCOMPARE(m_app->Frame().windowTitle(), before);
        } else {
            QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
            QCOMPARE(m_app->Frame().windowTitle(), kHorse + QStringLiteral(" - Contourix"));
        }
    }
}

void TestViewCommands::fileGoneBeforeTheLoadIsReportedOnce() {
    QString copy = m_dir.filePath(QStringLiteral("gone.bmp"));
    QVERIFY(QFile::copy(kHorse, copy));
    m_app->OpenFile(copy);
    QVERIFY(QFile::remove(copy));
    m_app->ViewWidget().Refresh();
    QVERIFY2(m_messages.size() == 1, qPrintable(m_messages.join(u'\n')));
    QVERIFY2(m_messages.first().contains(QStringLiteral("gone.bmp")), qPrintable(m_messages.first()));
    // Painting again and again does not repeat the failed load and its message.
    for (int i = 0; i < 5; ++i) {
        m_app->ViewWidget().repaint();
        QCoreApplication::processEvents();
    }
    QCOMPARE(m_messages.size(), 1);
    // Once the file is back, the next command's refresh loads it.
    QVERIFY(QFile::copy(kHorse, copy));
    m_app->Dispatch(cmd::kShowBitmap);
    m_app->ViewWidget().Refresh();
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_app->ViewWidget().ContentSize(), QSize(410, 338));
}

void TestViewCommands::printsToPdf() {
    Open(kHorse);
    QString path = m_dir.filePath(QStringLiteral("print.pdf"));
    QPrinter& printer = m_app->Printing().Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    m_app->Dispatch(cmd::kFilePrintDirect);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray pdf = file.readAll();
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.contains("/Subtype /Image"));
    QVERIFY(pdf.contains("/Width 400"));
    QVERIFY(pdf.contains("/Height 328"));
}

QTEST_MAIN(TestViewCommands)
#include "view_commands_test.moc"
