#include "app/QtKeyPanel.h"

#include <QTimer>

#include "app/ControlIds.h"
#include "ui/CPngButton.h"
#include "ui/SkinLayout.h"
#include "ui/SkinRect.h"

namespace app {

namespace {

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

const QImage* QtKeyPanel::Surface(keys::Picture picture) const {
    switch (picture) {
    case keys::Picture::Normal:
    case keys::Picture::NormalCopy: // the same picture, loaded once
        return pictures_.normal;
    case keys::Picture::Over:
        return pictures_.over;
    case keys::Picture::Down:
        return pictures_.down;
    case keys::Picture::Disable:
        return pictures_.disable;
    }
    return pictures_.normal;
}

void QtKeyPanel::SetAssigned(uint16_t id, bool assigned) {
    if (ui::CPngButton* b = button_(id))
        b->SetLatched(assigned);
}

void QtKeyPanel::SetTooltip(uint16_t id, std::u16string_view text) {
    if (ui::CPngButton* b = button_(id))
        b->SetTooltip(Q(text), true);
}

void QtKeyPanel::SetCaption(uint16_t id, std::u16string_view text) {
    if (ui::CPngButton* b = button_(id))
        b->setText(Q(text));
}

void QtKeyPanel::SetEnabled(uint16_t id, bool enabled) {
    if (ui::CPngButton* b = button_(id))
        b->setEnabled(enabled);
}

void QtKeyPanel::SetIndicatorFaces(uint16_t id, keys::Picture faces, keys::Picture latched) {
    if (ui::CPngButton* b = button_(id)) {
        const QImage* f = Surface(faces);
        b->SetFaceSurfaces(f, f, f, f, Surface(latched));
    }
}

void QtKeyPanel::SetLightMark(uint16_t id, uint32_t colour, bool on) {
    if (ui::CPngButton* b = button_(id))
        b->SetOutline(colour, on);
}

void QtKeyPanel::SetEditing(uint16_t id, bool editing) {
    // The faces of the key buttons, with the hover picture as the normal face while edited.
    const auto& p = pictures_;
    if (ui::CPngButton* b = button_(id))
        b->SetFaceSurfaces(editing ? p.over : p.normal, p.over, p.down, p.normal, p.disable);
}

void QtKeyPanel::PlaceArrow(bool left, bool up) {
    ui::CPngButton* arrow = button_(left ? kIdLeftArrow : kIdRightArrow);
    if (!arrow)
        return;
    // Asked for while a Flip button paints: the arrow moves once that paint is over.
    QTimer::singleShot(0, arrow, [this, arrow, left, up] {
        ui::PlaceImageButtonFrom(*arrow, layoutFile_, ui::kButtonInfo,
                                 left ? u"LEFT_ARROW" : u"RIGHT_ARROW", u"BUTTONINFO2",
                                 ui::ArrowFaceKey(left, up ? 1 : 0), pictures_.arrow);
    });
}

void QtKeyPanel::Redraw(uint16_t id) {
    if (ui::CPngButton* b = button_(id))
        b->update();
}

} // namespace app
