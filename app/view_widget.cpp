#include "app/view_widget.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QTimer>

#include "app/qt_canvas.h"
#include "docview/doc.h"
#include "docview/view.h"

namespace lintra {

LintraViewWidget::LintraViewWidget(CLintraDoc& doc, CLintraView& view, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_view(view) {
    setObjectName(QStringLiteral("view"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);
}

void LintraViewWidget::RequestRefresh() {
    if (m_refreshQueued) return;
    m_refreshQueued = true;
    // A Refresh called directly in the meantime makes this one unnecessary.
    QTimer::singleShot(0, this, [this] {
        if (m_refreshQueued) Refresh();
    });
}

void LintraViewWidget::Refresh() {
    m_refreshQueued = false;
    // Loading may show a message box; here is a safe place for it.
    m_view.LoadPendingImage();
    m_loadStalled = m_doc.m_bReloadPending != 0;
    QSize content = ContentSize();
    setMinimumSize(content.isEmpty() ? QSize(0, 0) : content);
    update();
}

QSize LintraViewWidget::ContentSize() const {
    const Dib* display = m_view.m_pDisplayImage;
    if (m_doc.m_bImageOpen != 1 || m_doc.m_bReloadPending != 0 || display == nullptr || display->IsEmpty())
        return {};
    return {display->GetWidth() + 2 * kMargin, std::abs(display->GetHeight()) + 2 * kMargin};
}

void LintraViewWidget::paintEvent(QPaintEvent*) {
    // A load still pending is done by a queued refresh; painting never
    // loads, and after a failed attempt it leaves the retry to the user.
    if (m_doc.m_bReloadPending != 0) {
        if (!m_loadStalled) RequestRefresh();
        return;
    }
    QPainter painter(this);
    QPainterCanvas canvas(painter);
    try {
        m_view.OnDraw(canvas);
    } catch (...) {
        // Nothing may leave a paint event; the next refresh reports.
    }
}

void LintraViewWidget::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuRequested(event->globalPos());
}

}  // namespace lintra
