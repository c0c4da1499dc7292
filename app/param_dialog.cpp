#include "app/param_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

#include "app/dialog_units.h"
#include "app/icons.h"
#include "docview/commands.h"

namespace lintra {
namespace {

// Some styles jump the thumb to a click in the channel; the trackbar moves
// only by its thumb, the arrow keys, Home and End.
class NoJumpStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_Slider_AbsoluteSetButtons || hint == SH_Slider_PageSetButtons) return Qt::NoButton;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

}  // namespace

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    auto* style = new NoJumpStyle;
    style->setParent(this);
    setStyle(style);
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    emit captureReleased();
}

CGaiBian::CGaiBian(std::function<void(int)> send, QWidget* parent) : QDialog(parent), send_(std::move(send)) {
    setObjectName(QStringLiteral("paramDialog"));
    setWindowTitle(QStringLiteral("参数调整"));
    setWindowIcon(AppIcon());
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    const DialogUnits du(dialogFont);

    slider_ = new TrackBar(this);
    slider_->setObjectName(QStringLiteral("trackbar"));
    slider_->setRange(param::kTrackbarMin, param::kTrackbarMax);
    slider_->setPageStep(0);
    slider_->setSingleStep(1);
    slider_->setTickPosition(QSlider::NoTicks);
    slider_->setFocusPolicy(Qt::StrongFocus);
    slider_->setGeometry(du.Rect(0, 13, 186, 15));

    auto* range = new QLabel(QStringLiteral("参数范围0-255"), this);
    QRect rangeRect = du.Rect(39, 2, 52, 8);
    rangeRect.setWidth(qMax(rangeRect.width(), range->sizeHint().width()));
    rangeRect.setHeight(qMax(rangeRect.height(), range->sizeHint().height()));
    // Where the CJK label is wider than its template slot, keep it clear of the edit box.
    rangeRect.moveLeft(qMin(rangeRect.left(), du.X(103) - rangeRect.width() - 2));
    range->setGeometry(rangeRect);

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("value"));
    edit_->setGeometry(du.Rect(103, 0, 27, 12).adjusted(0, 0, 6, 2));
    // Typing changes nothing: no handler reads the box; it shows the last
    // position sent.
    edit_->setReadOnly(true);

    ok_ = new QPushButton(QStringLiteral("确定"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    ok_->setGeometry(du.Rect(63, 32, 50, 14));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    QRect bounds = du.Rect(0, 0, 186, 46);
    bounds = bounds.united(ok_->geometry().adjusted(0, 0, 0, du.Y(2)));
    setFixedSize(bounds.size());

    lastPos_ = slider_->value();
    edit_->setText(QString::number(lastPos_));

    connect(slider_, &TrackBar::captureReleased, this, &CGaiBian::ReportFull);
    // Every key press reaches the check before the focused control: the
    // controls and the dialog itself.
    for (QWidget* child : {static_cast<QWidget*>(slider_), static_cast<QWidget*>(edit_), static_cast<QWidget*>(ok_)})
        child->installEventFilter(this);
    installEventFilter(this);
}

int CGaiBian::LastPosition() const { return lastPos_; }

bool CGaiBian::IsOwnKeyEvent() const {
    QWidget* focus = QApplication::focusWidget();
    return focus == nullptr || focus == this || !isAncestorOf(focus);
}

bool CGaiBian::eventFilter(QObject* watched, QEvent* event) {
    // Qt passes a key a control ignores on to the dialog; that is still the
    // control's key press, already checked when the control got it.
    if (event->type() == QEvent::KeyPress && (watched != this || IsOwnKeyEvent())) ReportFull();
    return QDialog::eventFilter(watched, event);
}

void CGaiBian::keyPressEvent(QKeyEvent* event) {
    if (IsOwnKeyEvent()) ReportShort();
    QDialog::keyPressEvent(event);
}

void CGaiBian::keyReleaseEvent(QKeyEvent* event) {
    if (IsOwnKeyEvent()) ReportShort();
    QDialog::keyReleaseEvent(event);
}

void CGaiBian::ReportFull() {
    int position = slider_->value();
    if (position == lastPos_) return;
    if (send_) send_(position);
    lastPos_ = position;
    edit_->setText(QString::number(position));
}

void CGaiBian::ReportShort() {
    int position = slider_->value();
    if (position == lastPos_) return;
    if (send_) send_(position);
    lastPos_ = position;
}

}  // namespace lintra
