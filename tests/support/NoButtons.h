#pragma once

// A keyboard picture with no buttons, for tests of what lies behind it.

#include "keys/KeyboardView.h"

struct NoButtons : keys::KeyButtonPanel {
    void SetAssigned(uint16_t, bool) override {}
    void SetTooltip(uint16_t, std::u16string_view) override {}
    void SetCaption(uint16_t, std::u16string_view) override {}
    void SetEnabled(uint16_t, bool) override {}
    void SetIndicatorFaces(uint16_t, keys::Picture, keys::Picture) override {}
    void SetLightMark(uint16_t, uint32_t, bool) override {}
    void SetEditing(uint16_t, bool) override {}
    void PlaceArrow(bool, bool) override {}
    void Redraw(uint16_t) override {}
};
