// The QPainter canvas (rows flipped, palette applied, the end pixel of a
// line left out) and the printer path (scaled to fit, proportions kept,
// a PDF page holding the picture).
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "app/printing.h"
#include "app/qt_canvas.h"

using namespace lintra;

namespace {

// A 6 x 4 picture, bottom row first, stride 8: row y holds value 10 * y + x,
// and a grey palette except entry 33, which is pure blue.
struct Picture {
    static constexpr int kWidth = 6, kHeight = 4, kStride = 8;
    std::vector<std::uint8_t> rows = std::vector<std::uint8_t>(kStride * kHeight, 0xEE);
    Palette256 palette{};
    Picture() {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) rows[y * kStride + x] = static_cast<std::uint8_t>(10 * y + x);
        for (int i = 0; i < 256; ++i) palette[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
        palette[33] = {0, 0, 255, 0};
    }
    void Draw(Canvas& canvas) const {
        canvas.DrawIndexedImage(5, 5, rows.data(), kWidth, kHeight, kStride, palette);
    }
};

QImage White(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

}  // namespace

class TestCanvasPrinting : public QObject {
    Q_OBJECT
private slots:
    void imageIsFlippedAndUsesItsPalette();
    void linesLeaveOutTheirEndPixel();
    void printingFitsThePageKeepingProportions();
    void printsAPdfPageWithThePicture();
};

void TestCanvasPrinting::imageIsFlippedAndUsesItsPalette() {
    Picture picture;
    QImage target = White(20, 20);
    {
        QPainter painter(&target);
        QPainterCanvas canvas(painter);
        picture.Draw(canvas);
    }
    // The bottom row (y = 0) lands on screen row 5 + height - 1 = 8.
    for (int y = 0; y < Picture::kHeight; ++y)
        for (int x = 0; x < Picture::kWidth; ++x) {
            int value = 10 * y + x;
            QRgb expected = value == 33 ? qRgb(0, 0, 255) : qRgb(value, value, value);
            QCOMPARE(target.pixel(5 + x, 5 + Picture::kHeight - 1 - y), expected);
        }
    // Nothing outside (5,5)-(11,9), and not the row padding.
    QCOMPARE(target.pixel(4, 5), qRgb(255, 255, 255));
    QCOMPARE(target.pixel(11, 6), qRgb(255, 255, 255));
    QCOMPARE(target.pixel(6, 9), qRgb(255, 255, 255));
    // Entries beyond the table the caller filled stay as given (black here).
    Palette256 black{};
    QImage image = IndexedToQImage(picture.rows.data(), 6, 4, 8, black);
    QCOMPARE(image.colorCount(), 256);
    QCOMPARE(image.color(200), qRgb(0, 0, 0));
    // A stride shorter than the width is refused rather than over-read.
    QVERIFY(IndexedToQImage(picture.rows.data(), 6, 4, 5, black).isNull());
}

void TestCanvasPrinting::linesLeaveOutTheirEndPixel() {
    QImage target = White(40, 40);
    {
        QPainter painter(&target);
        QPainterCanvas canvas(painter);
        canvas.SetPen({128, 0, 0});
        canvas.DrawLine(5, 30, 15, 30);
        canvas.DrawLine(20, 5, 20, 9);
        canvas.DrawLine(30, 30, 30, 30);  // zero length: nothing
        // Traced right to left, upwards and up-left: the start pixel is painted.
        canvas.DrawLine(15, 35, 5, 35);
        canvas.DrawLine(25, 9, 25, 5);
        canvas.DrawLine(35, 20, 32, 17);
    }
    const QRgb red = qRgb(128, 0, 0);
    for (int x = 5; x < 15; ++x) QCOMPARE(target.pixel(x, 30), red);
    QCOMPARE(target.pixel(15, 30), qRgb(255, 255, 255));
    QCOMPARE(target.pixel(4, 30), qRgb(255, 255, 255));
    for (int y = 5; y < 9; ++y) QCOMPARE(target.pixel(20, y), red);
    QCOMPARE(target.pixel(20, 9), qRgb(255, 255, 255));
    QCOMPARE(target.pixel(30, 30), qRgb(255, 255, 255));
    for (int x = 6; x <= 15; ++x) QCOMPARE(target.pixel(x, 35), red);
    QCOMPARE(target.pixel(16, 35), qRgb(255, 255, 255));
    for (int y = 6; y <= 9; ++y) QCOMPARE(target.pixel(25, y), red);
    QCOMPARE(target.pixel(25, 10), qRgb(255, 255, 255));
    for (int d = 0; d < 3; ++d) QCOMPARE(target.pixel(35 - d, 20 - d), red);
}

void TestCanvasPrinting::printingFitsThePageKeepingProportions() {
    Picture picture;
    PrintSource source;
    source.draw = [&picture](Canvas& canvas) { picture.Draw(canvas); };
    // The picture with its margins: 16 x 14.
    source.contentSize = [] { return QSize(Picture::kWidth + 10, Picture::kHeight + 10); };
    QImage page = White(200, 400);
    double scale = 0;
    {
        QPainter painter(&page);
        scale = RenderFitted(painter, QRect(0, 0, 160, 400), source);
    }
    // The width limits: 160 / 16 = 10 device pixels per picture pixel.
    QCOMPARE(scale, 10.0);
    // Picture pixel (0, top row = y 3, value 30) covers (50..59, 50..59).
    QCOMPARE(page.pixel(55, 55), qRgb(30, 30, 30));
    // The blue pixel (x 3, y 3) sits at column 5 + 3, row 5.
    QCOMPARE(page.pixel(85, 55), qRgb(0, 0, 255));
    // The bottom-right picture pixel (5, 0) ends at (110, 90).
    QCOMPARE(page.pixel(105, 85), qRgb(5, 5, 5));
    QCOMPARE(page.pixel(115, 85), qRgb(255, 255, 255));
    QCOMPARE(page.pixel(105, 95), qRgb(255, 255, 255));
}

void TestCanvasPrinting::printsAPdfPageWithThePicture() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Picture picture;
    PrintSource source;
    source.draw = [&picture](Canvas& canvas) {
        picture.Draw(canvas);
        canvas.SetPen({128, 0, 0});
        canvas.DrawLine(5, 8, 11, 8);
    };
    source.contentSize = [] { return QSize(Picture::kWidth + 10, Picture::kHeight + 10); };
    PrintController controller(source);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QString path = dir.filePath(QStringLiteral("page.pdf"));
    printer.setOutputFileName(path);
    QVERIFY(controller.PrintTo(printer));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray pdf = file.readAll();
    QVERIFY(pdf.startsWith("%PDF-"));
    QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
    // The picture went in as an image of its own size.
    QVERIFY(pdf.contains("/Subtype /Image"));
    QVERIFY(pdf.contains("/Width 6"));
    QVERIFY(pdf.contains("/Height 4"));
}

QTEST_MAIN(TestCanvasPrinting)
#include "canvas_printing_test.moc"
