#pragma once

// The keyboard's macro area: a 16-byte header, one u16 offset per macro, then the macro
// blocks (action count, cycles, name length, 4-byte packed actions, optional name). All
// values little-endian; read and written here by explicit codec functions.

#include <array>
#include <cstdint>
#include <span>

#include "macros/MacroRecord.h"

namespace macros {

inline constexpr uint16_t kAreaMagic = 0x55AA;
inline constexpr uint32_t kAreaHeaderSize = 16;

// Usage kinds of a packed action (bits 12-14).
inline constexpr uint8_t kUsageNone = 0;
inline constexpr uint8_t kUsageKeyboard = 2;
inline constexpr uint8_t kUsageConsumer = 3;
inline constexpr uint8_t kUsageDesktop = 4;

struct AreaSizes {
    uint32_t withNames = 0;
    uint32_t withoutNames = 0;
};

// 4 bytes: delay in 10-ms units (12 bits), usage kind, press bit; then the key's usage.
std::array<uint8_t, 4> PackAction(const MacroAction& action);
MacroAction UnpackAction(std::span<const uint8_t, 4> bytes);

AreaSizes MeasureMacroArea(std::span<const MacroRecord> macros);
// The sizes of the download copy's list, under the download lock.
AreaSizes MeasureMacroArea();

// Writes the area of macros into out (at least the measured size for the names switch).
// Returns 1, or 0 when out is too small (nothing is written then).
int PackMacros(std::span<uint8_t> out, uint16_t total, bool names,
               std::span<const MacroRecord> macros);
// The download copy's list, under the download lock.
int PackMacros(std::span<uint8_t> out, uint16_t total, bool names);

// The macro count an area declares (0 for an area without the magic or too short).
uint16_t AreaMacroCount(std::span<const uint8_t> area);

// Rebuilds one record per declared macro from an area read back from the keyboard; records
// must hold exactly AreaMacroCount(area) elements. Records get ids 1, 2, ... by position and
// the MACRO_NEW_PREFIX name with their position where the area carries no name. Returns 1,
// or 0 for an area whose count, offsets, action counts (over 2000) or name lengths (over
// 249) do not fit; records are then left zeroed.
int UnpackMacros(std::span<MacroRecord> records, std::span<const uint8_t> area);

} // namespace macros
