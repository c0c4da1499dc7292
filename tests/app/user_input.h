// Real pointer input for the desktop program's tests: the trackbar's thumb
// dragged as a user drags it, wheel events as a mouse sends them, and modal
// dialogs answered as a user answers them.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <memory>

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

// While the returned timer lives, each modal dialog that opens is handed
// to answer once, from the event loop the dialog runs; answer works it with
// real input (keys, clicks) and closes it. One still open after five
// seconds is closed, so a test whose answer went astray fails rather than
// waits for ever.
inline std::unique_ptr<QTimer> AnswerModals(std::function<void(QWidget*)> answer) {
    auto timer = std::make_unique<QTimer>();
    auto handled = std::make_shared<QPointer<QWidget>>();
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer.get(), &QTimer::timeout, [answer = std::move(answer), handled, ticks] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        if (modal == handled->data()) {
            if (++*ticks > 250) modal->close();
            return;
        }
        *handled = modal;
        *ticks = 0;
        answer(modal);
    });
    timer->start(20);
    return timer;
}

// Clicks button of the message box modal (the question whether to save
// the processed picture); false when modal is no message box.
inline bool ClickMessageBoxButton(QWidget* modal, QMessageBox::StandardButton button) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr || box->button(button) == nullptr) return false;
    QTest::mouseClick(box->button(button), Qt::LeftButton);
    return true;
}

}  // namespace lintra::test
