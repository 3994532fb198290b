#pragma once

// A macro as it is held in memory, stored in profile files byte for byte and packed for the
// keyboard. The offsets are part of the profile file format.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace macros {

static_assert(std::endian::native == std::endian::little);

inline constexpr uint16_t kMaxMacros = 100;
inline constexpr uint16_t kMaxActions = 2000;
inline constexpr uint16_t kNameUnits = 250;     // the name field, terminator included
inline constexpr uint16_t kMaxNameLength = 249; // UTF-16 units before the terminator
inline constexpr uint32_t kMaxDelayMs = 40000;
inline constexpr uint16_t kMaxMacroId = 100;

inline constexpr uint16_t kStatePress = 0;
inline constexpr uint16_t kStateRelease = 1;

// playMode values; kept as loaded and never sent to the keyboard.
inline constexpr uint16_t kPlayOnce = 0;
inline constexpr uint16_t kPlayRepeat = 1;
inline constexpr uint16_t kPlayUntilKeyAgain = 2;

// One press or release and the pause that follows it.
struct MacroAction {
    uint32_t delayMs; // 0..40000
    uint16_t keyCode; // scan-code based key code; extended keys carry 0x100
    uint16_t state;   // kStatePress or kStateRelease
};

struct MacroRecord {
    char16_t name[kNameUnits]; // NUL-terminated
    uint8_t cycles;            // 1..255
    uint8_t reserved0;
    uint16_t isNew; // 1 only while the macro lives in an open editor
    uint16_t playMode;
    uint16_t id;          // 1..100, unique within its list
    uint16_t actionCount; // 0..2000
    uint16_t reserved1;
    MacroAction actions[kMaxActions];
};

static_assert(std::is_trivially_copyable_v<MacroAction>);
static_assert(sizeof(MacroAction) == 8);
static_assert(offsetof(MacroAction, delayMs) == 0);
static_assert(offsetof(MacroAction, keyCode) == 4);
static_assert(offsetof(MacroAction, state) == 6);

static_assert(std::is_trivially_copyable_v<MacroRecord>);
static_assert(sizeof(MacroRecord) == 16512);
static_assert(offsetof(MacroRecord, name) == 0);
static_assert(offsetof(MacroRecord, cycles) == 500);
static_assert(offsetof(MacroRecord, reserved0) == 501);
static_assert(offsetof(MacroRecord, isNew) == 502);
static_assert(offsetof(MacroRecord, playMode) == 504);
static_assert(offsetof(MacroRecord, id) == 506);
static_assert(offsetof(MacroRecord, actionCount) == 508);
static_assert(offsetof(MacroRecord, reserved1) == 510);
static_assert(offsetof(MacroRecord, actions) == 512);

// The name's units before its terminator, never more than kMaxNameLength even when a
// damaged record lacks the terminator.
inline size_t NameLength(const MacroRecord& record) {
    size_t n = 0;
    while (n < kMaxNameLength && record.name[n] != 0)
        ++n;
    return n;
}

inline std::u16string_view NameOf(const MacroRecord& record) {
    return {record.name, NameLength(record)};
}

// Stores name, cut to kMaxNameLength units (never half a surrogate pair), and clears the
// rest of the field.
inline void SetName(MacroRecord& record, std::u16string_view name) {
    size_t n = 0;
    for (; n < name.size() && n < kMaxNameLength; ++n)
        record.name[n] = name[n];
    if (n < name.size() && n > 0 && record.name[n - 1] >= 0xD800 && record.name[n - 1] <= 0xDBFF)
        --n;
    for (size_t i = n; i < kNameUnits; ++i)
        record.name[i] = 0;
}

// The valid action slots, never beyond the record's room.
inline uint16_t ActionCountOf(const MacroRecord& record) {
    return record.actionCount < kMaxActions ? record.actionCount : kMaxActions;
}

} // namespace macros
