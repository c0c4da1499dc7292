#include "app/view_widget.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/qt_canvas.h"
#include "docview/doc.h"
#include "docview/view.h"

namespace lintra {
namespace {

// One notch of a common mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

}  // namespace

LintraViewWidget::LintraViewWidget(CLintraDoc& doc, CLintraView& view, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_view(view) {
    setObjectName(QStringLiteral("view"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Base, Qt::white);
    setPalette(white);
    // Space held for panning reaches the view when it has the focus.
    setFocusPolicy(Qt::StrongFocus);
    // The status bar follows the pointer without a button held.
    setMouseTracking(true);
    AddZoomShortcuts();
}

std::optional<QPoint> LintraViewWidget::PicturePixelAt(QPoint pos) const {
    const QSize content = ContentSize();
    if (content.isEmpty()) return std::nullopt;
    const QSize picture = content - QSize(2 * kMargin, 2 * kMargin);
    // Each picture pixel is a zoom-sized block from (5, 5) on.
    const double column = std::floor((pos.x() - kMargin) / m_zoom);
    const double rowFromTop = std::floor((pos.y() - kMargin) / m_zoom);
    if (column < 0 || rowFromTop < 0 || column >= picture.width() || rowFromTop >= picture.height())
        return std::nullopt;
    return QPoint(static_cast<int>(column), picture.height() - 1 - static_cast<int>(rowFromTop));
}

void LintraViewWidget::leaveEvent(QEvent* event) {
    emit pointerMoved(std::nullopt);
    QWidget::leaveEvent(event);
}

void LintraViewWidget::AddZoomShortcuts() {
    auto add = [this](const char* name, QList<QKeySequence> keys, auto slot) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    add("zoomIn", {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { ZoomIn(); });
    add("zoomOut", {QKeySequence::ZoomOut}, [this] { ZoomOut(); });
    add("zoomActual", {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { SetZoom(1.0); });
    add("zoomFit", {QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] { FitToWindow(); });
}

QScrollArea* LintraViewWidget::ScrollArea() const {
    // The widget sits in the scroll area's viewport.
    QWidget* viewport = parentWidget();
    return viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
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
    const bool loading = m_doc.m_bReloadPending != 0;
    if (loading && m_loadRunner)
        m_loadRunner([this] { m_view.LoadPendingImage(); });
    else
        m_view.LoadPendingImage();
    m_loadStalled = m_doc.m_bReloadPending != 0;
    // Every change of the picture comes through here (a command asks for a
    // refresh); the reduced copy is built again at the next paint.
    m_reduced.Invalidate();
    if (loading && !m_loadStalled && !ContentSize().isEmpty()) {
        // A new picture: 100% when it fits, else as large as fits.
        QScrollArea* area = ScrollArea();
        const QSize room = area ? area->maximumViewportSize() : size();
        const QSize content = ContentSize();
        if (content.width() > room.width() || content.height() > room.height())
            FitToWindow();
        else
            SetZoom(1.0);
    }
    setMinimumSize(ZoomedSize());
    update();
}

QSize LintraViewWidget::ContentSize() const {
    const Dib* display = m_view.DisplayedImage();
    if (m_doc.m_bImageOpen != 1 || m_doc.m_bReloadPending != 0 || display == nullptr || display->IsEmpty())
        return {};
    return {display->GetWidth() + 2 * kMargin, std::abs(display->GetHeight()) + 2 * kMargin};
}

QSize LintraViewWidget::ZoomedSize() const {
    const QSize content = ContentSize();
    if (content.isEmpty()) return {0, 0};
    const QSize picture = content - QSize(2 * kMargin, 2 * kMargin);
    return {static_cast<int>(std::ceil(picture.width() * m_zoom)) + 2 * kMargin,
            static_cast<int>(std::ceil(picture.height() * m_zoom)) + 2 * kMargin};
}

QRect LintraViewWidget::VisiblePictureRect() const {
    const QSize content = ContentSize();
    if (content.isEmpty()) return {};
    const QWidget* viewport = parentWidget();
    const QRect shown = viewport ? QRect(mapFrom(viewport, QPoint(0, 0)), viewport->size()) : rect();
    const QRect picture(QPoint(0, 0), content - QSize(2 * kMargin, 2 * kMargin));
    const int left = static_cast<int>(std::floor((shown.left() - kMargin) / m_zoom));
    const int top = static_cast<int>(std::floor((shown.top() - kMargin) / m_zoom));
    const int right = static_cast<int>(std::ceil((shown.right() + 1 - kMargin) / m_zoom));
    const int bottom = static_cast<int>(std::ceil((shown.bottom() + 1 - kMargin) / m_zoom));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(picture);
}

double LintraViewWidget::MinZoom() const {
    const double fit = FitZoom();
    return fit > 0 ? std::min(kMinZoom, fit) : kMinZoom;
}

void LintraViewWidget::SetZoom(double zoom, QPoint anchor) {
    zoom = std::clamp(zoom, MinZoom(), kMaxZoom);
    QScrollArea* area = ScrollArea();
    const double old = m_zoom;
    m_zoom = zoom;
    if (zoom != old) {
        QPoint scroll;
        if (area) {
            scroll = {area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()};
            if (anchor.isNull()) anchor = scroll + area->viewport()->rect().center();
        }
        // Resize now, so the scroll bars have their new ranges before the
        // anchor is put back under the pointer.
        const QSize zoomed = ZoomedSize();
        setMinimumSize(zoomed);
        resize(area ? zoomed.expandedTo(area->viewport()->size()) : zoomed);
        if (area) {
            const QPointF picturePoint = QPointF(anchor - QPoint(kMargin, kMargin)) / old;
            const QPoint moved = (picturePoint * zoom).toPoint() + QPoint(kMargin, kMargin);
            area->horizontalScrollBar()->setValue(scroll.x() + moved.x() - anchor.x());
            area->verticalScrollBar()->setValue(scroll.y() + moved.y() - anchor.y());
        }
        update();
    }
    emit zoomChanged(m_zoom);
}

void LintraViewWidget::ZoomIn(QPoint anchor) {
    // The next power of two above the zoom (a fitted zoom lies between two).
    SetZoom(std::exp2(std::floor(std::log2(m_zoom) + 1e-9) + 1), anchor);
}

void LintraViewWidget::ZoomOut(QPoint anchor) {
    SetZoom(std::exp2(std::ceil(std::log2(m_zoom) - 1e-9) - 1), anchor);
}

double LintraViewWidget::FitZoom() const {
    const QSize content = ContentSize();
    if (content.isEmpty()) return 0;
    QScrollArea* area = ScrollArea();
    const QSize room = (area ? area->maximumViewportSize() : size()) - QSize(2 * kMargin, 2 * kMargin);
    const QSize picture = content - QSize(2 * kMargin, 2 * kMargin);
    if (room.width() <= 0 || room.height() <= 0) return 0;
    const double fit = std::min(static_cast<double>(room.width()) / picture.width(),
                                static_cast<double>(room.height()) / picture.height());
    // Rounded down to a thousandth, so the fitted picture never needs a
    // scroll bar; a picture too large for even that keeps the exact fit.
    const double rounded = std::floor(fit * 1000) / 1000;
    return rounded > 0 ? rounded : fit;
}

void LintraViewWidget::FitToWindow() {
    const double fit = FitZoom();
    if (fit > 0) SetZoom(fit);
}

void LintraViewWidget::paintEvent(QPaintEvent*) {
    // A load still pending is done by a queued refresh; painting never
    // loads, and after a failed attempt it leaves the retry to the user.
    if (m_doc.m_bReloadPending != 0) {
        if (!m_loadStalled) RequestRefresh();
        return;
    }
    QPainter painter(this);
    if (m_zoom != 1.0) {
        // The picture's corner stays at (5, 5); picture and vectors scale
        // about it, each picture pixel a zoom-sized block.
        painter.translate(kMargin * (1 - m_zoom), kMargin * (1 - m_zoom));
        painter.scale(m_zoom, m_zoom);
    }
    QPainterCanvas canvas(painter, &m_reduced);
    try {
        m_view.OnDraw(canvas);
    } catch (...) {
        // Nothing may leave a paint event; the next refresh reports.
    }
}

void LintraViewWidget::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuRequested(event->globalPos());
}

void LintraViewWidget::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();  // the scroll area scrolls
        return;
    }
    event->accept();
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= steps * kWheelNotch;
    for (int i = 0; i < std::abs(steps); ++i) {
        const QPoint at = event->position().toPoint();
        if (steps > 0)
            ZoomIn(at);
        else
            ZoomOut(at);
    }
}

void LintraViewWidget::mousePressEvent(QMouseEvent* event) {
    const bool pan =
        event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && m_spaceHeld);
    if (!pan) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_panning = true;
    m_panLast = event->globalPosition().toPoint();
    UpdatePanCursor();
    event->accept();
}

void LintraViewWidget::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(PicturePixelAt(event->position().toPoint()));
    if (!m_panning) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    // Global positions: the widget itself moves as the view scrolls.
    const QPoint now = event->globalPosition().toPoint();
    const QPoint delta = now - m_panLast;
    m_panLast = now;
    if (QScrollArea* area = ScrollArea()) {
        area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->value() - delta.x());
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->value() - delta.y());
    }
    event->accept();
}

void LintraViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_panning) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (event->buttons() & (Qt::MiddleButton | Qt::LeftButton)) return;
    m_panning = false;
    UpdatePanCursor();
    event->accept();
}

void LintraViewWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        m_spaceHeld = true;
        UpdatePanCursor();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space) return;  // repeats while held
    QWidget::keyPressEvent(event);
}

void LintraViewWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        m_spaceHeld = false;
        UpdatePanCursor();
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void LintraViewWidget::UpdatePanCursor() {
    if (m_panning)
        setCursor(Qt::ClosedHandCursor);
    else if (m_spaceHeld)
        setCursor(Qt::OpenHandCursor);
    else
        unsetCursor();
}

}  // namespace lintra
