#include "keys/KeyEntry.h"

#include "keys/KeyTable.h"
#include "ui/TextTable.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace keys;

KeyEntry Entry(KeyKind kind, uint32_t value) {
    KeyEntry e;
    e.kind = static_cast<uint16_t>(kind);
    e.value = value;
    return e;
}

TEST(KeyEntry, HasTheFileLayout) {
    KeyEntry e;
    e.kind = 0x0102;
    e.code = 0x0304;
    e.value = 0x08070605;
    e.mark = 0x0C0B0A09;
    e.spare = 0x100F0E0D;
    uint8_t bytes[16];
    std::memcpy(bytes, &e, sizeof bytes);
    const uint8_t expected[16] = {0x02, 0x01, 0x04, 0x03, 0x05, 0x06, 0x07, 0x08,
                                  0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
    EXPECT_EQ(SpecialButtonEntry(1, false), 256);
    EXPECT_EQ(SpecialButtonEntry(9, false), 264);
    EXPECT_EQ(SpecialButtonEntry(1, true), 265);
    EXPECT_EQ(SpecialButtonEntry(9, true), 273);
    EXPECT_EQ(SpecialButtonCode(1, false), 0x0301);
    EXPECT_EQ(SpecialButtonCode(9, true), 0x1309);
}

TEST(KeyEntry, EncodesEveryKind) {
    const KeyAction kDefault{2, 2, 0x04};
    const KeyAction kStopDefault{5, 0, 0};
    struct Case {
        const char* what;
        KeyEntry entry;
        KeyAction defaultAction;
        KeyAction expected;
    } cases[] = {
        {"default", Entry(KeyKind::Default, 0), kDefault, kDefault},
        {"default keeps an action-5 form", Entry(KeyKind::Default, 0x1E), kStopDefault,
         kStopDefault},
        {"program keeps the default", Entry(KeyKind::Program, 40), kStopDefault, kStopDefault},
        {"disabled", Entry(KeyKind::Disabled, 0), kDefault, {0, 0, 0}},
        {"text block disables", Entry(KeyKind::TextBlock, 40), kDefault, {0, 0, 0}},
        {"Shift", Entry(KeyKind::Key, 0x02A), kDefault, {2, 1, 0x02}},
        {"Ctrl", Entry(KeyKind::Key, 0x01D), kDefault, {2, 1, 0x01}},
        {"Right Alt", Entry(KeyKind::Key, 0x138), kDefault, {2, 1, 0x40}},
        {"Right Win", Entry(KeyKind::Key, 0x15C), kDefault, {2, 1, 0x80}},
        {"A", Entry(KeyKind::Key, 0x01E), kDefault, {2, 2, 0x04}},
        {"Break sends Pause's usage", Entry(KeyKind::Key, 0x146), kDefault, {2, 2, 0x48}},
        {"second Right Shift is a plain key", Entry(KeyKind::Key, 0x136), kDefault, {2, 2, 0xE5}},
        {"a media key as a key", Entry(KeyKind::Key, 0x122), kDefault, {2, 2, 0x00}},
        {"Power as a key", Entry(KeyKind::Key, 0x15E), kDefault, {2, 2, 0x00}},
        {"no key", Entry(KeyKind::Key, 0), kDefault, {2, 2, 0x00}},
        {"value beyond a key code", Entry(KeyKind::Key, 0x1001E), kDefault, {2, 2, 0x00}},
        {"stop macro", Entry(KeyKind::StopMacro, 0), kDefault, {5, 2, 0}},
        {"media 1", Entry(KeyKind::Media, 1), kDefault, {3, 0xCD, 0x00}},
        {"media 8", Entry(KeyKind::Media, 8), kDefault, {3, 0x23, 0x02}},
        {"media 17", Entry(KeyKind::Media, 17), kDefault, {3, 0x8A, 0x01}},
        {"media out of range", Entry(KeyKind::Media, 18), kDefault, kDefault},
        {"function 10", Entry(KeyKind::Function, 10), kDefault, {5, 5, 0x0A}},
        {"function low byte", Entry(KeyKind::Function, 0x1234), kDefault, {5, 5, 0x34}},
        {"unknown kind", Entry(static_cast<KeyKind>(9), 1), kDefault, kDefault},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeKeyAction(c.entry, c.defaultAction), c.expected) << c.what;
    }
}

TEST(KeyEntry, MacroTakesItsPositionFromTheLookup) {
    auto positionOf = [](uint32_t id) -> uint8_t { return id == 7 ? 3 : 0; };
    EXPECT_EQ(EncodeKeyAction(Entry(KeyKind::Macro, 7), {2, 2, 4}, positionOf),
              (KeyAction{5, 1, 3}));
    EXPECT_EQ(EncodeKeyAction(Entry(KeyKind::Macro, 8), {2, 2, 4}, positionOf),
              (KeyAction{5, 1, 0}));
    EXPECT_EQ(EncodeKeyAction(Entry(KeyKind::Macro, 7), {2, 2, 4}), (KeyAction{5, 1, 0}));
}

TEST(KeyEntry, EveryListedKeyEncodesToASlotThatNamesItAgain) {
    // What the download writes for a key remapped to another must decode to that key,
    // except Break, which the keyboard sends with Pause's code.
    for (uint16_t p = 0; p < kListSize; ++p) {
        uint16_t code = KeyCodeAtListPosition(p);
        KeyAction slot = EncodeKeyAction(Entry(KeyKind::Key, code), {});
        EXPECT_EQ(KeyCodeOfSlot(slot), code == 0x146 ? 0x045 : code) << std::hex << code;
    }
    // And every media function decodes to the key whose name it shows.
    for (uint32_t i = 0; i < kMediaFunctionCount; ++i) {
        KeyAction slot = EncodeKeyAction(Entry(KeyKind::Media, i), {});
        EXPECT_EQ(KeyCodeOfSlot(slot), MediaFunctionTable[i].keyCode) << i;
    }
}

TEST(KeyEntry, FunctionNamesAreLanguageTexts) {
    const char16_t* builtIn[] = {u"Open",  u"New",  u"Undo",       u"Save",  u"Copy", u"Cut",
                                 u"Paste", u"Find", u"Select All", u"Zoom-", u"Zoom+"};
    for (size_t i = 0; i < kFunctionKeyCount; ++i) {
        EXPECT_EQ(FunctionKeyName(i), builtIn[i]) << i;
    }
    EXPECT_EQ(FunctionKeyName(kFunctionKeyCount), u"");
    ui::SetText(ui::TextKey::FUNC_KEY_DESC3, u"撤销");
    EXPECT_EQ(FunctionKeyName(2), u"撤销");
    ui::ResetTextTable();
}

} // namespace
