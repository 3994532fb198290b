#include "Paint.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace skingen {

namespace {

using namespace palette;

QPainterPath Rounded(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QLinearGradient Vertical(const QRectF& r, QColor top, QColor bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

// Shrinks the font until the text fits the width.
QFont Fitting(const QString& text, int pixels, bool bold, double width) {
    QFont f = SkinFont(pixels, bold);
    while (pixels > 7 && QFontMetricsF(f).horizontalAdvance(text) > width) {
        --pixels;
        f = SkinFont(pixels, bold);
    }
    return f;
}

void Text(QPainter& p, const QRectF& r, const QString& text, const QFont& font, QColor colour,
          int flags = Qt::AlignCenter) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, flags | Qt::TextSingleLine, text);
}

double HueAt(const Window& w, const QRect& cell) {
    return std::clamp(double(cell.center().x()) / w.size.width(), 0.0, 1.0);
}

// ---- key caps -----------------------------------------------------------------------

struct CapColours {
    QColor rim, body, top, topLow, legend;
    double sink = 0; // how far the top surface sits down
};

CapColours CapFor(Look look, double hue) {
    switch (look) {
    case Look::Hover:
        return {kHover, QColor(30, 40, 50), QColor(72, 84, 98), QColor(58, 68, 80), Qt::white};
    case Look::Pressed:
        return {kPress, QColor(20, 23, 27), QColor(40, 45, 52), QColor(34, 38, 44), kHover, 1.5};
    case Look::Latched:
        return {kAccent, QColor(40, 30, 22), QColor(78, 54, 36), QColor(62, 44, 30),
                QColor(255, 178, 112)};
    case Look::Disabled:
        return {QColor(22, 24, 27), QColor(28, 30, 34), QColor(37, 40, 45), QColor(34, 37, 41),
                kDim};
    case Look::Dark:
        return {QColor(12, 13, 15), QColor(24, 26, 29), QColor(32, 34, 38), QColor(30, 32, 35),
                QColor(62, 65, 70)};
    case Look::Lit: {
        const QColor glow = QColor::fromHsvF(hue, 0.85, 1.0);
        return {glow.darker(170), QColor(24, 26, 29), QColor::fromHsvF(hue, 0.55, 0.32),
                QColor::fromHsvF(hue, 0.6, 0.26), glow.lighter(115)};
    }
    case Look::Normal:
    default:
        return {QColor(10, 11, 13), QColor(36, 40, 46), QColor(60, 65, 74), QColor(50, 54, 62),
                kText};
    }
}

void DrawLegend(QPainter& p, const QRectF& top, const QString& legend, QColor colour, bool small) {
    if (legend.isEmpty())
        return;
    const QStringList lines = legend.split('\n');
    if (lines.size() == 2) {
        const QRectF upper(top.left(), top.top() + 1, top.width(), top.height() / 2);
        const QRectF lower(top.left(), top.center().y() - 1, top.width(), top.height() / 2);
        Text(p, upper, lines[0], SkinFont(small ? 8 : 10), colour);
        Text(p, lower, lines[1], SkinFont(small ? 9 : 12, true), colour);
        return;
    }
    const bool single = legend.size() == 1 && legend[0].isLetterOrNumber();
    const int size = single               ? (small ? 11 : 15)
                     : legend.size() <= 2 ? 14
                     : legend.size() <= 3 ? 12
                                          : 10;
    const QFont f = Fitting(legend, small && !single ? 9 : size, single, top.width() - 4);
    Text(p, top, legend, f, colour);
}

void DrawKeyCap(QPainter& p, const Window& w, const Element& e, Look look) {
    const QRectF outer = QRectF(e.cell).adjusted(2, 2, -2, -2);
    const CapColours c = CapFor(look, HueAt(w, e.cell));
    const bool small = e.cell.height() < 32;
    // Soft shadow, then the cap's skirt and its top surface.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPath(Rounded(outer.translated(0, 1), 4));
    p.setBrush(c.body);
    p.setPen(QPen(c.rim, look == Look::Normal || look == Look::Dark ? 1 : 1.6));
    p.drawPath(Rounded(outer.adjusted(0.5, 0.5, -0.5, -0.5), 4));
    const double bottom = small ? 3 : 5;
    const QRectF top = outer.adjusted(3, 2 + c.sink, -3, -bottom + c.sink);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(top, c.top, c.topLow));
    p.drawPath(Rounded(top, 3));
    // A thin highlight along the top edge of the top surface.
    p.setPen(QPen(QColor(255, 255, 255, look == Look::Dark ? 10 : 28), 1));
    p.drawLine(QPointF(top.left() + 3, top.top() + 0.5), QPointF(top.right() - 3, top.top() + 0.5));
    if (look == Look::Latched) {
        // The assigned mark: an accent bar on the cap's front skirt.
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(top.left() + 4, top.bottom() + 1, top.width() - 8, 2), 1, 1);
    }
    if (look == Look::Lit) {
        QRadialGradient glow(top.center(), std::max(top.width(), top.height()) * 0.7);
        QColor g = c.legend;
        g.setAlpha(70);
        glow.setColorAt(0, g);
        g.setAlpha(0);
        glow.setColorAt(1, g);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawPath(Rounded(top, 3));
    }
    DrawLegend(p, top, e.legend, c.legend, small);
}

// ---- buttons ------------------------------------------------------------------------

struct ButtonColours {
    QColor top, bottom, border, text;
};

ButtonColours ButtonFor(Look look) {
    switch (look) {
    case Look::Hover:
        return {QColor(62, 76, 92), QColor(46, 57, 70), kHover, Qt::white};
    case Look::Pressed:
        return {QColor(26, 30, 36), QColor(34, 39, 46), kPress, kHover};
    case Look::Latched:
        return {QColor(206, 100, 28), QColor(150, 66, 12), QColor(255, 160, 90), Qt::white};
    case Look::Disabled:
        // Sunk into the panel, so that it reads as off beside the raised enabled buttons.
        return {QColor(28, 31, 36), QColor(28, 31, 36), QColor(44, 48, 55), kDim};
    default:
        return {QColor(58, 63, 72), QColor(42, 46, 53), QColor(76, 82, 93), kText};
    }
}

void DrawButtonBody(QPainter& p, const QRectF& r, Look look, double radius = 5) {
    const ButtonColours c = ButtonFor(look);
    p.setPen(Qt::NoPen);
    if (look != Look::Disabled) { // a disabled button casts no shadow: it is not raised
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawPath(Rounded(r.translated(0, 1), radius));
    }
    p.setBrush(Vertical(r, c.top, c.bottom));
    p.setPen(QPen(c.border, look == Look::Normal || look == Look::Disabled ? 1 : 1.5));
    p.drawPath(Rounded(r.adjusted(0.5, 0.5, -0.5, -0.5), radius));
    if (look != Look::Pressed && look != Look::Disabled) {
        p.setPen(QPen(QColor(255, 255, 255, 30), 1));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1.5),
                   QPointF(r.right() - radius, r.top() + 1.5));
    } else if (look == Look::Pressed) {
        p.setPen(QPen(QColor(0, 0, 0, 120), 2));
        p.drawLine(QPointF(r.left() + radius, r.top() + 2),
                   QPointF(r.right() - radius, r.top() + 2));
    }
}

void DrawButton(QPainter& p, const Element& e, Look look) {
    const QRectF r = QRectF(e.cell).adjusted(2, 2, -2, -2);
    DrawButtonBody(p, r, look);
    if (e.legend.isEmpty())
        return;
    const ButtonColours c = ButtonFor(look);
    const QRectF inner = r.adjusted(4, 0, -4, 0).translated(0, look == Look::Pressed ? 1 : 0);
    if (e.art == Art::Glyph) {
        Text(p, inner, e.legend, SkinFont(e.cell.height() >= 30 ? 19 : 16, true), c.text);
        return;
    }
    const QStringList lines = e.legend.split('\n');
    if (lines.size() == 2) {
        const QRectF upper(inner.left(), inner.top() + 2, inner.width(), inner.height() / 2 - 1);
        const QRectF lower(inner.left(), inner.center().y() - 1, inner.width(),
                           inner.height() / 2 - 1);
        Text(p, upper, lines[0], Fitting(lines[0], 11, true, inner.width()), c.text);
        QColor second = c.text;
        if (look != Look::Latched)
            second.setAlpha(190);
        Text(p, lower, lines[1], Fitting(lines[1], 10, false, inner.width()), second);
        return;
    }
    Text(p, inner, e.legend, Fitting(e.legend, 12, true, inner.width()), c.text);
}

void DrawTab(QPainter& p, const Element& e, Look look) {
    const QRectF r = QRectF(e.cell).adjusted(2, 2, -2, 0);
    QPainterPath path;
    path.addRoundedRect(r.adjusted(0, 0, 0, 8), 6, 6);
    p.save();
    p.setClipRect(r);
    const bool active = look == Look::Pressed || look == Look::Latched;
    QColor top(46, 51, 59), bottom(34, 38, 44), border(64, 70, 80);
    if (look == Look::Hover) {
        top = QColor(58, 70, 84);
        bottom = QColor(40, 48, 58);
        border = kHover;
    } else if (active) {
        top = QColor(54, 60, 70);
        bottom = kPanel; // the page's colour: the tab opens into it
        border = QColor(92, 100, 112);
    } else if (look == Look::Disabled) {
        top = bottom = QColor(29, 31, 35);
        border = QColor(40, 43, 48);
    }
    p.setPen(QPen(border, 1));
    p.setBrush(Vertical(r, top, bottom));
    p.drawPath(path.translated(0.5, 0.5));
    if (active) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(r.left() + 6, r.top() + 1, r.width() - 12, 3), 1.5, 1.5);
    }
    p.restore();
}

// The strip under the tab row: an accent line under the active tab, fading into the page.
void DrawTabMark(QPainter& p, const Window& w, const Element& e, uint32_t set) {
    QString tab = "CONTROL_KEY";
    if (set == kMacroSet || set == kMacroOnlySet)
        tab = "CONTROL_MACRO";
    else if (set == kMediaSet)
        tab = "CONTROL_MEDIA";
    else if (set == kFunctionSet)
        tab = "CONTROL_FUNCTION";
    const Element* active = w.Find(tab);
    // The band is the top of the page: the page's own colour, its top edge broken where
    // the active tab opens into it.
    const QRectF band = QRectF(e.cell).adjusted(1, 0, -1, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(kPanel);
    p.drawRect(band);
    p.setBrush(QColor(44, 48, 56));
    p.drawRect(QRectF(band.left(), band.top(), band.width(), 1));
    if (!active)
        return;
    const QRectF under(active->cell.left() + 3, band.top(), active->cell.width() - 6,
                       band.height());
    p.setBrush(kPanel);
    p.drawRect(QRectF(under.left(), band.top(), under.width(), 1));
    QLinearGradient glow(under.topLeft(), under.bottomLeft());
    QColor a = kAccent;
    a.setAlpha(90);
    glow.setColorAt(0, a);
    a.setAlpha(0);
    glow.setColorAt(1, a);
    p.setBrush(glow);
    p.drawRect(under);
    p.setBrush(kAccent);
    p.drawRect(QRectF(under.left() + 4, band.top() + 1, under.width() - 8, 2));
}

// The dialog's title: the word mark, or for the macro-only key what the dialog is for.
void DrawTitle(QPainter& p, const Element& e, uint32_t set) {
    const QRectF r = QRectF(e.cell).adjusted(1, 1, 0, 0);
    const QPointF c(r.left() + 10, r.center().y());
    QPainterPath diamond;
    diamond.moveTo(c + QPointF(0, -7));
    diamond.lineTo(c + QPointF(7, 0));
    diamond.lineTo(c + QPointF(0, 7));
    diamond.lineTo(c + QPointF(-7, 0));
    diamond.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawPath(diamond);
    p.setBrush(QColor(20, 22, 26));
    p.drawEllipse(c, 2.2, 2.2);
    if (set == kMacroOnlySet) {
        Text(p, r.adjusted(24, 0, 0, 0), QString::fromUtf8("宏按键  Macro Key"), SkinFont(14, true),
             Qt::white, Qt::AlignLeft | Qt::AlignVCenter);
        return;
    }
    QFont f = SkinFont(14, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2.2);
    Text(p, r.adjusted(24, 0, 0, 0), e.legend, f, kText, Qt::AlignLeft | Qt::AlignVCenter);
}

void DrawLogo(QPainter& p, const Element& e, Look look) {
    const QRectF r = QRectF(e.cell).adjusted(2, 2, -2, -2);
    if (look == Look::Hover || look == Look::Pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, look == Look::Hover ? 16 : 8));
        p.drawRoundedRect(r, 5, 5);
    }
    // The mark: a diamond with the accent colour.
    const QPointF c(r.left() + 14, r.center().y());
    QPainterPath diamond;
    diamond.moveTo(c + QPointF(0, -9));
    diamond.lineTo(c + QPointF(9, 0));
    diamond.lineTo(c + QPointF(0, 9));
    diamond.lineTo(c + QPointF(-9, 0));
    diamond.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(look == Look::Pressed ? kHover : kAccent);
    p.drawPath(diamond);
    p.setBrush(QColor(20, 22, 26));
    p.drawEllipse(c, 3, 3);
    QFont f = SkinFont(17, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    const QColor text = look == Look::Pressed ? kHover : look == Look::Hover ? Qt::white : kText;
    Text(p, r.adjusted(30, 0, 0, 0), e.legend, f, text, Qt::AlignLeft | Qt::AlignVCenter);
    if (look == Look::Hover) {
        p.setPen(QPen(kHover, 1.5));
        p.drawLine(QPointF(r.left() + 31, r.bottom() - 2), QPointF(r.right() - 6, r.bottom() - 2));
    }
}

void DrawPlateBody(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(44, 48, 55), 1));
    p.setBrush(Vertical(r, QColor(30, 33, 38), QColor(24, 26, 30)));
    p.drawPath(Rounded(r.adjusted(0.5, 0.5, -0.5, -0.5), 4));
}

void DrawLed(QPainter& p, const Element& e, Look look) {
    const QRectF r = QRectF(e.cell).adjusted(2, 2, -2, -2);
    DrawPlateBody(p, r);
    const bool lit = look == Look::Lit;
    const QPointF dot(r.left() + 7, r.center().y());
    if (lit) {
        QRadialGradient glow(dot, 8);
        glow.setColorAt(0, QColor(255, 190, 60, 200));
        glow.setColorAt(1, QColor(255, 190, 60, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(dot, 8, 8);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(255, 200, 80) : QColor(70, 52, 30));
    p.drawEllipse(dot, 3, 3);
    const QRectF label = r.adjusted(12, 0, -2, 0);
    Text(p, label, e.legend, Fitting(e.legend, 9, false, label.width()), lit ? Qt::white : kDim);
}

void DrawLayer(QPainter& p, const Element& e, Look look) {
    const QRectF r = QRectF(e.cell).adjusted(2, 2, -2, -2);
    DrawPlateBody(p, r);
    const bool layerB = look == Look::Lit;
    const QRectF a(r.left(), r.top(), r.width() / 2, r.height());
    const QRectF b(r.center().x(), r.top(), r.width() / 2, r.height());
    const QRectF on = layerB ? b : a;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 122, 26, 60));
    p.drawRoundedRect(on.adjusted(2, 2, -2, -2), 3, 3);
    Text(p, a, "A", SkinFont(12, true), layerB ? kDim : kAccent);
    Text(p, b, "B", SkinFont(12, true), layerB ? kAccent : kDim);
}

void DrawFlipPlate(QPainter& p, const Element& e, Look look) {
    const QRectF r = QRectF(e.cell).adjusted(2, 2, -2, -2);
    DrawPlateBody(p, r);
    QFont f = SkinFont(10, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    Text(p, r, e.legend, f, look == Look::Latched ? kAccent : kText);
}

void DrawArrow(QPainter& p, const Element& e) {
    const QRectF r = QRectF(e.cell).adjusted(2, 2, -2, -2);
    const bool up = e.legend == QString::fromUtf8("\u25B2");
    const QPointF c = r.center();
    const double half = std::min(r.width(), r.height()) * 0.32;
    QPainterPath tri;
    if (up) {
        tri.moveTo(c + QPointF(0, -half));
        tri.lineTo(c + QPointF(half, half * 0.7));
        tri.lineTo(c + QPointF(-half, half * 0.7));
    } else {
        tri.moveTo(c + QPointF(0, half));
        tri.lineTo(c + QPointF(half, -half * 0.7));
        tri.lineTo(c + QPointF(-half, -half * 0.7));
    }
    tri.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kHover);
    p.drawPath(tri);
}

} // namespace

QFont SkinFont(int pixels, bool bold) {
    QFont f("DejaVu Sans");
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

void DrawBackdrop(QPainter& p, const Window& w) {
    const QRectF all(QPointF(0, 0), QSizeF(w.size));
    p.fillRect(all, Vertical(all, QColor(30, 33, 39), QColor(18, 20, 24)));
    // Title bar with an accent line that fades at both ends.
    const QRectF bar(0, 0, w.size.width(), w.titleHeight);
    p.fillRect(bar, Vertical(bar, QColor(36, 40, 47), QColor(25, 28, 33)));
    QLinearGradient line(QPointF(0, 0), QPointF(w.size.width(), 0));
    QColor a = kAccent;
    a.setAlpha(0);
    line.setColorAt(0, a);
    a.setAlpha(255);
    line.setColorAt(0.25, a);
    line.setColorAt(0.75, a);
    a.setAlpha(0);
    line.setColorAt(1, a);
    p.fillRect(QRectF(0, w.titleHeight - 2, w.size.width(), 2), line);
    if (!w.title.isEmpty()) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(16, w.titleHeight / 2.0 - 7, 4, 14), 1.5, 1.5);
        Text(p, QRectF(28, 0, w.size.width() - 40, w.titleHeight - 2), w.title, SkinFont(14, true),
             Qt::white, Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (const auto& [top, hint] : w.hints)
        Text(p, QRectF(16, top, w.size.width() - 32, 20), hint,
             Fitting(hint, 11, false, w.size.width() - 32), QColor(170, 175, 184),
             Qt::AlignLeft | Qt::AlignVCenter);
    for (const QRect& box : w.panels) {
        const QRectF r = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(QColor(44, 48, 56), 1));
        p.setBrush(kPanel);
        p.drawPath(Rounded(r, 8));
        p.setPen(QPen(QColor(255, 255, 255, 14), 1));
        p.drawLine(QPointF(r.left() + 8, r.top() + 1), QPointF(r.right() - 8, r.top() + 1));
    }
    for (const QRect& well : w.wells) {
        const QRectF r = QRectF(well).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(QColor(10, 11, 13), 1));
        p.setBrush(QColor(17, 19, 22));
        p.drawPath(Rounded(r, 5));
        p.setPen(QPen(QColor(255, 255, 255, 18), 1));
        p.drawLine(QPointF(r.left() + 5, r.bottom()), QPointF(r.right() - 5, r.bottom()));
    }
    if (!w.plate.isNull()) {
        const QRectF r = QRectF(w.plate).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 120));
        p.drawPath(Rounded(r.translated(0, 2), 10));
        p.setPen(QPen(QColor(56, 61, 70), 1));
        p.setBrush(kPlate);
        p.drawPath(Rounded(r, 10));
        p.setPen(QPen(QColor(255, 255, 255, 20), 1));
        p.drawLine(QPointF(r.left() + 10, r.top() + 1), QPointF(r.right() - 10, r.top() + 1));
    }
}

void DrawElement(QPainter& p, const Window& w, const Element& e, Look look, uint32_t set) {
    p.save();
    p.setClipRect(e.cell);
    switch (e.art) {
    case Art::KeyCap:
        DrawKeyCap(p, w, e, look);
        break;
    case Art::Button:
    case Art::Glyph:
    case Art::Labeled:
        DrawButton(p, e, look);
        break;
    case Art::Tab:
        DrawTab(p, e, look);
        break;
    case Art::TabMark:
        DrawTabMark(p, w, e, set);
        break;
    case Art::Title:
        DrawTitle(p, e, set);
        break;
    case Art::Logo:
        DrawLogo(p, e, look);
        break;
    case Art::Led:
        DrawLed(p, e, look);
        break;
    case Art::Layer:
        DrawLayer(p, e, look);
        break;
    case Art::FlipPlate:
        DrawFlipPlate(p, e, look);
        break;
    case Art::Arrow:
        DrawArrow(p, e);
        break;
    case Art::None:
        break;
    }
    p.restore();
}

QImage RenderMask(const Window& w) {
    QImage mask(w.size, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    // No antialiasing: the mask holds pure white and pure black only.
    p.drawRoundedRect(QRect(QPoint(0, 0), w.size), w.cornerRadius, w.cornerRadius);
    return mask;
}

// ---- bitmaps ------------------------------------------------------------------------

namespace {

void DirectionGlyph(QPainter& p, const QRectF& r, int glyph, QColor colour) {
    const QPointF c = r.center();
    const double s = std::min(r.width(), r.height()) * 0.26;
    auto triangle = [&](QPointF tip, QPointF dir) {
        const QPointF side(-dir.y(), dir.x());
        QPainterPath t;
        t.moveTo(tip);
        t.lineTo(tip - dir * s * 1.5 + side * s);
        t.lineTo(tip - dir * s * 1.5 - side * s);
        t.closeSubpath();
        p.drawPath(t);
    };
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    switch (glyph) {
    case 0:
        triangle(c + QPointF(-s * 1.2, 0), {-1, 0});
        p.drawRect(QRectF(c.x() - s * 0.4, c.y() - s * 0.35, s * 1.6, s * 0.7));
        break;
    case 1:
        triangle(c + QPointF(s * 1.2, 0), {1, 0});
        p.drawRect(QRectF(c.x() - s * 1.2, c.y() - s * 0.35, s * 1.6, s * 0.7));
        break;
    case 2:
        triangle(c + QPointF(0, -s * 1.2), {0, -1});
        p.drawRect(QRectF(c.x() - s * 0.35, c.y() - s * 0.4, s * 0.7, s * 1.6));
        break;
    case 3:
        triangle(c + QPointF(0, s * 1.2), {0, 1});
        p.drawRect(QRectF(c.x() - s * 0.35, c.y() - s * 1.2, s * 0.7, s * 1.6));
        break;
    case 4: // gather: two arrows pointing inward
        triangle(c + QPointF(-s * 0.25, 0), {1, 0});
        triangle(c + QPointF(s * 0.25, 0), {-1, 0});
        break;
    case 5: // spread: two arrows pointing outward
    default:
        triangle(c + QPointF(-s * 1.9, 0), {-1, 0});
        triangle(c + QPointF(s * 1.9, 0), {1, 0});
        p.drawEllipse(c, s * 0.35, s * 0.35);
        break;
    }
}

void ToolGlyph(QPainter& p, const QRectF& r, int tool, QColor colour) {
    const QPointF c = r.center();
    p.save();
    p.translate(c);
    p.rotate(-40);
    p.setPen(Qt::NoPen);
    if (tool == 0) { // paint brush
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(-2, -2, 4, 13), 1.5, 1.5);
        p.drawPath([] {
            QPainterPath tip;
            tip.moveTo(-4, -3);
            tip.quadTo(-4, -11, 0, -13);
            tip.quadTo(4, -11, 4, -3);
            tip.closeSubpath();
            return tip;
        }());
    } else { // eraser
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(-5, -9, 10, 11), 2, 2);
        p.setBrush(colour.darker(160));
        p.drawRoundedRect(QRectF(-5, 2, 10, 6), 2, 2);
    }
    p.restore();
}

} // namespace

QImage RenderBitmap(const Bitmap& b, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(kPanel);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    using K = Bitmap::Kind;
    switch (b.kind) {
    case K::Switch: {
        const QRectF track = r.adjusted(2, 3, -2, -3);
        p.setPen(QPen(b.on ? QColor(255, 160, 90) : QColor(70, 75, 84), 1));
        p.setBrush(b.on ? Vertical(track, QColor(230, 112, 30), QColor(170, 74, 14))
                        : Vertical(track, QColor(38, 42, 48), QColor(30, 33, 38)));
        p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
        const double d = track.height() - 4;
        const QRectF knob(b.on ? track.right() - d - 2 : track.left() + 2, track.top() + 2, d, d);
        p.setPen(Qt::NoPen);
        p.setBrush(b.on ? QColor(255, 255, 255) : QColor(130, 135, 144));
        p.drawEllipse(knob);
        break;
    }
    case K::Slider: {
        const double margin = 11;
        const double y = r.center().y();
        const double span = r.width() - 2 * margin;
        const double x = margin + span * b.param / std::max(1, b.steps - 1);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 44, 51));
        p.drawRoundedRect(QRectF(margin - 3, y - 3, span + 6, 6), 3, 3);
        p.setBrush(b.colour);
        p.drawRoundedRect(QRectF(margin - 3, y - 3, x - margin + 6, 6), 3, 3);
        if (b.steps <= 8) {
            for (int i = 0; i < b.steps; ++i) {
                const double nx = margin + span * i / (b.steps - 1);
                p.setBrush(i <= b.param ? b.colour.lighter(130) : QColor(80, 86, 96));
                p.drawEllipse(QPointF(nx, y + 8.5), 1.5, 1.5);
            }
        }
        QRadialGradient glow(QPointF(x, y), 11);
        QColor g = b.colour;
        g.setAlpha(110);
        glow.setColorAt(0, g);
        g.setAlpha(0);
        glow.setColorAt(1, g);
        p.setBrush(glow);
        p.drawEllipse(QPointF(x, y), 11, 11);
        p.setPen(QPen(b.colour, 2));
        p.setBrush(QColor(245, 246, 248));
        p.drawEllipse(QPointF(x, y), 6.5, 6.5);
        break;
    }
    case K::Direction:
    case K::Tool: {
        const QRectF body = r.adjusted(2, 2, -2, -2);
        p.setPen(QPen(b.on ? QColor(255, 160, 90) : QColor(76, 82, 93), 1));
        p.setBrush(b.on ? Vertical(body, QColor(206, 100, 28), QColor(150, 66, 12))
                        : Vertical(body, QColor(54, 59, 68), QColor(40, 44, 51)));
        p.drawRoundedRect(body, 5, 5);
        const QColor glyph = b.on ? QColor(Qt::white) : kText;
        if (b.kind == K::Direction)
            DirectionGlyph(p, body, b.param, glyph);
        else
            ToolGlyph(p, body, b.param, glyph);
        break;
    }
    case K::Swatch: {
        const QRectF body = r.adjusted(2, 2, -2, -2);
        p.setPen(QPen(b.on ? QColor(Qt::white) : QColor(10, 11, 13), b.on ? 2 : 1));
        p.setBrush(b.colour);
        p.drawRoundedRect(body, 4, 4);
        if (b.on) {
            QPainterPath tick;
            tick.moveTo(body.left() + body.width() * 0.25, body.center().y());
            tick.lineTo(body.left() + body.width() * 0.43, body.bottom() - body.height() * 0.28);
            tick.lineTo(body.right() - body.width() * 0.22, body.top() + body.height() * 0.28);
            p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(tick);
        }
        break;
    }
    case K::Radio: {
        const QPointF c = r.center();
        const double radius = std::min(r.width(), r.height()) / 2 - 3;
        p.setPen(QPen(b.on ? kAccent : QColor(96, 102, 112), 2));
        p.setBrush(QColor(20, 22, 26));
        p.drawEllipse(c, radius, radius);
        if (b.on) {
            p.setPen(Qt::NoPen);
            p.setBrush(kAccent);
            p.drawEllipse(c, radius - 4, radius - 4);
        }
        break;
    }
    case K::Busy: {
        const QRectF track = r.adjusted(0, 1, 0, -1);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(36, 40, 46));
        p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
        // A glowing run slides from left to right over the ten frames.
        const double run = r.width() * 0.3;
        const double x = -run + (r.width() + run) * (b.param + 0.5) / 10.0;
        QLinearGradient g(QPointF(x, 0), QPointF(x + run, 0));
        QColor c = kHover;
        c.setAlpha(0);
        g.setColorAt(0, c);
        c.setAlpha(255);
        g.setColorAt(0.7, c);
        g.setColorAt(1, QColor(200, 240, 255));
        p.save();
        p.setClipPath(Rounded(track, track.height() / 2));
        p.setBrush(g);
        p.drawRect(QRectF(x, track.top(), run, track.height()));
        p.restore();
        break;
    }
    }
    return img;
}

} // namespace skingen
