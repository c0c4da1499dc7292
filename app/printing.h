// Printing, print preview and page setup: the view's drawing pass run onto
// the printer, the picture and its margins scaled to fit the printable
// area with their proportions kept.
#pragma once

#include <QObject>
#include <QSize>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class QRect;
class QWidget;

namespace lintra {

class Canvas;

// What a page shows: the drawing pass, and the size it covers in its own
// pixels (the picture and its margins; empty when nothing is open).
struct PrintSource {
    std::function<void(Canvas&)> draw;
    std::function<QSize()> contentSize;
};

// Runs source.draw on painter, scaled so that contentSize fits page and
// centred horizontally at the top of it. An empty content size draws
// unscaled. Returns the scale used.
double RenderFitted(QPainter& painter, const QRect& page, const PrintSource& source);

class PrintController : public QObject {
    Q_OBJECT
public:
    PrintController(PrintSource source, QObject* parent = nullptr);
    ~PrintController() override;

    QPrinter& Printer() { return *m_printer; }
    // Print (with the print dialog) and Print Direct (without it).
    void Print(QWidget* parent, bool showDialog);
    void Preview(QWidget* parent);
    void PageSetup(QWidget* parent);
    // Prints one page onto printer as it is set up; false when the printer
    // could not be started.
    bool PrintTo(QPrinter& printer);

private:
    PrintSource m_source;
    std::unique_ptr<QPrinter> m_printer;
};

}  // namespace lintra
