#include "ui/ColorStatic.h"

#include "ui/SkinPalette.h"

namespace ui {

ColorStatic::ColorStatic(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
    // Clicks go through to the window beneath, which is dragged by them.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    SetTextColor(colour_);
}

void ColorStatic::SetTextColor(uint32_t colour) {
    colour_ = colour;
    QPalette p = palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(g, QPalette::WindowText, FromColourRef(colour));
    setPalette(p);
    RedrawNow();
}

void ColorStatic::SetFontHeight(int pixels) {
    QFont f = font();
    f.setPixelSize(std::max(1, pixels));
    setFont(f);
    RedrawNow();
}

void ColorStatic::SetWindowText(const QString& text) {
    setText(text);
    RedrawNow();
}

void ColorStatic::RedrawNow() {
    if (isVisible())
        repaint();
}

} // namespace ui
