#include "keys/ScanCodes.h"

#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"

#include <array>
#include <utility>

namespace keys {

namespace {

// Evdev code → set-1 code, for every key the key table knows. Evdev codes 1 to 83 were
// taken from set 1 and still equal it, except Num Lock, which key codes count as extended.
constexpr std::pair<uint16_t, uint16_t> kEvdevToSetOne[] = {
    // the typewriter block, F1-F10, the numeric pad's first part
    {1, 0x001},
    {2, 0x002},
    {3, 0x003},
    {4, 0x004},
    {5, 0x005},
    {6, 0x006},
    {7, 0x007},
    {8, 0x008},
    {9, 0x009},
    {10, 0x00A},
    {11, 0x00B},
    {12, 0x00C},
    {13, 0x00D},
    {14, 0x00E},
    {15, 0x00F},
    {16, 0x010},
    {17, 0x011},
    {18, 0x012},
    {19, 0x013},
    {20, 0x014},
    {21, 0x015},
    {22, 0x016},
    {23, 0x017},
    {24, 0x018},
    {25, 0x019},
    {26, 0x01A},
    {27, 0x01B},
    {28, 0x01C},
    {29, 0x01D},
    {30, 0x01E},
    {31, 0x01F},
    {32, 0x020},
    {33, 0x021},
    {34, 0x022},
    {35, 0x023},
    {36, 0x024},
    {37, 0x025},
    {38, 0x026},
    {39, 0x027},
    {40, 0x028},
    {41, 0x029},
    {42, 0x02A},
    {43, 0x02B},
    {44, 0x02C},
    {45, 0x02D},
    {46, 0x02E},
    {47, 0x02F},
    {48, 0x030},
    {49, 0x031},
    {50, 0x032},
    {51, 0x033},
    {52, 0x034},
    {53, 0x035},
    {54, 0x036},
    {55, 0x037},
    {56, 0x038},
    {57, 0x039},
    {58, 0x03A},
    {59, 0x03B},
    {60, 0x03C},
    {61, 0x03D},
    {62, 0x03E},
    {63, 0x03F},
    {64, 0x040},
    {65, 0x041},
    {66, 0x042},
    {67, 0x043},
    {68, 0x044},
    {69, 0x145},
    {70, 0x046},
    {71, 0x047},
    {72, 0x048},
    {73, 0x049},
    {74, 0x04A},
    {75, 0x04B},
    {76, 0x04C},
    {77, 0x04D},
    {78, 0x04E},
    {79, 0x04F},
    {80, 0x050},
    {81, 0x051},
    {82, 0x052},
    {83, 0x053},
    // the 102nd key, F11, F12 and the Japanese, Korean and Brazilian keys
    {86, 0x056},
    {87, 0x057},
    {88, 0x058},
    {89, 0x073},
    {92, 0x079},
    {93, 0x070},
    {94, 0x07B},
    {121, 0x07E},
    {122, 0x072},
    {123, 0x071},
    {124, 0x07D},
    {183, 0x064},
    // the extended keys of the main block
    {96, 0x11C},
    {97, 0x11D},
    {98, 0x135},
    {99, 0x137},
    {100, 0x138},
    {102, 0x147},
    {103, 0x148},
    {104, 0x149},
    {105, 0x14B},
    {106, 0x14D},
    {107, 0x14F},
    {108, 0x150},
    {109, 0x151},
    {110, 0x152},
    {111, 0x153},
    {125, 0x15B},
    {126, 0x15C},
    {127, 0x15D},
    // Pause sends E1 1D 45 and keeps the unprefixed code
    {119, 0x045},
    // system keys
    {116, 0x15E},
    {142, 0x15F},
    {143, 0x163},
    // multimedia and browser keys
    {113, 0x120},
    {114, 0x12E},
    {115, 0x130},
    {128, 0x168},
    {140, 0x121},
    {155, 0x16C},
    {156, 0x166},
    {157, 0x16B},
    {158, 0x16A},
    {159, 0x169},
    {163, 0x119},
    {164, 0x122},
    {165, 0x110},
    {166, 0x124},
    {172, 0x132},
    {173, 0x167},
    {217, 0x165},
    {226, 0x16D},
    // USB keyboards report My Computer (consumer 0x194) and the media player (0x183) with
    // these codes rather than those of their PS/2 scan codes
    {144, 0x16B},
    {171, 0x16D},
};

constexpr size_t kEvdevLimit = 256;

constexpr std::array<uint16_t, kEvdevLimit> BuildScanCodes() {
    std::array<uint16_t, kEvdevLimit> table{};
    for (const auto& [evdev, setOne] : kEvdevToSetOne) {
        table[evdev] = setOne;
    }
    return table;
}

constexpr std::array<uint16_t, kEvdevLimit> kScanCodes = BuildScanCodes();

} // namespace

uint16_t ScanCodeOfEvdev(uint16_t evdevCode) {
    return evdevCode < kEvdevLimit ? kScanCodes[evdevCode] : 0;
}

uint8_t VirtualKeyOfScanCode(uint16_t scanCode) {
    if (scanCode == 0 || scanCode >= 0x200) {
        return 0;
    }
    return KeyTable[KeyIndexOf(scanCode)].virtualKey;
}

KeyMessage KeyMessageOfXKeyCode(uint32_t xKeyCode, bool release, bool repeat) {
    uint16_t scan = 0;
    if (xKeyCode >= kXKeyCodeOffset && xKeyCode - kXKeyCodeOffset < kEvdevLimit) {
        scan = ScanCodeOfEvdev(static_cast<uint16_t>(xKeyCode - kXKeyCodeOffset));
    }
    KeyMessage message;
    message.virtualKey = VirtualKeyOfScanCode(scan);
    message.lParam = 1u | (uint32_t{scan} & 0x1FF) << 16;
    if (release) {
        message.lParam |= kKeyMessageRepeat | kKeyMessageRelease;
    } else if (repeat) {
        message.lParam |= kKeyMessageRepeat;
    }
    return message;
}

} // namespace keys
