#pragma once

// The keyboard picture's view of the profile store: the current profile's key block under
// the profile lock, the macro names, the keyboard's layer and the main window's
// apply-pending state.

#include "keys/KeyboardView.h"

namespace ui {
class MainView;
}

namespace profiles {

class StoreKeyData : public keys::KeyViewData {
public:
    explicit StoreKeyData(ui::MainView& view) : view_(view) {}

    void WithShownBlock(const std::function<void(std::span<keys::KeyEntry>)>& fn) override;
    std::u16string MacroName(uint32_t id) override;
    // With the current profile unknown the picture shows the first block, which a default
    // profile fills like the others.
    uint32_t ShownBlock() override;
    bool LayerB() override;
    void SetApplyPending() override;

private:
    ui::MainView& view_;
};

} // namespace profiles
