// Busy feedback in the status bar. Commands run on the user-interface
// thread, so nothing can repaint while one runs: the notice is shown, and
// painted at once, before a command that is expected to take longer than a
// fifth of a second, and taken away when it ends. The expectation comes
// from the same command's last run, per picture pixel; a command not run
// yet is expected to take about 100 ns a pixel.
#pragma once

#include <QHash>
#include <QString>
#include <functional>

class QStatusBar;

namespace lintra {

class BusyNotice {
public:
    static constexpr double kNoticeSeconds = 0.2;
    static constexpr double kFirstRunSecondsPerPixel = 100e-9;

    // clockMs: a monotonic clock in milliseconds (a QElapsedTimer's by default).
    explicit BusyNotice(QStatusBar* bar, std::function<qint64()> clockMs = {});

    // Runs work, the command key on a picture of pixels pixels; the status
    // bar says "正在运行：<what>…" meanwhile when the run is expected to be long.
    void Run(int key, const QString& what, qint64 pixels, const std::function<void()>& work);

    // The seconds the last run of key took per pixel, or a negative number.
    double SecondsPerPixel(int key) const { return m_secondsPerPixel.value(key, -1.0); }

private:
    QStatusBar* m_bar;
    std::function<qint64()> m_clockMs;
    QHash<int, double> m_secondsPerPixel;
};

}  // namespace lintra
