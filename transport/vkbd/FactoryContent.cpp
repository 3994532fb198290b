#include "vkbd/FactoryContent.h"

#include <algorithm>

namespace vkbd {

namespace {

// Key actions: 2,2,u a keyboard-page usage; 2,1,m a modifier; 6,A2,n G key n.
constexpr LayoutSlot K(uint8_t usage, const char* key) {
    return {2, 2, usage, key};
}
constexpr LayoutSlot M(uint8_t mask, const char* key) {
    return {2, 1, mask, key};
}
constexpr LayoutSlot G(uint8_t n, const char* key) {
    return {6, 0xA2, n, key};
}
constexpr LayoutSlot kEmpty{0, 0, 0, nullptr};

constexpr std::array<LayoutSlot, kLayoutSlots> kSlots = {{
    // Function row.
    K(0x29, "Esc"),
    K(0x3A, "F1"),
    K(0x3B, "F2"),
    K(0x3C, "F3"),
    K(0x3D, "F4"),
    K(0x3E, "F5"),
    K(0x3F, "F6"),
    K(0x40, "F7"),
    K(0x41, "F8"),
    K(0x42, "F9"),
    K(0x43, "F10"),
    K(0x44, "F11"),
    K(0x45, "F12"),
    K(0x46, "Print Screen"),
    K(0x47, "Scroll Lock"),
    K(0x48, "Pause"),
    // Digit row.
    K(0x35, "`"),
    K(0x1E, "1"),
    K(0x1F, "2"),
    K(0x20, "3"),
    K(0x21, "4"),
    K(0x22, "5"),
    K(0x23, "6"),
    K(0x24, "7"),
    K(0x25, "8"),
    K(0x26, "9"),
    K(0x27, "0"),
    K(0x2D, "-"),
    K(0x2E, "="),
    K(0x2A, "Backspace"),
    K(0x49, "Insert"),
    K(0x4A, "Home"),
    K(0x4B, "Page Up"),
    K(0x53, "Num Lock"),
    K(0x54, "Num /"),
    K(0x55, "Num *"),
    K(0x56, "Num -"),
    // Upper letter row.
    K(0x2B, "Tab"),
    K(0x14, "Q"),
    K(0x1A, "W"),
    K(0x08, "E"),
    K(0x15, "R"),
    K(0x17, "T"),
    K(0x1C, "Y"),
    K(0x18, "U"),
    K(0x0C, "I"),
    K(0x12, "O"),
    K(0x13, "P"),
    K(0x2F, "["),
    K(0x30, "]"),
    K(0x31, "\\"),
    K(0x4C, "Delete"),
    K(0x4D, "End"),
    K(0x4E, "Page Down"),
    K(0x5F, "Num 7"),
    K(0x60, "Num 8"),
    K(0x61, "Num 9"),
    K(0x57, "Num +"),
    // Home row.
    K(0x39, "Caps Lock"),
    K(0x04, "A"),
    K(0x16, "S"),
    K(0x07, "D"),
    K(0x09, "F"),
    K(0x0A, "G"),
    K(0x0B, "H"),
    K(0x0D, "J"),
    K(0x0E, "K"),
    K(0x0F, "L"),
    K(0x33, ";"),
    K(0x34, "'"),
    K(0x28, "Enter"),
    K(0x5C, "Num 4"),
    K(0x5D, "Num 5"),
    K(0x5E, "Num 6"),
    // Lower letter row.
    M(0x02, "Shift"),
    K(0x64, "K45"),
    K(0x1D, "Z"),
    K(0x1B, "X"),
    K(0x06, "C"),
    K(0x19, "V"),
    K(0x05, "B"),
    K(0x11, "N"),
    K(0x10, "M"),
    K(0x36, ","),
    K(0x37, "."),
    K(0x38, "/"),
    M(0x20, "Right Shift"),
    K(0x52, "↑"),
    K(0x59, "Num 1"),
    K(0x5A, "Num 2"),
    K(0x5B, "Num 3"),
    K(0x58, "Num Enter"),
    // Bottom row; Fn is the keyboard's own (action 5, 0x10), and no key map changes it.
    M(0x01, "Ctrl"),
    M(0x08, "Win"),
    M(0x04, "Alt"),
    K(0x2C, "Space"),
    M(0x40, "Right Alt"),
    M(0x80, "Right Win"),
    {5, 0x10, 0x00, "Fn"},
    K(0x65, "App"),
    M(0x10, "Right Ctrl"),
    K(0x50, "←"),
    K(0x51, "↓"),
    K(0x4F, "→"),
    K(0x62, "Num 0"),
    K(0x63, "Num ."),
    // The G column.
    G(1, "G1"),
    G(2, "G2"),
    G(3, "G3"),
    G(4, "G4"),
    G(5, "G5"),
    G(6, "G6"),
    G(7, "G7"),
    G(8, "G8"),
    G(9, "G9"),
    // Positions with no key.
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
    kEmpty,
}};

constexpr int CountSlots(bool (*test)(const LayoutSlot&)) {
    int n = 0;
    for (const LayoutSlot& s : kSlots)
        n += test(s) ? 1 : 0;
    return n;
}
static_assert(CountSlots([](const LayoutSlot& s) { return s.action == 2; }) == 105);
static_assert(CountSlots([](const LayoutSlot& s) { return s.action == 6; }) == 9);

constexpr std::array<uint8_t, kDefaultLayoutSize> BuildLayout() {
    std::array<uint8_t, kDefaultLayoutSize> bytes{};
    for (uint32_t i = 0; i < kLayoutSlots; ++i) {
        bytes[3 * i] = kSlots[i].action;
        bytes[3 * i + 1] = kSlots[i].p1;
        bytes[3 * i + 2] = kSlots[i].p2;
    }
    return bytes;
}
constexpr std::array<uint8_t, kDefaultLayoutSize> kLayout = BuildLayout();

// Effect 5, brightness 3, speed 1, user mode 0, direction 0xFF, red, white base, red
// second colour, report rate 0, white stone and ribbon colours; the rest zero.
constexpr std::array<uint8_t, kLightingRecordSize> kLightingRecord = {
    0x05, 0x03, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
    0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF,
    0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// Ten key-light patterns of 18 bytes.
constexpr std::array<uint8_t, kKeyLightBlockSize> kKeyLights = {
    0x00, 0x08, 0x0C, 0x08, 0x00, 0x00, 0x00, 0x00, 0x20, 0x20, 0x20, 0x00, 0x00, 0x10, 0x00,
    0x00, 0x00, 0x00, 0x35, 0x0E, 0x0E, 0x2E, 0x0E, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x27, 0x0E, 0x0E, 0x2E, 0x0A, 0x18, 0x10, 0x00, 0x00,
    0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x25, 0x0A, 0x1E, 0x3A, 0x1A, 0x12,
    0x02, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x19, 0x0C, 0x1C,
    0x0C, 0x10, 0x00, 0x00, 0x00, 0x20, 0x20, 0x20, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

constexpr uint8_t kDescriptor[] = {
    0x05, 0x0C,       // Usage Page (Consumer)
    0x09, 0x01,       // Usage (Consumer Control)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x03,       //   Report ID (3)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x1F, //   Logical Maximum (0x1FFF)
    0x19, 0x00,       //   Usage Minimum (0)
    0x2A, 0xFF, 0x1F, //   Usage Maximum (0x1FFF)
    0x75, 0x10,       //   Report Size (16)
    0x95, 0x01,       //   Report Count (1)
    0x81, 0x00,       //   Input (Data, Array)
    0xC0,             // End Collection
    0x05, 0x08,       // Usage Page (LED)
    0x09, 0x89,       // Usage (0x89)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x05,       //   Report ID (5)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x01,       //   Report Count (1)
    0x09, 0x01,       //   Usage (1)
    0x91, 0x02,       //   Output (Data, Variable)
    0xC0,             // End Collection
    0x06, 0x1C, 0xFF, // Usage Page (vendor 0xFF1C)
    0x09, 0x92,       // Usage (0x92)
    0xA1, 0x01,       // Collection (Application)
    0x85, 0x04,       //   Report ID (4)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x3F,       //   Report Count (63)
    0x09, 0x01,       //   Usage (1)
    0x81, 0x02,       //   Input (Data, Variable)
    0x09, 0x02,       //   Usage (2)
    0x91, 0x02,       //   Output (Data, Variable)
    0xC0,             // End Collection
};

} // namespace

std::span<const LayoutSlot, kLayoutSlots> DefaultLayoutSlots() {
    return kSlots;
}

std::span<const uint8_t, kDefaultLayoutSize> DefaultLayout() {
    return kLayout;
}

std::span<const uint8_t, kLightingRecordSize> DefaultLightingRecord() {
    return kLightingRecord;
}

std::span<const uint8_t, kKeyLightBlockSize> DefaultKeyLights() {
    return kKeyLights;
}

std::span<const uint8_t> ReportDescriptor() {
    return kDescriptor;
}

MemoryImage FactoryImage(uint8_t macroUnits) {
    MemoryImage image;
    image.config[kConfigActiveProfile] = 0;
    image.config[kConfigMacroUnits] = macroUnits;
    // Effects 1 to 28 and the user-defined effect 254.
    for (uint8_t e = 1; e <= 28; ++e)
        image.config[kConfigEffectsBegin + e - 1] = e;
    image.config[kConfigEffectsBegin + 28] = 254;
    for (uint32_t p = 0; p < kKeyMapPages; ++p) {
        std::copy(kLightingRecord.begin(), kLightingRecord.end(),
                  image.params.begin() + p * kLightingRecordSize);
        std::copy(kKeyLights.begin(), kKeyLights.end(),
                  image.keyColours.begin() + p * kKeyLightBlockSize);
        std::copy(kLayout.begin(), kLayout.end(), image.keyMaps.begin() + p * kKeyMapSize);
    }
    return image;
}

} // namespace vkbd
