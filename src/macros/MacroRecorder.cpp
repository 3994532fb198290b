#include "macros/MacroRecorder.h"

#include <algorithm>

#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"
#include "keys/ScanCodes.h"

namespace macros {

namespace {

constexpr uint8_t kVirtualKeyLeftWin = 0x5B;
constexpr uint8_t kVirtualKeyRightWin = 0x5C;
constexpr uint16_t kKeyLeftWin = 0x15B;
constexpr uint16_t kKeyRightWin = 0x15C;

uint16_t KeyOf(uint8_t virtualKey, uint32_t lParam) {
    // The Windows keys by their virtual key alone, whatever scan code came with them.
    if (virtualKey == kVirtualKeyLeftWin)
        return kKeyLeftWin;
    if (virtualKey == kVirtualKeyRightWin)
        return kKeyRightWin;
    return keys::KeyCodeOfKeyMessage(virtualKey, lParam);
}

} // namespace

int InsertAction(ActionList& list, MacroAction action, bool recorded, bool afterSelection,
                 bool keepDelay) {
    std::vector<MacroAction>& rows = list.rows;
    if (rows.size() >= kMaxActions)
        return -1;
    if (action.state > kStateRelease)
        action.state = kStatePress;
    size_t p = rows.size();
    if (afterSelection && list.selected >= 0 && static_cast<size_t>(list.selected) < rows.size())
        p = static_cast<size_t>(list.selected) + 1;
    if (!keepDelay) {
        const uint32_t pause = action.delayMs;
        if (p == 0) {
            action.delayMs = 0; // nothing before it to wait after
        } else {
            action.delayMs = rows[p - 1].delayMs;
            rows[p - 1].delayMs = pause;
        }
    }
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(p), action);
    if (recorded)
        list.selected = static_cast<int>(p);
    return static_cast<int>(p);
}

void MacroRecorder::Start(ActionList& list, uint32_t nowMs) {
    list_ = &list;
    lastTime_ = nowMs;
    lastKey_ = 0;
    lastWasRelease_ = false;
    lastMessageTime_ = 0;
    undo_ = {};
}

void MacroRecorder::Stop() {
    list_ = nullptr;
}

uint32_t MacroRecorder::Delay(uint32_t pauseMs) const {
    return recordDelays_ ? std::min(pauseMs, kMaxDelayMs) : kFixedDelayMs;
}

bool MacroRecorder::Insert(uint16_t key, uint16_t state, uint32_t pauseMs) {
    const int row = InsertAction(*list_, {Delay(pauseMs), key, state}, true, true, false);
    if (row < 0)
        return false;
    if (undo_.firstRow < 0)
        undo_.firstRow = row;
    ++undo_.rows;
    return true;
}

void MacroRecorder::UndoLastRelease() {
    if (undo_.rows > 0) {
        std::vector<MacroAction>& rows = list_->rows;
        const auto first = static_cast<size_t>(undo_.firstRow);
        const size_t end = first + static_cast<size_t>(undo_.rows);
        // The last row inserted carries the delay that the row before them had.
        const uint32_t formerDelay = rows[end - 1].delayMs;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(first),
                   rows.begin() + static_cast<std::ptrdiff_t>(end));
        if (first > 0)
            rows[first - 1].delayMs = formerDelay;
        list_->selected = undo_.selected;
    }
    lastTime_ = undo_.lastTime;
    undo_ = {};
}

MacroRecorder::Outcome MacroRecorder::KeyMessage(uint8_t virtualKey, uint32_t lParam,
                                                 uint32_t timeMs) {
    if (!list_)
        return {};
    const uint16_t key = KeyOf(virtualKey, lParam);
    // Keys without a code, and multimedia keys, keep their desktop function (the volume still
    // changes while recording).
    if (key == 0 || keys::IsMediaKeyCode(key))
        return {};

    Outcome outcome{true, false};
    // A negative pause (a clock that stepped back) counts as none.
    const auto signedPause = static_cast<int32_t>(timeMs - lastTime_);
    const uint32_t pause = signedPause > 0 ? static_cast<uint32_t>(signedPause) : 0;

    if ((lParam & keys::kKeyMessageRelease) == 0) {
        if (key == lastKey_ && lastWasRelease_ && timeMs == lastMessageTime_) {
            // A held key's repeat delivered as a release and a press at one instant, the press
            // marked as a repeat or not: the release was no release, so take back what it
            // recorded.
            outcome.changed = undo_.rows > 0;
            UndoLastRelease();
            lastWasRelease_ = false;
            return outcome;
        }
        if (lParam & keys::kKeyMessageRepeat)
            return outcome; // a repeat marked as such
        if (key == lastKey_ && !lastWasRelease_)
            return outcome; // a held key repeating with no release in between
        lastKey_ = key;
        lastWasRelease_ = false;
        lastMessageTime_ = timeMs;
        // A release-only key is recorded whole when its release comes; where the desktop also
        // delivers its press, the press adds nothing.
        if (keys::IsReleaseOnlyKey(key))
            return outcome;
        outcome.changed = Insert(key, kStatePress, pause);
        lastTime_ = timeMs;
        return outcome;
    }

    undo_ = {-1, 0, list_->selected, lastTime_};
    lastKey_ = key;
    lastWasRelease_ = true;
    lastMessageTime_ = timeMs;
    if (keys::IsReleaseOnlyKey(key)) {
        // The pause before the key stays before its press; the press lasts a moment.
        outcome.changed = Insert(key, kStatePress, pause);
        outcome.changed = Insert(key, kStateRelease, kReleaseOnlyPressMs) || outcome.changed;
    } else {
        outcome.changed = Insert(key, kStateRelease, pause);
    }
    lastTime_ = timeMs;
    return outcome;
}

} // namespace macros
