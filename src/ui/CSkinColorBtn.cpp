#include "ui/CSkinColorBtn.h"

#include "ui/SkinPalette.h"

#include <QColorDialog>
#include <QFrame>
#include <QGridLayout>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace ui {

namespace {

// The palette offered: full colours in the first rows, then greys.
constexpr uint32_t kColours[] = {
    0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF80, 0x00FF00, 0x80FF00, 0xFFFF00, 0xFF8000,
    0xFF0000, 0xFF0080, 0xFF00FF, 0x8000FF, 0x000080, 0x004080, 0x008080, 0x008000,
    0x404000, 0x800000, 0x800040, 0x400080, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x000000,
};

} // namespace

CSkinColorBtn::CSkinColorBtn(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &CSkinColorBtn::OpenPalette);
}

void CSkinColorBtn::SetColor(uint32_t colour) {
    colour_ = colour & 0xFFFFFF;
    update();
}

void CSkinColorBtn::Choose(uint32_t colour) {
    if (popup_)
        popup_->close();
    SetColor(colour);
    emit ColorChanged(colour_);
}

void CSkinColorBtn::OpenPalette() {
    if (popup_)
        return;
    popup_ = new QFrame(this, Qt::Popup);
    popup_->setAttribute(Qt::WA_DeleteOnClose);
    ApplySkinPalette(*popup_);
    popup_->setAutoFillBackground(true);
    popup_->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(popup_);
    column->setContentsMargins(6, 6, 6, 6);
    auto* grid = new QGridLayout;
    grid->setSpacing(3);
    int i = 0;
    for (uint32_t c : kColours) {
        auto* swatch = new QToolButton(popup_);
        swatch->setFixedSize(18, 18);
        swatch->setAutoRaise(true);
        swatch->setStyleSheet(
            QString("background:%1;border:1px solid #0a0b0d;").arg(FromColourRef(c).name()));
        connect(swatch, &QToolButton::clicked, this, [this, c] { Choose(c); });
        grid->addWidget(swatch, i / 8, i % 8);
        ++i;
    }
    column->addLayout(grid);
    auto* other = new QPushButton(tr("Other..."), popup_);
    connect(other, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(FromColourRef(colour_), this);
        if (chosen.isValid())
            Choose(ToColourRef(chosen));
        else if (popup_)
            popup_->close();
    });
    column->addWidget(other);
    connect(popup_, &QObject::destroyed, this, [this] {
        popup_ = nullptr;
        update();
    });
    popup_->adjustSize();
    popup_->move(mapToGlobal(QPoint(0, height())));
    popup_->show();
    update();
}

void CSkinColorBtn::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool lit = hover_ || popup_ || isDown();
    p.setPen(QPen(lit ? QColor(63, 200, 255) : QColor(76, 82, 93), lit ? 1.5 : 1));
    p.setBrush(isEnabled() ? QColor(42, 46, 53) : QColor(36, 38, 43));
    p.drawRoundedRect(r, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? FromColourRef(colour_) : QColor(70, 72, 76));
    p.drawRoundedRect(r.adjusted(4, 4, -4, -4), 2, 2);
    if (hasFocus()) {
        p.setPen(QPen(QColor(228, 230, 234), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(FocusFrame().intersected(rect())).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void CSkinColorBtn::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinColorBtn::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinColorBtn::focusInEvent(QFocusEvent* event) {
    update();
    QAbstractButton::focusInEvent(event);
}

void CSkinColorBtn::focusOutEvent(QFocusEvent* event) {
    update();
    QAbstractButton::focusOutEvent(event);
}

} // namespace ui
