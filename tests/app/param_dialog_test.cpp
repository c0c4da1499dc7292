// The parameter dialog on its own: when it sends a position, and what it
// shows. The view's side (the operation applied) is in view_commands_test.
#include "app/param_dialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/user_input.h"

using namespace lintra;
using lintra::test::DragThumbTowards;
using lintra::test::SendWheel;

class TestParamDialog : public QObject {
    Q_OBJECT
private slots:
    void startsAtZeroWithTemplateLayout();
    void dragReportsOnceOnRelease();
    void channelClicksAndPageKeysMoveNothing();
    void wheelStepsAndReportsAtOnce();
    void keyDownReportsTheEarlierPosition();
    void dialogKeyReleaseUsesTheShortForm();
    void typingIntoTheBoxChangesNothing();
};

namespace {
struct Recorder {
    QList<int> sent;
    std::function<void(int)> Send() {
        return [this](int p) { sent.append(p); };
    }
};
}  // namespace

void TestParamDialog::startsAtZeroWithTemplateLayout() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("参数调整"));
    QCOMPARE(dialog.Slider()->minimum(), 0);
    QCOMPARE(dialog.Slider()->maximum(), 255);
    QCOMPARE(dialog.Slider()->pageStep(), 0);
    QCOMPARE(dialog.Slider()->tickPosition(), QSlider::NoTicks);
    QCOMPARE(dialog.Slider()->value(), 0);
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("0"));
    QCOMPARE(dialog.OkButton()->text(), QStringLiteral("确定"));
    QVERIFY(!dialog.isModal());
    // Trackbar below the label and the edit box, OK below the trackbar.
    QVERIFY(dialog.Slider()->geometry().top() >= dialog.ValueEdit()->geometry().bottom() - 2);
    QVERIFY(dialog.OkButton()->geometry().top() > dialog.Slider()->geometry().bottom());
    QVERIFY(recorder.sent.isEmpty());
}

void TestParamDialog::dragReportsOnceOnRelease() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    TrackBar* bar = dialog.Slider();
    // The thumb follows the pointer while the button is held; nothing is sent yet.
    const int reached = DragThumbTowards(bar, 120, false);
    QVERIFY2(reached >= 120 && reached < 130, qPrintable(QString::number(reached)));
    QVERIFY(bar->isSliderDown());
    QVERIFY(recorder.sent.isEmpty());
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("0"));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->ThumbRect().center());
    QCOMPARE(bar->value(), reached);
    QCOMPARE(recorder.sent, QList<int>{reached});
    QCOMPARE(dialog.ValueEdit()->text(), QString::number(reached));
    // Pressed and released on the thumb without moving: nothing new.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->ThumbRect().center());
    QCOMPARE(recorder.sent, QList<int>{reached});
    // Back down towards 40: one more report, of where it stopped.
    const int back = DragThumbTowards(bar, 40);
    QVERIFY(back <= 40 && back > 30);
    QCOMPARE(recorder.sent, (QList<int>{reached, back}));
    // All the way to the end, the pointer running past the channel.
    QCOMPARE(DragThumbTowards(bar, 255), 255);
    QCOMPARE(recorder.sent.last(), 255);
}

void TestParamDialog::channelClicksAndPageKeysMoveNothing() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    TrackBar* bar = dialog.Slider();
    const int start = DragThumbTowards(bar, 100);
    recorder.sent.clear();
    bar->setFocus();
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_PageUp}) QTest::keyClick(bar, key);
    QCOMPARE(bar->value(), start);
    QVERIFY(recorder.sent.isEmpty());
    // Clicks in the channel on either side of the thumb, with any button,
    // and a press in the channel dragged across it: the thumb stays.
    const QRect thumb = bar->ThumbRect();
    const QPoint right(bar->width() - 4, thumb.center().y());
    const QPoint left(2, thumb.center().y());
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton})
        for (QPoint at : {left, right}) QTest::mouseClick(bar, button, {}, at);
    QTest::mousePress(bar, Qt::LeftButton, {}, right);
    QTest::mouseMove(bar, thumb.center());
    QTest::mouseMove(bar, left);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, left);
    QCOMPARE(bar->value(), start);
    QCOMPARE(bar->ThumbRect(), thumb);
    QVERIFY(recorder.sent.isEmpty());
}

void TestParamDialog::wheelStepsAndReportsAtOnce() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    TrackBar* bar = dialog.Slider();
    // One notch away from the user: one step up, sent at once.
    QVERIFY(SendWheel(bar, 120));
    QCOMPARE(bar->value(), 1);
    QCOMPARE(recorder.sent, QList<int>{1});
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("1"));
    QVERIFY(SendWheel(bar, 120));
    QVERIFY(SendWheel(bar, -120));
    QCOMPARE(recorder.sent, (QList<int>{1, 2, 1}));
    // A fine wheel's half notches make one step between them.
    SendWheel(bar, 60);
    QCOMPARE(bar->value(), 1);
    SendWheel(bar, 60);
    QCOMPARE(bar->value(), 2);
    QCOMPARE(recorder.sent, (QList<int>{1, 2, 1, 2}));
    // Below the start nothing moves and nothing more is sent.
    for (int i = 0; i < 4; ++i) SendWheel(bar, -120);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(recorder.sent, (QList<int>{1, 2, 1, 2, 1, 0}));
}

void TestParamDialog::keyDownReportsTheEarlierPosition() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Slider()->setFocus();
    // The first Right: the check sees 0, already reported; then the thumb moves to 1.
    QTest::keyClick(dialog.Slider(), Qt::Key_Right);
    QCOMPARE(dialog.Slider()->value(), 1);
    QVERIFY(recorder.sent.isEmpty());
    // The second reports 1, the position the first one reached.
    QTest::keyClick(dialog.Slider(), Qt::Key_Right);
    QCOMPARE(dialog.Slider()->value(), 2);
    QCOMPARE(recorder.sent, QList<int>{1});
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("1"));
    // End moves to 255 and reports 2; the next release reports 255.
    QTest::keyClick(dialog.Slider(), Qt::Key_End);
    QCOMPARE(recorder.sent, (QList<int>{1, 2}));
    QTest::mouseClick(dialog.Slider(), Qt::LeftButton, {}, dialog.Slider()->ThumbRect().center());
    QCOMPARE(recorder.sent, (QList<int>{1, 2, 255}));
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("255"));
}

void TestParamDialog::dialogKeyReleaseUsesTheShortForm() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Slider()->setFocus();
    // Two Rights reach 2 and report 1.
    QTest::keyClick(dialog.Slider(), Qt::Key_Right);
    QTest::keyClick(dialog.Slider(), Qt::Key_Right);
    QCOMPARE(recorder.sent, QList<int>{1});
    // A key released on the dialog window itself (no control has the
    // focus): the position goes out, the edit box keeps its text.
    QApplication::focusWidget()->clearFocus();
    QTest::keyRelease(&dialog, Qt::Key_Shift);
    QCOMPARE(recorder.sent, (QList<int>{1, 2}));
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("1"));
    QCOMPARE(dialog.LastPosition(), 2);
}

void TestParamDialog::typingIntoTheBoxChangesNothing() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.ValueEdit()->setFocus();
    QTest::keyClicks(dialog.ValueEdit(), QStringLiteral("99"));
    QTest::keyClick(dialog.ValueEdit(), Qt::Key_Return);
    QCOMPARE(dialog.Slider()->value(), 0);
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("0"));
    QVERIFY(recorder.sent.isEmpty());
}

QTEST_MAIN(TestParamDialog)
#include "param_dialog_test.moc"
