// The status bar's busy notice: shown during a run expected to take longer
// than a fifth of a second, from the command's last run per pixel, and
// gone afterwards. The clock is the test's, so no test waits.
#include "app/busy_notice.h"

#include <QStatusBar>
#include <QTest>
#include <stdexcept>

using namespace lintra;

class TestBusyNotice : public QObject {
    Q_OBJECT
private slots:
    void showsWhatRunsWhenExpectedLong();
    void clearsAfterAFailedRun();
};

namespace {
struct Fixture {
    qint64 now = 0;
    QStatusBar bar;
    BusyNotice notice{&bar, [this] { return now; }};
    // Runs key for milliseconds on pixels and returns what the bar said meanwhile.
    QString Run(int key, qint64 pixels, qint64 milliseconds) {
        QString said;
        notice.Run(key, QStringLiteral("细化图像"), pixels, [&] {
            said = bar.currentMessage();
            now += milliseconds;
        });
        return said;
    }
};
}  // namespace

void TestBusyNotice::showsWhatRunsWhenExpectedLong() {
    Fixture f;
    const QString running = QStringLiteral("正在运行：细化图像…");
    // Never run: a small picture is expected to be quick, and says nothing
    // even though this run took 300 ms.
    QCOMPARE(f.Run(1, 1000, 300), QString());
    QCOMPARE(f.bar.currentMessage(), QString());
    QCOMPARE(f.notice.SecondsPerPixel(1), 0.3 / 1000);
    // The next run of the same command on as many pixels says so, and the
    // notice goes when it ends.
    QCOMPARE(f.Run(1, 1000, 300), running);
    QCOMPARE(f.bar.currentMessage(), QString());
    // On half the pixels it is expected to take 150 ms: nothing.
    QCOMPARE(f.Run(1, 500, 10), QString());
    // Another command keeps its own record; a picture of 3 million pixels
    // is expected long even on a first run.
    QCOMPARE(f.Run(2, 1000, 1), QString());
    QCOMPARE(f.Run(3, 3'000'000, 1), running);
}

void TestBusyNotice::clearsAfterAFailedRun() {
    Fixture f;
    bool thrown = false;
    try {
        f.notice.Run(7, QStringLiteral("矢量化1"), 5'000'000, [&] {
            QCOMPARE(f.bar.currentMessage(), QStringLiteral("正在运行：矢量化1…"));
            f.now += 900;
            throw std::runtime_error("failed");
        });
    } catch (const std::runtime_error&) {
        thrown = true;
    }
    QVERIFY(thrown);
    QCOMPARE(f.bar.currentMessage(), QString());
    QCOMPARE(f.notice.SecondsPerPixel(7), 0.9 / 5'000'000);
}

QTEST_MAIN(TestBusyNotice)
#include "busy_notice_test.moc"
