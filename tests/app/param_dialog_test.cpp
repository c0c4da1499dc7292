// The parameter dialog on its own: when it sends a position, and what it
// shows. The view's side (the operation applied) is in view_commands_test.
#include "app/param_dialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace lintra;

class TestParamDialog : public QObject {
    Q_OBJECT
private slots:
    void startsAtZeroWithTemplateLayout();
    void releaseSendsOncePerNewPosition();
    void pageKeysMoveNothing();
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

void TestParamDialog::releaseSendsOncePerNewPosition() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Dragging moves the thumb; only the release reports.
    dialog.Slider()->setValue(77);
    QVERIFY(recorder.sent.isEmpty());
    QTest::mouseRelease(dialog.Slider(), Qt::LeftButton);
    QCOMPARE(recorder.sent, QList<int>{77});
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("77"));
    // Released again on the same position: nothing.
    QTest::mouseRelease(dialog.Slider(), Qt::LeftButton);
    QCOMPARE(recorder.sent, QList<int>{77});
    dialog.Slider()->setValue(200);
    QTest::mouseRelease(dialog.Slider(), Qt::LeftButton);
    QCOMPARE(recorder.sent, (QList<int>{77, 200}));
}

void TestParamDialog::pageKeysMoveNothing() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Slider()->setFocus();
    dialog.Slider()->setValue(100);
    QTest::mouseRelease(dialog.Slider(), Qt::LeftButton);
    recorder.sent.clear();
    for (Qt::Key key : {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_PageUp})
        QTest::keyClick(dialog.Slider(), key);
    QCOMPARE(dialog.Slider()->value(), 100);
    QVERIFY(recorder.sent.isEmpty());
    // A click in the channel (well away from the thumb) moves nothing either.
    QPoint channel(dialog.Slider()->width() - 4, dialog.Slider()->height() / 2);
    QTest::mouseClick(dialog.Slider(), Qt::LeftButton, {}, channel);
    QTest::mouseClick(dialog.Slider(), Qt::MiddleButton, {}, channel);
    QCOMPARE(dialog.Slider()->value(), 100);
    QVERIFY(recorder.sent.isEmpty());
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
    QTest::mouseRelease(dialog.Slider(), Qt::LeftButton);
    QCOMPARE(recorder.sent, (QList<int>{1, 2, 255}));
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("255"));
}

void TestParamDialog::dialogKeyReleaseUsesTheShortForm() {
    Recorder recorder;
    CGaiBian dialog(recorder.Send(), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Slider()->setValue(42);
    // A key released on the dialog window itself (no control has the
    // focus): the position goes out, the edit box keeps its text.
    QApplication::focusWidget()->clearFocus();
    QTest::keyRelease(&dialog, Qt::Key_Shift);
    QCOMPARE(recorder.sent, QList<int>{42});
    QCOMPARE(dialog.ValueEdit()->text(), QStringLiteral("0"));
    QCOMPARE(dialog.LastPosition(), 42);
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
