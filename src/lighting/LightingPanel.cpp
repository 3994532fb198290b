#include "lighting/LightingPanel.h"

#include <algorithm>
#include <string>

#include "device/Commands.h"
#include "keys/KeyButtons.h"
#include "ui/IniFile.h"
#include "ui/Language.h"

namespace lighting {
namespace {

constexpr uint8_t kDirectionLeft = 0xFF;
constexpr uint8_t kDirectionRight = 0x00;
constexpr uint32_t kKeyLightRead = 54;  // ReadKeyLights reads 54 bytes at a time
constexpr uint32_t kKeyLightReset = 45; // ResetKeyLights writes 45 bytes at a time
constexpr int kSliderLast = 4;          // both sliders run from 0 to 4
constexpr int kUserModeLines = 4;

std::u16string Number(int n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

std::u16string Bitmap(int n) {
    return Number(n) + u".bmp";
}

int Clamp(int position) {
    return std::clamp(position, 0, kSliderLast);
}

bool InGroup(int effect, std::initializer_list<int> group) {
    return std::find(group.begin(), group.end(), effect) != group.end();
}

// Which of the four kinds of control sets an effect shows.
enum class Shows { Nothing, Brightness, BrightnessSpeed, WithDirection, UserKeys };

Shows ShowsOf(int effect) {
    if (InGroup(effect, {1, 2, 3, 4, 15, 16, 27, 28}))
        return Shows::WithDirection;
    if (effect == 6 || (effect >= 8 && effect <= 14) || (effect >= 17 && effect <= 24) ||
        effect == 26)
        return Shows::BrightnessSpeed;
    if (InGroup(effect, {5, 7, 25}))
        return Shows::Brightness;
    if (effect == kUserEffect)
        return Shows::UserKeys;
    return Shows::Nothing;
}

// The captions of the panel and the skin keys they are read from.
struct Caption {
    uint16_t id;
    std::u16string_view key;
};
constexpr Caption kCaptions[] = {
    {kIdLightingCaption, u"Deng"},    {kIdBrightnessCaption, u"Light"},
    {kIdDirectionCaption, u"FX"},     {kIdSpeedCaption, u"Speed"},
    {kIdToolCaption, u"Tool"},        {kIdClearAllCaption, u"DC"},
    {kIdSelectAllCaption, u"LEDOFF"}, {kIdReportCaption, u"Usb"},
};

} // namespace

// The device link.

int32_t DeviceLightingLink::BeginTransfer() {
    return device::BeginTransfer();
}
int32_t DeviceLightingLink::EndTransfer() {
    return device::EndTransfer();
}
int32_t DeviceLightingLink::ReadConfig(std::span<uint8_t, 48> config) {
    return device::ReadConfig(config);
}
int32_t DeviceLightingLink::ReadParams(std::span<uint8_t, 56> out, uint32_t length,
                                       uint32_t position) {
    return device::ReadParams(out, length, position);
}
int32_t DeviceLightingLink::WriteParams(std::span<const uint8_t> data, uint32_t position) {
    return device::WriteParams(data, static_cast<uint32_t>(data.size()), position);
}
int32_t DeviceLightingLink::ReadKeyColours(std::span<uint8_t, 56> out, uint32_t length,
                                           uint32_t base, uint32_t profile) {
    return device::ReadKeyColours(out, length, base, profile);
}
int32_t DeviceLightingLink::WriteKeyColours(std::span<const uint8_t> data, uint32_t base,
                                            uint32_t profile) {
    return device::WriteKeyColours(data, static_cast<uint32_t>(data.size()), base, profile);
}

// Tables.

uint8_t LightBitOf(uint16_t id) {
    for (const keys::KeyButton& k : keys::kKeyButtons)
        if (k.id == id)
            return k.lightBit;
    for (const keys::SpecialButton& s : keys::kSpecialButtonTable)
        if (s.id == id)
            return s.lightBit;
    if (id == keys::kFnButtonId)
        return keys::kFnLightBit;
    return 0;
}

std::u16string DirectionPicture(int effect, bool left, bool pressed) {
    if (effect == 3)
        return left ? (pressed ? u"kuosandown.bmp" : u"kuosan.bmp")
                    : (pressed ? u"julongdown.bmp" : u"julong.bmp");
    if (effect == 15)
        return left ? (pressed ? u"updown.bmp" : u"upup.bmp")
                    : (pressed ? u"downdown.bmp" : u"downup.bmp");
    return left ? (pressed ? u"leftdown.bmp" : u"leftup.bmp")
                : (pressed ? u"rightdown.bmp" : u"rightup.bmp");
}

std::u16string_view DirectionLayoutSuffix(int effect) {
    if (effect >= 1 && effect <= 3)
        return u"2";
    if (effect == 12)
        return u"3";
    return u"";
}

bool EffectShows(int effect, uint16_t id) {
    const Shows shows = ShowsOf(effect);
    switch (id) {
    case kIdEffectList:
        return shows != Shows::Nothing;
    case kIdBrightnessCaption:
    case kIdBrightnessSlider:
        return shows != Shows::Nothing;
    case kIdSpeedCaption:
    case kIdSpeedSlider:
        return shows == Shows::BrightnessSpeed || shows == Shows::WithDirection;
    case kIdDirectionCaption:
    case kIdDirectionLeft:
    case kIdDirectionRight:
        return shows == Shows::WithDirection;
    case kIdUserModeList:
    case kIdToolCaption:
    case kIdPaintTool:
    case kIdEraseTool:
    case kIdClearAllCaption:
    case kIdSelectAll:
    case kIdSelectAllCaption:
    case kIdClearAll:
        return shows == Shows::UserKeys;
    default:
        return false;
    }
}

int PanelLanguage(const std::filesystem::path& languageFile) {
    // A language command of this run decides; before one, the stored value, which may be
    // neither language.
    if (ui::WindowTextSection(languageFile) == ui::kEnglishSection)
        return ui::kLanguageEnglish;
    const int stored = ui::StoredLanguage(languageFile);
    return stored == ui::kLanguageEnglish ? ui::kLanguageChinese : stored;
}

// The panel.

LightingPanel::LightingPanel(LightingPanelView& view, LightingLink& link, keys::KeyboardView& keys,
                             LightingSkin skin, UserFiles files)
    : view_(view), link_(link), keys_(keys), skin_(std::move(skin)), files_(std::move(files)) {
    keys_.SetLights(this);
}

LightingPanel::~LightingPanel() {
    keys_.SetLights(nullptr);
}

void LightingPanel::SetShownProfile(int profile) {
    if (profile >= 0 && profile < kProfiles)
        shownProfile_ = profile;
}

std::u16string LightingPanel::EffectName(int effect) const {
    const int language = skin_.language ? skin_.language() : 0;
    return ui::GetPrivateProfileString(language == ui::kLanguageEnglish ? u"Mode1" : u"Mode",
                                       Number(effect), u"1", 260, skin_.mainSkinFile);
}

void LightingPanel::LoadLighting() {
    view_.ClearEffectList();
    effects_.clear();
    std::fill(config_.begin() + device::kConfigEffectList, config_.end(), uint8_t{0});
    chosenEffect_ = 0;

    std::array<uint8_t, 48> config{};
    if (link_.ReadConfig(config) != 1)
        return;
    config_ = config;
    effects_ = BuildEffectList(config_);

    link_.BeginTransfer();
    if (ListPositionOfEffect(effects_, kUserEffect) >= 0)
        ReadKeyLights();
    for (int p = 0; p < kProfiles; ++p) {
        std::array<uint8_t, kRecordRead> answer{};
        if (link_.ReadParams(answer, kRecordRead, static_cast<uint32_t>(p) * kRecordSize) == 1)
            std::copy_n(answer.begin(), kRecordSize, records_[p].begin());
    }
    link_.EndTransfer();

    state_ = DecodeLightingRecord(records_[shownProfile_]);
    lightingMode_ = ReadLightingMode(files_);
    keys_.SetLightingMode(lightingMode_);
}

void LightingPanel::RefreshLightingPanel() {
    view_.ClearEffectList();
    for (const EffectLine& line : effects_)
        view_.AddEffectLine(EffectName(line.effect));

    ShowSliders(state_.brightness, kSliderLast - state_.speed);
    ShowReportRate();
    ShowToolPictures(state_.keyLightTool);
    view_.SetPicture(kIdLightingSwitch, lightingMode_ ? u"dengdown.bmp" : u"dengup.bmp");

    const int line = ListPositionOfEffect(effects_, state_.effect);
    view_.SelectEffectLine(line);
    chosenEffect_ = line >= 0 ? state_.effect : 0;
    ShowDirectionPictures(state_.effect, state_.direction);

    if (lightingMode_) {
        ShowEffect(state_.effect);
        if (state_.effect == kUserEffect) {
            ShowUserKeys();
        } else {
            // The keyboard may have left the user-defined effect on its own: no key shows a
            // light of a pattern it no longer uses.
            keys_.ClearLightMarks();
        }
    } else {
        HideEffectControls();
    }
    MoveDirectionControls(state_.effect);
}

void LightingPanel::Reload() {
    LoadLighting();
    RefreshLightingPanel();
}

void LightingPanel::KeyboardConnected(int activeProfile) {
    SetShownProfile(activeProfile);
    Reload();
}

void LightingPanel::ProfileButton(int profile) {
    SetShownProfile(profile);
    Reload();
    LeaveLightingMode();
}

void LightingPanel::LanguageChanged() {
    ApplyCaptions();
    Reload();
}

void LightingPanel::SelectEffect(int line) {
    const auto it = std::find_if(effects_.begin(), effects_.end(),
                                 [line](const EffectLine& l) { return l.position == line; });
    if (it == effects_.end())
        return;
    const int effect = it->effect;
    chosenEffect_ = effect;
    MoveDirectionControls(effect);
    ShowDirectionPictures(effect, state_.direction);
    keys_.ClearLightMarks();
    if (IsWritableEffect(effect)) {
        state_.effect = static_cast<uint8_t>(effect);
        WriteRecordByte(kOffEffect, state_.effect);
        if (effect == kUserEffect)
            ShowUserKeys();
    }
    ShowEffect(effect);
}

void LightingPanel::MoveLightingSlider(uint16_t slider, int position) {
    position = Clamp(position);
    if (slider == kIdBrightnessSlider) {
        view_.SetPicture(slider, Bitmap(position));
        if (position == state_.brightness)
            return;
        state_.brightness = static_cast<uint8_t>(position);
        WriteRecordByte(kOffBrightness, state_.brightness);
    } else if (slider == kIdSpeedSlider) {
        view_.SetPicture(slider, Bitmap(5 + position));
        const int speed = kSliderLast - position;
        if (speed == state_.speed)
            return;
        state_.speed = static_cast<uint8_t>(speed);
        WriteRecordByte(kOffSpeed, state_.speed);
    }
}

void LightingPanel::SetDirection(uint8_t value) {
    ShowDirectionPictures(state_.effect, value);
    state_.direction = value;
    WriteRecordByte(kOffDirection, value);
}

void LightingPanel::SelectUserMode(int mode) {
    if (mode < 0)
        return; // the list lost its selection: nothing was chosen
    state_.userMode = static_cast<uint8_t>(std::min(mode, 255));
    if (lightingMode_ && UserModeHasPattern())
        WriteRecordByte(kOffUserMode, state_.userMode);
    ShowKeyLights();
    ShowSelectPictures(-1);
}

void LightingPanel::ToggleLightingMode() {
    if (lightingMode_) {
        LeaveLightingMode();
        return;
    }
    lightingMode_ = true;
    keys_.SetLightingMode(true);
    WriteLightingMode(files_, true);
    view_.SetPicture(kIdLightingSwitch, u"dengdown.bmp");
    keys_.ClearLightMarks();
    ShowEffect(state_.effect);
    if (state_.effect == kUserEffect)
        ShowUserKeys();
}

void LightingPanel::LeaveLightingMode() {
    if (!lightingMode_)
        return;
    lightingMode_ = false;
    keys_.SetLightingMode(false);
    WriteLightingMode(files_, false);
    view_.SetPicture(kIdLightingSwitch, u"dengup.bmp");
    keys_.ClearLightMarks();
    keys_.RefreshKeyButtons();
    HideEffectControls();
}

void LightingPanel::ResetLighting() {
    const int line = ListPositionOfEffect(effects_, kResetEffect);
    view_.SelectEffectLine(line);
    if (line >= 0) {
        SelectEffect(line);
    } else {
        // A keyboard without effect 5 in its list still gets the record that names it.
        chosenEffect_ = 0;
        keys_.ClearLightMarks();
        ShowEffect(kResetEffect);
    }

    // The view takes the values written, so that the panel and the keyboard agree and the
    // next slider move is compared with what the keyboard holds.
    auto& record = records_[shownProfile_];
    std::copy(kDefaultRecord.begin(), kDefaultRecord.end(), record.begin());
    state_ = DecodeLightingRecord(record);
    ShowSliders(state_.brightness, kSliderLast - state_.speed);
    ShowReportRate();
    ShowToolPictures(state_.keyLightTool);
    ShowDirectionPictures(state_.effect, state_.direction);

    if (ListPositionOfEffect(effects_, kUserEffect) >= 0) {
        view_.SelectUserModeLine(0);
        ResetKeyLights();
    }
    WriteRecordBytes(0, kDefaultRecord);
    keys_.ClearLightMarks();
}

// Key lights.

void LightingPanel::ReadKeyLights() {
    KeyLightBlock& block = keyLights_[shownProfile_];
    for (uint32_t base = 0; base < kKeyLightBlock; base += kKeyLightRead) {
        std::array<uint8_t, 56> answer{};
        if (link_.ReadKeyColours(answer, kKeyLightRead, base,
                                 static_cast<uint32_t>(shownProfile_)) != 1)
            continue;
        const uint32_t n = std::min(kKeyLightRead, kKeyLightBlock - base);
        std::copy_n(answer.begin(), n, block.begin() + base);
    }
}

void LightingPanel::ShowKeyLights() {
    const KeyLightBlock& block = keyLights_[shownProfile_];
    const bool hasPattern = UserModeHasPattern();
    const uint32_t pattern = kPatternSize * state_.userMode;
    MarkAllKeyButtons([&](uint16_t id, uint8_t bit) {
        if (id == keys::kSpaceButtonId || !hasPattern)
            return kLightDark;
        return (block[pattern + bit / 8] >> (bit % 8)) & 1 ? kLightGreen : kLightDark;
    });
}

void LightingPanel::ShowUserKeys() {
    // The list names the pattern the picture shows.
    view_.SelectUserModeLine(state_.userMode < kUserModeLines ? state_.userMode : -1);
    ShowKeyLights();
}

void LightingPanel::KeyLightClick(uint16_t id) {
    if (chosenEffect_ != kUserEffect || !UserModeHasPattern())
        return;
    const uint8_t bit = LightBitOf(id);
    const uint32_t base = kPatternSize * state_.userMode + bit / 8;
    uint8_t byte = keyLights_[shownProfile_][base];
    const uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
    if (state_.keyLightTool == 0) {
        byte |= mask;
        keys_.SetLightMark(id, kLightGreen);
    } else if (state_.keyLightTool == 1) {
        byte &= static_cast<uint8_t>(~mask);
        keys_.SetLightMark(id, kLightDark);
    } else {
        return;
    }
    ShowSelectPictures(-1);
    const uint8_t data[] = {byte};
    WriteKeyLightBytes(base, data);
    keyLights_[shownProfile_][base] = byte;
}

void LightingPanel::SetKeyLightTool(uint8_t tool) {
    ShowToolPictures(tool);
    state_.keyLightTool = tool;
    WriteRecordByte(kOffKeyLightTool, tool);
}

void LightingPanel::SetAllKeyLights(bool on) {
    if (!UserModeHasPattern())
        return;
    const uint32_t base = kPatternSize * state_.userMode;
    auto pattern = std::span(keyLights_[shownProfile_]).subspan(base, kPatternSize);
    std::fill(pattern.begin(), pattern.end(), on ? uint8_t{0xFF} : uint8_t{0x00});
    MarkAllKeyButtons([on](uint16_t, uint8_t) { return on ? kLightGreen : kLightDark; });
    ShowSelectPictures(on ? 1 : 0);
    WriteKeyLightBytes(base, pattern);
}

void LightingPanel::ResetKeyLights() {
    keyLights_[shownProfile_] = kDefaultKeyLights;
    ShowKeyLights();
    const auto& block = keyLights_[shownProfile_];
    link_.BeginTransfer();
    for (uint32_t base = 0; base < kKeyLightBlock; base += kKeyLightReset)
        link_.WriteKeyColours(std::span(block).subspan(base, kKeyLightReset), base,
                              static_cast<uint32_t>(shownProfile_));
    link_.EndTransfer();
}

// Report rate.

void LightingPanel::SetReportRate(int value) {
    if (value < 0 || value > 3)
        return;
    view_.LatchReportRate(value);
    state_.reportRate = static_cast<uint8_t>(value);
    WriteRecordByte(kOffReportRate, state_.reportRate);
}

void LightingPanel::ShowReportRate() {
    view_.LatchReportRate(state_.reportRate);
}

void LightingPanel::ApplyCaptions() {
    const int language = skin_.language ? skin_.language() : 0;
    if (language != ui::kLanguageChinese && language != ui::kLanguageEnglish)
        return;
    const std::u16string_view section =
        language == ui::kLanguageEnglish ? u"Control_Name1" : u"Control_Name";
    for (const Caption& c : kCaptions)
        view_.SetCaption(c.id,
                         ui::GetPrivateProfileString(section, c.key, u"", 260, skin_.mainSkinFile));
}

void LightingPanel::OnLightingNotice() {
    if (view_.SliderDragging()) {
        // Read back once the user lets go: a refresh now would move the slider under the
        // mouse, and the drag's next step would be compared with the keyboard's value.
        noticePending_ = true;
        return;
    }
    noticePending_ = false;
    Reload();
}

void LightingPanel::DragEnded() {
    if (!noticePending_ || view_.SliderDragging())
        return;
    noticePending_ = false;
    Reload();
}

// Helpers.

void LightingPanel::WriteRecordBytes(uint32_t offset, std::span<const uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), records_[shownProfile_].begin() + offset);
    link_.BeginTransfer();
    link_.WriteParams(bytes, static_cast<uint32_t>(shownProfile_) * kRecordSize + offset);
    link_.EndTransfer();
}

void LightingPanel::WriteRecordByte(uint32_t offset, uint8_t value) {
    const uint8_t data[] = {value};
    WriteRecordBytes(offset, data);
}

void LightingPanel::WriteKeyLightBytes(uint32_t base, std::span<const uint8_t> bytes) {
    link_.BeginTransfer();
    link_.WriteKeyColours(bytes, base, static_cast<uint32_t>(shownProfile_));
    link_.EndTransfer();
}

void LightingPanel::ShowEffect(int effect) {
    for (uint16_t id : kEffectControls)
        view_.ShowControl(id, EffectShows(effect, id));
}

void LightingPanel::HideEffectControls() {
    for (uint16_t id : kEffectControls)
        view_.ShowControl(id, false);
}

void LightingPanel::MoveDirectionControls(int effect) {
    const std::u16string suffix(DirectionLayoutSuffix(effect));
    view_.MoveControl(kIdDirectionCaption, u"CONTROL_BLFXStatic" + suffix);
    view_.MoveControl(kIdDirectionLeft, u"CONTROL_BLFXLStaPic" + suffix);
    view_.MoveControl(kIdDirectionRight, u"CONTROL_BLFXRStaPic" + suffix);
}

void LightingPanel::ShowDirectionPictures(int effect, uint8_t direction) {
    view_.SetPicture(kIdDirectionLeft, DirectionPicture(effect, true, direction == kDirectionLeft));
    view_.SetPicture(kIdDirectionRight,
                     DirectionPicture(effect, false, direction == kDirectionRight));
}

void LightingPanel::ShowSliders(int brightnessPosition, int speedPosition) {
    brightnessPosition = Clamp(brightnessPosition);
    speedPosition = Clamp(speedPosition);
    view_.SetSliderPosition(kIdBrightnessSlider, brightnessPosition);
    view_.SetPicture(kIdBrightnessSlider, Bitmap(brightnessPosition));
    view_.SetSliderPosition(kIdSpeedSlider, speedPosition);
    view_.SetPicture(kIdSpeedSlider, Bitmap(5 + speedPosition));
}

void LightingPanel::ShowToolPictures(uint8_t tool) {
    view_.SetPicture(kIdPaintTool, tool == 0 ? u"user1down.bmp" : u"user1up.bmp");
    view_.SetPicture(kIdEraseTool, tool == 1 ? u"user2down.bmp" : u"user2up.bmp");
}

void LightingPanel::ShowSelectPictures(int used) {
    view_.SetPicture(kIdSelectAll, used == 1 ? u"sjsdown.bmp" : u"sjsup.bmp");
    view_.SetPicture(kIdClearAll, used == 0 ? u"sjsdown.bmp" : u"sjsup.bmp");
}

void LightingPanel::MarkAllKeyButtons(
    const std::function<uint32_t(uint16_t id, uint8_t bit)>& colour) {
    for (const keys::KeyButton& k : keys::kKeyButtons)
        keys_.SetLightMark(k.id, colour(k.id, k.lightBit));
    for (const keys::SpecialButton& s : keys::kSpecialButtonTable)
        keys_.SetLightMark(s.id, colour(s.id, s.lightBit));
    keys_.SetLightMark(keys::kFnButtonId, colour(keys::kFnButtonId, keys::kFnLightBit));
}

} // namespace lighting
