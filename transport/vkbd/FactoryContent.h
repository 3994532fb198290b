#pragma once

// What the virtual keyboard holds when it leaves the factory, and how it describes itself
// on the bus.

#include <array>
#include <cstdint>
#include <span>

#include "vkbd/Memory.h"

namespace vkbd {

inline constexpr uint32_t kLayoutSlots = 126;

// One 3-byte key action of a key map, and the key that the default layout puts there.
struct LayoutSlot {
    uint8_t action;
    uint8_t p1;
    uint8_t p2;
    const char* key; // nullptr for an empty slot
};

// The keyboard's own key positions: the 105 keys of the keyboard, the nine G keys
// (action 6, 0xA2, n), the Fn key in a form of the keyboard's own, and empty slots.
std::span<const LayoutSlot, kLayoutSlots> DefaultLayoutSlots();
// The 512-byte default layout: the slots, then zeros.
std::span<const uint8_t, kDefaultLayoutSize> DefaultLayout();

inline constexpr uint32_t kLightingRecordSize = 42;
inline constexpr uint32_t kKeyLightBlockSize = 180;
std::span<const uint8_t, kLightingRecordSize> DefaultLightingRecord();
std::span<const uint8_t, kKeyLightBlockSize> DefaultKeyLights();

inline constexpr uint8_t kDefaultMacroUnits = 128; // 16 KiB

// Configuration, three lighting records and key-light blocks in their default state, three
// key maps equal to the default layout, an empty macro area.
MemoryImage FactoryImage(uint8_t macroUnits = kDefaultMacroUnits);

// Report ids of the keyboard's collections on its one interface.
inline constexpr uint8_t kConsumerReportId = 0x03;
inline constexpr uint8_t kCommandReportId = 0x04;
inline constexpr uint8_t kLedReportId = 0x05;
inline constexpr uint32_t kCommandReportSize = 64;

// The HID report descriptor of that interface: consumer control (id 3, 16-bit code in),
// LED status (id 5, 1 byte out), vendor commands (id 4, 63 bytes in and out).
std::span<const uint8_t> ReportDescriptor();

} // namespace vkbd
