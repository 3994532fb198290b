#pragma once

// The key assignment dialog's behaviour: which entry a clicked button edits, where the
// dialog sits beside it, its tabs, the single-key capture, the lists, Clear and the entry
// that Apply writes. The dialog window implements CompositeView and forwards its events;
// the main window is reached through ui::MainView.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keys/KeyEntry.h"
#include "macros/MacroTab.h"

namespace ui {
class AppSettings;
class MainView;
class Prompts;
} // namespace ui

namespace macros {

// Control ids of the main window's buttons that open the dialog.
inline constexpr int kMacroOnlyButtonId = 1143;

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const Rect&) const = default;
};

// The entry (0..273) that a button of the keyboard view edits: special button n (1..9) is
// 255 + n in layer A and 264 + n in layer B, a key button its key's key index; -1 for any
// other id.
int EntryOfButton(int buttonId, bool layerB);

// The code word an entry starts with: the special buttons' fixed identifiers, else 0.
uint16_t StartCodeOf(uint16_t entry);

// The dialog's rectangle beside the clicked button: the first of (below right, above right,
// below left, above left) that lies inside the screen, else the first. The size is kept.
Rect PlaceBeside(const Rect& button, int width, int height, const Rect& screen);

// The on-screen keyboards tried, in order; the first found on PATH is started.
inline constexpr std::string_view kOnScreenKeyboards[] = {"onboard", "florence",
                                                          "matchbox-keyboard"};
// The first program that isFound accepts, or empty.
std::string ChooseOnScreenKeyboard(const std::function<bool(std::string_view)>& isFound);

// The language keys of the dialog's captions, labels, tooltips and messages.
inline constexpr std::u16string_view kCompositeTextKeys[] = {
    u"COMPOSITE_PROMPT_CLEAR",
    u"COMPOSITE_PROMPT_OSK",
    u"COMPOSITE_OSK_MISSING",
    u"MACRO_CYCLES",
    u"RECORD_DELAY",
    u"SINGLE_KEY",
    u"MACRO_SETTING",
    u"MULTI_MEDIA",
    u"FUNCTION_KEY",
    u"A_TOP",
    u"A_UP",
    u"A_DOWN",
    u"A_BOTTOM",
    u"A_RECORD",
    u"A_DELETE",
    u"A_CLEAR",
    u"MACRO_OK",
    u"MACRO_CANCLE",
    u"SINGLE_STATIC",
    u"MACRO_NAME_SETTING",
    u"KEY_SETTING_TISHI",
    u"MACRO_EDIT_TISHI",
    u"MEDIA_EDIT_TISHI",
    u"FUNCTION_TISHI",
    u"PROFILE_APPLY",
    u"MACRO_SPACE_USED",
    u"MACRO_SPACE_NO_NAMES",
    u"MACRO_SPACE_TOO_BIG",
    u"MACRO_SPACE_UNKNOWN",
};

// A caption, label or tooltip of the dialog from the language file (the section windows
// read), or its built-in text when the file lacks the key.
std::u16string CompositeText(const std::filesystem::path& languageFile, std::u16string_view key);

enum class Tab { Key, Macro, Media, Function };

// The tab that shows an entry of this kind (every kind but 4, 7 and 8 shows the key tab).
Tab TabOfKind(int kind);

// What Apply builds the entry from.
struct Choice {
    int editKind = 0;
    uint16_t entry = 0;       // the edited entry number
    uint16_t capturedKey = 0; // 0: none
    std::optional<uint16_t> macroId;
    std::u16string_view cycles = u"1"; // the cycle count as typed
    int mediaRow = 0;
    int functionRow = 0;
};
keys::KeyEntry BuildAssignment(const Choice& choice);

// The rows of the two drop-down lists, in the loaded language.
std::vector<std::u16string> MediaRows();
std::vector<std::u16string> FunctionRows();

// The dialog window as the model sees it; it also draws the macro tab.
class CompositeView : public MacroTabView {
public:
    virtual ~CompositeView() = default;
    // Shows the tab's controls and label, its picture and its tab button pressed.
    virtual void ShowTab(Tab tab) = 0;
    virtual void SetKeyText(std::u16string_view text) = 0;
    virtual void SetApplyEnabled(bool enabled) = 0;
    // Key messages reach KeyMessage only while capture is on: on the key tab and while a
    // macro is recorded.
    virtual void SetCapture(bool on) = 0;
    virtual void SelectMediaRow(int row) = 0;
    virtual void SelectFunctionRow(int row) = 0;
    // The macro-only form: the other tab buttons and Clear disabled, their labels hidden.
    virtual void SetMacroOnly(bool on) = 0;
};

class CompositeDialog : private MacroTabView {
public:
    // currentBlock gives the current on-board profile (0..2), or a negative value when it is
    // unknown; settings keep the record-delays option (none: not kept); space gives the
    // keyboard's macro space.
    CompositeDialog(CompositeView& view, ui::MainView& main, ui::Prompts& prompts,
                    ui::AppSettings* settings, std::function<int()> currentBlock,
                    std::function<uint32_t()> space = {});

    // Takes the clicked button. Returns -1 for an id that edits no entry (nothing changes),
    // else 1: the window gives the button its editing look and runs the dialog.
    int OpenForKey(int buttonId, bool layerB);
    // The behaviour of the dialog's initialisation, after the window's own set-up.
    void Initialise();

    // Shows the tab of the edited kind; initial also sets the tab's selection from the entry.
    void SwitchTab(bool initial);
    // A click on a tab button.
    void TabClicked(Tab tab);
    // Clear: the key tab, and a single-key choice becomes the default function.
    void Clear();
    // A key message while capturing (virtual key, long parameter with the scan code, the
    // repeat bit 30 and the release bit 31) and the key event's time in ms; while a macro is
    // recorded it goes to the recorder. True when it is swallowed.
    bool KeyMessage(uint8_t virtualKey, uint32_t lParam, uint32_t timeMs = 0);
    void MediaRowChosen(int row);
    void FunctionRowChosen(int row);
    // The macro tab: its controls' events go here.
    MacroTab& Macros() { return macroTab_; }
    const MacroTab& Macros() const { return macroTab_; }
    // The cycle count edit; returns the text it must show.
    const std::u16string& CyclesTyped(std::u16string_view cycles) {
        return macroTab_.CyclesTyped(cycles);
    }

    // Apply (also the first step of OK). Returns 1 written, 0 nothing written (the entry
    // was kept, or the current profile is unknown).
    int ApplyAssignment();
    // OK and Cancel: stops the capture, gives the button its normal faces back.
    void CloseEditor();
    void SetModified(bool modified);

    int OpenCount() const { return openCount_; }
    bool MacroOnly() const { return macroOnly_; }
    bool Modified() const { return modified_; }
    int EditKind() const { return editKind_; }
    uint16_t KeyIndex() const { return keyIndex_; }
    int ButtonId() const { return buttonId_; }
    uint16_t CapturedKey() const { return capturedKey_; }
    uint32_t LoadedValue() const { return loadedValue_; }
    Tab ShownTab() const { return TabOfKind(editKind_); }

private:
    // MacroTabView: the macro tab's changes pass through on their way to the window.
    void MacroTabChanged(unsigned parts) override;
    void MacroEdited();
    void UpdateCapture();

    CompositeView& view_;
    ui::MainView& main_;
    std::function<int()> currentBlock_;

    uint16_t keyIndex_ = 0;
    uint16_t layer_ = 0;
    int buttonId_ = 0;
    bool macroOnly_ = false;
    int editKind_ = 0;
    int loadedKind_ = 0;
    uint16_t capturedKey_ = 0;
    uint32_t loadedValue_ = 0;
    bool modified_ = false;
    // The user changed something since the dialog opened (Apply clears modified_, not this).
    bool touched_ = false;
    int openCount_ = 0;
    int mediaRow_ = 0;
    int functionRow_ = 0;
    bool capturing_ = false;
    // The macros were edited since the last Apply: the main window's Apply is due.
    bool macrosEdited_ = false;
    MacroTab macroTab_;
};

} // namespace macros
