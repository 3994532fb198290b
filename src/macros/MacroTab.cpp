#include "macros/MacroTab.h"

#include "macros/MacroArea.h"
#include "macros/RecordDelaySetting.h"
#include "ui/TextFormat.h"

#include <algorithm>

namespace macros {

SpaceGauge MeasureSpace(const MacroList& macros, int current, size_t currentRows, uint32_t space) {
    AreaSizes sizes{kAreaHeaderSize + 2 * static_cast<uint32_t>(macros.size()),
                    kAreaHeaderSize + 2 * static_cast<uint32_t>(macros.size())};
    for (size_t i = 0; i < macros.size(); ++i) {
        const MacroRecord& m = *macros[i];
        // The shown macro's rows are not saved into its copy before Apply.
        const size_t actions = static_cast<int>(i) == current
                                   ? std::min<size_t>(currentRows, kMaxActions)
                                   : ActionCountOf(m);
        const uint32_t block = 4 + 4 * static_cast<uint32_t>(actions);
        sizes.withoutNames += block;
        sizes.withNames += block + 2 * static_cast<uint32_t>(NameLength(m));
    }
    SpaceGauge gauge;
    gauge.space = space;
    // The download's own rule: names go when they do not fit, the macros when even that fails.
    if (space == 0) {
        gauge.used = sizes.withNames;
    } else if (sizes.withNames <= space) {
        gauge.state = SpaceGauge::State::Fits;
        gauge.used = sizes.withNames;
    } else if (sizes.withoutNames <= space) {
        gauge.state = SpaceGauge::State::NamesDropped;
        gauge.used = sizes.withoutNames;
    } else {
        gauge.state = SpaceGauge::State::TooBig;
        gauge.used = sizes.withoutNames;
    }
    return gauge;
}

std::u16string GroupedNumber(uint32_t value) {
    const std::string digits = std::to_string(value);
    std::u16string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text.push_back(u',');
        text.push_back(static_cast<char16_t>(digits[i]));
    }
    return text;
}

std::u16string GaugeText(const SpaceGauge& gauge,
                         const std::function<std::u16string(std::u16string_view key)>& text) {
    const std::u16string usedText = GroupedNumber(gauge.used);
    const std::u16string spaceText = GroupedNumber(gauge.space);
    const std::u16string_view used = usedText;
    const std::u16string_view space = spaceText;
    switch (gauge.state) {
    case SpaceGauge::State::Unknown:
        return ui::FormatText(text(u"MACRO_SPACE_UNKNOWN"), {used});
    case SpaceGauge::State::Fits:
        return ui::FormatText(text(u"MACRO_SPACE_USED"), {used, space});
    case SpaceGauge::State::NamesDropped:
        return ui::FormatText(text(u"MACRO_SPACE_NO_NAMES"), {used, space});
    case SpaceGauge::State::TooBig:
        break;
    }
    return ui::FormatText(text(u"MACRO_SPACE_TOO_BIG"), {used, space});
}

MacroTab::MacroTab(MacroTabView& view, ui::Prompts& prompts, ui::AppSettings* settings,
                   std::function<void()> modified, std::function<uint32_t()> space)
    : view_(view), settings_(settings), space_(std::move(space)), modified_(std::move(modified)),
      editor_(prompts, [this] { modified_(); }) {}

void MacroTab::Open() {
    recorder_.Stop();
    recorder_.SetRecordDelays(settings_ && LoadRecordDelaySetting(*settings_) == 1);
    editor_.Fill();
    Changed(kPartsAll);
}

void MacroTab::Close() {
    StopRecording();
    editor_.Free();
    Changed(kPartsAll);
}

void MacroTab::ShowTab(bool initial, uint32_t loadedValue) {
    editor_.ShowTab(initial, loadedValue);
    Changed(kPartsAll & ~kPartRecording);
}

void MacroTab::Select(int index) {
    if (Recording() || index == editor_.Current())
        return;
    editor_.Select(index);
    Changed(kPartNames | kPartRows | kPartCycles | kPartButtons | kPartGauge);
}

void MacroTab::NameTyped(std::u16string_view name) {
    if (Recording())
        return;
    const bool wasEmpty = editor_.Macros().empty();
    editor_.NameTyped(name);
    Changed(wasEmpty ? kPartsAll & ~kPartRecording : kPartNames | kPartGauge);
}

void MacroTab::Add() {
    if (Recording())
        return;
    editor_.Add();
    Changed(kPartsAll & ~kPartRecording);
}

void MacroTab::Delete() {
    if (Recording())
        return;
    editor_.Delete();
    Changed(kPartsAll & ~kPartRecording);
}

void MacroTab::SelectRow(int row) {
    editor_.SelectRow(row);
}

void MacroTab::DeleteRow() {
    editor_.DeleteRow();
    Changed(kPartRows | kPartGauge);
}

void MacroTab::ClearRows() {
    editor_.ClearRows();
    Changed(kPartRows | kPartGauge);
}

void MacroTab::MoveTop() {
    editor_.MoveTop();
    Changed(kPartRows);
}

void MacroTab::MoveUp() {
    editor_.MoveUp();
    Changed(kPartRows);
}

void MacroTab::MoveDown() {
    editor_.MoveDown();
    Changed(kPartRows);
}

void MacroTab::MoveBottom() {
    editor_.MoveBottom();
    Changed(kPartRows);
}

void MacroTab::BeginDelayEdit() {
    StopRecording();
}

void MacroTab::EditDelay(int row, std::u16string_view text) {
    editor_.EditDelay(row, text);
    Changed(kPartRows);
}

void MacroTab::EditKey(int row, uint16_t listPosition) {
    editor_.EditKey(row, listPosition);
    Changed(kPartRows);
}

void MacroTab::EditState(int row, uint16_t state) {
    editor_.EditState(row, state);
    Changed(kPartRows);
}

const std::u16string& MacroTab::CyclesTyped(std::u16string_view text) {
    return editor_.CyclesTyped(text);
}

void MacroTab::ToggleRecording(uint32_t nowMs) {
    if (Recording()) {
        StopRecording();
        return;
    }
    if (!editor_.ActionButtonsEnabled())
        return; // a recording needs a macro to fill
    recorder_.Start(editor_.Actions(), nowMs);
    Changed(kPartRecording | kPartButtons | kPartNames);
}

void MacroTab::StopRecording() {
    if (!Recording())
        return;
    recorder_.Stop();
    Changed(kPartRecording | kPartButtons | kPartNames);
}

bool MacroTab::KeyMessage(uint8_t virtualKey, uint32_t lParam, uint32_t timeMs) {
    const MacroRecorder::Outcome outcome = recorder_.KeyMessage(virtualKey, lParam, timeMs);
    if (outcome.changed) {
        modified_();
        Changed(kPartRows | kPartGauge);
    }
    return outcome.swallowed;
}

void MacroTab::SetRecordDelays(bool on) {
    recorder_.SetRecordDelays(on);
    if (settings_)
        SaveRecordDelaySetting(*settings_, on ? 1 : 0);
}

std::optional<uint16_t> MacroTab::Apply(ui::MainView& main) {
    StopRecording();
    editor_.Apply(main);
    Changed(kPartNames | kPartGauge);
    return editor_.CurrentMacroId();
}

SpaceGauge MacroTab::Gauge() const {
    return MeasureSpace(editor_.Macros(), editor_.Current(), editor_.Rows().size(),
                        space_ ? space_() : 0);
}

} // namespace macros
