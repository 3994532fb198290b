#pragma once

// The stored macro list and the editor's private copies of it: ids, default names, the
// lookups other parts use, the delete check and the commit that replaces the stored list
// while keeping the key table consistent with it.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "macros/MacroRecord.h"

namespace ui {
class MainView;
class Prompts;
} // namespace ui

namespace macros {

// An editor's list of private copies, in the order it shows them.
using MacroList = std::vector<std::unique_ptr<MacroRecord>>;

// Position of the first stored macro with this id, under the profile lock; 0 when none has
// it (the same as the first macro's position).
uint16_t FindMacroIndexById(uint16_t id);
// The id of the stored macro at index; 0 for a negative index or one past the list.
uint16_t GetMacroIdByIndex(int index);

// The smallest id in 1..100 that no record of list uses; 0 when all are taken.
uint16_t AllocateMacroId(std::span<const std::unique_ptr<MacroRecord>> list);
// A new zero-filled record: name (cut to 249 units), cycles 1, isNew 1, play once, a fresh
// id from list, no actions. Null when memory runs out.
std::unique_ptr<MacroRecord> CreateMacroRecord(std::u16string_view name,
                                               std::span<const std::unique_ptr<MacroRecord>> list);

// The editor's add operation names new macros prefix + counter. The counter lives as long
// as the editor, restarts at 0 whenever the list is empty, and skips every number whose
// name is the beginning of an existing name (without regard to case: Macro1 is skipped
// while Macro12 exists).
class DefaultMacroNamer {
public:
    std::u16string Next(std::span<const std::unique_ptr<MacroRecord>> list,
                        std::u16string_view prefix);
    int Counter() const { return counter_; }

private:
    int counter_ = 0;
};

// The editor's add operation: refuses the 101st macro with the MACRO_ERR_MAX message;
// otherwise appends a new record with the next default name (MACRO_NEW_PREFIX). Returns
// the new record, or null when nothing was added.
MacroRecord* AddMacro(MacroList& list, DefaultMacroNamer& namer, ui::Prompts& prompts);

// True when the editor may delete the macro: a new one at once; a stored one when no key
// entry plays it, or when the user answers Yes to MACRO_DELETE_CONFIRM_OF_KEYS.
bool ConfirmMacroDelete(const MacroRecord& record, ui::Prompts& prompts);

// Replaces the stored list by the editor's list, in its order, and brings the key table in
// line: a macro key whose macro is gone (or whose id now belongs to a macro created in this
// editor) becomes a default key with a plain button; a macro key without an id takes the
// first macro's. Each such change sets the apply-pending state. The editor's copies have
// isNew cleared. Nothing changes when memory for the new list runs out.
void CommitMacroList(std::span<const std::unique_ptr<MacroRecord>> editorList, ui::MainView& view);

} // namespace macros
