#pragma once

// HID collections by usage page and usage, and the collections of the keyboard that the
// transport serves.

#include <cstdint>

namespace olvask {

struct Usage {
    uint16_t page = 0;
    uint16_t usage = 0;
    bool operator==(const Usage&) const = default;
};

inline constexpr uint16_t kKeyboardVendorId = 0x0C45;
inline constexpr uint16_t kKeyboardProductId = 0x6515;

inline constexpr Usage kConsumerCollection{0x000C, 0x0001};
inline constexpr Usage kLedCollection{0x0008, 0x0089};
inline constexpr Usage kVendorCollection{0xFF1C, 0x0092};

// The only collections whose nodes are opened; the boot keyboard node is left to the desktop.
inline constexpr Usage kServedCollections[] = {kConsumerCollection, kLedCollection,
                                               kVendorCollection};

inline constexpr uint16_t kConsumerPage = 0x000C;

} // namespace olvask
