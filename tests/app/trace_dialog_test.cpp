// The trace dialog as a user meets it: opened from the menu, a preset
// chosen from the keyboard, trackbars dragged with the mouse, the fitted
// drawing over the picture following them, then kept, cancelled or
// exported; its choices come back next time; and how soon a change shows
// on a 300-dpi A4 page.
#include "app/trace_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/cad_options_dialog.h"
#include "app/file_dialogs.h"
#include "app/lintra_app.h"
#include "app/main_frame.h"
#include "app/param_dialog.h"
#include "app/started_app.h"
#include "app/user_input.h"
#include "app/view_widget.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/view.h"

using namespace lintra;

namespace {

const QString kHorse = QStringLiteral(LINTRA_TEST_DATA_DIR "/samples/horse_400x328_8bit_grey_pillow.bmp");

std::size_t Entities(const cad::Drawing& drawing) {
    return drawing.lines.size() + drawing.arcs.size() + drawing.circles.size() + drawing.polylines.size();
}

// Entities and polyline vertices: what a looser fit has fewer of.
std::size_t Pieces(const cad::Drawing& drawing) {
    std::size_t pieces = Entities(drawing);
    for (const cad::Polyline& polyline : drawing.polylines) pieces += polyline.vertices.size();
    return pieces;
}

// Waits for the next preview of the whole page the dialog shows.
bool WaitWholePage(TraceDialog* dialog, int ms = 20000) {
    QSignalSpy shown(dialog, &TraceDialog::previewShown);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        for (const QList<QVariant>& signal : shown)
            if (signal.at(0).toBool()) return true;
        shown.wait(50);
    }
    return false;
}

// The number of pure blue pixels (the fitted drawing's pen) the view shows.
int BluePixels(LintraViewWidget& widget) {
    const QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int blue = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) blue += shot.pixel(x, y) == qRgb(0, 0, 255);
    return blue;
}

}  // namespace

class TestTraceDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void slidersPreviewThenKeepCancelAndComeBack();
    void exportWritesTheChosenFormat();
    void changeShowsSoonOnAnA4Page();

private:
    void Open(const QString& path);
    TraceDialog* OpenDialog();

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CLintraApp> m_app;
    QStringList m_messages;
};

void TestTraceDialog::init() {
    QVERIFY2(QFile::exists(kHorse), qPrintable(kHorse));
    m_settings =
        std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    m_app = std::make_unique<CLintraApp>(*m_settings);
    m_messages.clear();
    QVERIFY(test::StartUnattended(*m_app, [this](const QString& text) { m_messages.append(text); }));
}

void TestTraceDialog::cleanup() {
    m_app.reset();
    m_settings.reset();
}

void TestTraceDialog::Open(const QString& path) {
    m_app->OpenFile(path);
    m_app->ViewWidget().Refresh();
    QCoreApplication::processEvents();
}

TraceDialog* TestTraceDialog::OpenDialog() {
    m_app->Frame().ActionFor(cmd::kTrace)->trigger();
    TraceDialog* dialog = m_app->TraceDialogOpen();
    // A dialog that never shows is as good as none to the callers' checks.
    if (dialog != nullptr && !QTest::qWaitForWindowExposed(dialog)) return nullptr;
    return dialog;
}

void TestTraceDialog::slidersPreviewThenKeepCancelAndComeBack() {
    Open(kHorse);
    CLintraView& view = m_app->View();
    TraceDialog* dialog = OpenDialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(WaitWholePage(dialog));
    QVERIFY(view.TracePreview().has_value());
    QVERIFY(BluePixels(m_app->ViewWidget()) > 0);
    // Automatic chose the line drawing for this clean picture.
    QCOMPARE(dialog->EffectivePreset()->name, std::string_view("drawing"));

    // The scan preset, from the keyboard.
    dialog->PresetBox()->setFocus();
    while (dialog->PresetBox()->currentData().toString() != QStringLiteral("scan"))
        QTest::keyClick(dialog->PresetBox(), Qt::Key_Down);
    QVERIFY(WaitWholePage(dialog));
    const std::size_t scan = Entities(*view.TracePreview());

    // Smallest detail dragged up: fewer specks and spurs, fewer entities;
    // the picture itself stays as loaded.
    const int reached = test::DragThumbTowards(dialog->DetailBar(), 400);
    QVERIFY(reached > 250);
    QVERIFY(WaitWholePage(dialog));
    const std::size_t coarse = Entities(*view.TracePreview());
    QVERIFY2(coarse < scan, qPrintable(QStringLiteral("%1 then %2").arg(scan).arg(coarse)));
    QVERIFY(std::memcmp(view.CurrentImage().View().row(10), view.OriginalImage().View().row(10),
                        view.CurrentImage().GetWidth()) == 0);
    QVERIFY(m_app->Doc().m_segmentList.empty());

    // A wider tolerance: fewer pieces.
    const std::size_t tight = Pieces(*view.TracePreview());
    test::DragThumbTowards(dialog->ToleranceBar(), 24);
    QVERIFY(WaitWholePage(dialog));
    QVERIFY2(Pieces(*view.TracePreview()) < tight,
             qPrintable(QStringLiteral("%1 then %2").arg(tight).arg(Pieces(*view.TracePreview()))));
    const TraceChoices chosen = dialog->Choices();

    // 保留: the trace runs on the picture; its segments and the fitted
    // drawing over it stay, and the choices are kept.
    QTest::mouseClick(dialog->KeepButton(), Qt::LeftButton);
    QVERIFY(m_app->TraceDialogOpen() == nullptr);
    QVERIFY(!view.TracePreview().has_value());
    QVERIFY(!m_app->Doc().m_segmentList.empty());
    QVERIFY(view.ShowsCadDrawing());
    QCOMPARE(view.CadSettings().options.tolerance, chosen.toleranceQuarters / 4.0);
    const std::size_t kept = m_app->Doc().m_segmentList.size();
    QCOMPARE(m_settings->value(QStringLiteral("trace/preset")).toString(), QStringLiteral("scan"));
    QCOMPARE(m_settings->value(QStringLiteral("trace/detail")).toInt(), chosen.detailPercent);

    // Next time the dialog starts from them; 取消 leaves the view as it was.
    dialog = OpenDialog();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->PresetBox()->currentData().toString(), QStringLiteral("scan"));
    QCOMPARE(dialog->DetailBar()->value(), chosen.detailPercent);
    QCOMPARE(dialog->ToleranceBar()->value(), chosen.toleranceQuarters);
    QVERIFY(WaitWholePage(dialog));
    test::DragThumbTowards(dialog->DetailBar(), 0);
    QVERIFY(WaitWholePage(dialog));
    QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    QVERIFY(!view.TracePreview().has_value());
    QCOMPARE(m_app->Doc().m_segmentList.size(), kept);
    QCOMPARE(m_settings->value(QStringLiteral("trace/detail")).toInt(), chosen.detailPercent);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
}

void TestTraceDialog::exportWritesTheChosenFormat() {
    Open(kHorse);
    TraceDialog* dialog = OpenDialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(WaitWholePage(dialog));
    // OK in the CAD options; SVG chosen in the save dialog, a name typed.
    m_app->Files().PresetOpenFile(m_dir.filePath(QStringLiteral("settings.ini")));
    QVERIFY(m_app->ChooseOpenFile({}).has_value());
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
        QTest::keyClick(types, Qt::Key_Down);
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("traced"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(dialog->ExportButton(), Qt::LeftButton);
    QFile file(m_dir.filePath(QStringLiteral("traced.svg")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<svg"));
    QVERIFY(!m_app->Doc().m_segmentList.empty());
    QVERIFY(m_app->View().CadReport().Entities() > 0);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
}

void TestTraceDialog::changeShowsSoonOnAnA4Page() {
    const QString page = m_dir.filePath(QStringLiteral("a4.bmp"));
    QCOMPARE(
        QProcess::execute(QStringLiteral(LINTRA_BIN_DIR "/lintra-make-page"),
                          {QStringLiteral("--dpi"), QStringLiteral("300"), QStringLiteral("--grey"), page}),
        0);
    Open(page);
    TraceDialog* dialog = OpenDialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(WaitWholePage(dialog, 60000));
    // From the first move of the thumb to the preview it gives.
    QSignalSpy shown(dialog, &TraceDialog::previewShown);
    QElapsedTimer clock;
    qint64 moved = -1;
    connect(dialog->SensitivityBar(), &QSlider::valueChanged, dialog, [&] {
        if (moved < 0) moved = clock.elapsed();
    });
    clock.start();
    test::DragThumbTowards(dialog->SensitivityBar(), dialog->SensitivityBar()->value() + 5);
    QVERIFY(shown.wait(10000));
    // Until it is on the screen: the paint it asked for, done now.
    m_app->ViewWidget().repaint();
    const qint64 quick = clock.elapsed() - moved;
    const bool complete = shown.first().at(0).toBool();
    QVERIFY(complete || WaitWholePage(dialog, 60000));
    const qint64 whole = clock.elapsed() - moved;
    qInfo("A4 at 300 dpi: first preview %lld ms after the change (%s), whole page %lld ms", quick,
          complete ? "whole page" : "part in view", whole);
    // Generous, for a loaded machine; the figure itself is printed above.
    QVERIFY2(quick < 2000, qPrintable(QString::number(quick)));
}

QTEST_MAIN(TestTraceDialog)
#include "trace_dialog_test.moc"
