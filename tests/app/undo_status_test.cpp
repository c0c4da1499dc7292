// Undo and redo as a user meets them (keys, the Edit menu, clicks in the
// history panel), the status bar's panes and notes, and leaving a
// processed picture: the save question and the window remembered.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/file_dialogs.h"
#include "app/history_dock.h"
#include "app/lintra_app.h"
#include "app/main_frame.h"
#include "app/started_app.h"
#include "app/user_input.h"
#include "app/view_widget.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/history.h"
#include "docview/view.h"
#include "formats/read_picture.h"

using namespace lintra;

namespace {

const QString kSamples = QDir::cleanPath(QStringLiteral(LINTRA_TEST_DATA_DIR "/samples")) + u'/';
const QString kHorse = kSamples + QStringLiteral("horse_400x328_8bit_grey_pillow.bmp");
const QString kCamera = kSamples + QStringLiteral("camera_512x512_8bit_grey_imagemagick.bmp");

std::vector<std::uint8_t> Pixels(CLintraView& view) {
    return CopyPixels(view.CurrentImage().View());
}

}  // namespace

class TestUndoStatus : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ctrlZAndCtrlYStepThroughEveryCommand();
    void clickingAHistoryRowGoesBackAndCopiesTheCommandLine();
    void statusBarShowsPicturePointerAndWhatCommandsDid();
    void leavingAProcessedPictureAsksToSaveIt();
    void windowAndPanelsAreRemembered();

private:
    void Start();
    void Open(const QString& path);
    void Run(int id) { m_app->Frame().ActionFor(id)->trigger(); }
    void Keys(QKeySequence keys) {
        m_app->Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_app->Frame()));
        QTest::keySequence(&m_app->Frame(), keys);
        m_app->ViewWidget().Refresh();
    }
    CLintraView& View() { return m_app->View(); }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CLintraApp> m_app;
};

void TestUndoStatus::init() {
    QVERIFY(QFileInfo(kHorse).isFile() && QFileInfo(kCamera).isFile());
    QVERIFY(m_dir.isValid());
    m_settings =
        std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    m_settings->clear();
    Start();
}

void TestUndoStatus::Start() {
    m_app = std::make_unique<CLintraApp>(*m_settings);
    QVERIFY(test::StartUnattended(*m_app, [](const QString& text) { QFAIL(qPrintable(text)); }));
}

void TestUndoStatus::cleanup() {
    m_app.reset();
    m_settings.reset();
}

void TestUndoStatus::Open(const QString& path) {
    m_app->OpenFile(path);
    m_app->ViewWidget().Refresh();
    QCoreApplication::processEvents();
}

void TestUndoStatus::ctrlZAndCtrlYStepThroughEveryCommand() {
    CMainFrame& frame = m_app->Frame();
    // Undo and Redo head the Edit menu, before the two restores.
    QMenu* edit = frame.menuBar()->actions().at(1)->menu();
    QCOMPARE(edit->actions().at(0), frame.ActionFor(cmd::kEditUndo));
    QCOMPARE(edit->actions().at(1), frame.ActionFor(cmd::kEditRedo));
    QVERIFY(edit->actions().contains(frame.ActionFor(cmd::kRestoreOriginal)));
    QVERIFY(!frame.ActionFor(cmd::kEditUndo)->isEnabled());

    Open(kHorse);
    std::vector<std::vector<std::uint8_t>> states{Pixels(View())};
    for (int id : {cmd::kBinariseIterative, cmd::kInvert, cmd::kRestoreOriginal, cmd::kRestorePrevious}) {
        Run(id);
        states.push_back(Pixels(View()));
    }
    // The two restores work as they always did: the previous image is the
    // one before the last processing command.
    QVERIFY(states[3] == states[0]);
    QVERIFY(states[4] == states[1]);
    QVERIFY(frame.ActionFor(cmd::kEditUndo)->isEnabled());
    QVERIFY(!frame.ActionFor(cmd::kEditRedo)->isEnabled());
    for (int i = 3; i >= 0; --i) {
        Keys(QKeySequence(QStringLiteral("Ctrl+Z")));
        QVERIFY2(Pixels(View()) == states[static_cast<std::size_t>(i)], qPrintable(QString::number(i)));
    }
    QVERIFY(!frame.ActionFor(cmd::kEditUndo)->isEnabled());
    Keys(QKeySequence(QStringLiteral("Ctrl+Y")));
    Keys(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    QVERIFY(Pixels(View()) == states[2]);
    // Each position the trackbar reports is a step of its own; the steps
    // that could have been redone go.
    Run(cmd::kParamBinariseThreshold);
    QCOMPARE(View().History().Position(), 2u);
    const int reached = test::DragThumbTowards(m_app->ParamDialogs().last()->Slider(), 100);
    QVERIFY(reached > 0);
    QCOMPARE(View().History().Size(), 3u);
    QCOMPARE(View().History().At(2).step.values, std::vector<int>{reached});
    Keys(QKeySequence(QStringLiteral("Ctrl+Z")));
    QVERIFY(Pixels(View()) == states[2]);
}

void TestUndoStatus::clickingAHistoryRowGoesBackAndCopiesTheCommandLine() {
    Open(kHorse);
    for (int id : {cmd::kBinariseIterative, cmd::kRemoveSmallBlobs, cmd::kThin}) Run(id);
    HistoryDock& dock = m_app->HistoryPanel();
    QVERIFY(dock.isVisible());
    QListWidget* list = dock.List();
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->currentRow(), 3);
    QCOMPARE(list->item(2)->text(), QStringLiteral("去除小黑团"));
    const std::vector<std::uint8_t> thinned = Pixels(View());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(View().History().Position(), 1u);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(list->count(), 4);  // the later steps stay, to go forward again
    QTest::mouseClick(dock.CopyButton(), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("lintra-batch '%1' binarise-iterative").arg(kHorse));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
    QVERIFY(Pixels(View()) == thinned);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QCOMPARE(View().History().Position(), 0u);
}

void TestUndoStatus::statusBarShowsPicturePointerAndWhatCommandsDid() {
    CMainFrame& frame = m_app->Frame();
    Open(kHorse);
    QVERIFY2(m_app->PictureLabel().text().startsWith(QStringLiteral("400 × 328 像素，")),
             qPrintable(m_app->PictureLabel().text()));
    // At 100% the picture starts at (5, 5); rows count from the bottom.
    QCOMPARE(m_app->ViewWidget().Zoom(), 1.0);
    QTest::mouseMove(&m_app->ViewWidget(), QPoint(5 + 10, 5 + 20));
    QVERIFY2(m_app->PointerLabel().text().startsWith(QStringLiteral("x 10，y 307 像素")),
             qPrintable(m_app->PointerLabel().text()));
    QTest::mouseMove(&m_app->ViewWidget(), QPoint(2, 2));
    QVERIFY(m_app->PointerLabel().text().isEmpty());

    Run(cmd::kBinariseIterative);
    QCOMPARE(frame.statusBar()->currentMessage(),
             QStringLiteral("迭代阈值为%1").arg(View().IterativeThreshold()));
    QVERIFY(frame.ActionFor(cmd::kShowBitmap)->isChecked());
    QVERIFY(!frame.ActionFor(cmd::kShowVector)->isChecked());
    Run(cmd::kThin);
    Run(cmd::kVectorise1);
    QCOMPARE(frame.statusBar()->currentMessage(),
             QStringLiteral("得到%1条线段").arg(m_app->Doc().m_segmentList.size()));
    QVERIFY(!frame.ActionFor(cmd::kShowBitmap)->isChecked());
    QVERIFY(frame.ActionFor(cmd::kShowVector)->isChecked());
    // A raster step under the vectors says the picture changed unseen.
    Run(cmd::kRemoveShortBranches);
    QVERIFY2(
        frame.statusBar()->currentMessage().startsWith(QStringLiteral("去掉了")) &&
            frame.statusBar()->currentMessage().endsWith(QStringLiteral("位图已改变，当前显示的是矢量图")),
        qPrintable(frame.statusBar()->currentMessage()));
    Run(cmd::kShowBitmap);
    QVERIFY(frame.ActionFor(cmd::kShowBitmap)->isChecked());
    QVERIFY(!frame.ActionFor(cmd::kShowVector)->isChecked());
}

void TestUndoStatus::leavingAProcessedPictureAsksToSaveIt() {
    CMainFrame& frame = m_app->Frame();
    Open(kHorse);
    // Nothing processed: opening another asks nothing.
    int questions = 0;
    QMessageBox::StandardButton reply = QMessageBox::Cancel;
    auto answer = test::AnswerModals([&](QWidget* modal) {
        ++questions;
        QVERIFY(test::ClickMessageBoxButton(modal, reply));
    });
    Open(kCamera);
    QCOMPARE(questions, 0);
    Run(cmd::kInvert);
    // Cancel keeps the picture and the window.
    frame.close();
    QCOMPARE(questions, 1);
    QVERIFY(frame.isVisible());
    Open(kHorse);
    QCOMPARE(questions, 2);
    QCOMPARE(QString::fromStdString(m_app->Doc().m_strFilePath), kCamera);
    // Yes saves the processed picture, then the other one opens.
    reply = QMessageBox::Yes;
    const QString saved = m_dir.filePath(QStringLiteral("inverted.bmp"));
    m_app->Files().PresetSaveFile(saved);
    const std::vector<std::uint8_t> inverted = Pixels(View());
    Open(kHorse);
    QCOMPARE(questions, 3);
    QVERIFY(QFileInfo::exists(saved));
    QCOMPARE(QString::fromStdString(m_app->Doc().m_strFilePath), kHorse);
    Dib written;
    ReadPicture(written, saved.toStdString(), *m_app);
    QVERIFY(CopyPixels(written.View()) == inverted);
    // No leaves without saving: 退出 chosen with Alt+F, X closes the window.
    Run(cmd::kInvert);
    reply = QMessageBox::No;
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTest::keyClick(&frame, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_X);
    QTRY_COMPARE(questions, 4);
    QTRY_VERIFY(!frame.isVisible());
}

void TestUndoStatus::windowAndPanelsAreRemembered() {
    CMainFrame& frame = m_app->Frame();
    frame.resize(700, 520);
    QCoreApplication::processEvents();
    // The panel's switch in the View menu hides it.
    QAction* toggle = m_app->HistoryPanel().toggleViewAction();
    QVERIFY(frame.menuBar()->actions().at(2)->menu()->actions().contains(toggle));
    toggle->trigger();
    QVERIFY(!m_app->HistoryPanel().isVisible());
    QVERIFY(frame.close());
    m_app.reset();
    Start();
    QCOMPARE(m_app->Frame().size(), QSize(700, 520));
    QVERIFY(!m_app->HistoryPanel().isVisible());
}

QTEST_MAIN(TestUndoStatus)
#include "undo_status_test.moc"
