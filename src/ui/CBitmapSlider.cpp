#include "ui/CBitmapSlider.h"

#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

CBitmapSlider::CBitmapSlider(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    model_.SetRange(0, 100);
    UpdateTrack();
}

void CBitmapSlider::SetRange(int minimum, int maximum, bool redraw) {
    model_.SetRange(minimum, maximum);
    if (redraw)
        update();
}

void CBitmapSlider::SetPos(int position) {
    model_.SetPosition(position);
    update();
}

void CBitmapSlider::SetMargins(int left, int right) {
    leftMargin_ = left;
    rightMargin_ = right;
    UpdateTrack();
}

void CBitmapSlider::SetChannel(const QImage& channel) {
    channel_ = channel;
    update();
}

void CBitmapSlider::SetThumb(const QImage& thumb) {
    thumb_ = thumb;
    update();
}

void CBitmapSlider::UpdateTrack() {
    model_.SetTrack(width(), leftMargin_, rightMargin_);
}

void CBitmapSlider::Post(std::optional<int> position) {
    if (!position)
        return;
    update();
    // Posted, not sent: the owner hears of it once this input has been handled.
    const int id = id_, pos = *position;
    QMetaObject::invokeMethod(
        this, [this, id, pos] { emit Notified(id, pos); }, Qt::QueuedConnection);
}

void CBitmapSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!channel_.isNull())
        p.drawImage(0, 0, channel_);
    if (!thumb_.isNull())
        p.drawImage(model_.ThumbCentre() - thumb_.width() / 2, (height() - thumb_.height()) / 2,
                    thumb_);
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    grabMouse();
    Post(model_.Press(event->position().toPoint().x()));
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    Post(model_.Drag(event->position().toPoint().x()));
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    releaseMouse();
    Post(model_.Release());
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
    std::optional<SliderKey> key;
    switch (event->key()) {
    case Qt::Key_Left:
        key = SliderKey::Left;
        break;
    case Qt::Key_Right:
        key = SliderKey::Right;
        break;
    case Qt::Key_Up:
        key = SliderKey::Up;
        break;
    case Qt::Key_Down:
        key = SliderKey::Down;
        break;
    case Qt::Key_PageUp:
        key = SliderKey::PageUp;
        break;
    case Qt::Key_PageDown:
        key = SliderKey::PageDown;
        break;
    case Qt::Key_Home:
        key = SliderKey::Home;
        break;
    case Qt::Key_End:
        key = SliderKey::End;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    Post(model_.Key(*key));
}

void CBitmapSlider::resizeEvent(QResizeEvent* event) {
    UpdateTrack();
    QWidget::resizeEvent(event);
}

void CBitmapSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        model_.SetEnabled(isEnabled());
        if (!isEnabled())
            releaseMouse();
        update();
    }
    QWidget::changeEvent(event);
}

} // namespace ui
