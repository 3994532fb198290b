#pragma once

// The keyboard picture of the main window as a model: what a click on a button does (open
// the key editor, or switch a key light while the lighting mode is on), the shown key layer,
// the Flip setting with its arrows, the looks and tooltips of the key buttons from the shown
// key block, and the restoring of the default keys. The window only carries out the looks
// that this asks for (KeyButtonPanel).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "keys/KeyButtons.h"
#include "keys/KeyEntry.h"

namespace ui {
class AppSettings;
class Prompts;
} // namespace ui

namespace keys {

// Control ids of the picture that are no key.
inline constexpr uint16_t kLayerIndicatorId = 1128;
inline constexpr uint16_t kFlipIndicatorId = 1129;
inline constexpr uint16_t kFlipButton1Id = 1130;
inline constexpr uint16_t kFlipButton2Id = 1131;

// The full-window pictures that faces are cut from.
enum class Picture : uint8_t { Normal, Over, Down, Disable, NormalCopy };

// The window's buttons, by control id. Ids without a button are ignored.
class KeyButtonPanel {
public:
    virtual ~KeyButtonPanel() = default;
    // The assigned look (the latched face) on, or the plain look.
    virtual void SetAssigned(uint16_t id, bool assigned) = 0;
    virtual void SetTooltip(uint16_t id, std::u16string_view text) = 0;
    virtual void SetCaption(uint16_t id, std::u16string_view text) = 0;
    virtual void SetEnabled(uint16_t id, bool enabled) = 0;
    // An indicator's normal, hover, pressed and disabled faces from one picture, its latched
    // face from another.
    virtual void SetIndicatorFaces(uint16_t id, Picture faces, Picture latched) = 0;
    // The light mark: a frame in the colour (0x00BBGGRR) instead of the face picture.
    virtual void SetLightMark(uint16_t id, uint32_t colour, bool on) = 0;
    // The editing look: the normal face is the hover picture while on.
    virtual void SetEditing(uint16_t id, bool editing) = 0;
    // Gives the left or right arrow picture its faces pointing up (Flip 1) or down.
    virtual void PlaceArrow(bool left, bool up) = 0;
    virtual void Redraw(uint16_t id) = 0;
};

// The key assignment dialog.
class KeyEditor {
public:
    virtual ~KeyEditor() = default;
    // Runs the editor for the key or special button of the control id; -1 for an id that is
    // neither.
    virtual int OpenForKey(int id) = 0;
};

// The key lights of the user-defined lighting effect.
class KeyLights {
public:
    virtual ~KeyLights() = default;
    // A click on a key button, special button or Fn while the lighting mode is on.
    virtual void KeyLightClick(uint16_t id) = 0;
    // The shown profile's lighting back to its defaults on the keyboard (restore defaults
    // while the lighting mode is on).
    virtual void ResetLighting() = 0;
};

// The key entries the picture shows and where they come from.
class KeyViewData {
public:
    virtual ~KeyViewData() = default;
    // Runs fn on the shown key block (512 entries) while holding the profile lock; without
    // a store fn is not run.
    virtual void WithShownBlock(const std::function<void(std::span<KeyEntry>)>& fn) = 0;
    // The name of the first macro with this id, empty when there is none; called from within
    // WithShownBlock.
    virtual std::u16string MacroName(uint32_t id) = 0;
    virtual uint32_t ShownBlock() = 0;
    // The keyboard's key layer: bit 0 of its LED status.
    virtual bool LayerB() = 0;
    // Edits wait in the store for Apply.
    virtual void SetApplyPending() = 0;
};

// The tooltip of a key whose name is given, for its entry: the name alone for the default
// function, else the name, "Keys, Set: " and what the key was given.
std::u16string KeyTooltipText(std::u16string_view name, const KeyEntry& entry,
                              const std::function<std::u16string(uint32_t)>& macroName);
// The name of special button n (1..9) in tooltips: "G1".."G9".
std::u16string SpecialButtonName(uint16_t n);

class KeyboardView {
public:
    KeyboardView(KeyButtonPanel& panel, KeyViewData& data, ui::AppSettings& settings)
        : panel_(panel), data_(data), settings_(settings) {}

    void SetEditor(KeyEditor* editor) { editor_ = editor; }
    void SetLights(KeyLights* lights) { lights_ = lights; }

    // Start-up: Flip from the settings, then ApplyFlip.
    void LoadFlip();
    int Flip() const { return flip_; }
    bool LightingMode() const { return lightingMode_; }
    void SetLightingMode(bool on) { lightingMode_ = on; }

    // A click on a key button, a special button, Fn or a D button.
    void KeyButtonClick(uint16_t id);
    // The layer indicator and the special buttons' captions follow the keyboard's layer.
    void ShowLayer();
    // Flip = 1 - Flip, stored at once, then ApplyFlip.
    void ToggleFlip();
    // F1 to F4 or D1 to D6 enabled, and the Flip indicator's faces.
    void ApplyFlip();
    // A Flip button was drawn; normalFaceDrawn places its arrow picture for the present Flip.
    void ArrowState(uint16_t button, bool normalFaceDrawn);
    // The state notification of any image button of the picture: the arrows, and the
    // buttons that lie under or beside the drawn one and are redrawn after it.
    void ButtonDrawn(uint16_t id, bool normalFaceDrawn);

    // Every key button, special button and Fn: light mark off and plain look.
    void ClearLightMarks();
    void SetLightMark(uint16_t id, uint32_t colour);
    void SetEditing(uint16_t id, bool editing) { panel_.SetEditing(id, editing); }

    // One button's look (assigned for a kind other than 0) and tooltip for its entry.
    void BuildKeyTooltip(uint16_t id, std::u16string_view name, const KeyEntry& entry);
    // Looks and tooltips of the 9 special buttons (shown layer) and 105 key buttons.
    void RefreshKeyTooltips();
    // The same, then ApplyFlip: after a profile load and when the lighting mode ends.
    void RefreshKeyButtons();
    // The button showing a global key entry (block x 512 + entry): plain look and the
    // tooltip of an all-zero entry. Entries no button shows are ignored.
    void ResetKeyButton(uint32_t globalEntry);
    // The entries of the shown layer's special buttons and of the picture's keys in the shown
    // block become all zero; their buttons plain; edits pending.
    void ResetProfileKeys();
    // The Default button: asks (No is the default), then ResetProfileKeys, the lighting
    // reset while the lighting mode is on, and applyChanges.
    void RestoreDefaultKeys(ui::Prompts& prompts, const std::function<void()>& applyChanges);

private:
    void ShowEntries(std::span<KeyEntry> block);

    KeyButtonPanel& panel_;
    KeyViewData& data_;
    ui::AppSettings& settings_;
    KeyEditor* editor_ = nullptr;
    KeyLights* lights_ = nullptr;
    int flip_ = 0;
    bool lightingMode_ = false;
    // The Flip each arrow picture (left, right) was last placed for (-1: not yet).
    int arrowPlaced_[2] = {-1, -1};
    // The last state notification of each button that makes others redraw, with the view
    // state it was drawn in.
    struct Drawn {
        uint16_t id;
        int signature;
    };
    Drawn drawn_[3] = {{kLayerIndicatorId, -1}, {1070, -1}, {kFlipIndicatorId, -1}};
};

} // namespace keys
