#pragma once

// A text field with a transparent background, drawn in its own text colour (default white)
// and, if given, its own font height. Every change redraws it at once.

#include <QLabel>

#include <cstdint>

namespace ui {

class ColorStatic : public QLabel {
    Q_OBJECT
public:
    explicit ColorStatic(QWidget* parent = nullptr);

    void SetTextColor(uint32_t colour); // 0x00BBGGRR
    uint32_t TextColor() const { return colour_; }
    void SetFontHeight(int pixels);
    void SetWindowText(const QString& text);

private:
    void RedrawNow();
    uint32_t colour_ = 0xFFFFFF;
};

} // namespace ui
