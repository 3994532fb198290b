#pragma once

// The keyboard picture's buttons of the main window as the keyboard view drives them: each
// look becomes faces, captions, outlines and tooltips of the window's image buttons.

#include <QImage>
#include <filesystem>
#include <functional>

#include "keys/KeyboardView.h"

namespace ui {
class CPngButton;
}

namespace app {

class QtKeyPanel : public keys::KeyButtonPanel {
public:
    struct Pictures {
        const QImage* normal = nullptr;
        const QImage* over = nullptr;
        const QImage* down = nullptr;
        const QImage* disable = nullptr;
        const QImage* arrow = nullptr;
    };
    // button: the window's button of a control id, null when it has none.
    QtKeyPanel(std::function<ui::CPngButton*(int)> button, const Pictures& pictures,
               std::filesystem::path layoutFile)
        : button_(std::move(button)), pictures_(pictures), layoutFile_(std::move(layoutFile)) {}

    void SetAssigned(uint16_t id, bool assigned) override;
    void SetTooltip(uint16_t id, std::u16string_view text) override;
    void SetCaption(uint16_t id, std::u16string_view text) override;
    void SetEnabled(uint16_t id, bool enabled) override;
    void SetIndicatorFaces(uint16_t id, keys::Picture faces, keys::Picture latched) override;
    void SetLightMark(uint16_t id, uint32_t colour, bool on) override;
    void SetEditing(uint16_t id, bool editing) override;
    void PlaceArrow(bool left, bool up) override;
    void Redraw(uint16_t id) override;

private:
    const QImage* Surface(keys::Picture picture) const;

    std::function<ui::CPngButton*(int)> button_;
    Pictures pictures_;
    std::filesystem::path layoutFile_;
};

} // namespace app
