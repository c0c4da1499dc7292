// The view on the screen: a widget inside a scroll area that paints through
// the view's drawing pass. The pending load of an opened file runs before
// painting, from a queued refresh, never inside the paint event, so that a
// message box it shows cannot open while the widget is being painted.
#pragma once

#include <QWidget>

namespace lintra {

class CLintraDoc;
class CLintraView;

class LintraViewWidget : public QWidget {
    Q_OBJECT
public:
    // The picture sits this far from the left and top edges, and the widget
    // keeps as much room after it.
    static constexpr int kMargin = 5;

    LintraViewWidget(CLintraDoc& doc, CLintraView& view, QWidget* parent = nullptr);

    // Asks for a refresh on the next turn of the event loop; several
    // requests before it runs make one refresh.
    void RequestRefresh();
    // Runs the pending load, fits the widget to the picture and repaints it.
    // A load that fails with a file error stays pending; painting then no
    // longer retries it (that would repeat its message box for ever), the
    // next explicit Refresh (after an Open or a command) does.
    void Refresh();
    // The picture and its margins, or an empty size when nothing is drawn.
    QSize ContentSize() const;

signals:
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CLintraDoc& m_doc;
    CLintraView& m_view;
    bool m_refreshQueued = false;
    bool m_loadStalled = false;
};

}  // namespace lintra
