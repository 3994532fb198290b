#pragma once

// Colours of the skin for Qt: the system's 0x00BBGGRR colour values, and the dark palette
// that the standard controls (lists, edits, drop-down lists) take on the skinned windows.

#include <QColor>

#include <cstdint>

class QWidget;

namespace ui {

inline QColor FromColourRef(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

inline uint32_t ToColourRef(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}

// Dark fields with light text and the skin's accent for selections.
void ApplySkinPalette(QWidget& control);

// The skin's palette for a plain window of its own (message boxes, the About box, the file
// dialogs), with the push buttons it holds now drawn like the skin's buttons, without icons,
// the default one marked in the accent colour.
void ApplySkinToPlainWindow(QWidget& window);

// The windows name the fonts "Tahoma" and "Verdana", which Linux desktops lack: both
// stand for DejaVu Sans, with WenQuanYi Micro Hei for Chinese text.
void InstallSkinFonts();

} // namespace ui
