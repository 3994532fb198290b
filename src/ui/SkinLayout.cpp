#include "ui/SkinLayout.h"

#include "ui/CPngButton.h"
#include "ui/SkinRect.h"

#include <QWidget>

#include <algorithm>

namespace ui {

namespace {

QRect GeometryOf(const SkinRect& r) {
    return {r.x, r.y, std::max(0, r.w), std::max(0, r.h)};
}

} // namespace

void PlaceImageButton(CPngButton& button, const std::filesystem::path& layout,
                      std::u16string_view section, std::u16string_view key,
                      const SkinFaces& faces) {
    const SkinRect r = ReadSkinRect(layout, section, key);
    button.setGeometry(GeometryOf(r));
    button.SetFaces(r.x, r.y, faces.normal, faces.hover, faces.pressed, faces.disabled,
                    faces.latched, true);
    if (DisablesImageButton(r))
        button.setEnabled(false);
}

void PlaceControl(QWidget& control, const std::filesystem::path& layout,
                  std::u16string_view section, std::u16string_view key) {
    control.setGeometry(GeometryOf(ReadSkinRect(layout, section, key)));
}

void MoveControl(QWidget& control, const std::filesystem::path& layout, std::u16string_view section,
                 std::u16string_view key) {
    const SkinRect r = ReadSkinRect(layout, section, key);
    control.move(r.x, r.y);
    control.update();
}

void PlaceImageButtonFrom(CPngButton& button, const std::filesystem::path& layout,
                          std::u16string_view section, std::u16string_view key,
                          std::u16string_view faceSection, std::u16string_view faceKey,
                          const QImage* surface) {
    button.setGeometry(GeometryOf(ReadSkinRect(layout, section, key)));
    const SkinRect face = ReadSkinRect(layout, faceSection, faceKey);
    button.SetFaces(face.x, face.y, surface, surface, surface, surface, surface, true);
}

} // namespace ui
