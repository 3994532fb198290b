#pragma once

// The buttons of the keyboard picture: which button stands for which key, in picture
// position order (the order of every walk over all key buttons), and each button's bit in
// the key-light patterns.

#include <array>
#include <cstdint>

namespace keys {

struct KeyButton {
    uint16_t id;      // control id
    uint16_t code;    // key code
    uint8_t lightBit; // bit in a key-light pattern
};

inline constexpr std::array<KeyButton, 105> kKeyButtons{{
    {1058, 0x01E, 11},  // A
    {1075, 0x030, 52},  // B
    {1073, 0x02E, 36},  // C
    {1060, 0x020, 27},  // D
    {1046, 0x012, 26},  // E
    {1061, 0x021, 35},  // F
    {1062, 0x022, 43},  // G
    {1063, 0x023, 51},  // H
    {1051, 0x017, 66},  // I
    {1064, 0x024, 59},  // J
    {1065, 0x025, 67},  // K
    {1066, 0x026, 75},  // L
    {1077, 0x032, 68},  // M
    {1076, 0x031, 60},  // N
    {1052, 0x018, 74},  // O
    {1053, 0x019, 82},  // P
    {1044, 0x010, 10},  // Q
    {1047, 0x013, 34},  // R
    {1059, 0x01F, 19},  // S
    {1048, 0x014, 42},  // T
    {1050, 0x016, 58},  // U
    {1074, 0x02F, 44},  // V
    {1045, 0x011, 18},  // W
    {1072, 0x02D, 28},  // X
    {1049, 0x015, 50},  // Y
    {1071, 0x02C, 20},  // Z
    {1030, 0x002, 9},   // 1
    {1031, 0x003, 17},  // 2
    {1032, 0x004, 25},  // 3
    {1033, 0x005, 33},  // 4
    {1034, 0x006, 41},  // 5
    {1035, 0x007, 49},  // 6
    {1036, 0x008, 57},  // 7
    {1037, 0x009, 65},  // 8
    {1038, 0x00A, 73},  // 9
    {1039, 0x00B, 81},  // 0
    {1070, 0x01C, 106}, // Enter
    {1022, 0x001, 0},   // Esc
    {1043, 0x00E, 105}, // Backspace
    {1056, 0x00F, 2},   // Tab
    {1090, 0x039, 29},  // Space
    {1040, 0x00C, 89},  // -
    {1041, 0x00D, 97},  // =
    {1054, 0x01A, 90},  // [
    {1055, 0x01B, 98},  // ]
    {1042, 0x02B, 107}, // backslash
    {1067, 0x027, 83},  // ;
    {1068, 0x028, 91},  // '
    {1029, 0x029, 1},   // `
    {1078, 0x033, 76},  // ,
    {1079, 0x034, 84},  // .
    {1080, 0x035, 92},  // /
    {1010, 0x03B, 8},   // F1
    {1011, 0x03C, 16},  // F2
    {1012, 0x03D, 24},  // F3
    {1013, 0x03E, 32},  // F4
    {1014, 0x03F, 40},  // F5
    {1015, 0x040, 48},  // F6
    {1023, 0x041, 56},  // F7
    {1024, 0x042, 64},  // F8
    {1025, 0x043, 72},  // F9
    {1026, 0x044, 80},  // F10
    {1027, 0x057, 88},  // F11
    {1028, 0x058, 96},  // F12
    {1091, 0x137, 104}, // Print Screen
    {1093, 0x045, 120}, // Pause
    {1094, 0x152, 113}, // Insert
    {1097, 0x153, 114}, // Delete
    {1095, 0x147, 121}, // Home
    {1098, 0x14F, 122}, // End
    {1096, 0x149, 129}, // Page Up
    {1099, 0x151, 130}, // Page Down
    {1103, 0x148, 108}, // ↑
    {1101, 0x150, 77},  // ↓
    {1100, 0x14B, 69},  // ←
    {1102, 0x14D, 85},  // →
    {1092, 0x046, 112}, // Scroll Lock
    {1069, 0x03A, 3},   // Caps Lock
    {1088, 0x15D, 53},  // App
    {1083, 0x01D, 5},   // Ctrl
    {1089, 0x11D, 61},  // Right Ctrl
    {1082, 0x02A, 4},   // Shift
    {1081, 0x036, 100}, // Right Shift
    {1085, 0x038, 21},  // Alt
    {1086, 0x138, 37},  // Right Alt
    {1084, 0x15B, 13},  // Win
    {1087, 0x15C, 61},  // Right Win
    {1115, 0x04F, 109}, // Num 1
    {1116, 0x050, 117}, // Num 2
    {1117, 0x051, 125}, // Num 3
    {1112, 0x04B, 116}, // Num 4
    {1113, 0x04C, 124}, // Num 5
    {1114, 0x04D, 132}, // Num 6
    {1108, 0x047, 115}, // Num 7
    {1109, 0x048, 123}, // Num 8
    {1110, 0x049, 131}, // Num 9
    {1120, 0x052, 93},  // Num 0
    {1104, 0x145, 138}, // Num Lock
    {1118, 0x11C, 133}, // Num Enter
    {1119, 0x053, 101}, // Num .
    {1105, 0x135, 137}, // Num /
    {1106, 0x037, 139}, // Num *
    {1107, 0x04A, 140}, // Num -
    {1111, 0x04E, 141}, // Num +
    {1209, 0x056, 86},  // K45
}};

inline constexpr uint16_t kSpaceButtonId = 1090;

// The nine special buttons G1..G9; their entries come from SpecialButtonEntry.
struct SpecialButton {
    uint16_t id;
    uint8_t lightBit;
};

inline constexpr std::array<SpecialButton, 9> kSpecialButtonTable{{
    {1000, 6},
    {1001, 14},
    {1002, 22},
    {1003, 30},
    {1004, 38},
    {1140, 0},
    {1141, 0},
    {1142, 0},
    {1143, 0},
}};

// The id of the button that shows a global key entry (block x 512 + entry) while block
// shownBlock and the layer are shown; 0 when none does, as for an entry of another block,
// of the other layer or of a key not on the picture.
uint16_t ButtonShowingEntry(uint32_t globalEntry, uint32_t shownBlock, bool layerB);

inline constexpr uint16_t kFnButtonId = 1174;
inline constexpr uint8_t kFnLightBit = 45;
inline constexpr uint16_t kFirstDButtonId = 1016; // D1..D6: 1016..1021
inline constexpr uint16_t kDButtonCount = 6;

bool IsKeyButton(uint16_t id);
bool IsSpecialButton(uint16_t id);
// A button of the picture that a click hands to the keyboard view: a key button, a special
// button, Fn or a D button.
bool IsPictureKey(uint16_t id);

} // namespace keys
