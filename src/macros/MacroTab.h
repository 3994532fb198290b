#pragma once

// The macro tab of the key assignment dialog: the editor of the macro copies, the recorder
// that types into the selected macro's rows, the record-delays option and the gauge of the
// keyboard's macro space. The tab's controls implement MacroTabView and redraw the parts
// the model names.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "macros/MacroEditor.h"
#include "macros/MacroRecorder.h"

namespace ui {
class AppSettings;
class MainView;
class Prompts;
} // namespace ui

namespace macros {

// How much of the keyboard's macro space the macros take, as the download would pack them.
struct SpaceGauge {
    enum class State {
        Unknown,      // no keyboard has told its space yet
        Fits,         // the macros go out with their names
        NamesDropped, // they fit only without their names
        TooBig,       // they do not fit: the download would refuse them
    };
    State state = State::Unknown;
    uint32_t used = 0;  // bytes of the area the download would write (without names once
                        // they are dropped)
    uint32_t space = 0; // the keyboard's macro space
};
SpaceGauge MeasureSpace(const MacroList& macros, int current, size_t currentRows, uint32_t space);

// "4,120": thousands grouped with commas.
std::u16string GroupedNumber(uint32_t value);
// The gauge's line, from the language text that text gives for a key.
std::u16string GaugeText(const SpaceGauge& gauge,
                         const std::function<std::u16string(std::u16string_view key)>& text);

// The parts of the tab that changed.
enum MacroTabPart : unsigned {
    kPartNames = 1,     // the macro list box: its entries and the selected one
    kPartRows = 2,      // the action list and its selection
    kPartCycles = 4,    // the cycle count edit
    kPartButtons = 8,   // which controls are enabled
    kPartGauge = 16,    // the macro space
    kPartRecording = 32 // Record's caption and look; the keys go to the recorder or not
};
inline constexpr unsigned kPartsAll = 63;

class MacroTabView {
public:
    virtual ~MacroTabView() = default;
    virtual void MacroTabChanged(unsigned parts) = 0;
};

class MacroTab {
public:
    // modified is called wherever the dialog's Apply becomes due; space gives the keyboard's
    // macro space in bytes (0 while unknown).
    MacroTab(MacroTabView& view, ui::Prompts& prompts, ui::AppSettings* settings,
             std::function<void()> modified, std::function<uint32_t()> space);

    // The dialog opens: copies of the stored macros, the stored record-delays option.
    void Open();
    // The dialog closes: a recording stops and the copies go.
    void Close();
    // The tab is shown (see MacroEditor::ShowTab).
    void ShowTab(bool initial, uint32_t loadedValue);

    void Select(int index);
    void NameTyped(std::u16string_view name);
    void Add();
    void Delete();

    void SelectRow(int row);
    void DeleteRow();
    void ClearRows();
    void MoveTop();
    void MoveUp();
    void MoveDown();
    void MoveBottom();
    // A click on a delay cell stops a recording before its edit opens.
    void BeginDelayEdit();
    void EditDelay(int row, std::u16string_view text);
    void EditKey(int row, uint16_t listPosition);
    void EditState(int row, uint16_t state);
    const std::u16string& CyclesTyped(std::u16string_view text);

    // Record / Stop Record. nowMs is the time of the click on the clock of the key events.
    void ToggleRecording(uint32_t nowMs);
    // A switch to another tab, Apply, OK, closing.
    void StopRecording();
    bool Recording() const { return recorder_.IsRecording(); }
    // A key message while recording (see MacroRecorder::KeyMessage); true when swallowed.
    bool KeyMessage(uint8_t virtualKey, uint32_t lParam, uint32_t timeMs);

    // The check box: stored at once.
    void SetRecordDelays(bool on);
    bool RecordDelays() const { return recorder_.RecordDelays(); }

    // Apply: a recording stops, the copies are committed. Returns the macro the key gets and
    // its cycle count as typed.
    std::optional<uint16_t> Apply(ui::MainView& main);

    // The space the keyboard's macros take once the next keyboard knows its space, too.
    void SpaceChanged() { view_.MacroTabChanged(kPartGauge); }

    const MacroEditor& Editor() const { return editor_; }
    SpaceGauge Gauge() const;
    // Add, delete and the list box are locked while recording; the action buttons need a
    // selected macro.
    bool ListEnabled() const { return !Recording(); }
    bool ActionButtonsEnabled() const { return editor_.ActionButtonsEnabled(); }

private:
    void Changed(unsigned parts) { view_.MacroTabChanged(parts); }

    MacroTabView& view_;
    ui::AppSettings* settings_;
    std::function<uint32_t()> space_;
    std::function<void()> modified_;
    MacroEditor editor_;
    MacroRecorder recorder_;
};

} // namespace macros
