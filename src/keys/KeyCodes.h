#pragma once

// Key codes and every conversion made from them or to them. A key code is the key's PC
// scan-code-set-1 make code, plus 0x100 for a key sent after the 0xE0 prefix (Pause is
// 0x045, Num Lock 0x145); 0x200 + k stands for special button entry 256 + k of a key block.
// All of it is pure functions over constant tables: no lock, any thread, no allocation
// (except the GetKeyName overload that returns a string).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace keys {

// The list position of a key that the key selection list does not offer.
inline constexpr uint16_t kNotListed = 0xFFFF;
inline constexpr uint16_t kListSize = 106;
inline constexpr bool IsListed(uint16_t listPosition) {
    return listPosition < 0x8000;
}

// Callers pass this capacity to GetKeyName.
inline constexpr size_t kKeyNameCapacity = 260;

// A USB HID usage: page 7 keyboard, 12 consumer, 1 generic desktop, 0 none.
struct Usage {
    uint16_t page = 0;
    uint16_t usage = 0;
    bool operator==(const Usage&) const = default;
};

// One position of the keyboard's key map: action, p1, p2.
struct KeyAction {
    uint8_t action = 0;
    uint8_t p1 = 0;
    uint8_t p2 = 0;
    bool operator==(const KeyAction&) const = default;
};

// The eight modifier keys in HID boot-keyboard modifier bit order (bit 0 first).
inline constexpr std::array<uint16_t, 8> kModifierKeys = {0x01D, 0x02A, 0x038, 0x15B,
                                                          0x11D, 0x036, 0x138, 0x15C};
// The modifier bit of a key code, 0 for a key that is none of the eight.
uint8_t ModifierMaskOf(uint16_t keyCode);

uint16_t KeyIndexOf(uint16_t keyCode);
// index 0..255
uint16_t KeyCodeOfIndex(uint16_t keyIndex);

// The key's display name, or the UNKNOWN_KEY text filled with the code for a key without
// one; cut to capacity - 1 units and always terminated (nothing is written for capacity 0).
// Returns the length written.
size_t GetKeyName(uint16_t keyCode, char16_t* buffer, size_t capacity);
std::u16string GetKeyName(uint16_t keyCode);

// The first record (lowest key index) at that list position; empty text / 0 when none.
std::u16string_view KeyNameAtListPosition(uint16_t listPosition);
uint16_t KeyCodeAtListPosition(uint16_t listPosition);
// kNotListed for a key that the list does not offer.
uint16_t ListPositionOf(uint16_t keyCode);

Usage UsageOfKeyCode(uint16_t keyCode);
// 0 when no key stands for the usage; where two keys share a device key code the lower key
// index answers (Pause for Break).
uint16_t KeyCodeOfUsage(Usage usage);
// The key of the lowest set bit; 0 for an empty mask.
uint16_t KeyCodeOfModifierMask(uint8_t mask);
// The key that a key map position names; 0 if none.
uint16_t KeyCodeOfSlot(uint8_t action, uint8_t p1, uint8_t p2);
inline uint16_t KeyCodeOfSlot(KeyAction slot) {
    return KeyCodeOfSlot(slot.action, slot.p1, slot.p2);
}

uint16_t KeyCodeOfVirtualKey(uint8_t virtualKey);
// The key of a desktop key message: its scan code (bits 16-24 of lParam) when it agrees
// with the virtual key, otherwise the virtual key's.
uint16_t KeyCodeOfKeyMessage(uint8_t virtualKey, uint32_t lParam);

// Sys Req, KL, KR and Print Screen, which the recorder handles apart.
inline constexpr std::array<uint16_t, 4> kReleaseOnlyKeys = {0x054, 0x071, 0x072, 0x137};
bool IsReleaseOnlyKey(uint16_t keyCode);

} // namespace keys
