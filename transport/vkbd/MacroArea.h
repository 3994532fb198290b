#pragma once

// Reads the macro area the way the keyboard plays it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vkbd {

struct MacroPlayback {
    uint16_t actions = 0;
    uint8_t cycles = 0;
    // The pauses of all actions, times the cycles.
    uint64_t durationMs = 0;
};

// The macro at a position of the downloaded list; nothing (with the reason in *error) when
// the area holds no such macro or does not hold together.
std::optional<MacroPlayback> MacroAt(std::span<const uint8_t> area, uint32_t position,
                                     std::string* error);

} // namespace vkbd
