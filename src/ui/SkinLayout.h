#pragma once

// Placing a window's controls from its layout file. Every key is read from section
// "BUTTONINFO" unless another is named; a missing key reads as the rectangle 1, 1, 1, 1.

#include <QImage>

#include <filesystem>
#include <string_view>

class QWidget;

namespace ui {

class CPngButton;

inline constexpr std::u16string_view kButtonInfo = u"BUTTONINFO";

// The five face surfaces of an image button.
struct SkinFaces {
    const QImage* normal = nullptr;
    const QImage* hover = nullptr;
    const QImage* pressed = nullptr;
    const QImage* disabled = nullptr;
    const QImage* latched = nullptr;
};

// Moves and sizes the button to the key's rectangle and gives it its five faces, cut at
// (x - 1, y - 1); a rectangle at 1, 1 (a missing key) also disables it.
void PlaceImageButton(CPngButton& button, const std::filesystem::path& layout,
                      std::u16string_view section, std::u16string_view key, const SkinFaces& faces);

// Moves and sizes the control to the key's rectangle.
void PlaceControl(QWidget& control, const std::filesystem::path& layout,
                  std::u16string_view section, std::u16string_view key);

// Moves the control to the key's x, y, keeping its size, and redraws it.
void MoveControl(QWidget& control, const std::filesystem::path& layout, std::u16string_view section,
                 std::u16string_view key);

// Places the button by the first key and cuts all five faces from the one surface at the
// second key's (x - 1, y - 1).
void PlaceImageButtonFrom(CPngButton& button, const std::filesystem::path& layout,
                          std::u16string_view section, std::u16string_view key,
                          std::u16string_view faceSection, std::u16string_view faceKey,
                          const QImage* surface);

} // namespace ui
