#include "app/icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "docview/commands.h"

namespace lintra {
namespace {

// The same drawing as app/icons/lintra.svg, on a 64 x 64 grid.
QPixmap DrawAppIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size / 64.0, size / 64.0);

    painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(6, 4, 52, 56), 4, 4);

    QPainterPath stroke;
    stroke.moveTo(14, 46);
    stroke.cubicTo(18, 18, 30, 14, 36, 30);
    stroke.cubicTo(40, 42, 46, 40, 50, 16);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(stroke);

    const QPointF outline[] = {{14, 46}, {19, 26}, {27, 20}, {34, 26}, {39, 38}, {45, 36}, {50, 16}};
    painter.setPen(QPen(QColor(0xC0, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(outline, std::size(outline));
    painter.setBrush(QColor(0xC0, 0, 0));
    painter.setPen(Qt::NoPen);
    for (const QPointF& p : outline) painter.drawEllipse(p, 2.2, 2.2);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48, 64, 128}) icon.addPixmap(DrawAppIcon(size));
    return icon;
}

QPixmap AboutPicture() {
    return DrawAppIcon(40);
}

QIcon ToolbarIcon(int id) {
    QStyle* style = QApplication::style();
    switch (id) {
        case cmd::kFileOpen:
            return style->standardIcon(QStyle::SP_DialogOpenButton);
        case cmd::kFileSave:
            return style->standardIcon(QStyle::SP_DialogSaveButton);
        case cmd::kRestoreOriginal:
            return style->standardIcon(QStyle::SP_BrowserReload);
        case cmd::kRestorePrevious:
            return style->standardIcon(QStyle::SP_ArrowBack);
        default:
            return {};
    }
}

}  // namespace lintra
