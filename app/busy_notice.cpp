#include "app/busy_notice.h"

#include <QElapsedTimer>
#include <QStatusBar>
#include <algorithm>
#include <memory>

#include "app/translations.h"

namespace lintra {

BusyNotice::BusyNotice(QStatusBar* bar, std::function<qint64()> clockMs)
    : m_bar(bar), m_clockMs(std::move(clockMs)) {
    if (!m_clockMs) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clockMs = [timer] { return timer->elapsed(); };
    }
}

void BusyNotice::Run(int key, const QString& what, qint64 pixels, const std::function<void()>& work) {
    pixels = std::max<qint64>(pixels, 1);
    const double perPixel = m_secondsPerPixel.value(key, kFirstRunSecondsPerPixel);
    const bool notice = m_bar != nullptr && perPixel * static_cast<double>(pixels) > kNoticeSeconds;
    const QString noticeText = Tr("正在运行：%1…").arg(what);
    if (notice) {
        m_bar->showMessage(noticeText);
        // Painted now: the event loop does not turn until the command ends.
        m_bar->repaint();
    }
    struct Finish {
        BusyNotice& self;
        int key;
        qint64 pixels;
        qint64 start;
        bool notice;
        const QString& text;
        ~Finish() {
            const double seconds = static_cast<double>(self.m_clockMs() - start) / 1000.0;
            self.m_secondsPerPixel.insert(key, seconds / static_cast<double>(pixels));
            // A note the work left in the bar (what an export wrote) stays.
            if (notice && self.m_bar->currentMessage() == text) self.m_bar->clearMessage();
        }
    } finish{*this, key, pixels, m_clockMs(), notice, noticeText};
    work();
}

}  // namespace lintra
