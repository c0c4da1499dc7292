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
    void keyReportsThePositionItMovedTo();
    void typedNumberAppliesOnEnter();
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
    CParameterDialog dialog(recorder.Send(), nullptr);
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
    CParameterDialog dialog(recorder.Send(), nullptr);
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
    CParameterDialog dialog(recorder.Send(), nullptr);
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
    CParameterDialog dialog(recorder.Send(), nullptr);
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

void TestParamDialog::keyReportsThePositionItMovedTo() {
    Recorder recorder;
    CParameterDialog dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    TrackBar* bar = dialog.Slider();
    const int dragged = DragThumbTowards(bar, 115);
    QCOMPARE(recorder.sent, QList<int>{dragged});
    bar->setFocus();
    // Each key press sends where it moved the thumb, once; keys that move
    // nothing send nothing.
    const struct {
        Qt::Key key;
        int position;
        bool sends;
    } keys[] = {
        {Qt::Key_End, 255, true}, {Qt::Key_Home, 0, true},    {Qt::Key_Right, 1, true},
        {Qt::Key_Right, 2, true}, {Qt::Key_Up, 3, true},      {Qt::Key_Left, 2, true},
        {Qt::Key_Down, 1, true},  {Qt::Key_PageUp, 1, false}, {Qt::Key_PageDown, 1, false},
        {Qt::Key_Home, 0, true},  {Qt::Key_Home, 0, false},   {Qt::Key_Left, 0, false},
    };
    for (const auto& step : keys) {
        const qsizetype before = recorder.sent.size();
        QTest::keyClick(bar, step.key);
        const QString what = QStringLiteral("key %1").arg(step.key, 0, 16);
        QVERIFY2(bar->value() == step.position, qPrintable(what));
        QVERIFY2(recorder.sent.size() == before + (step.sends ? 1 : 0), qPrintable(what));
        QVERIFY2(recorder.sent.last() == step.position, qPrintable(what));
        QVERIFY2(dialog.ValueEdit()->text() == QString::number(step.position), qPrintable(what));
    }
    QCOMPARE(dialog.LastPosition(), 0);
}

void TestParamDialog::typedNumberAppliesOnEnter() {
    Recorder recorder;
    CParameterDialog dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // What is typed, then what the thumb, the box and the sends show after Enter.
    const struct {
        QString typed;
        int position;
        QList<int> sent;
    } cases[] = {
        {QStringLiteral("99"), 99, {99}},
        {QStringLiteral("99"), 99, {99}},   // the same number again: nothing new
        {QStringLiteral("300"), 99, {99}},  // out of range: the box goes back
        {QString(), 99, {99}},              // nothing typed
        {QStringLiteral("0"), 0, {99, 0}},
        {QStringLiteral("255"), 255, {99, 0, 255}},
    };
    dialog.ValueEdit()->setFocus();
    for (const auto& c : cases) {
        QTest::keyClick(dialog.ValueEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(dialog.ValueEdit(), Qt::Key_Backspace);
        QTest::keyClicks(dialog.ValueEdit(), c.typed);
        QTest::keyClick(dialog.ValueEdit(), Qt::Key_Return);
        QVERIFY2(dialog.Slider()->value() == c.position, qPrintable(c.typed));
        QVERIFY2(dialog.ValueEdit()->text() == QString::number(c.position), qPrintable(c.typed));
        QVERIFY2(recorder.sent == c.sent, qPrintable(c.typed));
        // Enter applied the number; it did not press OK.
        QVERIFY(dialog.isVisible());
    }
    // Typing alone sends nothing until Enter.
    QTest::keyClick(dialog.ValueEdit(), Qt::Key_Backspace);
    QTest::keyClicks(dialog.ValueEdit(), QStringLiteral("4"));
    QCOMPARE(recorder.sent.size(), 3);
}

QTEST_MAIN(TestParamDialog)
#include "param_dialog_test.moc"
