#include "app/printing.h"

#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/app_title.h"
#include "app/qt_canvas.h"
#include "app/translations.h"

namespace lintra {

double RenderFitted(QPainter& painter, const QRect& page, const PrintSource& source) {
    QSize content = source.contentSize ? source.contentSize() : QSize();
    double scale = 1.0;
    painter.save();
    if (!content.isEmpty() && !page.isEmpty()) {
        scale = std::min(static_cast<double>(page.width()) / content.width(),
                         static_cast<double>(page.height()) / content.height());
        double left = page.left() + (page.width() - content.width() * scale) / 2.0;
        painter.translate(left, page.top());
        painter.scale(scale, scale);
    } else {
        painter.translate(page.topLeft());
    }
    QPainterCanvas canvas(painter);
    if (source.draw) source.draw(canvas);
    painter.restore();
    return scale;
}

PrintController::PrintController(PrintSource source, QObject* parent)
    : QObject(parent),
      m_source(std::move(source)),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

PrintController::~PrintController() = default;

bool PrintController::PrintTo(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    page.moveTopLeft(QPoint(0, 0));
    RenderFitted(painter, page, m_source);
    return painter.end();
}

void PrintController::Print(QWidget* parent, bool showDialog) {
    if (showDialog) {
        QPrintDialog dialog(m_printer.get(), parent);
        dialog.setWindowTitle(Tr("打印"));
        if (dialog.exec() != QDialog::Accepted) return;
    }
    if (!PrintTo(*m_printer)) {
        QString target =
            m_printer->outputFileName().isEmpty() ? m_printer->printerName() : m_printer->outputFileName();
        QMessageBox::warning(parent, AppTitle(), Tr("无法打印到 %1。").arg(target));
    }
}

void PrintController::Preview(QWidget* parent) {
    QPrintPreviewDialog dialog(m_printer.get(), parent);
    dialog.setWindowTitle(Tr("打印预览"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintTo(*printer); });
    dialog.exec();
}

void PrintController::PageSetup(QWidget* parent) {
    QPageSetupDialog dialog(m_printer.get(), parent);
    dialog.setWindowTitle(Tr("打印设置"));
    dialog.exec();
}

}  // namespace lintra
