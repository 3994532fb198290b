#include "macros/MacroEditor.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "keys/KeyCodes.h"
#include "profiles/ProfileStore.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"

namespace macros {
namespace {

constexpr uint16_t kMaxCycles = 255;

// Digits only; saturates instead of overflowing so that a long run of digits still reads
// as "too big". Nothing for an empty text or any other character.
std::optional<uint32_t> ParseDigits(std::u16string_view text) {
    if (text.empty())
        return std::nullopt;
    uint32_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value > 100000000u ? value : value * 10 + static_cast<uint32_t>(c - u'0');
    }
    return value;
}

std::u16string Decimal(unsigned value) {
    std::u16string text;
    for (char c : std::to_string(value))
        text.push_back(static_cast<char16_t>(c));
    return text;
}

} // namespace

std::u16string_view StateText(uint16_t state) {
    return state == kStateRelease ? kReleaseText : kPressText;
}

std::optional<DelayEdit> ParseDelayText(std::u16string_view text) {
    std::optional<uint32_t> value = ParseDigits(text);
    if (!value)
        return std::nullopt;
    DelayEdit edit;
    edit.tooBig = *value > kMaxDelayMs;
    edit.delayMs = (edit.tooBig ? kMaxDelayMs : *value) / 10 * 10;
    return edit;
}

int ClampCycles(std::u16string_view text) {
    bool negative = !text.empty() && text.front() == u'-';
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+'))
        text.remove_prefix(1);
    std::optional<uint32_t> value = ParseDigits(text);
    if (!value || negative || *value < 1)
        return 1;
    return *value > kMaxCycles ? kMaxCycles : static_cast<int>(*value);
}

MacroEditor::MacroEditor(ui::Prompts& prompts, std::function<void()> modified)
    : prompts_(prompts), modified_(std::move(modified)) {}

void MacroEditor::Fill() {
    Free();
    {
        profiles::ProfileStore& store = profiles::GetProfileStore();
        std::lock_guard lock(store.lock);
        for (const MacroRecord& stored : store.Macros()) {
            std::unique_ptr<MacroRecord> copy(new (std::nothrow) MacroRecord);
            if (!copy)
                break;
            std::memcpy(copy.get(), &stored, sizeof(MacroRecord));
            copy->isNew = 0;
            macros_.push_back(std::move(copy));
        }
    }
    firstMacroTab_ = true;
}

void MacroEditor::Free() {
    macros_.clear();
    list_.rows.clear();
    list_.selected = -1;
    current_ = -1;
    cyclesText_.clear();
}

void MacroEditor::ShowTab(bool initial, uint32_t loadedValue) {
    if (initial) {
        int index = 0;
        for (size_t i = 0; i < macros_.size(); ++i) {
            if (macros_[i]->id == loadedValue) {
                index = static_cast<int>(i);
                break;
            }
        }
        if (!macros_.empty())
            Select(index);
        return;
    }
    if (!firstMacroTab_)
        return;
    if (current_ == -1 && !macros_.empty())
        Select(0);
    firstMacroTab_ = false;
}

void MacroEditor::Select(int index) {
    if (index < 0 || static_cast<size_t>(index) >= macros_.size())
        return;
    if (current_ != -1)
        SaveMacroFromList(current_);
    current_ = index;
    ShowMacro();
}

void MacroEditor::ShowMacro() {
    list_.rows.clear();
    list_.selected = -1;
    if (!ActionButtonsEnabled())
        return;
    const MacroRecord& macro = *macros_[static_cast<size_t>(current_)];
    // The edit treats text set from code as typed: the count is clamped and Apply is due.
    CyclesTyped(Decimal(macro.cycles));
    list_.rows.assign(macro.actions, macro.actions + ActionCountOf(macro));
}

void MacroEditor::NameTyped(std::u16string_view name) {
    if (macros_.empty()) {
        std::unique_ptr<MacroRecord> record = CreateMacroRecord(name, macros_);
        if (!record)
            return;
        macros_.insert(macros_.begin(), std::move(record));
        current_ = 0;
        ShowMacro();
    } else if (current_ != -1) {
        SetName(*macros_[static_cast<size_t>(current_)], name);
    } else {
        // The box's text names no macro while none is selected.
        return;
    }
    modified_();
}

void MacroEditor::Add() {
    if (macros_.size() < kMaxMacros)
        SaveMacroFromList(current_);
    if (!AddMacro(macros_, namer_, prompts_))
        return;
    current_ = static_cast<int>(macros_.size() - 1);
    ShowMacro();
    modified_();
}

void MacroEditor::Delete() {
    if (macros_.empty() || current_ == -1)
        return;
    const auto deleted = static_cast<size_t>(current_);
    if (!ConfirmMacroDelete(*macros_[deleted], prompts_))
        return;
    macros_.erase(macros_.begin() + static_cast<std::ptrdiff_t>(deleted));
    current_ = macros_.empty() ? -1 : static_cast<int>(deleted == 0 ? 0 : deleted - 1);
    ShowMacro();
    modified_();
}

void MacroEditor::SaveMacroFromList(int index) {
    if (macros_.empty() || index < 0 || static_cast<size_t>(index) >= macros_.size())
        return;
    MacroRecord& macro = *macros_[static_cast<size_t>(index)];
    macro.cycles = static_cast<uint8_t>(ClampCycles(cyclesText_));
    const size_t count = std::min<size_t>(list_.rows.size(), kMaxActions);
    macro.actionCount = static_cast<uint16_t>(count);
    std::copy_n(list_.rows.begin(), count, macro.actions);
}

void MacroEditor::Apply(ui::MainView& view) {
    SaveMacroFromList(current_);
    CommitMacroList(macros_, view);
}

std::optional<uint16_t> MacroEditor::CurrentMacroId() const {
    if (!ActionButtonsEnabled())
        return std::nullopt;
    return macros_[static_cast<size_t>(current_)]->id;
}

void MacroEditor::SelectRow(int row) {
    list_.selected = ValidRow(row) ? row : -1;
}

void MacroEditor::DeleteRow() {
    if (ValidRow(list_.selected)) {
        list_.rows.erase(list_.rows.begin() + list_.selected);
        list_.selected = -1;
    }
    modified_();
}

void MacroEditor::ClearRows() {
    if (!list_.rows.empty() &&
        prompts_.AskYesNo(ui::TextOf(ui::TextKey::MACRO_ACTION_CLEAR_CONFIRM))) {
        list_.rows.clear();
        list_.selected = -1;
    }
    modified_();
}

// A moved row keeps its delay: only recording shifts pauses between rows.
void MacroEditor::MoveSelected(size_t to) {
    if (ValidRow(list_.selected)) {
        const auto from = static_cast<size_t>(list_.selected);
        MacroAction moved = list_.rows[from];
        list_.rows.erase(list_.rows.begin() + static_cast<std::ptrdiff_t>(from));
        list_.rows.insert(list_.rows.begin() + static_cast<std::ptrdiff_t>(to), moved);
        list_.selected = static_cast<int>(to);
    }
    modified_();
}

void MacroEditor::MoveTop() {
    MoveSelected(0);
}

void MacroEditor::MoveUp() {
    MoveSelected(list_.selected > 0 ? static_cast<size_t>(list_.selected - 1) : 0);
}

void MacroEditor::MoveDown() {
    const size_t last = list_.rows.empty() ? 0 : list_.rows.size() - 1;
    MoveSelected(std::min(static_cast<size_t>(std::max(list_.selected, 0)) + 1, last));
}

void MacroEditor::MoveBottom() {
    MoveSelected(list_.rows.empty() ? 0 : list_.rows.size() - 1);
}

void MacroEditor::EditDelay(int row, std::u16string_view text) {
    if (!ValidRow(row))
        return;
    std::optional<DelayEdit> edit = ParseDelayText(text);
    if (!edit)
        return;
    if (edit->tooBig) {
        prompts_.Inform(ui::FormatText(ui::TextOf(ui::TextKey::MACRO_ACTION_ERR_DELAY_MAX),
                                       {static_cast<int>(kMaxDelayMs)}));
    }
    list_.rows[static_cast<size_t>(row)].delayMs = edit->delayMs;
    modified_();
}

void MacroEditor::EditKey(int row, uint16_t listPosition) {
    if (!ValidRow(row) || listPosition >= keys::kListSize)
        return;
    const uint16_t code = keys::KeyCodeAtListPosition(listPosition);
    MacroAction& action = list_.rows[static_cast<size_t>(row)];
    if (code == 0 || code == action.keyCode)
        return;
    action.keyCode = code;
    modified_();
}

void MacroEditor::EditState(int row, uint16_t state) {
    if (!ValidRow(row) || (state != kStatePress && state != kStateRelease))
        return;
    MacroAction& action = list_.rows[static_cast<size_t>(row)];
    // Shown as a press, an out-of-range state counts as one.
    const uint16_t shown = action.state == kStateRelease ? kStateRelease : kStatePress;
    if (state == shown)
        return;
    action.state = state;
    modified_();
}

uint16_t MacroEditor::KeyChoiceOf(int row) const {
    return ValidRow(row) ? keys::ListPositionOf(list_.rows[static_cast<size_t>(row)].keyCode)
                         : keys::kNotListed;
}

const std::u16string& MacroEditor::CyclesTyped(std::u16string_view text) {
    const int value = ClampCycles(text);
    std::optional<uint32_t> typed = ParseDigits(text);
    // In range text stays as typed; anything else is replaced by the clamped value.
    if (typed && *typed == static_cast<uint32_t>(value))
        cyclesText_ = text;
    else
        cyclesText_ = Decimal(static_cast<unsigned>(value));
    modified_();
    return cyclesText_;
}

} // namespace macros
