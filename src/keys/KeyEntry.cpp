#include "keys/KeyEntry.h"

#include "keys/KeyTable.h"

namespace keys {

std::u16string_view FunctionKeyName(size_t index) {
    return index < FunctionKeyTable.size() ? ui::TextOf(FunctionKeyTable[index])
                                           : std::u16string_view{};
}

KeyAction EncodeKeyAction(const KeyEntry& entry, KeyAction defaultAction,
                          const MacroPositionLookup& macroPosition) {
    switch (entry.Kind()) {
    case KeyKind::Default:
    case KeyKind::Program:
        return defaultAction;
    case KeyKind::Disabled:
    case KeyKind::TextBlock:
        return {0, 0, 0};
    case KeyKind::Key: {
        // Key codes fit 16 bits; a larger value from a file names no key.
        auto code = entry.value <= 0xFFFF ? static_cast<uint16_t>(entry.value) : uint16_t{0};
        if (uint8_t mask = entry.value <= 0xFFFF ? ModifierMaskOf(code) : 0) {
            return {2, 1, mask};
        }
        Usage usage = UsageOfKeyCode(code);
        // A consumer or system key given as a plain key becomes nothing; media go by kind 7.
        return {2, 2, usage.page == 7 ? static_cast<uint8_t>(usage.usage) : uint8_t{0}};
    }
    case KeyKind::Macro:
        return {5, 1, macroPosition ? macroPosition(entry.value) : uint8_t{0}};
    case KeyKind::StopMacro:
        return {5, 2, 0};
    case KeyKind::Media: {
        if (entry.value >= MediaFunctionTable.size()) {
            return defaultAction;
        }
        uint16_t usage = MediaFunctionTable[entry.value].usage;
        return {3, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)};
    }
    case KeyKind::Function:
        return {5, 5, static_cast<uint8_t>(entry.value & 0xFF)};
    }
    return defaultAction;
}

} // namespace keys
