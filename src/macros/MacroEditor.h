#pragma once

// The macro tab of the key assignment dialog: the dialog's private copies of the stored
// macros, the selected macro's action rows, and the edits made on them. Nothing reaches the
// stored list before Apply; Cancel (Free) drops every change since the last Apply.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macros/MacroList.h"
#include "macros/MacroRecord.h"
#include "macros/MacroRecorder.h"

namespace ui {
class MainView;
class Prompts;
} // namespace ui

namespace macros {

// The state column's texts and the choices of its drop-down list, in state order.
inline constexpr std::u16string_view kPressText = u"\u2193";
inline constexpr std::u16string_view kReleaseText = u"  \u2191";
// Editors show a state other than press or release as a press.
std::u16string_view StateText(uint16_t state);

// The delay cell's text read as the editor stores it: capped at kMaxDelayMs (tooBig tells
// that the cap applied) and rounded down to 10 ms. Nothing for an empty text or one that
// holds anything but digits.
struct DelayEdit {
    uint32_t delayMs = 0;
    bool tooBig = false;
};
std::optional<DelayEdit> ParseDelayText(std::u16string_view text);

// The cycle count's text kept to 1..255: a value below 1, or a text that is not a number,
// is 1; above 255 is 255.
int ClampCycles(std::u16string_view text);

class MacroEditor {
public:
    // modified is called wherever the dialog's Apply becomes due.
    MacroEditor(ui::Prompts& prompts, std::function<void()> modified);

    // A copy of every stored macro (isNew cleared), in stored order; nothing selected.
    void Fill();
    // Drops the copies without committing them (Cancel, closing).
    void Free();

    // Shows the macro tab. The first showing selects the macro whose id is loadedValue (the
    // first one when none has it); the first later showing selects the first macro when
    // none is selected.
    void ShowTab(bool initial, uint32_t loadedValue);
    // The user picked the entry at index: the shown macro keeps its edits.
    void Select(int index);
    // Typing into the name box: an empty list gets a macro of that name, otherwise the
    // selected macro is renamed.
    void NameTyped(std::u16string_view name);
    // Adds a macro with the next default name and selects it; the information box at 100.
    void Add();
    // Deletes the selected macro once ConfirmMacroDelete allows it and selects the one
    // before it (the new first one when it was the first).
    void Delete();

    // Writes the shown rows and cycle count back into the copy at index.
    void SaveMacroFromList(int index);
    // Apply: the shown macro is saved, then every copy is committed in list order. The
    // copies stay, now stored, for further edits.
    void Apply(ui::MainView& view);

    // The action rows of the selected macro.
    void SelectRow(int row); // -1: none
    void DeleteRow();
    // Asks MACRO_ACTION_CLEAR_CONFIRM first.
    void ClearRows();
    void MoveTop();
    void MoveUp();
    void MoveDown();
    void MoveBottom();

    // In-place edits of a row's cells. The delay edit shows MACRO_ACTION_ERR_DELAY_MAX above
    // 40000 and leaves the row alone for an empty text; the key edit takes a position of
    // the key selection list (0..kListSize - 1); the state edit 0 (press) or 1 (release).
    void EditDelay(int row, std::u16string_view text);
    void EditKey(int row, uint16_t listPosition);
    void EditState(int row, uint16_t state);
    // The key list's preselection for a row: its key's list position, or kNotListed.
    uint16_t KeyChoiceOf(int row) const;

    // The cycle count as typed. Returns the text the edit must show (clamped to 1..255).
    const std::u16string& CyclesTyped(std::u16string_view text);

    const MacroList& Macros() const { return macros_; }
    int Current() const { return current_; }
    // The id of the selected macro; nothing when none is selected.
    std::optional<uint16_t> CurrentMacroId() const;
    // The rows shown and the selected row; the recorder inserts into them.
    ActionList& Actions() { return list_; }
    const std::vector<MacroAction>& Rows() const { return list_.rows; }
    int SelectedRow() const { return list_.selected; }
    const std::u16string& CyclesText() const { return cyclesText_; }
    // Record, the row buttons and the moves act only on a selected macro.
    bool ActionButtonsEnabled() const { return !macros_.empty() && current_ != -1; }

private:
    void ShowMacro();
    bool ValidRow(int row) const {
        return row >= 0 && static_cast<size_t>(row) < list_.rows.size();
    }
    void MoveSelected(size_t to);

    ui::Prompts& prompts_;
    std::function<void()> modified_;
    MacroList macros_;
    DefaultMacroNamer namer_;
    int current_ = -1;
    bool firstMacroTab_ = true;
    ActionList list_;
    std::u16string cyclesText_;
};

} // namespace macros
