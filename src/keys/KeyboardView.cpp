#include "keys/KeyboardView.h"

#include "keys/KeyButtons.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"
#include "ui/AppSettings.h"
#include "ui/Prompts.h"
#include "ui/TextTable.h"

namespace keys {
namespace {

using ui::TextKey;

constexpr uint16_t kF1ButtonPosition = 52; // F1..F4 are the next four positions
constexpr uint16_t kF5ButtonId = 1014;
constexpr uint16_t kEnterButtonId = 1070;
constexpr uint16_t kRightBracketButtonId = 1055;

} // namespace

std::u16string SpecialButtonName(uint16_t n) {
    return u"G" + std::u16string(1, static_cast<char16_t>(u'0' + n));
}

std::u16string KeyTooltipText(std::u16string_view name, const KeyEntry& entry,
                              const std::function<std::u16string(uint32_t)>& macroName) {
    std::u16string text(name);
    if (entry.kind == static_cast<uint16_t>(KeyKind::Default))
        return text;
    text += ui::TextOf(TextKey::KEY_PROMPT_SET);
    auto add = [&text](TextKey prefix, std::u16string_view what) {
        text += ui::TextOf(prefix);
        text += what;
        text += u')';
    };
    switch (entry.Kind()) {
    case KeyKind::Key:
        add(TextKey::KEY_PROMPT_SINGLE, GetKeyName(static_cast<uint16_t>(entry.value)));
        break;
    case KeyKind::Macro:
        add(TextKey::KEY_PROMPT_MACRO, macroName ? macroName(entry.value) : std::u16string());
        break;
    case KeyKind::Media:
        // A value from a damaged file names no row: the parentheses stay empty.
        add(TextKey::KEY_PROMPT_MEDIA, MediaFunctionName(entry.value));
        break;
    case KeyKind::Function:
        add(TextKey::KEY_PROMPT_FUNCTION, FunctionKeyName(entry.value));
        break;
    default:
        break;
    }
    return text;
}

void KeyboardView::LoadFlip() {
    flip_ = settings_.GetProfileString(u"PROFILES", u"Flip", u"0") == u"1" ? 1 : 0;
    ApplyFlip();
}

void KeyboardView::KeyButtonClick(uint16_t id) {
    if (lightingMode_) {
        // Space never changes a light of its own; its bit follows whole patterns only.
        if (id != kSpaceButtonId && lights_)
            lights_->KeyLightClick(id);
        return;
    }
    if (id == kFnButtonId)
        return;
    // The D buttons stand for no key and open nothing.
    if (editor_ && (IsSpecialButton(id) || IsKeyButton(id)))
        editor_->OpenForKey(id);
}

void KeyboardView::ShowLayer() {
    const bool layerB = data_.LayerB();
    if (layerB)
        panel_.SetIndicatorFaces(kLayerIndicatorId, Picture::Over, Picture::Normal);
    else
        panel_.SetIndicatorFaces(kLayerIndicatorId, Picture::Normal, Picture::Over);
    for (uint16_t n = 1; n <= kSpecialButtons; ++n) {
        std::u16string caption;
        if (n <= 5)
            caption = {layerB ? u'B' : u'A', static_cast<char16_t>(u'0' + n)};
        panel_.SetCaption(kSpecialButtonTable[n - 1].id, caption);
    }
}

void KeyboardView::ToggleFlip() {
    flip_ = 1 - flip_;
    settings_.WriteProfileString(u"PROFILES", u"Flip", flip_ == 1 ? u"1" : u"0");
    ApplyFlip();
}

void KeyboardView::ApplyFlip() {
    const bool one = flip_ == 1;
    for (uint16_t i = 0; i < 4; ++i)
        panel_.SetEnabled(kKeyButtons[kF1ButtonPosition + i].id, !one);
    for (uint16_t n = 0; n < kDButtonCount; ++n)
        panel_.SetEnabled(static_cast<uint16_t>(kFirstDButtonId + n), one);
    panel_.SetIndicatorFaces(kFlipIndicatorId, one ? Picture::NormalCopy : Picture::Normal,
                             Picture::Disable);
}

void KeyboardView::ArrowState(uint16_t button, bool normalFaceDrawn) {
    if (button != kFlipButton1Id && button != kFlipButton2Id)
        return;
    const int side = button == kFlipButton1Id ? 0 : 1;
    // Placing the same faces again would only repaint the arrow; once per Flip is enough.
    if (!normalFaceDrawn || arrowPlaced_[side] == flip_)
        return;
    arrowPlaced_[side] = flip_;
    panel_.PlaceArrow(side == 0, flip_ == 1);
}

void KeyboardView::ButtonDrawn(uint16_t id, bool normalFaceDrawn) {
    ArrowState(id, normalFaceDrawn);
    for (Drawn& d : drawn_) {
        if (d.id != id)
            continue;
        // A redraw can make the window repaint the button that asked for it; only a new
        // face or a new layer or Flip makes the neighbours redraw, so that it never feeds
        // itself.
        const int signature = (normalFaceDrawn ? 1 : 0) | flip_ << 1 | (data_.LayerB() ? 4 : 0);
        if (d.signature == signature)
            return;
        d.signature = signature;
        if (id == kLayerIndicatorId) {
            for (const SpecialButton& s : kSpecialButtonTable)
                panel_.Redraw(s.id);
        } else if (id == kEnterButtonId) {
            panel_.Redraw(kRightBracketButtonId);
        } else {
            if (flip_ == 0)
                for (uint16_t i = 0; i < 4; ++i)
                    panel_.Redraw(kKeyButtons[kF1ButtonPosition + i].id);
            else
                for (uint16_t n = 0; n < kDButtonCount; ++n)
                    panel_.Redraw(static_cast<uint16_t>(kFirstDButtonId + n));
            panel_.Redraw(kF5ButtonId);
            panel_.Redraw(kFlipButton1Id);
            panel_.Redraw(kFlipButton2Id);
        }
        return;
    }
}

void KeyboardView::ClearLightMarks() {
    auto clear = [this](uint16_t id) {
        panel_.SetLightMark(id, 0, false);
        panel_.SetAssigned(id, false);
    };
    for (const KeyButton& k : kKeyButtons)
        clear(k.id);
    for (const SpecialButton& s : kSpecialButtonTable)
        clear(s.id);
    clear(kFnButtonId);
}

void KeyboardView::SetLightMark(uint16_t id, uint32_t colour) {
    panel_.SetLightMark(id, colour, true);
}

void KeyboardView::BuildKeyTooltip(uint16_t id, std::u16string_view name, const KeyEntry& entry) {
    panel_.SetAssigned(id, entry.kind != static_cast<uint16_t>(KeyKind::Default));
    panel_.SetTooltip(id, KeyTooltipText(name, entry, [this](uint32_t macroId) {
                          return data_.MacroName(macroId);
                      }));
}

void KeyboardView::ShowEntries(std::span<KeyEntry> block) {
    const bool layerB = data_.LayerB();
    for (uint16_t n = 1; n <= kSpecialButtons; ++n)
        BuildKeyTooltip(kSpecialButtonTable[n - 1].id, SpecialButtonName(n),
                        block[SpecialButtonEntry(n, layerB)]);
    for (const KeyButton& k : kKeyButtons)
        BuildKeyTooltip(k.id, GetKeyName(k.code), block[KeyIndexOf(k.code)]);
}

void KeyboardView::RefreshKeyTooltips() {
    data_.WithShownBlock([this](std::span<KeyEntry> block) { ShowEntries(block); });
}

void KeyboardView::RefreshKeyButtons() {
    RefreshKeyTooltips();
    ApplyFlip();
}

void KeyboardView::ResetKeyButton(uint32_t globalEntry) {
    const uint32_t block = data_.ShownBlock();
    const uint16_t id = ButtonShowingEntry(globalEntry, block, data_.LayerB());
    if (id == 0)
        return;
    const uint32_t entry = globalEntry % kKeyBlockEntries;
    std::u16string name;
    if (entry >= kLayerAFirstEntry)
        name = SpecialButtonName(
            static_cast<uint16_t>((entry - kLayerAFirstEntry) % kSpecialButtons + 1));
    else
        name = GetKeyName(KeyCodeOfIndex(static_cast<uint16_t>(entry)));
    BuildKeyTooltip(id, name, KeyEntry{});
}

void KeyboardView::ResetProfileKeys() {
    data_.WithShownBlock([this](std::span<KeyEntry> block) {
        const bool layerB = data_.LayerB();
        for (uint16_t n = 1; n <= kSpecialButtons; ++n)
            block[SpecialButtonEntry(n, layerB)] = KeyEntry{};
        for (const KeyButton& k : kKeyButtons)
            block[KeyIndexOf(k.code)] = KeyEntry{};
        ShowEntries(block);
    });
    data_.SetApplyPending();
}

void KeyboardView::RestoreDefaultKeys(ui::Prompts& prompts,
                                      const std::function<void()>& applyChanges) {
    if (!prompts.AskYesNo(ui::TextOf(TextKey::MAIN_PROMPT_DEFAULT)))
        return;
    ResetProfileKeys();
    if (lightingMode_ && lights_)
        lights_->ResetLighting();
    if (applyChanges)
        applyChanges();
}

} // namespace keys
