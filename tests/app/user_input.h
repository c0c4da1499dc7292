// Real pointer input for the desktop program's tests: the trackbar's thumb
// dragged as a user drags it, and wheel events as a mouse sends them.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include "app/param_dialog.h"

namespace lintra::test {

// Presses the left button on the thumb and moves the pointer a pixel at a
// time towards target until the thumb gets there or past it (or the pointer
// leaves the channel well behind), then lets go unless release is false.
// Returns the position reached: where the thumb stops depends on the
// channel's length in pixels.
inline int DragThumbTowards(TrackBar* bar, int target, bool release = true) {
    QPoint pointer = bar->ThumbRect().center();
    QTest::mousePress(bar, Qt::LeftButton, {}, pointer);
    const int direction = target > bar->value() ? 1 : -1;
    while ((target - bar->value()) * direction > 0 && pointer.x() > -bar->width() &&
           pointer.x() < 2 * bar->width()) {
        pointer.rx() += direction;
        QTest::mouseMove(bar, pointer);
    }
    if (release) QTest::mouseRelease(bar, Qt::LeftButton, {}, pointer);
    return bar->value();
}

// One wheel event over the middle of widget: delta in eighths of a degree
// (120 is one notch, positive turns away from the user).
inline bool SendWheel(QWidget* widget, int delta, Qt::KeyboardModifiers modifiers = {},
                      QPoint at = QPoint(-1, -1)) {
    const QPointF position = at == QPoint(-1, -1) ? QPointF(widget->rect().center()) : QPointF(at);
    QWheelEvent event(position, widget->mapToGlobal(position), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

}  // namespace lintra::test
