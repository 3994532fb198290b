#pragma once

#include <cstdint>

namespace platform {

// Private messages of the main window; each is honoured only with its tag.
inline constexpr uint32_t UM_OPEN = 0x5350;
inline constexpr uint32_t UM_KILL = 0x4D4B;
inline constexpr uint32_t UM_INIT = 0x4D4E;
inline constexpr uint32_t UM_PROF = 0x5452;
inline constexpr uint32_t UM_LED = 0x5045;

inline constexpr uint32_t kTagOpen = 0x4F50454E; // "OPEN"
inline constexpr uint32_t kTagKill = 0x4C4C494B; // "KILL"
inline constexpr uint32_t kTagInit = 0x494E4954; // "INIT"
inline constexpr uint32_t kTagProf = 0x50524F46; // "PROF"
inline constexpr uint32_t kTagLed = 0x004C4544;  // "LED"

// The tag a message must carry; 0 for a message that is not ours.
constexpr uint32_t TagOf(uint32_t message) {
    switch (message) {
    case UM_OPEN:
        return kTagOpen;
    case UM_KILL:
        return kTagKill;
    case UM_INIT:
        return kTagInit;
    case UM_PROF:
        return kTagProf;
    case UM_LED:
        return kTagLed;
    default:
        return 0;
    }
}

constexpr bool TagMatches(uint32_t message, uint32_t tag) {
    return TagOf(message) != 0 && TagOf(message) == tag;
}

} // namespace platform
