// CParameterDialog: the modeless parameter dialog, a 0 to 255 trackbar that sends
// its position to the view whenever it differs from the one last sent:
// when the mouse lets go of the trackbar (a drag of the thumb reports once,
// on release), on each notch of the wheel (one step, reported at once), on
// each key press that moves the thumb (the position it moved to, once per
// press), and when a number typed into the edit box is confirmed with Enter.
// Page Up, Page Down and clicks in the channel move nothing; the edit box
// shows the last position sent.
#pragma once

#include <QDialog>
#include <QSlider>
#include <functional>

#include "docview/param_reporter.h"

class QLineEdit;
class QPushButton;

namespace lintra {

// The trackbar: a QSlider whose thumb the left button drags, whose channel
// ignores clicks, whose wheel moves one step a notch, and that says when
// the mouse button is released over it after its own handling, like a
// released-capture notification, and when a key press has been handled.
class TrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TrackBar(QWidget* parent = nullptr);

    // The thumb's rectangle in the trackbar's coordinates.
    QRect ThumbRect() const;

signals:
    void captureReleased();
    // The wheel moved the thumb (after the move).
    void wheelMoved();
    // A key press has been handled (the thumb moved or not).
    void keyHandled();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_wheelRemainder = 0;  // eighths of a degree short of a whole notch
};

class CParameterDialog : public QDialog {
    Q_OBJECT
public:
    // send delivers a position to the view and returns once the view has
    // re-applied its operation; the dialog's ParamReporter calls it.
    CParameterDialog(std::function<void(int)> send, QWidget* parent);

    TrackBar* Slider() const { return m_slider; }
    QLineEdit* ValueEdit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    int LastPosition() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sends the trackbar position if it differs from the last one sent and
    // shows it in the edit box.
    void ReportFull();
    // Enter in the edit box: a number from 0 to 255 moves the thumb there
    // and is sent; anything else puts the last position back in the box.
    void ApplyTyped();

    ParamReporter m_reporter;
    TrackBar* m_slider = nullptr;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace lintra
