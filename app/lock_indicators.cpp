#include "app/lock_indicators.h"

#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#ifdef LINTRA_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace lintra {
namespace {

constexpr const char* kTexts[3] = {"CAP", "NUM", "SCRL"};

#ifdef LINTRA_HAVE_X11
// Reads the named keyboard indicators; false when there is no X display.
bool ReadX11Locks(bool& caps, bool& num, bool& scroll) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (display == nullptr) return false;
    auto named = [display](const char* name) {
        Atom atom = XInternAtom(display, name, True);
        Bool on = False;
        if (atom == None) return false;
        if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
        return on == True;
    };
    caps = named("Caps Lock");
    num = named("Num Lock");
    scroll = named("Scroll Lock");
    return true;
}
#endif

}  // namespace

LockIndicators::LockIndicators(QStatusBar* bar) : QObject(bar) {
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QLatin1String(kTexts[i]));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QLatin1String(kTexts[i])) + 12);
        bar->addPermanentWidget(pane);
        m_panes[i] = pane;
    }
#ifdef LINTRA_HAVE_X11
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, &LockIndicators::Poll);
        m_timer->start(250);
        Poll();
    }
#endif
}

void LockIndicators::Show(bool caps, bool num, bool scroll) {
    const bool on[3] = {caps, num, scroll};
    for (int i = 0; i < 3; ++i) m_panes[i]->setText(on[i] ? QLatin1String(kTexts[i]) : QString());
}

void LockIndicators::Poll() {
#ifdef LINTRA_HAVE_X11
    bool caps = false, num = false, scroll = false;
    if (ReadX11Locks(caps, num, scroll)) Show(caps, num, scroll);
#endif
}

}  // namespace lintra
