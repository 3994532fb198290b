#include "macros/CompositeDialog.h"

#include <algorithm>
#include <mutex>

#include "keys/KeyButtons.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"
#include "macros/Download.h"
#include "profiles/ProfileImage.h"
#include "profiles/ProfileStore.h"
#include "ui/IniFile.h"
#include "ui/Language.h"
#include "ui/MainView.h"
#include "ui/TextTable.h"

namespace macros {

namespace {

constexpr uint32_t kReleaseBit = 1u << 31;
constexpr uint32_t kRepeatBit = 1u << 30;
constexpr uint16_t kPrintScreen = 0x137;

bool Inside(const Rect& r, const Rect& screen) {
    return r.x >= screen.x && r.y >= screen.y && r.x + r.w <= screen.x + screen.w &&
           r.y + r.h <= screen.y + screen.h;
}

// Kinds that the dialog offers no tab for; they come from profile files or the keyboard.
bool IsForeignKind(int kind) {
    return kind == 1 || kind == 3 || kind == 5 || kind == 6;
}

int ClampRow(uint32_t value, size_t rows) {
    return value < rows ? static_cast<int>(value) : 0;
}

// The cycle count as typed: leading blanks, an optional sign, decimal digits; 0 when none.
uint16_t ParseCycles(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    uint32_t n = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        n = std::min<uint32_t>(n * 10 + (text[i] - u'0'), 0xFFFF);
    // The code word holds 16 bits; a negative count is stored as C's atoi would leave it.
    return static_cast<uint16_t>(negative ? -static_cast<int32_t>(n) : static_cast<int32_t>(n));
}

} // namespace

int EntryOfButton(int buttonId, bool layerB) {
    for (size_t n = 0; n < keys::kSpecialButtonTable.size(); ++n)
        if (keys::kSpecialButtonTable[n].id == buttonId)
            return keys::SpecialButtonEntry(static_cast<uint16_t>(n + 1), layerB);
    for (const keys::KeyButton& k : keys::kKeyButtons)
        if (k.id == buttonId)
            return keys::KeyIndexOf(k.code);
    return -1;
}

uint16_t StartCodeOf(uint16_t entry) {
    if (entry >= keys::kLayerAFirstEntry && entry < keys::kLayerBFirstEntry)
        return keys::SpecialButtonCode(entry - keys::kLayerAFirstEntry + 1, false);
    if (entry >= keys::kLayerBFirstEntry && entry < keys::kLayerBFirstEntry + keys::kSpecialButtons)
        return keys::SpecialButtonCode(entry - keys::kLayerBFirstEntry + 1, true);
    return 0;
}

Rect PlaceBeside(const Rect& button, int width, int height, const Rect& screen) {
    const int left = button.x, top = button.y;
    const int right = button.x + button.w, bottom = button.y + button.h;
    const Rect tries[] = {
        {right, bottom, width, height},              // top-left at the bottom-right
        {right, top - height, width, height},        // bottom-left at the top-right
        {left - width, bottom, width, height},       // top-right at the bottom-left
        {left - width, top - height, width, height}, // bottom-right at the top-left
    };
    for (const Rect& r : tries)
        if (Inside(r, screen))
            return r;
    return tries[0];
}

std::string ChooseOnScreenKeyboard(const std::function<bool(std::string_view)>& isFound) {
    for (std::string_view program : kOnScreenKeyboards)
        if (isFound(program))
            return std::string(program);
    return {};
}

std::u16string CompositeText(const std::filesystem::path& languageFile, std::u16string_view key) {
    if (auto text = ui::FindPrivateProfileString(ui::WindowTextSection(languageFile), key,
                                                 ui::kLanguageReadBuffer, languageFile))
        return *text;
    return std::u16string(ui::WindowTextBuiltIn(key));
}

Tab TabOfKind(int kind) {
    switch (kind) {
    case 4:
        return Tab::Macro;
    case 7:
        return Tab::Media;
    case 8:
        return Tab::Function;
    default:
        return Tab::Key;
    }
}

keys::KeyEntry BuildAssignment(const Choice& c) {
    keys::KeyEntry e;
    e.code = StartCodeOf(c.entry);
    switch (c.editKind) {
    case 2:
        if (c.capturedKey != 0 && keys::KeyIndexOf(c.capturedKey) != c.entry) {
            e.kind = 2;
        } else {
            e.kind = 0;
        }
        e.value = c.capturedKey;
        break;
    case 4:
        if (c.macroId) {
            e.kind = 4;
            e.code = ParseCycles(c.cycles);
            e.value = *c.macroId;
        }
        break;
    case 7:
        e.kind = 7;
        e.value = static_cast<uint32_t>(std::max(c.mediaRow, 0));
        break;
    case 8:
        e.kind = 8;
        e.value = static_cast<uint32_t>(std::max(c.functionRow, 0));
        break;
    default:
        e.kind = static_cast<uint16_t>(c.editKind);
        break;
    }
    return e;
}

std::vector<std::u16string> MediaRows() {
    std::vector<std::u16string> rows;
    for (const keys::MediaFunction& f : keys::MediaFunctionTable)
        rows.push_back(keys::GetKeyName(f.keyCode));
    return rows;
}

std::vector<std::u16string> FunctionRows() {
    std::vector<std::u16string> rows;
    for (size_t i = 0; i < keys::kFunctionKeyCount; ++i)
        rows.emplace_back(keys::FunctionKeyName(i));
    return rows;
}

CompositeDialog::CompositeDialog(CompositeView& view, ui::MainView& main, ui::Prompts& prompts,
                                 ui::AppSettings* settings, std::function<int()> currentBlock,
                                 std::function<uint32_t()> space)
    : view_(view), main_(main), currentBlock_(std::move(currentBlock)),
      macroTab_(
          *this, prompts, settings, [this] { MacroEdited(); },
          space ? std::move(space) : std::function<uint32_t()>(MacroSpace)) {}

void CompositeDialog::MacroTabChanged(unsigned parts) {
    if (parts & kPartRecording)
        UpdateCapture();
    view_.MacroTabChanged(parts);
}

// An edit of the macros makes Apply due, but does not choose anything for the key: an entry
// the dialog cannot show stays as it is.
void CompositeDialog::MacroEdited() {
    macrosEdited_ = true;
    modified_ = true;
    view_.SetApplyEnabled(true);
}

void CompositeDialog::UpdateCapture() {
    view_.SetCapture(capturing_ || macroTab_.Recording());
}

int CompositeDialog::OpenForKey(int buttonId, bool layerB) {
    const int entry = EntryOfButton(buttonId, layerB);
    if (entry < 0)
        return -1;
    macroOnly_ = buttonId == kMacroOnlyButtonId;
    keyIndex_ = static_cast<uint16_t>(entry);
    layer_ = 0;
    buttonId_ = buttonId;
    return 1;
}

void CompositeDialog::Initialise() {
    ++openCount_;
    mediaRow_ = 0;
    functionRow_ = 0;
    view_.SelectMediaRow(0);
    view_.SelectFunctionRow(0);
    touched_ = false;
    macrosEdited_ = false;
    macroTab_.Open();
    SetModified(false);

    loadedKind_ = 0;
    loadedValue_ = 0;
    const int block = currentBlock_();
    {
        auto& store = profiles::GetProfileStore();
        std::lock_guard lock(store.lock);
        if (store.image && block >= 0 && block < static_cast<int>(profiles::kProfileCount)) {
            const keys::KeyEntry& e =
                store.image->blocks[block][keyIndex_ + profiles::kBlockEntries * layer_];
            loadedKind_ = e.kind;
            loadedValue_ = e.value;
        }
    }
    editKind_ = loadedKind_;
    view_.SetMacroOnly(macroOnly_);
    if (macroOnly_)
        editKind_ = 4;

    view_.SetKeyText(u"");
    capturedKey_ = 0;
    SwitchTab(true);
    // Showing the key's macro is no edit of it.
    macrosEdited_ = false;
    SetModified(false);
}

void CompositeDialog::SwitchTab(bool initial) {
    const Tab tab = TabOfKind(editKind_);
    macroTab_.StopRecording(); // a recording ends with its tab
    capturing_ = tab == Tab::Key;
    UpdateCapture();
    if (tab == Tab::Macro)
        macroTab_.ShowTab(initial, loadedValue_);
    if (initial) {
        switch (tab) {
        case Tab::Macro:
            break;
        case Tab::Media:
            mediaRow_ = ClampRow(loadedValue_, keys::kMediaFunctionCount);
            view_.SelectMediaRow(mediaRow_);
            break;
        case Tab::Function:
            functionRow_ = ClampRow(loadedValue_, keys::kFunctionKeyCount);
            view_.SelectFunctionRow(functionRow_);
            break;
        case Tab::Key:
            capturedKey_ = loadedValue_ <= 0xFFFF ? static_cast<uint16_t>(loadedValue_) : 0;
            if (editKind_ == 2 && capturedKey_ != 0)
                view_.SetKeyText(keys::GetKeyName(capturedKey_));
            break;
        }
    }
    view_.ShowTab(tab);
}

void CompositeDialog::TabClicked(Tab tab) {
    int kind = 2;
    switch (tab) {
    case Tab::Macro:
        kind = 4;
        break;
    case Tab::Media:
        kind = 7;
        break;
    case Tab::Function:
        kind = 8;
        break;
    case Tab::Key:
        // Kind 0 already shows the key tab.
        if (editKind_ == 2 || editKind_ == 0)
            return;
        break;
    }
    if (macroOnly_ && kind != 4)
        return;
    if (editKind_ != kind) {
        editKind_ = kind;
        SwitchTab(false);
        SetModified(true);
    }
}

void CompositeDialog::Clear() {
    if (macroOnly_)
        return;
    TabClicked(Tab::Key);
    if (editKind_ == 2) {
        view_.SetKeyText(u"");
        editKind_ = 0;
        SetModified(true);
    }
}

bool CompositeDialog::KeyMessage(uint8_t virtualKey, uint32_t lParam, uint32_t timeMs) {
    if (macroTab_.Recording())
        return macroTab_.KeyMessage(virtualKey, lParam, timeMs);
    if (!capturing_)
        return false;
    const uint16_t code = keys::KeyCodeOfKeyMessage(virtualKey, lParam);
    // Multimedia keys keep their desktop function (the volume still changes).
    if (code == 0 || keys::IsMediaKeyCode(code))
        return false;
    const bool fresh = (lParam & (kReleaseBit | kRepeatBit)) == 0;
    if (fresh || code == kPrintScreen) {
        capturedKey_ = code;
        view_.SetKeyText(keys::GetKeyName(code));
        editKind_ = 2;
        SetModified(true);
    }
    return true;
}

void CompositeDialog::MediaRowChosen(int row) {
    if (row == mediaRow_)
        return;
    mediaRow_ = row;
    SetModified(true);
}

void CompositeDialog::FunctionRowChosen(int row) {
    if (row == functionRow_)
        return;
    functionRow_ = row;
    SetModified(true);
}

int CompositeDialog::ApplyAssignment() {
    // The macros first: the key's entry names its macro by the committed list.
    const std::optional<uint16_t> macroId = macroTab_.Apply(main_);
    if (macrosEdited_) {
        macrosEdited_ = false;
        main_.SetApplyPending(true);
    }
    // An entry that the dialog cannot show (no function, a program, stop macro, a text) is
    // kept whole, text included, unless the user chose something else for the key.
    if (!touched_ && IsForeignKind(loadedKind_) && editKind_ == loadedKind_) {
        SetModified(false);
        return 0;
    }
    const int block = currentBlock_();
    if (block < 0 || block >= static_cast<int>(profiles::kProfileCount))
        return 0;
    const keys::KeyEntry entry =
        BuildAssignment({editKind_, keyIndex_, capturedKey_, macroId,
                         macroTab_.Editor().CyclesText(), mediaRow_, functionRow_});
    {
        auto& store = profiles::GetProfileStore();
        std::lock_guard lock(store.lock);
        if (!store.image)
            return 0;
        const uint32_t global = static_cast<uint32_t>(block) * profiles::kBlockEntries + keyIndex_ +
                                profiles::kBlockEntries * layer_;
        if (store.texts && store.texts->entries[global].length != 0)
            profiles::SetEntryText(global, u"");
        profiles::EntryAt(*store.image, global) = entry;
        main_.RefreshKeyTooltips();
    }
    loadedKind_ = entry.kind;
    loadedValue_ = entry.value;
    SetModified(false);
    main_.SetApplyPending(true);
    return 1;
}

void CompositeDialog::CloseEditor() {
    capturing_ = false;
    macroTab_.Close();
    view_.SetCapture(false);
    SetModified(false);
    if (openCount_ > 0)
        --openCount_;
    main_.SetKeyButtonEditing(buttonId_, false);
}

void CompositeDialog::SetModified(bool modified) {
    modified_ = modified;
    if (modified)
        touched_ = true;
    view_.SetApplyEnabled(modified);
}

} // namespace macros
