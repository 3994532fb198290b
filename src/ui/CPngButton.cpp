#include "ui/CPngButton.h"

#include "ui/CaptionFormat.h"
#include "ui/SkinPalette.h"

#include <QCursor>
#include <QEnterEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

namespace ui {

namespace {

int AlignmentOf(const CaptionPlacement& place) {
    int flags = 0;
    switch (place.horizontal) {
    case HorizontalPlace::Left:
        flags |= Qt::AlignLeft;
        break;
    case HorizontalPlace::Centre:
        flags |= Qt::AlignHCenter;
        break;
    case HorizontalPlace::Right:
        flags |= Qt::AlignRight;
        break;
    }
    switch (place.vertical) {
    case VerticalPlace::Top:
        flags |= Qt::AlignTop;
        break;
    case VerticalPlace::Middle:
        flags |= Qt::AlignVCenter;
        break;
    case VerticalPlace::Bottom:
        flags |= Qt::AlignBottom;
        break;
    }
    if (place.singleLine)
        flags |= Qt::TextSingleLine;
    if (place.wordBreak)
        flags |= Qt::TextWordWrap;
    if (place.mnemonic)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

} // namespace

CPngButton::CPngButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CPngButton::Redraw(bool redraw) {
    if (redraw)
        update();
}

void CPngButton::SetFaces(int x, int y, const QImage* normal, const QImage* hover,
                          const QImage* pressed, const QImage* disabled, const QImage* latched,
                          bool redraw) {
    origin_ = {x, y};
    SetFaceSurfaces(normal, hover, pressed, disabled, latched, redraw);
}

void CPngButton::SetFaceSurfaces(const QImage* normal, const QImage* hover, const QImage* pressed,
                                 const QImage* disabled, const QImage* latched, bool redraw) {
    faces_[0] = normal;
    faces_[1] = hover;
    faces_[2] = pressed;
    faces_[3] = disabled;
    faces_[4] = latched;
    Redraw(redraw);
}

void CPngButton::SetFaceOrigin(int x, int y, bool redraw) {
    origin_ = {x, y};
    Redraw(redraw);
}

void CPngButton::SetColourKeyFaces(const QImage* unmarked, const QImage* marked, bool on,
                                   bool isMarked, bool redraw) {
    colourFaces_[0] = unmarked;
    colourFaces_[1] = marked;
    colourKey_ = on;
    marked_ = isMarked;
    Redraw(redraw);
}

void CPngButton::SetLatched(bool on, bool redraw) {
    latched_ = on;
    Redraw(redraw);
}

void CPngButton::SetText(bool show, int pointSize, const QString& faceName, uint32_t colour,
                         uint32_t format) {
    showText_ = show;
    pointSize_ = pointSize;
    faceName_ = faceName;
    textColour_ = colour;
    format_ = format;
    update();
}

void CPngButton::SetDisabledTextColour(uint32_t colour) {
    disabledTextColour_ = colour;
    update();
}

void CPngButton::SetTextMargins(int left, int right, int top, int bottom) {
    margins_[0] = left;
    margins_[1] = right;
    margins_[2] = top;
    margins_[3] = bottom;
    update();
}

void CPngButton::SetTextRotation(int tenthsOfDegree, bool rotate) {
    angle_ = tenthsOfDegree;
    rotate_ = rotate;
    update();
}

void CPngButton::SetOutline(uint32_t colour, bool on) {
    outlineColour_ = colour;
    outline_ = on;
    update();
}

void CPngButton::SetTooltip(const QString& text, bool active) {
    if (!tooltipMade_) {
        tooltipMade_ = true;
        tooltipActive_ = true;
    }
    if (text.isEmpty())
        return;
    tooltip_ = text;
    tooltipActive_ = active;
    if (!active && QToolTip::isVisible() && underMouse())
        QToolTip::hideText();
}

Face CPngButton::CurrentFace() const {
    return ChooseFace({.disabled = !isEnabled(),
                       .colourKey = colourKey_,
                       .marked = marked_,
                       .pressed = isDown(),
                       .hover = hover_,
                       .latched = latched_});
}

const QImage* CPngButton::SurfaceOf(Face face) const {
    switch (face) {
    case Face::Normal:
        return faces_[0];
    case Face::Hover:
        return faces_[1];
    case Face::Pressed:
        return faces_[2];
    case Face::Disabled:
        return faces_[3];
    case Face::Latched:
        return faces_[4];
    case Face::ColourUnmarked:
        return colourFaces_[0];
    case Face::ColourMarked:
        return colourFaces_[1];
    }
    return nullptr;
}

void CPngButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const Face face = CurrentFace();
    bool normalDrawn = false;
    if (outline_) {
        // The light mark: a frame from (1, 1) to (w - 1, h - 1), the skin showing inside.
        p.setPen(QPen(FromColourRef(outlineColour_), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1, 1, width() - 2, height() - 2));
    } else if (const QImage* surface = SurfaceOf(face)) {
        const QRect cut(origin_.x() - 1, origin_.y() - 1, width(), height());
        // Outside the surface there is nothing to copy: those pixels stay black.
        const QRect inside = cut.intersected(surface->rect());
        if (inside != cut)
            p.fillRect(rect(), Qt::black);
        if (!inside.isEmpty())
            p.drawImage(inside.topLeft() - cut.topLeft(), *surface, inside);
        normalDrawn = face == Face::Normal;
    }
    if (showText_ && !text().isEmpty())
        DrawCaption(p);
    if (callback_)
        callback_(*this, normalDrawn);
}

namespace {

bool StandsUpright(const QString& text) {
    for (const QChar c : text)
        if (c.script() == QChar::Script_Han)
            return true;
    return false;
}

} // namespace

void CPngButton::DrawCaption(QPainter& p) {
    QFont font(faceName_);
    font.setPixelSize(std::max(1, FontPixelHeight(pointSize_, logicalDpiY())));
    font.setWeight(CaptionWeight(rotate_) > 900 ? QFont::Black : QFont::Normal);
    p.setFont(font);
    p.setPen(
        FromColourRef(!isEnabled() && disabledTextColour_ ? *disabledTextColour_ : textColour_));
    const QRect box = rect().adjusted(margins_[0], margins_[2], -margins_[1], -margins_[3]);
    const int flags = AlignmentOf(PlacementOfFormat(format_));
    if (angle_ == 0 && !rotate_) {
        p.drawText(box, flags, text());
        return;
    }
    if (StandsUpright(text()) && (angle_ == 900 || angle_ == -900 || angle_ == 2700)) {
        // Chinese characters turned on their side, heavy and small, smear into blots: a
        // vertical caption of them stands upright, one character under the other.
        QFont upright = font;
        upright.setWeight(QFont::Bold);
        p.setFont(upright);
        const QFontMetrics metrics(upright);
        const QString caption = text();
        const int line = metrics.height();
        int y = QRectF(box).center().y() - line * static_cast<int>(caption.size()) / 2;
        for (const QChar c : caption) {
            p.drawText(QRect(box.left(), y, box.width(), line), Qt::AlignCenter, QString(c));
            y += line;
        }
        return;
    }
    // Rotated: the caption turns about the centre of its box, so that it stays centred.
    p.save();
    p.translate(QRectF(box).center());
    p.rotate(-angle_ / 10.0);
    const int reach = std::max(box.width(), box.height()) * 2;
    p.drawText(QRect(-reach / 2, -reach / 2, reach, reach),
               Qt::AlignCenter | (flags & Qt::TextShowMnemonic), text());
    p.restore();
}

void CPngButton::ShowTooltip() {
    if (!TooltipActive() || tooltip_.isEmpty())
        return;
    QToolTip::showText(QCursor::pos(), tooltip_, this, rect(), 10 * kTooltipDelayMs);
}

void CPngButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    ShowTooltip();
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

bool CPngButton::event(QEvent* event) {
    // The tooltip is popped up by the hover itself; the desktop's delayed one would repeat it.
    if (event->type() == QEvent::ToolTip) {
        ShowTooltip();
        return true;
    }
    return QAbstractButton::event(event);
}

} // namespace ui
