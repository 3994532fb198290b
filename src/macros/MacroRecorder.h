#pragma once

// The macro recorder: turns the key messages typed while a recording runs into the actions of
// the macro tab's action list, and says which messages it keeps from the desktop.

#include <cstdint>
#include <vector>

#include "macros/MacroRecord.h"

namespace macros {

// The macro tab's action list: its rows and the selected row (-1 for none).
struct ActionList {
    std::vector<MacroAction> rows;
    int selected = -1;
};

// Puts one action into the list and returns its row, or -1 when the list already holds
// kMaxActions rows. afterSelection places it after the selected row (at the end when none is
// selected). keepDelay keeps the action's own delay (a stored macro being loaded); otherwise
// the delay is the pause before the new action, which belongs to the row before it: that row
// takes the pause and the new row takes that row's former delay, so that every delay stays the
// pause that follows its action. A recorded action becomes the selected row.
int InsertAction(ActionList& list, MacroAction action, bool recorded, bool afterSelection,
                 bool keepDelay);

inline constexpr uint32_t kFixedDelayMs = 50;      // record-delays off
inline constexpr uint32_t kReleaseOnlyPressMs = 2; // a release-only key's press to its release

class MacroRecorder {
public:
    // What became of one key message.
    struct Outcome {
        bool swallowed = false; // kept from the desktop and from the dialog
        bool changed = false;   // the action list changed
    };

    // Starts recording into list (which must outlive the recording); nowMs is the time of the
    // event that started it, on the clock of the key events.
    void Start(ActionList& list, uint32_t nowMs);
    void Stop();
    bool IsRecording() const { return list_ != nullptr; }

    // true keeps the measured pauses (up to kMaxDelayMs); false stores kFixedDelayMs.
    void SetRecordDelays(bool on) { recordDelays_ = on; }
    bool RecordDelays() const { return recordDelays_; }

    // One key message (virtual key and long parameter, see keys/ScanCodes.h) and the key
    // event's own time in ms. Nothing is swallowed while no recording runs.
    Outcome KeyMessage(uint8_t virtualKey, uint32_t lParam, uint32_t timeMs);

private:
    uint32_t Delay(uint32_t pauseMs) const;
    bool Insert(uint16_t key, uint16_t state, uint32_t pauseMs);
    void UndoLastRelease();

    ActionList* list_ = nullptr;
    bool recordDelays_ = false;
    uint32_t lastTime_ = 0;

    // The last key message taken, to know a held key's repeats from the messages themselves.
    uint16_t lastKey_ = 0;
    bool lastWasRelease_ = false;
    uint32_t lastMessageTime_ = 0;
    // What the last release put into the list, to take it back when it turns out to be half of
    // a repeat.
    struct Undo {
        int firstRow = -1;
        int rows = 0;
        int selected = -1;
        uint32_t lastTime = 0;
    } undo_;
};

} // namespace macros
