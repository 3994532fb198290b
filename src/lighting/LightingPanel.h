#pragma once

// The lighting panel of the main window as a model: the keyboard's effect list, the lighting
// record of the shown profile with its controls (effect, brightness, speed, direction, user
// mode, key-light tool, report rate), the key-light patterns painted on the keyboard picture,
// and the lighting mode that decides whether a click on a key edits it or its light.
//
// Every change is written to the keyboard at once, each write bracketed by BeginTransfer and
// EndTransfer, and nothing is written for a control moved to the value the panel already
// holds. Results of the writes are ignored: a write the keyboard did not take shows until
// the next LoadLighting.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "keys/KeyboardView.h"
#include "lighting/LightingRecord.h"
#include "lighting/UserFiles.h"

namespace lighting {

// Control ids of the panel.
inline constexpr uint16_t kIdEffectList = 1146;
inline constexpr uint16_t kIdDirectionCaption = 1148;
inline constexpr uint16_t kIdDirectionLeft = 1149;  // sends 0xFF
inline constexpr uint16_t kIdDirectionRight = 1150; // sends 0x00
inline constexpr uint16_t kIdClearAll = 1156;
inline constexpr uint16_t kIdToolCaption = 1163;
inline constexpr uint16_t kIdPaintTool = 1164;
inline constexpr uint16_t kIdEraseTool = 1165;
inline constexpr uint16_t kIdSpeedCaption = 1166;
inline constexpr uint16_t kIdLightingSwitch = 1167;
inline constexpr uint16_t kIdLightingCaption = 1171;
inline constexpr uint16_t kIdBrightnessCaption = 1172;
inline constexpr uint16_t kIdClearAllCaption = 1173;
inline constexpr uint16_t kIdBrightnessSlider = 1178;
inline constexpr uint16_t kIdSpeedSlider = 1179;
inline constexpr uint16_t kIdUserModeList = 1198;
inline constexpr uint16_t kIdReportCaption = 1204;
inline constexpr uint16_t kIdSelectAll = 1207;
inline constexpr uint16_t kIdSelectAllCaption = 1208;
// The report-rate buttons of values 0 to 3.
inline constexpr std::array<uint16_t, 4> kReportButtonIds{1147, 1168, 1169, 1170};

// The controls that an effect shows or hides (every one but the lighting switch, its
// caption and the report rate).
inline constexpr std::array<uint16_t, 16> kEffectControls{
    kIdEffectList,      kIdBrightnessCaption, kIdBrightnessSlider, kIdSpeedCaption,
    kIdSpeedSlider,     kIdDirectionCaption,  kIdDirectionLeft,    kIdDirectionRight,
    kIdUserModeList,    kIdToolCaption,       kIdPaintTool,        kIdEraseTool,
    kIdClearAllCaption, kIdSelectAll,         kIdSelectAllCaption, kIdClearAll};

inline constexpr uint32_t kLightGreen = 0x00FF00; // a lit key's mark
inline constexpr uint32_t kLightDark = 0x000000;

// The panel's controls as the window carries them out.
class LightingPanelView {
public:
    virtual ~LightingPanelView() = default;
    virtual void ClearEffectList() = 0;
    virtual void AddEffectLine(std::u16string_view name) = 0;
    // -1 selects no line.
    virtual void SelectEffectLine(int line) = 0;
    virtual void SelectUserModeLine(int line) = 0;
    virtual void SetSliderPosition(uint16_t slider, int position) = 0;
    // A picture control, or a slider's picture, from a bitmap of the skin's folder.
    virtual void SetPicture(uint16_t id, std::u16string_view file) = 0;
    virtual void ShowControl(uint16_t id, bool shown) = 0;
    // Moves the control to the x, y of a layout key of the main skin, keeping its size.
    virtual void MoveControl(uint16_t id, std::u16string_view layoutKey) = 0;
    // The report-rate button of the value latched, the other three plain.
    virtual void LatchReportRate(int value) = 0;
    virtual void SetCaption(uint16_t id, std::u16string_view text) = 0;
    // A slider is being dragged by the mouse.
    virtual bool SliderDragging() const = 0;
};

// The keyboard's command set as the panel uses it.
class LightingLink {
public:
    virtual ~LightingLink() = default;
    virtual int32_t BeginTransfer() = 0;
    virtual int32_t EndTransfer() = 0;
    virtual int32_t ReadConfig(std::span<uint8_t, 48> config) = 0;
    virtual int32_t ReadParams(std::span<uint8_t, 56> out, uint32_t length, uint32_t position) = 0;
    virtual int32_t WriteParams(std::span<const uint8_t> data, uint32_t position) = 0;
    virtual int32_t ReadKeyColours(std::span<uint8_t, 56> out, uint32_t length, uint32_t base,
                                   uint32_t profile) = 0;
    virtual int32_t WriteKeyColours(std::span<const uint8_t> data, uint32_t base,
                                    uint32_t profile) = 0;
};

// The keyboard itself, through the device link.
class DeviceLightingLink : public LightingLink {
public:
    int32_t BeginTransfer() override;
    int32_t EndTransfer() override;
    int32_t ReadConfig(std::span<uint8_t, 48> config) override;
    int32_t ReadParams(std::span<uint8_t, 56> out, uint32_t length, uint32_t position) override;
    int32_t WriteParams(std::span<const uint8_t> data, uint32_t position) override;
    int32_t ReadKeyColours(std::span<uint8_t, 56> out, uint32_t length, uint32_t base,
                           uint32_t profile) override;
    int32_t WriteKeyColours(std::span<const uint8_t> data, uint32_t base,
                            uint32_t profile) override;
};

// The light bit of a button of the keyboard picture: key buttons by their table, the
// special buttons by theirs, Fn 45, any other button (the D buttons) bit 0.
uint8_t LightBitOf(uint16_t id);

// Which direction pictures an effect uses: {0xFF picture, 0x00 picture}, each released or
// pressed.
std::u16string DirectionPicture(int effect, bool left, bool pressed);

// Where the direction controls stand for an effect: the layout key suffix "2" for effects 1
// to 3, "3" for effect 12, none otherwise.
std::u16string_view DirectionLayoutSuffix(int effect);

// The controls an effect shows while the lighting mode is on, besides the effect list.
bool EffectShows(int effect, uint16_t id);

// The language the panel's captions and effect names follow: 1 English, 0 Chinese, any
// other value stored in the language file leaves the captions as they are.
int PanelLanguage(const std::filesystem::path& languageFile);

struct LightingSkin {
    std::filesystem::path mainSkinFile; // effect names ("Mode"/"Mode1") and captions
    std::function<int()> language;      // PanelLanguage
};

// Takes the key lights of the keyboard view: its clicks while the lighting mode is on and
// its restoring of the defaults come here.
class LightingPanel : public keys::KeyLights {
public:
    LightingPanel(LightingPanelView& view, LightingLink& link, keys::KeyboardView& keys,
                  LightingSkin skin, UserFiles files);
    ~LightingPanel() override;
    LightingPanel(const LightingPanel&) = delete;
    LightingPanel& operator=(const LightingPanel&) = delete;

    // The profile whose record the panel shows and whose key lights it edits.
    int ShownProfile() const { return shownProfile_; }
    void SetShownProfile(int profile);

    // Reads the effect list, the key lights (when the list holds the user-defined effect)
    // and the three records; the shown one becomes the panel's state. A failed read of the
    // configuration leaves the list empty and the rest as it was.
    void LoadLighting();
    void RefreshLightingPanel();
    // Both.
    void Reload();
    // The keyboard arrived (or its content may have changed): its active profile is shown.
    void KeyboardConnected(int activeProfile);
    // A profile button: its profile is shown and the lighting mode is left.
    void ProfileButton(int profile);
    // A language command: captions and effect names in the new language.
    void LanguageChanged();

    // A line of the effect list was chosen.
    void SelectEffect(int line);
    // Message 0x28D1 of a slider: its id and new position.
    void MoveLightingSlider(uint16_t slider, int position);
    void SetDirection(uint8_t value);
    void SelectUserMode(int mode);
    void ToggleLightingMode();
    // The lighting switch off as a profile button leaves it: settings file, picture, light
    // marks, key buttons and controls.
    void LeaveLightingMode();
    void ResetLighting() override;

    // Key lights.
    void ReadKeyLights(); // inside LoadLighting's bracket
    void ShowKeyLights();
    void KeyLightClick(uint16_t id) override;
    void SetKeyLightTool(uint8_t tool);
    void SetAllKeyLights(bool on);
    void ResetKeyLights();

    // Report rate.
    void SetReportRate(int value);
    void ShowReportRate();

    // The captions of the panel in the panel's language (none for another language).
    void ApplyCaptions();

    // The keyboard reported a lighting change of its own: the panel reads it back, or, while
    // a slider is dragged, once the drag has ended.
    void OnLightingNotice();
    // A slider reported its position with the mouse released.
    void DragEnded();
    bool NoticePending() const { return noticePending_; }

    // State, for the window and tests.
    const EffectList& Effects() const { return effects_; }
    const LightingRecord& State() const { return state_; }
    bool LightingMode() const { return lightingMode_; }
    const KeyLightBlock& KeyLights(int profile) const { return keyLights_[profile]; }
    // The effect of the line the effect list shows chosen; 0 for none.
    int ChosenEffect() const { return chosenEffect_; }

private:
    void WriteRecordBytes(uint32_t offset, std::span<const uint8_t> bytes);
    void WriteRecordByte(uint32_t offset, uint8_t value);
    void WriteKeyLightBytes(uint32_t base, std::span<const uint8_t> bytes);
    void ShowEffect(int effect);
    // The key lights of the user mode, and its line in the user mode list.
    void ShowUserKeys();
    void HideEffectControls();
    void MoveDirectionControls(int effect);
    void ShowDirectionPictures(int effect, uint8_t direction);
    void ShowSliders(int brightnessPosition, int speedPosition);
    void ShowToolPictures(uint8_t tool);
    void ShowSelectPictures(int used); // 1 select-all, 0 clear-all, -1 neither
    void MarkAllKeyButtons(const std::function<uint32_t(uint16_t id, uint8_t bit)>& colour);
    std::u16string EffectName(int effect) const;
    bool UserModeHasPattern() const { return state_.userMode < kPatterns; }

    LightingPanelView& view_;
    LightingLink& link_;
    keys::KeyboardView& keys_;
    LightingSkin skin_;
    UserFiles files_;

    int shownProfile_ = 0;
    std::array<uint8_t, 48> config_{};
    EffectList effects_;
    std::array<std::array<uint8_t, kRecordSize>, kProfiles> records_{};
    std::array<KeyLightBlock, kProfiles> keyLights_{};
    LightingRecord state_;
    bool lightingMode_ = false;
    int chosenEffect_ = 0;
    bool noticePending_ = false;
};

} // namespace lighting
