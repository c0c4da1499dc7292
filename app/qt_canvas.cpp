#include "app/qt_canvas.h"

#include <cstring>

namespace lintra {

QImage IndexedToQImage(const std::uint8_t* pixels, int width, int height, int stride,
                       const Palette256& palette) {
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < width) return {};
    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull()) return {};
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) colours[i] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
    image.setColorTable(colours);
    // Pixel row 0 is the bottom of the picture; QImage row 0 is its top.
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* source = pixels + static_cast<std::ptrdiff_t>(height - 1 - row) * stride;
        std::memcpy(image.scanLine(row), source, static_cast<std::size_t>(width));
    }
    return image;
}

void QPainterCanvas::DrawIndexedImage(int left, int top, const std::uint8_t* pixels, int width, int height,
                                      int stride, const Palette256& palette) {
    QImage image = IndexedToQImage(pixels, width, height, stride, palette);
    if (image.isNull()) return;
    m_painter.drawImage(QPoint(left, top), image);
}

void QPainterCanvas::SetPen(PenColour colour) {
    QPen pen(QColor(colour.red, colour.green, colour.blue));
    pen.setWidth(0);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    m_painter.setPen(pen);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
}

void QPainterCanvas::DrawLine(int x1, int y1, int x2, int y2) {
    // A zero-length LineTo paints nothing; Qt would paint one pixel.
    if (x1 == x2 && y1 == y2) return;
    // Qt's flat-capped cosmetic line covers its left end (its top end when
    // it is steep) and leaves out the other, whichever way it was given; a
    // line traced right to left or upwards would lose its start pixel.
    m_painter.drawLine(x1, y1, x2, y2);
    m_painter.drawPoint(x1, y1);
}

}  // namespace lintra
