#include "keys/KeyCodes.h"

#include "keys/KeyEntry.h"
#include "ui/TextTable.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace keys;

TEST(KeyCodes, KeyIndexAndKeyCodeConvert) {
    struct Case {
        uint16_t code, index;
    } cases[] = {
        {0x000, 0x00}, {0x045, 0x45}, {0x07F, 0x7F}, {0x100, 0x80},    {0x145, 0xC5},
        {0x17F, 0xFF}, {0x180, 0x00}, {0x1C5, 0x45}, {0x1FF, 0x7F}, // 0x180.. alias 0x000..
        {0x200, 256},  {0x205, 261},  {0x211, 273},  {0xFFFF, 0xFEFF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyIndexOf(c.code), c.index) << std::hex << c.code;
    }
    for (uint16_t index = 0; index < 256; ++index) {
        EXPECT_EQ(KeyIndexOf(KeyCodeOfIndex(index)), index);
    }
    EXPECT_EQ(KeyCodeOfIndex(0xC5), 0x145);
    EXPECT_EQ(KeyCodeOfIndex(0x7F), 0x07F);
    EXPECT_EQ(KeyCodeOfIndex(0x80), 0x100);
    // Special button n of layer A is key code 0x1FF + n, of layer B 0x1FF + 9 + n.
    for (uint16_t n = 1; n <= kSpecialButtons; ++n) {
        EXPECT_EQ(KeyIndexOf(0x1FF + n), SpecialButtonEntry(n, false));
        EXPECT_EQ(KeyIndexOf(0x1FF + 9 + n), SpecialButtonEntry(n, true));
    }
}

class KeyNameTest : public ::testing::Test {
protected:
    void TearDown() override { ui::ResetTextTable(); }
};

TEST_F(KeyNameTest, NamesComeFromTheTableOrTheUnknownKeyText) {
    struct Case {
        uint16_t code;
        std::u16string_view name;
    } cases[] = {
        {0x01E, u"A"},
        {0x136, u"Right Shift"},
        {0x1C5, u"Pause"},
        {0x055, u"Unknown Key: 055"},
        {0x000, u"Unknown Key: 000"},
        {0x205, u"Unknown Key: 205"}, // no record beyond index 255
        {0x110, u"Hello world"},      // a language text
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetKeyName(c.code), c.name) << std::hex << c.code;
    }
    ui::SetText(ui::TextKey::MEDIA_PREV_TRACK_4, u"上一曲");
    ui::SetText(ui::TextKey::UNKNOWN_KEY, u"Key %03X %s %d");
    EXPECT_EQ(GetKeyName(0x110), u"上一曲");
    EXPECT_EQ(GetKeyName(0x0AB), u"Key 0AB  "); // one argument only
    ui::SetText(ui::TextKey::UNKNOWN_KEY, u"");
    EXPECT_EQ(GetKeyName(0x055), u"");
}

TEST_F(KeyNameTest, NameIsCutToTheBufferAndAlwaysTerminated) {
    std::array<char16_t, 8> buffer;
    buffer.fill(u'#');
    EXPECT_EQ(GetKeyName(0x055, buffer.data(), 4), 3u);
    EXPECT_EQ(std::u16string_view(buffer.data()), u"Unk");
    EXPECT_EQ(buffer[4], u'#');
    EXPECT_EQ(GetKeyName(0x00E, buffer.data(), 5), 4u);
    EXPECT_EQ(std::u16string_view(buffer.data()), u"Back");
    EXPECT_EQ(GetKeyName(0x00E, buffer.data(), 1), 0u);
    EXPECT_EQ(buffer[0], 0);
    buffer[0] = u'#';
    EXPECT_EQ(GetKeyName(0x00E, buffer.data(), 0), 0u);
    EXPECT_EQ(buffer[0], u'#');
}

TEST(KeyCodes, ListPositions) {
    EXPECT_EQ(KeyCodeAtListPosition(0), 0x01E);
    EXPECT_EQ(KeyCodeAtListPosition(103), 0x036);
    EXPECT_EQ(KeyCodeAtListPosition(105), 0x15C);
    EXPECT_EQ(KeyCodeAtListPosition(106), 0);
    EXPECT_EQ(KeyNameAtListPosition(106), u"");
    EXPECT_EQ(KeyCodeAtListPosition(kNotListed), 0);
    EXPECT_EQ(ListPositionOf(0x136), 103);
    EXPECT_EQ(ListPositionOf(0x146), 66);
    EXPECT_FALSE(IsListed(ListPositionOf(0x110))); // a media key
    EXPECT_FALSE(IsListed(ListPositionOf(0x000)));
    EXPECT_FALSE(IsListed(ListPositionOf(0x205)));
}

TEST(KeyCodes, UsagesOfKeyCodes) {
    struct Case {
        uint16_t code;
        Usage usage;
    } cases[] = {
        {0x01E, {7, 0x04}}, {0x146, {7, 0x48}},  {0x045, {7, 0x48}},  {0x01D, {7, 0xE0}},
        {0x15E, {1, 0x81}}, {0x163, {1, 0x83}},  {0x164, {0, 0}},     {0x000, {0, 0}},
        {0x205, {0, 0}},    {0x130, {12, 0xE9}}, {0x120, {12, 0xE2}}, {0x122, {12, 0xCD}},
        {0x174, {12, 0}},   {0x171, {0, 0}},     {0x070, {7, 0x88}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsageOfKeyCode(c.code), c.usage) << std::hex << c.code;
    }
}

TEST(KeyCodes, KeyCodesOfUsages) {
    struct Case {
        Usage usage;
        uint16_t code;
    } cases[] = {
        {{7, 0x48}, 0x045}, // Pause, not Break
        {{7, 0xE5}, 0x036}, // the lower Right Shift
        {{7, 0x04}, 0x01E},
        {{7, 0x00}, 0},
        {{7, 0x100}, 0},
        {{7, 0x148}, 0},
        {{12, 0xCD}, 0x122},
        {{12, 0x00E9}, 0x130},
        {{12, 0}, 0x174},  // the first zero, position
                           // 18, is Zoom-
        {{12, 0x1234}, 0}, // no such consumer usage: device key code 0, no key
        {{1, 0x81}, 0x15E},
        {{1, 0x82}, 0x15F},
        {{1, 0x83}, 0x163},
        {{1, 0x04}, 0},
        {{3, 0x04}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyCodeOfUsage(c.usage), c.code)
            << c.usage.page << " " << std::hex << c.usage.usage;
    }
}

TEST(KeyCodes, ModifierMasks) {
    for (size_t bit = 0; bit < 8; ++bit) {
        EXPECT_EQ(KeyCodeOfModifierMask(static_cast<uint8_t>(1u << bit)), kModifierKeys[bit]);
        EXPECT_EQ(ModifierMaskOf(kModifierKeys[bit]), 1u << bit);
    }
    EXPECT_EQ(KeyCodeOfModifierMask(0x22), 0x02A); // the lowest set bit wins
    EXPECT_EQ(KeyCodeOfModifierMask(0xC0), 0x138);
    EXPECT_EQ(KeyCodeOfModifierMask(0), 0);
    EXPECT_EQ(ModifierMaskOf(0x136), 0);
    EXPECT_EQ(ModifierMaskOf(0x01E), 0);
}

TEST(KeyCodes, KeyCodesOfKeyMapSlots) {
    struct Case {
        KeyAction slot;
        uint16_t code;
    } cases[] = {
        {{2, 2, 0x04}, 0x01E},    {{2, 1, 0x40}, 0x138},    {{2, 0, 0x01}, 0x01D},
        {{2, 1, 0}, 0},           {{2, 2, 0x48}, 0x045},    {{3, 0xCD, 0x00}, 0x122},
        {{3, 0x23, 0x02}, 0x132}, {{4, 0x82, 0x00}, 0x15F}, {{4, 0x82, 0x01}, 0},
        {{6, 0xA2, 1}, 0x200},    {{6, 0xA2, 9}, 0x208},    {{6, 0xA2, 18}, 0x211},
        {{6, 0x12, 1}, 0},        {{5, 1, 7}, 0},           {{5, 5, 3}, 0},
        {{1, 2, 4}, 0},           {{0, 0, 0}, 0},           {{7, 2, 4}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyCodeOfSlot(c.slot), c.code)
            << int(c.slot.action) << " " << int(c.slot.p1) << " " << int(c.slot.p2);
    }
}

uint32_t Message(uint16_t scan, bool released = false) {
    return (uint32_t{scan} << 16) | 1u | (released ? 0xC0000000u : 0u);
}

TEST(KeyCodes, KeyCodesOfKeyMessages) {
    struct Case {
        const char* what;
        uint8_t vk;
        uint32_t lParam;
        uint16_t code;
    } cases[] = {
        {"Num Enter by its scan code", 0x0D, Message(0x11C), 0x11C},
        {"no scan code: the virtual key", 0x0D, Message(0x000), 0x01C},
        {"scan code B disagrees with A", 0x41, Message(0x030), 0x01E},
        {"agreeing scan code", 0x41, Message(0x01E, true), 0x01E},
        {"Right Shift always", 0x10, Message(0x036), 0x036},
        {"Right Shift whatever the key", 0x41, Message(0x036), 0x036},
        {"VK 0xFF trusts the scan code", 0xFF, Message(0x123), 0x123},
        {"Num 7 with Num Lock off", 0x24, Message(0x047), 0x047},
        {"Home", 0x24, Message(0x147), 0x147},
        {"Pause", 0x13, Message(0x045), 0x045},
        {"Num Lock", 0x90, Message(0x145), 0x145},
        {"generic Shift, left scan code", 0x10, Message(0x02A), 0x02A},
        {"generic Ctrl, right scan code", 0x11, Message(0x11D), 0x11D},
        {"scan code of an empty record", 0x41, Message(0x055), 0x01E},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeyCodeOfKeyMessage(c.vk, c.lParam), c.code) << c.what;
    }
    EXPECT_EQ(KeyCodeOfVirtualKey(0x0D), 0x01C);
    EXPECT_EQ(KeyCodeOfVirtualKey(0x24), 0x147);
    EXPECT_EQ(KeyCodeOfVirtualKey(0x2C), 0x137);
    EXPECT_EQ(KeyCodeOfVirtualKey(0x01), 0);
}

TEST(KeyCodes, ReleaseOnlyKeys) {
    for (uint16_t code = 0; code < 0x220; ++code) {
        bool expected = code == 0x054 || code == 0x071 || code == 0x072 || code == 0x137;
        EXPECT_EQ(IsReleaseOnlyKey(code), expected) << std::hex << code;
    }
}

} // namespace
