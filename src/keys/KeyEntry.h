#pragma once

// What a key does in one profile, and how that becomes the 3-byte action the keyboard stores
// for the key's position.

#include "keys/KeyCodes.h"
#include "ui/TextTable.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <type_traits>

namespace keys {

static_assert(std::endian::native == std::endian::little);

enum class KeyKind : uint16_t {
    Default = 0,   // what the keyboard's default layout says
    Disabled = 1,  // no function
    Key = 2,       // value: the key code to produce
    Program = 3,   // value: offset of the program's text (kept in files; the key keeps its default)
    Macro = 4,     // value: the macro's id
    StopMacro = 5, // stop the playing macro
    TextBlock = 6, // value: offset of the text (kept in files; the key is disabled)
    Media = 7,     // value: index into MediaFunctionTable
    Function = 8,  // value: index into FunctionKeyTable
};

// 16 bytes, copied byte for byte between the profile image and files.
struct KeyEntry {
    uint16_t kind = 0; // a KeyKind; files may hold others
    uint16_t code = 0; // special buttons: 0x0300 + n (layer A) or 0x1300 + n (layer B); kind 4:
                       // the cycle count; never sent to the keyboard
    uint32_t value = 0;
    uint32_t mark = 0; // written as 0; a value read from a file is carried unchanged
    uint32_t spare = 0;

    KeyKind Kind() const { return static_cast<KeyKind>(kind); }
    bool operator==(const KeyEntry&) const = default;
};
static_assert(sizeof(KeyEntry) == 16);
static_assert(std::is_trivially_copyable_v<KeyEntry>);
static_assert(offsetof(KeyEntry, kind) == 0);
static_assert(offsetof(KeyEntry, code) == 2);
static_assert(offsetof(KeyEntry, value) == 4);
static_assert(offsetof(KeyEntry, mark) == 8);
static_assert(offsetof(KeyEntry, spare) == 12);

// A key block: entries 0..255 by key index, then the nine special buttons of layer A and of
// layer B; the rest is unused.
inline constexpr size_t kKeyBlockEntries = 512;
inline constexpr size_t kKeyBlocks = 4;
inline constexpr uint16_t kSpecialButtons = 9;
inline constexpr uint16_t kLayerAFirstEntry = 256;
inline constexpr uint16_t kLayerBFirstEntry = 265;

// n = 1..9
inline constexpr uint16_t SpecialButtonEntry(uint16_t n, bool layerB) {
    return static_cast<uint16_t>((layerB ? kLayerBFirstEntry : kLayerAFirstEntry) + n - 1);
}
inline constexpr uint16_t SpecialButtonCode(uint16_t n, bool layerB) {
    return static_cast<uint16_t>((layerB ? 0x1300 : 0x0300) + n);
}

// The keyboard functions a key can be given (kind 8), in offering order, by their names.
inline constexpr size_t kFunctionKeyCount = 11;
inline constexpr std::array<ui::TextKey, kFunctionKeyCount> FunctionKeyTable = {
    ui::TextKey::FUNC_KEY_DESC1,  ui::TextKey::FUNC_KEY_DESC2,  ui::TextKey::FUNC_KEY_DESC3,
    ui::TextKey::FUNC_KEY_DESC4,  ui::TextKey::FUNC_KEY_DESC5,  ui::TextKey::FUNC_KEY_DESC6,
    ui::TextKey::FUNC_KEY_DESC7,  ui::TextKey::FUNC_KEY_DESC8,  ui::TextKey::FUNC_KEY_DESC9,
    ui::TextKey::FUNC_KEY_DESC10, ui::TextKey::FUNC_KEY_DESC11,
};
// Empty for an index out of range.
std::u16string_view FunctionKeyName(size_t index);

// The position (from 0) of the macro with this id in the downloaded macro list.
using MacroPositionLookup = std::function<uint8_t(uint32_t macroId)>;

// The key map action for an entry, given the default layout's action at the key's position.
// A kind-4 entry takes its position from the lookup (0 without one). An entry that names
// no media function, or has a kind no writer of this program makes, leaves the default.
KeyAction EncodeKeyAction(const KeyEntry& entry, KeyAction defaultAction,
                          const MacroPositionLookup& macroPosition = {});

} // namespace keys
