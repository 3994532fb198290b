#include "ui/CHyperLink.h"

#include <QDesktopServices>
#include <QMouseEvent>

namespace ui {

CHyperLink::CHyperLink(QWidget* parent)
    : QLabel(parent), opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
    Restyle();
}

void CHyperLink::SetURL(const QString& target) {
    target_ = target;
    setToolTip(target);
    if (text().isEmpty())
        setText(target);
}

void CHyperLink::SetLinkText(const QString& text) {
    setText(text);
}

void CHyperLink::Restyle() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, visited_ ? QColor(180, 140, 255) : QColor(63, 200, 255));
    setPalette(p);
    QFont f = font();
    f.setUnderline(hover_);
    setFont(f);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        !target_.isEmpty()) {
        if (opener_ && opener_(QUrl::fromUserInput(target_)))
            visited_ = true;
        Restyle();
        emit Opened(target_);
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    hover_ = true;
    Restyle();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    hover_ = false;
    Restyle();
    QLabel::leaveEvent(event);
}

} // namespace ui
