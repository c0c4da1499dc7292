// The status bar's CAP, NUM and SCRL panes: each shows its text while the
// lock is on and stays blank while it is off. The state is read from the X
// server's keyboard indicators; where there is none (offscreen, Wayland
// without XWayland) the panes stay blank.
#pragma once

#include <QObject>
#include <array>

class QLabel;
class QStatusBar;
class QTimer;

namespace lintra {

class LockIndicators : public QObject {
    Q_OBJECT
public:
    explicit LockIndicators(QStatusBar* bar);
    // Sets the panes from the given states (caps, num, scroll).
    void Show(bool caps, bool num, bool scroll);

private:
    void Poll();

    std::array<QLabel*, 3> m_panes{};
    QTimer* m_timer = nullptr;
};

}  // namespace lintra
