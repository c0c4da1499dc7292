#include "app/qt_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "image/draw.h"

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

const QImage& ReducedImageCache::Get(const std::uint8_t* pixels, int width, int height, int stride,
                                     const Palette256& palette, QSize size) {
    const bool same = m_valid && pixels == m_pixels && width == m_width && height == m_height &&
                      stride == m_stride && size == m_image.size() &&
                      std::memcmp(&palette, &m_palette, sizeof palette) == 0;
    if (same) return m_image;
    QImage image(size, QImage::Format_Indexed8);
    if (image.isNull()) {
        m_image = QImage();
        m_valid = false;
        return m_image;
    }
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) colours[i] = qRgb(palette[i].red, palette[i].green, palette[i].blue);
    image.setColorTable(colours);
    // Reduced bottom row first, then written into the image upside down.
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(size.width()) * size.height());
    ReduceDarkest(pixels, width, height, stride, palette, rows.data(), size.width(), size.height(),
                  size.width());
    for (int row = 0; row < size.height(); ++row)
        std::memcpy(image.scanLine(row),
                    rows.data() + static_cast<std::size_t>(size.height() - 1 - row) * size.width(),
                    static_cast<std::size_t>(size.width()));
    m_image = std::move(image);
    m_pixels = pixels;
    m_width = width;
    m_height = height;
    m_stride = stride;
    m_palette = palette;
    m_valid = true;
    ++m_builds;
    return m_image;
}

void QPainterCanvas::DrawIndexedImage(int left, int top, const std::uint8_t* pixels, int width, int height,
                                      int stride, const Palette256& palette) {
    const QTransform& transform = m_painter.worldTransform();
    if (m_reduced != nullptr && pixels != nullptr && width > 0 && height > 0 && stride >= width &&
        transform.type() <= QTransform::TxScale && (transform.m11() < 1 || transform.m22() < 1)) {
        // As many pixels as the picture covers on the device, at most its own.
        const QSize size(
            std::clamp(static_cast<int>(std::ceil(width * std::abs(transform.m11()))), 1, width),
            std::clamp(static_cast<int>(std::ceil(height * std::abs(transform.m22()))), 1, height));
        const QImage& reduced = m_reduced->Get(pixels, width, height, stride, palette, size);
        if (!reduced.isNull()) {
            m_painter.drawImage(QRectF(left, top, width, height), reduced);
            return;
        }
    }
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
