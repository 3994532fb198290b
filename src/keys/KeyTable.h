#pragma once

// The constant tables behind the key code conversions (keys/KeyCodes.h).

#include "ui/TextTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace keys {

// One key index's record; a record without a key has no name, is not listed and has all
// codes 0.
struct KeyRecord {
    std::u16string_view name; // when the name is not a language text
    bool nameIsText = false;  // the name is the language text nameText
    ui::TextKey nameText{};
    uint16_t listPosition = 0xFFFF;
    uint8_t virtualKey = 0;           // with Num Lock on, for the numeric pad
    uint8_t virtualKeyNumLockOff = 0; // equal to virtualKey except on the numeric pad
    uint8_t deviceKeyCode = 0;        // the keyboard's own numbering; 0 for none
};

// By key index.
extern const std::array<KeyRecord, 256> KeyTable;
// By virtual-key code: the key index of the key that produces it, 0 for none.
extern const std::array<uint16_t, 256> VirtualKeyTable;
// Consumer-page usages of the device key codes 0xC0..0xDF.
extern const std::array<uint16_t, 32> ConsumerUsageTable;

// The record's present name (language texts follow the loaded language).
std::u16string_view KeyRecordName(const KeyRecord& record);

// The multimedia functions a key can be given (key entry kind 7), in offering order.
struct MediaFunction {
    uint16_t usage;   // consumer page
    uint16_t keyCode; // the key whose name is shown for it
};
inline constexpr size_t kMediaFunctionCount = 18;
extern const std::array<MediaFunction, kMediaFunctionCount> MediaFunctionTable;
// Empty for an index out of range.
std::u16string_view MediaFunctionName(size_t index);
// True for the key code of one of the multimedia functions' keys.
bool IsMediaKeyCode(uint16_t keyCode);

} // namespace keys
