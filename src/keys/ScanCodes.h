#pragma once

// Linux key events as desktop key messages. A key event names its key by the kernel's evdev
// code (the X key code less 8); the key message names it by its PC scan-code-set-1 make code
// and a virtual-key code, so that KeyCodeOfKeyMessage turns it into a key code.

#include <cstdint>

namespace keys {

// The set-1 make code of an evdev key, with 0x100 for a key sent after the 0xE0 prefix and the
// two conventions of key codes (Pause 0x045, Num Lock 0x145); 0 for a key that has no record
// in the key table.
uint16_t ScanCodeOfEvdev(uint16_t evdevCode);

// The virtual-key code of a set-1 code as ScanCodeOfEvdev gives it: the key table's (the
// numeric pad's with Num Lock on), 0 for 0 or a code without a record.
uint8_t VirtualKeyOfScanCode(uint16_t scanCode);

// The X key code of an evdev code is 8 higher; anything below 8 names no key.
inline constexpr uint16_t kXKeyCodeOffset = 8;

// The long parameter of a key message: repeat count 1 (bits 0-15), the scan code (16-23),
// the extended bit (24), the previous key state (30: set for a repeat and for every release)
// and the transition state (31: set for a release).
inline constexpr uint32_t kKeyMessageExtended = 1u << 24;
inline constexpr uint32_t kKeyMessageRepeat = 1u << 30;
inline constexpr uint32_t kKeyMessageRelease = 1u << 31;

struct KeyMessage {
    uint8_t virtualKey = 0;
    uint32_t lParam = 0;
    bool operator==(const KeyMessage&) const = default;
};

// The key message of an X key event; a key without a scan code gives virtual key 0 and scan
// code 0, which KeyCodeOfKeyMessage turns into key code 0.
KeyMessage KeyMessageOfXKeyCode(uint32_t xKeyCode, bool release, bool repeat);

} // namespace keys
