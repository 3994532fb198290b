#include "keys/ScanCodes.h"

#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"

#include <linux/input-event-codes.h>

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace keys;

// Every key the table knows, named by the kernel's own evdev constants, with the set-1 code
// that key codes give it.
const std::map<uint16_t, uint16_t> kKernelKeys = {
    {KEY_ESC, 0x001},
    {KEY_1, 0x002},
    {KEY_2, 0x003},
    {KEY_3, 0x004},
    {KEY_4, 0x005},
    {KEY_5, 0x006},
    {KEY_6, 0x007},
    {KEY_7, 0x008},
    {KEY_8, 0x009},
    {KEY_9, 0x00A},
    {KEY_0, 0x00B},
    {KEY_MINUS, 0x00C},
    {KEY_EQUAL, 0x00D},
    {KEY_BACKSPACE, 0x00E},
    {KEY_TAB, 0x00F},
    {KEY_Q, 0x010},
    {KEY_W, 0x011},
    {KEY_E, 0x012},
    {KEY_R, 0x013},
    {KEY_T, 0x014},
    {KEY_Y, 0x015},
    {KEY_U, 0x016},
    {KEY_I, 0x017},
    {KEY_O, 0x018},
    {KEY_P, 0x019},
    {KEY_LEFTBRACE, 0x01A},
    {KEY_RIGHTBRACE, 0x01B},
    {KEY_ENTER, 0x01C},
    {KEY_LEFTCTRL, 0x01D},
    {KEY_A, 0x01E},
    {KEY_S, 0x01F},
    {KEY_D, 0x020},
    {KEY_F, 0x021},
    {KEY_G, 0x022},
    {KEY_H, 0x023},
    {KEY_J, 0x024},
    {KEY_K, 0x025},
    {KEY_L, 0x026},
    {KEY_SEMICOLON, 0x027},
    {KEY_APOSTROPHE, 0x028},
    {KEY_GRAVE, 0x029},
    {KEY_LEFTSHIFT, 0x02A},
    {KEY_BACKSLASH, 0x02B},
    {KEY_Z, 0x02C},
    {KEY_X, 0x02D},
    {KEY_C, 0x02E},
    {KEY_V, 0x02F},
    {KEY_B, 0x030},
    {KEY_N, 0x031},
    {KEY_M, 0x032},
    {KEY_COMMA, 0x033},
    {KEY_DOT, 0x034},
    {KEY_SLASH, 0x035},
    {KEY_RIGHTSHIFT, 0x036}, // right Shift has no prefix
    {KEY_LEFTALT, 0x038},
    {KEY_SPACE, 0x039},
    {KEY_CAPSLOCK, 0x03A},
    {KEY_F1, 0x03B},
    {KEY_F2, 0x03C},
    {KEY_F3, 0x03D},
    {KEY_F4, 0x03E},
    {KEY_F5, 0x03F},
    {KEY_F6, 0x040},
    {KEY_F7, 0x041},
    {KEY_F8, 0x042},
    {KEY_F9, 0x043},
    {KEY_F10, 0x044},
    {KEY_F11, 0x057},
    {KEY_F12, 0x058},
    {KEY_F13, 0x064},
    {KEY_SCROLLLOCK, 0x046},
    {KEY_PAUSE, 0x045},   // E1 1D 45, counted unprefixed
    {KEY_NUMLOCK, 0x145}, // make code 0x45, counted extended
    {KEY_SYSRQ, 0x137},   // Print Screen
    {KEY_102ND, 0x056},
    {KEY_RO, 0x073},
    {KEY_KATAKANAHIRAGANA, 0x070},
    {KEY_HENKAN, 0x079},
    {KEY_MUHENKAN, 0x07B},
    {KEY_YEN, 0x07D},
    {KEY_KPCOMMA, 0x07E},
    {KEY_HANGEUL, 0x072},
    {KEY_HANJA, 0x071},
    // the numeric pad: Enter and / are extended
    {KEY_KPSLASH, 0x135},
    {KEY_KPASTERISK, 0x037},
    {KEY_KPMINUS, 0x04A},
    {KEY_KPPLUS, 0x04E},
    {KEY_KPENTER, 0x11C},
    {KEY_KP0, 0x052},
    {KEY_KP1, 0x04F},
    {KEY_KP2, 0x050},
    {KEY_KP3, 0x051},
    {KEY_KP4, 0x04B},
    {KEY_KP5, 0x04C},
    {KEY_KP6, 0x04D},
    {KEY_KP7, 0x047},
    {KEY_KP8, 0x048},
    {KEY_KP9, 0x049},
    {KEY_KPDOT, 0x053},
    // the extended keys beside the typewriter block
    {KEY_RIGHTCTRL, 0x11D},
    {KEY_RIGHTALT, 0x138},
    {KEY_LEFTMETA, 0x15B},
    {KEY_RIGHTMETA, 0x15C},
    {KEY_COMPOSE, 0x15D}, // Menu
    {KEY_INSERT, 0x152},
    {KEY_DELETE, 0x153},
    {KEY_HOME, 0x147},
    {KEY_END, 0x14F},
    {KEY_PAGEUP, 0x149},
    {KEY_PAGEDOWN, 0x151},
    {KEY_UP, 0x148},
    {KEY_DOWN, 0x150},
    {KEY_LEFT, 0x14B},
    {KEY_RIGHT, 0x14D},
    {KEY_POWER, 0x15E},
    {KEY_SLEEP, 0x15F},
    {KEY_WAKEUP, 0x163},
    // multimedia and browser keys
    {KEY_PREVIOUSSONG, 0x110},
    {KEY_NEXTSONG, 0x119},
    {KEY_MUTE, 0x120},
    {KEY_CALC, 0x121},
    {KEY_PLAYPAUSE, 0x122},
    {KEY_STOPCD, 0x124},
    {KEY_VOLUMEDOWN, 0x12E},
    {KEY_VOLUMEUP, 0x130},
    {KEY_HOMEPAGE, 0x132},
    {KEY_SEARCH, 0x165},
    {KEY_BOOKMARKS, 0x166},
    {KEY_REFRESH, 0x167},
    {KEY_STOP, 0x168},
    {KEY_FORWARD, 0x169},
    {KEY_BACK, 0x16A},
    {KEY_COMPUTER, 0x16B},
    {KEY_FILE, 0x16B}, // My Computer from a USB keyboard
    {KEY_MAIL, 0x16C},
    {KEY_MEDIA, 0x16D},
    {KEY_CONFIG, 0x16D}, // the media player key from a USB keyboard
};

TEST(ScanCodes, EvdevCodesGiveTheirSetOneCodeAndEveryOtherGivesNone) {
    for (uint32_t evdev = 0; evdev <= 0x2FF; ++evdev) {
        auto it = kKernelKeys.find(static_cast<uint16_t>(evdev));
        uint16_t expected = it == kKernelKeys.end() ? 0 : it->second;
        EXPECT_EQ(ScanCodeOfEvdev(static_cast<uint16_t>(evdev)), expected) << "evdev " << evdev;
    }
}

// The whole way of an X key event: its key message converts back to the same key, and that
// key has a name of its own.
TEST(ScanCodes, KeyMessagesOfKernelKeysConvertToTheirKeyCodes) {
    for (const auto& [evdev, scan] : kKernelKeys) {
        KeyMessage press = KeyMessageOfXKeyCode(evdev + kXKeyCodeOffset, false, false);
        EXPECT_EQ(KeyCodeOfKeyMessage(press.virtualKey, press.lParam), scan) << "evdev " << evdev;
        EXPECT_NE(press.virtualKey, 0) << "evdev " << evdev;
        const KeyRecord& record = KeyTable[KeyIndexOf(scan)];
        EXPECT_TRUE(record.nameIsText || !record.name.empty()) << "evdev " << evdev;
    }
}

TEST(ScanCodes, KeyMessageCarriesScanCodeExtendedRepeatAndReleaseBits) {
    struct Case {
        uint32_t xKeyCode;
        bool release, repeat;
        KeyMessage message;
    } cases[] = {
        {KEY_A + 8, false, false, {0x41, 0x001E0001}},
        {KEY_A + 8, false, true, {0x41, 0x401E0001}},
        {KEY_A + 8, true, false, {0x41, 0xC01E0001}},
        {KEY_LEFTMETA + 8, false, false, {0x5B, 0x015B0001}},
        {KEY_RIGHTMETA + 8, true, false, {0x5C, 0xC15C0001}},
        {KEY_COMPOSE + 8, false, false, {0x5D, 0x015D0001}},
        {KEY_PAUSE + 8, false, false, {0x13, 0x00450001}},
        {KEY_NUMLOCK + 8, false, false, {0x90, 0x01450001}},
        {KEY_SYSRQ + 8, false, false, {0x2C, 0x01370001}},
        {KEY_KPENTER + 8, false, false, {0x0D, 0x011C0001}},
        {KEY_KP7 + 8, false, false, {0x67, 0x00470001}},
        {KEY_VOLUMEUP + 8, false, false, {0xAF, 0x01300001}},
        // no key: nothing below the offset, an unmapped key, a code beyond the table
        {0, false, false, {0, 0x00000001}},
        {7, false, false, {0, 0x00000001}},
        {KEY_KPEQUAL + 8, false, false, {0, 0x00000001}},
        {0x1000, true, false, {0, 0xC0000001}},
    };
    for (const Case& c : cases) {
        KeyMessage message = KeyMessageOfXKeyCode(c.xKeyCode, c.release, c.repeat);
        EXPECT_EQ(message.virtualKey, c.message.virtualKey) << c.xKeyCode;
        EXPECT_EQ(message.lParam, c.message.lParam) << std::hex << c.xKeyCode;
    }
    KeyMessage none = KeyMessageOfXKeyCode(KEY_KPEQUAL + 8, false, false);
    EXPECT_EQ(KeyCodeOfKeyMessage(none.virtualKey, none.lParam), 0);
}

} // namespace
