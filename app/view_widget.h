// The view on the screen: a widget inside a scroll area that paints through
// the view's drawing pass. The pending load of an opened file runs before
// painting, from a queued refresh, never inside the paint event, so that a
// message box it shows cannot open while the widget is being painted.
//
// The picture can be zoomed (Ctrl++, Ctrl+-, Ctrl with the wheel, by
// doubling, from 1600% down to 12.5% or to the zoom that fits the window
// if that is smaller; Ctrl+0 for 100%; Ctrl+F to fit the window) and panned
// with the middle button or with the left button while space is held. At
// 100% it paints exactly as the drawing pass does, one screen pixel per
// picture pixel at (5, 5); at any zoom the picture keeps that corner and
// the vector overlay is scaled with it. Below 100% each screen pixel shows
// the darkest picture pixel it covers, from a reduced copy kept until the
// picture changes. A newly opened picture larger than the window opens
// fitted to it.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/qt_canvas.h"

class QScrollArea;

namespace lintra {

class CLintraDoc;
class CLintraView;

class LintraViewWidget : public QWidget {
    Q_OBJECT
public:
    // The picture sits this far from the left and top edges, and the widget
    // keeps as much room after it.
    static constexpr int kMargin = 5;
    static constexpr double kMinZoom = 0.125;
    static constexpr double kMaxZoom = 16.0;

    LintraViewWidget(CLintraDoc& doc, CLintraView& view, QWidget* parent = nullptr);

    // Asks for a refresh on the next turn of the event loop; several
    // requests before it runs make one refresh.
    void RequestRefresh();
    // Runs the pending load, fits the widget to the picture and repaints it.
    // A load that fails with a file error stays pending; painting then no
    // longer retries it (that would repeat its message box for ever), the
    // next explicit Refresh (after an Open or a command) does. A picture
    // just loaded that does not fit the window at 100% is fitted to it.
    void Refresh();
    // Runs each pending load through runner (the status bar's busy notice);
    // without one the load runs directly.
    void SetLoadRunner(std::function<void(const std::function<void()>&)> runner) {
        m_loadRunner = std::move(runner);
    }
    // The picture and its margins at 100% (what printing lays out), or an
    // empty size when nothing is drawn.
    QSize ContentSize() const;

    // The zoom factor, 1 for 100%.
    double Zoom() const { return m_zoom; }
    // The smallest zoom: 12.5%, or less when only less fits the picture in
    // the window.
    double MinZoom() const;
    // Sets the zoom, clamped to MinZoom()..1600%, keeping the picture point
    // under anchor (widget coordinates; the viewport's centre when null)
    // where it is on the screen.
    void SetZoom(double zoom, QPoint anchor = QPoint());
    // One doubling up or down from the current zoom.
    void ZoomIn(QPoint anchor = QPoint());
    void ZoomOut(QPoint anchor = QPoint());
    // The largest zoom at which the whole picture shows in the window.
    void FitToWindow();
    // The part of the picture the window shows, in picture pixels, rows
    // counted from the top; empty when nothing is shown.
    QRect VisiblePictureRect() const;
    // The picture pixel under pos (widget coordinates), x from the left and
    // y from the bottom row up, as the picture and its drawing count them;
    // nothing outside the picture or with none shown.
    std::optional<QPoint> PicturePixelAt(QPoint pos) const;
    // The reduced copy the zoomed-out view paints from.
    const ReducedImageCache& Reduced() const { return m_reduced; }

signals:
    void contextMenuRequested(const QPoint& globalPos);
    void zoomChanged(double zoom);
    // The pointer moved over the view: the picture pixel under it, or
    // nothing when it is off the picture or has left the view.
    void pointerMoved(std::optional<QPoint> pixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QScrollArea* ScrollArea() const;
    QSize ZoomedSize() const;
    void AddZoomShortcuts();
    void UpdatePanCursor();
    // The zoom FitToWindow sets; 0 when nothing is shown or there is no room.
    double FitZoom() const;

    CLintraDoc& m_doc;
    CLintraView& m_view;
    std::function<void(const std::function<void()>&)> m_loadRunner;
    bool m_refreshQueued = false;
    bool m_loadStalled = false;
    double m_zoom = 1.0;
    int m_wheelRemainder = 0;
    bool m_spaceHeld = false;
    bool m_panning = false;
    QPoint m_panLast;  // global position of the last pan step
    ReducedImageCache m_reduced;
};

}  // namespace lintra
