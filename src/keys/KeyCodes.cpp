#include "keys/KeyCodes.h"

#include "keys/KeyTable.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"

#include <algorithm>
#include <span>

namespace keys {

namespace {

const KeyRecord* RecordOf(uint16_t keyCode) {
    uint16_t index = KeyIndexOf(keyCode);
    return index < KeyTable.size() ? &KeyTable[index] : nullptr;
}

} // namespace

uint8_t ModifierMaskOf(uint16_t keyCode) {
    for (size_t bit = 0; bit < kModifierKeys.size(); ++bit) {
        if (kModifierKeys[bit] == keyCode) {
            return static_cast<uint8_t>(1u << bit);
        }
    }
    return 0;
}

uint16_t KeyIndexOf(uint16_t keyCode) {
    if (keyCode < 0x100) {
        return keyCode;
    }
    if (keyCode < 0x200) {
        return static_cast<uint16_t>((keyCode - 0x80) % 256);
    }
    return static_cast<uint16_t>(keyCode - 0x100);
}

uint16_t KeyCodeOfIndex(uint16_t keyIndex) {
    return keyIndex < 0x80 ? keyIndex : static_cast<uint16_t>(keyIndex + 0x80);
}

size_t GetKeyName(uint16_t keyCode, char16_t* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    const KeyRecord* record = RecordOf(keyCode);
    std::u16string_view name = record != nullptr ? KeyRecordName(*record) : std::u16string_view{};
    if (name.empty()) {
        return ui::FormatText(ui::TextOf(ui::TextKey::UNKNOWN_KEY), {unsigned{keyCode}},
                              std::span<char16_t>(buffer, capacity));
    }
    size_t length = std::min(name.size(), capacity - 1);
    std::copy_n(name.begin(), length, buffer);
    buffer[length] = 0;
    return length;
}

std::u16string GetKeyName(uint16_t keyCode) {
    char16_t buffer[kKeyNameCapacity];
    size_t length = GetKeyName(keyCode, buffer, kKeyNameCapacity);
    return std::u16string(buffer, length);
}

std::u16string_view KeyNameAtListPosition(uint16_t listPosition) {
    for (const KeyRecord& record : KeyTable) {
        if (record.listPosition == listPosition) {
            return KeyRecordName(record);
        }
    }
    return {};
}

uint16_t KeyCodeAtListPosition(uint16_t listPosition) {
    for (size_t index = 0; index < KeyTable.size(); ++index) {
        if (KeyTable[index].listPosition == listPosition) {
            return KeyCodeOfIndex(static_cast<uint16_t>(index));
        }
    }
    return 0;
}

uint16_t ListPositionOf(uint16_t keyCode) {
    const KeyRecord* record = RecordOf(keyCode);
    return record != nullptr ? record->listPosition : kNotListed;
}

Usage UsageOfKeyCode(uint16_t keyCode) {
    const KeyRecord* record = RecordOf(keyCode);
    uint8_t d = record != nullptr ? record->deviceKeyCode : 0;
    if (d == 0x00 || d == 0xFF) {
        return {0, 0};
    }
    if (d >= 0x81 && d <= 0x83) {
        return {1, d};
    }
    if (d >= 0xC0 && d <= 0xDF) {
        return {12, ConsumerUsageTable[d - 0xC0]};
    }
    return {7, d};
}

uint16_t KeyCodeOfUsage(Usage usage) {
    uint16_t d = 0;
    switch (usage.page) {
    case 7:
        d = usage.usage;
        break;
    case 1:
        d = usage.usage >= 0x81 && usage.usage <= 0x83 ? usage.usage : 0;
        break;
    case 12:
        for (size_t i = 0; i < ConsumerUsageTable.size(); ++i) {
            if (ConsumerUsageTable[i] == usage.usage) {
                d = static_cast<uint16_t>(0xC0 + i);
                break;
            }
        }
        break;
    default:
        break;
    }
    for (size_t index = 0; index < KeyTable.size(); ++index) {
        if (KeyTable[index].deviceKeyCode == d) {
            return KeyCodeOfIndex(static_cast<uint16_t>(index));
        }
    }
    return 0;
}

uint16_t KeyCodeOfModifierMask(uint8_t mask) {
    for (size_t bit = 0; bit < kModifierKeys.size(); ++bit) {
        if (mask & (1u << bit)) {
            return kModifierKeys[bit];
        }
    }
    return 0;
}

uint16_t KeyCodeOfSlot(uint8_t action, uint8_t p1, uint8_t p2) {
    switch (action) {
    case 2:
        return p1 == 2 ? KeyCodeOfUsage({7, p2}) : KeyCodeOfModifierMask(p2);
    case 3:
        return KeyCodeOfUsage({12, static_cast<uint16_t>(p1 + 256 * p2)});
    case 4:
        return KeyCodeOfUsage({1, static_cast<uint16_t>(p1 + 256 * p2)});
    case 6:
        // A special button; p2 counts from 1.
        return p1 == 0xA2 ? static_cast<uint16_t>(0x1FF + p2) : 0;
    default:
        return 0;
    }
}

uint16_t KeyCodeOfVirtualKey(uint8_t virtualKey) {
    return KeyCodeOfIndex(VirtualKeyTable[virtualKey]);
}

uint16_t KeyCodeOfKeyMessage(uint8_t virtualKey, uint32_t lParam) {
    auto scan = static_cast<uint16_t>((lParam >> 16) & 0x1FF);
    if (scan == 0x036) {
        return 0x036;
    }
    if (virtualKey == 0xFF) {
        return scan;
    }
    if ((scan & 0xFF) == 0) {
        return KeyCodeOfVirtualKey(virtualKey);
    }
    const KeyRecord& record = KeyTable[KeyIndexOf(scan)];
    if (record.virtualKey == virtualKey || record.virtualKeyNumLockOff == virtualKey) {
        return scan;
    }
    if ((scan & 0xFF) == VirtualKeyTable[virtualKey]) {
        return scan;
    }
    return KeyCodeOfVirtualKey(virtualKey);
}

bool IsReleaseOnlyKey(uint16_t keyCode) {
    return std::find(kReleaseOnlyKeys.begin(), kReleaseOnlyKeys.end(), keyCode) !=
           kReleaseOnlyKeys.end();
}

} // namespace keys
