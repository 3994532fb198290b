#include "macros/MacroList.h"

#include <array>
#include <cstring>
#include <mutex>
#include <new>

#include "keys/KeyEntry.h"
#include "macros/Download.h"
#include "profiles/ProfileStore.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"

namespace macros {
namespace {

constexpr uint16_t kMacroKind = static_cast<uint16_t>(keys::KeyKind::Macro);

char16_t Fold(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Fold(text[i]) != Fold(prefix[i]))
            return false;
    }
    return true;
}

const MacroRecord* FindById(std::span<const std::unique_ptr<MacroRecord>> list, uint32_t id) {
    for (const auto& record : list) {
        if (record && record->id == id)
            return record.get();
    }
    return nullptr;
}

} // namespace

uint16_t FindMacroIndexById(uint16_t id) {
    profiles::ProfileStore& store = profiles::GetProfileStore();
    std::lock_guard lock(store.lock);
    return FindMacroIndex(store.Macros(), id);
}

uint16_t GetMacroIdByIndex(int index) {
    if (index < 0)
        return 0;
    profiles::ProfileStore& store = profiles::GetProfileStore();
    std::lock_guard lock(store.lock);
    auto stored = store.Macros();
    return static_cast<size_t>(index) < stored.size() ? stored[index].id : 0;
}

uint16_t AllocateMacroId(std::span<const std::unique_ptr<MacroRecord>> list) {
    std::array<bool, kMaxMacroId + 1> used{};
    for (const auto& record : list) {
        if (record && record->id >= 1 && record->id <= kMaxMacroId)
            used[record->id] = true;
    }
    for (uint16_t id = 1; id <= kMaxMacroId; ++id) {
        if (!used[id])
            return id;
    }
    return 0;
}

std::unique_ptr<MacroRecord> CreateMacroRecord(std::u16string_view name,
                                               std::span<const std::unique_ptr<MacroRecord>> list) {
    std::unique_ptr<MacroRecord> record(new (std::nothrow) MacroRecord);
    if (!record)
        return nullptr;
    std::memset(record.get(), 0, sizeof(MacroRecord));
    SetName(*record, name);
    record->cycles = 1;
    record->isNew = 1;
    record->playMode = kPlayOnce;
    record->id = AllocateMacroId(list);
    return record;
}

std::u16string DefaultMacroNamer::Next(std::span<const std::unique_ptr<MacroRecord>> list,
                                       std::u16string_view prefix) {
    if (list.empty())
        counter_ = 0;
    for (;;) {
        ++counter_;
        std::u16string candidate(prefix);
        for (char c : std::to_string(counter_))
            candidate.push_back(static_cast<char16_t>(c));
        bool taken = false;
        for (const auto& record : list) {
            if (record && StartsWithIgnoringCase(NameOf(*record), candidate)) {
                taken = true;
                break;
            }
        }
        if (!taken)
            return candidate;
    }
}

MacroRecord* AddMacro(MacroList& list, DefaultMacroNamer& namer, ui::Prompts& prompts) {
    if (list.size() >= kMaxMacros) {
        prompts.Inform(ui::FormatText(ui::TextOf(ui::TextKey::MACRO_ERR_MAX), {int{kMaxMacros}}));
        return nullptr;
    }
    std::u16string name = namer.Next(list, ui::TextOf(ui::TextKey::MACRO_NEW_PREFIX));
    std::unique_ptr<MacroRecord> record = CreateMacroRecord(name, list);
    if (!record)
        return nullptr;
    list.push_back(std::move(record));
    return list.back().get();
}

bool ConfirmMacroDelete(const MacroRecord& record, ui::Prompts& prompts) {
    if (record.isNew == 1)
        return true;
    bool used = false;
    {
        profiles::ProfileStore& store = profiles::GetProfileStore();
        std::lock_guard lock(store.lock);
        if (store.image) {
            for (uint32_t n = 0; n < profiles::kKeyEntryCount && !used; ++n) {
                const keys::KeyEntry& entry = profiles::EntryAt(*store.image, n);
                used = entry.kind == kMacroKind && entry.value == record.id;
            }
        }
    }
    // The question is asked with the lock released.
    return !used || prompts.AskYesNo(ui::TextOf(ui::TextKey::MACRO_DELETE_CONFIRM_OF_KEYS));
}

void CommitMacroList(std::span<const std::unique_ptr<MacroRecord>> editorList, ui::MainView& view) {
    const size_t count = editorList.size();
    std::unique_ptr<MacroRecord[]> array;
    if (count != 0) {
        array.reset(new (std::nothrow) MacroRecord[count]);
        if (!array)
            return;
    }

    profiles::ProfileStore& store = profiles::GetProfileStore();
    {
        std::lock_guard lock(store.lock);
        if (store.image) {
            for (uint32_t n = 0; n < profiles::kKeyEntryCount; ++n) {
                keys::KeyEntry& entry = profiles::EntryAt(*store.image, n);
                if (entry.kind != kMacroKind)
                    continue;
                if (entry.value != 0) {
                    const MacroRecord* macro = FindById(editorList, entry.value);
                    if (!macro || macro->isNew == 1) {
                        entry.kind = static_cast<uint16_t>(keys::KeyKind::Default);
                        view.ResetKeyButton(n);
                        view.SetApplyPending(true);
                    }
                } else if (count != 0 && editorList[0]) {
                    entry.value = editorList[0]->id;
                    view.SetApplyPending(true);
                }
            }
        }
    }

    for (size_t i = 0; i < count; ++i) {
        editorList[i]->isNew = 0;
        std::memcpy(&array[i], editorList[i].get(), sizeof(MacroRecord));
    }

    std::lock_guard lock(store.lock);
    store.macros = std::move(array);
    store.macroCount = static_cast<uint16_t>(count);
}

} // namespace macros
