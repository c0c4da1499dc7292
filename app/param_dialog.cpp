#include "app/param_dialog.h"

#include <QApplication>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <cstdlib>

#include "app/dialog_units.h"
#include "app/icons.h"
#include "app/translations.h"
#include "docview/commands.h"

namespace lintra {
namespace {

// No button jumps the thumb to the pointer; the left button takes hold of
// the thumb (QSlider grabs the thumb in its page-step branch, so that branch
// must keep the left button; presses off the thumb never reach it).
class NoJumpStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_Slider_AbsoluteSetButtons) return Qt::NoButton;
        if (hint == SH_Slider_PageSetButtons) return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// One notch of a common mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

}  // namespace

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    auto* style = new NoJumpStyle;
    style->setParent(this);
    setStyle(style);
}

QRect TrackBar::ThumbRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void TrackBar::mousePressEvent(QMouseEvent* event) {
    // Only the left button on the thumb starts a drag; a click anywhere else
    // in the channel is taken and does nothing.
    if (event->button() == Qt::LeftButton && ThumbRect().contains(event->position().toPoint())) {
        QSlider::mousePressEvent(event);
        return;
    }
    event->accept();
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    emit captureReleased();
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
    QSlider::keyPressEvent(event);
    emit keyHandled();
}

void TrackBar::wheelEvent(QWheelEvent* event) {
    event->accept();
    // A horizontal wheel counts when there is no vertical turn, as in QSlider.
    int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (event->inverted() != invertedControls()) delta = -delta;
    // Fine-grained wheels and touchpads send parts of a notch: add them up.
    m_wheelRemainder += delta;
    const int steps = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder -= steps * kWheelNotch;
    if (steps == 0) return;
    for (int i = 0; i < std::abs(steps); ++i)
        triggerAction(steps > 0 ? SliderSingleStepAdd : SliderSingleStepSub);
    emit wheelMoved();
}

CParameterDialog::CParameterDialog(std::function<void(int)> send, QWidget* parent)
    : QDialog(parent), m_reporter(std::move(send)) {
    setObjectName(QStringLiteral("paramDialog"));
    setWindowTitle(Tr("参数调整"));
    setWindowIcon(AppIcon());
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    const DialogUnits du(dialogFont);

    m_slider = new TrackBar(this);
    m_slider->setObjectName(QStringLiteral("trackbar"));
    m_slider->setRange(param::kTrackbarMin, param::kTrackbarMax);
    m_slider->setPageStep(0);
    m_slider->setSingleStep(1);
    m_slider->setTickPosition(QSlider::NoTicks);
    m_slider->setFocusPolicy(Qt::StrongFocus);
    m_slider->setGeometry(du.Rect(0, 13, 186, 15));

    auto* range = new QLabel(Tr("参数范围0-255"), this);
    QRect rangeRect = du.Rect(39, 2, 52, 8);
    rangeRect.setWidth(qMax(rangeRect.width(), range->sizeHint().width()));
    rangeRect.setHeight(qMax(rangeRect.height(), range->sizeHint().height()));
    // Where the CJK label is wider than its template slot, keep it clear of the edit box.
    rangeRect.moveLeft(qMin(rangeRect.left(), du.X(103) - rangeRect.width() - 2));
    range->setGeometry(rangeRect);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("value"));
    m_edit->setGeometry(du.Rect(103, 0, 27, 12).adjusted(0, 0, 6, 2));
    // A number typed here is applied by Enter; the box otherwise shows the
    // last position sent.
    m_edit->setValidator(new QIntValidator(param::kTrackbarMin, param::kTrackbarMax, m_edit));

    m_ok = new QPushButton(Tr("确定"), this);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    m_ok->setGeometry(du.Rect(63, 32, 50, 14));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    QRect bounds = du.Rect(0, 0, 186, 46);
    bounds = bounds.united(m_ok->geometry().adjusted(0, 0, 0, du.Y(2)));
    setFixedSize(bounds.size());

    m_edit->setText(QString::fromStdString(m_reporter.m_strValue));

    connect(m_slider, &TrackBar::captureReleased, this, &CParameterDialog::ReportFull);
    connect(m_slider, &TrackBar::wheelMoved, this, &CParameterDialog::ReportFull);
    // After the trackbar has handled the key, so the move it made is sent.
    // A key pressed while the thumb is held leaves the report to the release.
    connect(m_slider, &TrackBar::keyHandled, this, [this] {
        if (!m_slider->isSliderDown()) ReportFull();
    });
    // Enter in the box applies the number rather than pressing OK.
    m_edit->installEventFilter(this);
}

int CParameterDialog::LastPosition() const {
    return m_reporter.m_lastPos;
}

bool CParameterDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ApplyTyped();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CParameterDialog::ApplyTyped() {
    bool ok = false;
    const int typed = m_edit->text().trimmed().toInt(&ok);
    if (ok && typed >= param::kTrackbarMin && typed <= param::kTrackbarMax) {
        m_slider->setValue(typed);
        ReportFull();
    }
    m_edit->setText(QString::fromStdString(m_reporter.m_strValue));
}

void CParameterDialog::ReportFull() {
    if (m_reporter.ReportFull(m_slider->value()))
        m_edit->setText(QString::fromStdString(m_reporter.m_strValue));
}

}  // namespace lintra
