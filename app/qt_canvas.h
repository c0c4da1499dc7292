// The drawing pass's canvas on a QPainter: the screen widget, a printer page
// or a preview page all paint through it.
#pragma once

#include <QPainter>

#include "image/canvas.h"

namespace lintra {

// A picture reduced for a zoomed-out view, kept until the picture, its
// palette or the size asked for changes, or Invalidate is called: on a
// 600-dpi page a reduction takes tens of milliseconds, too long for every
// paint (a scroll, an expose).
class ReducedImageCache {
public:
    // The picture reduced to size by ReduceDarkest, as an upright Indexed8
    // image; built again only when something it was built from changed.
    const QImage& Get(const std::uint8_t* pixels, int width, int height, int stride,
                      const Palette256& palette, QSize size);
    // The pixels may have changed in place: the next Get builds again.
    void Invalidate() { m_valid = false; }
    // How many times Get has built the reduced image (for the tests).
    int Builds() const { return m_builds; }

private:
    QImage m_image;
    const std::uint8_t* m_pixels = nullptr;
    int m_width = 0, m_height = 0, m_stride = 0;
    Palette256 m_palette{};
    bool m_valid = false;
    int m_builds = 0;
};

class QPainterCanvas : public Canvas {
public:
    // With a cache, a picture the painter's transform shrinks is drawn
    // reduced through it; without one it is always drawn as it is.
    explicit QPainterCanvas(QPainter& painter, ReducedImageCache* reduced = nullptr)
        : m_painter(painter), m_reduced(reduced) {}

    // Draws the rows as a QImage of format Indexed8 with the 256 palette
    // entries as its colour table; the bottom-row-first pixel rows are
    // flipped so the picture stands upright. When the painter shrinks it
    // and there is a cache, each screen pixel shows the darkest of the
    // picture pixels it covers, so thin dark strokes stay visible.
    void DrawIndexedImage(int left, int top, const std::uint8_t* pixels, int width, int height, int stride,
                          const Palette256& palette) override;
    // A cosmetic pen: one device pixel wide at any scale, no antialiasing.
    void SetPen(PenColour colour) override;
    // Paints the start pixel and leaves out the end pixel when the line
    // runs left to right or downwards, as a GDI LineTo does; a line running
    // the other way also covers its end pixel (Qt always covers the left or
    // top end). A zero-length line paints nothing.
    void DrawLine(int x1, int y1, int x2, int y2) override;

private:
    QPainter& m_painter;
    ReducedImageCache* m_reduced;
};

// The QImage a DrawIndexedImage call paints (exposed for the printer path,
// which scales it, and for the tests).
QImage IndexedToQImage(const std::uint8_t* pixels, int width, int height, int stride,
                       const Palette256& palette);

}  // namespace lintra
