#pragma once

// The recorder's record-delays option: 1 keeps the measured pauses, 0 stores a fixed 50 ms.
// Kept in the per-user settings, section "PROFILES", under the entry named by the
// MACRO_ACTION_RECORD_DELAY text, as decimal text.

namespace ui {
class AppSettings;
}

namespace macros {

// The stored value; text that is not a number reads as 0.
int LoadRecordDelaySetting(ui::AppSettings& settings);
// Stores value when it is 0 or 1, else 0; returns what it stored.
int SaveRecordDelaySetting(ui::AppSettings& settings, int value);

} // namespace macros
