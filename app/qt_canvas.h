// The drawing pass's canvas on a QPainter: the screen widget, a printer page
// or a preview page all paint through it.
#pragma once

#include <QPainter>

#include "image/canvas.h"

namespace lintra {

class QPainterCanvas : public Canvas {
public:
    explicit QPainterCanvas(QPainter& painter) : m_painter(painter) {}

    // Draws the rows as a QImage of format Indexed8 with the 256 palette
    // entries as its colour table; the bottom-row-first pixel rows are
    // flipped so the picture stands upright.
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
};

// The QImage a DrawIndexedImage call paints (exposed for the printer path,
// which scales it, and for the tests).
QImage IndexedToQImage(const std::uint8_t* pixels, int width, int height, int stride,
                       const Palette256& palette);

}  // namespace lintra
