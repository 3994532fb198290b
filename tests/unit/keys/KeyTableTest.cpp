// Whole-table checks: each would catch a mistyped row of the key table.

#include "keys/KeyTable.h"
#include "keys/KeyCodes.h"
#include "ui/Utf.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

using namespace keys;

// The key selection list in position order, as the user sees it.
const std::vector<std::u16string_view> kListOrder = {
    u"A",         u"B",       u"C",           u"D",           u"E",
    u"F",         u"G",       u"H",           u"I",           u"J",
    u"K",         u"L",       u"M",           u"N",           u"O",
    u"P",         u"Q",       u"R",           u"S",           u"T",
    u"U",         u"V",       u"W",           u"X",           u"Y",
    u"Z",         u"1",       u"2",           u"3",           u"4",
    u"5",         u"6",       u"7",           u"8",           u"9",
    u"0",         u"Enter",   u"Esc",         u"Backspace",   u"Tab",
    u"Space",     u"-",       u"=",           u"[",           u"]",
    u"\\",        u";",       u"'",           u"`",           u",",
    u".",         u"/",       u"F1",          u"F2",          u"F3",
    u"F4",        u"F5",      u"F6",          u"F7",          u"F8",
    u"F9",        u"F10",     u"F11",         u"F12",         u"Print Screen",
    u"Pause",     u"Break",   u"Insert",      u"Delete",      u"Home",
    u"End",       u"Page Up", u"Page Down",   u"↑",           u"↓",
    u"←",         u"→",       u"Scroll Lock", u"Caps Lock",   u"Num Lock",
    u"Num /",     u"Num *",   u"Num -",       u"Num +",       u"Num Enter",
    u"Num 1",     u"Num 2",   u"Num 3",       u"Num 4",       u"Num 5",
    u"Num 6",     u"Num 7",   u"Num 8",       u"Num 9",       u"Num 0",
    u"Num .",     u"K45",     u"App",         u"Ctrl",        u"Shift",
    u"Alt",       u"Win",     u"Right Ctrl",  u"Right Shift", u"Right Alt",
    u"Right Win",
};

TEST(KeyTable, EveryListPositionIsHeldOnceExceptRightShiftsShared103) {
    ASSERT_EQ(kListOrder.size(), kListSize);
    std::map<uint16_t, std::vector<size_t>> holders;
    for (size_t index = 0; index < KeyTable.size(); ++index) {
        uint16_t position = KeyTable[index].listPosition;
        if (IsListed(position)) {
            holders[position].push_back(index);
        } else {
            EXPECT_EQ(position, kNotListed) << index;
        }
    }
    EXPECT_EQ(holders.size(), kListSize);
    for (uint16_t p = 0; p < kListSize; ++p) {
        ASSERT_TRUE(holders.count(p)) << p;
        if (p == 103) {
            EXPECT_EQ(holders[p], (std::vector<size_t>{0x36, 0xB6}));
        } else {
            EXPECT_EQ(holders[p].size(), 1u) << p;
        }
        EXPECT_EQ(KeyNameAtListPosition(p), kListOrder[p]) << p;
        EXPECT_EQ(ListPositionOf(KeyCodeAtListPosition(p)), p) << p;
    }
}

TEST(KeyTable, EmptyRecordsAreEmptyAndKeyedRecordsHaveNames) {
    size_t keyed = 0;
    for (size_t index = 0; index < KeyTable.size(); ++index) {
        const KeyRecord& r = KeyTable[index];
        bool empty = r.name.empty() && !r.nameIsText;
        if (empty) {
            EXPECT_EQ(r.listPosition, kNotListed) << index;
            EXPECT_EQ(r.virtualKey, 0) << index;
            EXPECT_EQ(r.virtualKeyNumLockOff, 0) << index;
            EXPECT_EQ(r.deviceKeyCode, 0) << index;
        } else {
            ++keyed;
            EXPECT_NE(r.virtualKey, 0) << index;
        }
        // Only the numeric pad differs with Num Lock off.
        bool numericPad = (index >= 0x47 && index <= 0x53 && index != 0x4A && index != 0x4E);
        EXPECT_EQ(r.virtualKeyNumLockOff != r.virtualKey, numericPad) << index;
    }
    EXPECT_EQ(keyed, 155u);
    EXPECT_TRUE(KeyTable[0].name.empty());
}

TEST(KeyTable, DeviceKeyCodesAreSharedOnlyWhereTheKeyboardHasNoOwnCode) {
    std::map<uint8_t, std::vector<size_t>> byCode;
    for (size_t index = 1; index < KeyTable.size(); ++index) {
        if (!KeyTable[index].name.empty() || KeyTable[index].nameIsText) {
            byCode[KeyTable[index].deviceKeyCode].push_back(index);
        }
    }
    for (const auto& [code, indexes] : byCode) {
        if (code == 0x48) {
            EXPECT_EQ(indexes, (std::vector<size_t>{0x45, 0xC6})); // Pause and Break
        } else if (code == 0xE5) {
            EXPECT_EQ(indexes, (std::vector<size_t>{0x36, 0xB6})); // both Right Shifts
        } else if (code != 0x00) {
            EXPECT_EQ(indexes.size(), 1u) << std::hex << int(code);
        }
    }
    EXPECT_EQ(byCode[0x00].size(), 15u); // keys the keyboard cannot send
}

TEST(KeyTable, UsageRoundTripGivesEveryKeyBackSaveTheSharedCodes) {
    // Keys whose usage names an earlier key: Break shares Pause's code, the second Right
    // Shift the first's, and Zoom+, Word and Excel have consumer usage 0, which the first
    // zero of the usage table (Zoom-) answers.
    const std::map<uint16_t, uint16_t> exceptions = {
        {0x146, 0x045}, {0x136, 0x036}, {0x175, 0x174}, {0x17B, 0x174}, {0x17C, 0x174}};
    size_t checked = 0;
    for (uint16_t index = 0; index < KeyTable.size(); ++index) {
        uint8_t d = KeyTable[index].deviceKeyCode;
        if (d == 0x00 || d == 0xFF) {
            continue;
        }
        uint16_t code = KeyCodeOfIndex(index);
        auto it = exceptions.find(code);
        EXPECT_EQ(KeyCodeOfUsage(UsageOfKeyCode(code)), it == exceptions.end() ? code : it->second)
            << std::hex << code;
        ++checked;
    }
    EXPECT_EQ(checked, 140u);
}

TEST(KeyTable, VirtualKeyTableFollowsItsRules) {
    struct Case {
        uint8_t vk;
        uint16_t index;
    } rules[] = {
        {0x0D, 0x1C},                             // Enter before Num Enter
        {0xA1, 0x36},                             // the lower Right Shift
        {0x2C, 0xB7},                             // Print Screen, not Sys Req
        {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38}, // generic modifiers: left-hand keys
        {0x01, 0},    {0x02, 0},    {0x04, 0},    // mouse buttons
        {0xFF, 0},    {0x00, 0},    {0x24, 0xC7}, // Home, not Num 7 with Num Lock off
        {0x41, 0x1E}, {0x03, 0xC6}, {0x13, 0x45}, {0x5F, 0xDF},
    };
    for (const Case& c : rules) {
        EXPECT_EQ(VirtualKeyTable[c.vk], c.index) << std::hex << int(c.vk);
    }
    // The pseudo keys' codes in 0x88..0x9F give nothing; Num Lock and Scroll Lock, which
    // lie in that range, keep their keys.
    std::set<int> pseudo;
    for (int vk = 0x88; vk <= 0x9F; ++vk) {
        if (vk != 0x90 && vk != 0x91) {
            pseudo.insert(vk);
            EXPECT_EQ(VirtualKeyTable[vk], 0) << std::hex << vk;
        }
    }
    EXPECT_EQ(VirtualKeyTable[0x90], 0xC5);
    EXPECT_EQ(VirtualKeyTable[0x91], 0x46);
    // Every other code: the lowest key index whose VK it is.
    std::set<int> ruled = {0x00, 0x01, 0x02, 0x04, 0x10, 0x11, 0x12, 0x2C, 0xFF};
    ruled.insert(pseudo.begin(), pseudo.end());
    for (int vk = 0; vk < 256; ++vk) {
        if (ruled.count(vk)) {
            continue;
        }
        uint16_t expected = 0;
        for (uint16_t index = 1; index < KeyTable.size(); ++index) {
            if (KeyTable[index].virtualKey == vk) {
                expected = index;
                break;
            }
        }
        EXPECT_EQ(VirtualKeyTable[vk], expected) << std::hex << vk;
    }
}

TEST(KeyTable, SpotRowsAcrossTheRanges) {
    struct Case {
        uint16_t code;
        std::u16string_view name;
        uint16_t list;
        uint8_t vk, vkOff, device;
    } rows[] = {
        {0x001, u"Esc", 37, 0x1B, 0x1B, 0x29},
        {0x02B, u"\\", 45, 0xDC, 0xDC, 0x31},
        {0x04C, u"Num 5", 89, 0x65, 0x0C, 0x5D},
        {0x052, u"Num 0", 94, 0x60, 0x2D, 0x62},
        {0x054, u"Sys Req", kNotListed, 0x2C, 0x2C, 0x00},
        {0x056, u"K45", 96, 0xE2, 0xE2, 0x64},
        {0x070, u"ROMA (133)", kNotListed, 0xFF, 0xFF, 0x88},
        {0x07E, u"K107", kNotListed, 0xC2, 0xC2, 0x85},
        {0x11C, u"Num Enter", 84, 0x0D, 0x0D, 0x58},
        {0x137, u"Print Screen", 64, 0x2C, 0x2C, 0x46},
        {0x145, u"Num Lock", 79, 0x90, 0x90, 0x53},
        {0x146, u"Break", 66, 0x03, 0x03, 0x48},
        {0x148, u"↑", 73, 0x26, 0x26, 0x52},
        {0x15D, u"App", 97, 0x5D, 0x5D, 0x65},
        {0x163, u"Wake", kNotListed, 0xFF, 0xFF, 0x83},
        {0x171, u"Left Button", kNotListed, 0x01, 0x01, 0x00},
        {0x17E, u"Calendar", kNotListed, 0x9F, 0x9F, 0x00},
    };
    for (const Case& c : rows) {
        const KeyRecord& r = KeyTable[KeyIndexOf(c.code)];
        EXPECT_EQ(KeyRecordName(r), c.name) << std::hex << c.code;
        EXPECT_EQ(r.listPosition, c.list) << std::hex << c.code;
        EXPECT_EQ(r.virtualKey, c.vk) << std::hex << c.code;
        EXPECT_EQ(r.virtualKeyNumLockOff, c.vkOff) << std::hex << c.code;
        EXPECT_EQ(r.deviceKeyCode, c.device) << std::hex << c.code;
    }
    EXPECT_EQ(ConsumerUsageTable[0], 0x00E9);
    EXPECT_EQ(ConsumerUsageTable[17], 0x00B5);
    for (size_t i = 18; i < ConsumerUsageTable.size(); ++i) {
        EXPECT_EQ(ConsumerUsageTable[i], 0) << i;
    }
}

TEST(KeyTable, MediaFunctionsSendWhatTheirKeysSend) {
    // Each media function's usage is the usage of the key whose name it shows.
    for (size_t i = 0; i < MediaFunctionTable.size(); ++i) {
        const MediaFunction& f = MediaFunctionTable[i];
        EXPECT_EQ(UsageOfKeyCode(f.keyCode), (Usage{12, f.usage})) << i;
        EXPECT_TRUE(KeyTable[KeyIndexOf(f.keyCode)].nameIsText) << i;
    }
    const ui::TextKey order[] = {
        ui::TextKey::MEDIA_PALYER_1,       ui::TextKey::MEDIA_PALY_PAUSE_2,
        ui::TextKey::MEDIA_STOP_PALY_3,    ui::TextKey::MEDIA_PREV_TRACK_4,
        ui::TextKey::MEDIA_Next_TRACK_5,   ui::TextKey::MEDIA_V_LOW_6,
        ui::TextKey::MEDIA_V_ADD_7,        ui::TextKey::MEDIA_MUTE_8,
        ui::TextKey::MEDIA_WWW_HOME_9,     ui::TextKey::MEDIA_WWW_REFRESH_10,
        ui::TextKey::MEDIA_WWW_STOP_11,    ui::TextKey::MEDIA_WWW_BACK_12,
        ui::TextKey::MEDIA_WWW_FORWARD_13, ui::TextKey::MEDIA_WWW_FAVORITE_14,
        ui::TextKey::MEDIA_WWW_SEARCH_15,  ui::TextKey::MEDIA_MY_PC_16,
        ui::TextKey::MEDIA_CALC_17,        ui::TextKey::MEDIA_MAIL_18,
    };
    for (size_t i = 0; i < std::size(order); ++i) {
        ui::SetText(order[i], ui::FromUtf8("media " + std::to_string(i)));
    }
    for (size_t i = 0; i < std::size(order); ++i) {
        EXPECT_EQ(MediaFunctionName(i), ui::FromUtf8("media " + std::to_string(i)));
    }
    EXPECT_EQ(MediaFunctionName(18), u"");
    ui::ResetTextTable();
}

} // namespace
