#include "macros/MacroArea.h"

#include <cstring>
#include <mutex>
#include <string>

#include "keys/KeyCodes.h"
#include "profiles/ProfileStore.h"
#include "ui/TextTable.h"

namespace macros {
namespace {

uint16_t Get16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

void Put16(std::span<uint8_t> bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

uint8_t UsageKindOfPage(uint16_t page) {
    switch (page) {
    case 7:
        return kUsageKeyboard;
    case 12:
        return kUsageConsumer;
    case 1:
        return kUsageDesktop;
    default:
        return kUsageNone;
    }
}

} // namespace

std::array<uint8_t, 4> PackAction(const MacroAction& action) {
    keys::Usage usage = keys::UsageOfKeyCode(action.keyCode);
    uint8_t kind = UsageKindOfPage(usage.page);
    uint16_t word = static_cast<uint16_t>((action.delayMs / 10) & 0x0FFF);
    word |= static_cast<uint16_t>(kind << 12);
    if (action.state == kStatePress)
        word |= 0x8000;
    std::array<uint8_t, 4> out{static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8), 0, 0};
    if (kind == kUsageKeyboard) {
        if (uint8_t mask = keys::ModifierMaskOf(action.keyCode)) {
            out[2] = 0x01;
            out[3] = mask;
        } else {
            out[2] = 0x02;
            out[3] = static_cast<uint8_t>(usage.usage);
        }
    } else if (kind != kUsageNone) {
        out[2] = static_cast<uint8_t>(usage.usage);
        out[3] = static_cast<uint8_t>(usage.usage >> 8);
    }
    return out;
}

MacroAction UnpackAction(std::span<const uint8_t, 4> bytes) {
    uint16_t word = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    uint8_t kind = static_cast<uint8_t>((word >> 12) & 7);
    return MacroAction{
        .delayMs = (word & 0x0FFFu) * 10u,
        .keyCode = keys::KeyCodeOfSlot(kind, bytes[2], bytes[3]),
        .state = (word & 0x8000) ? kStatePress : kStateRelease,
    };
}

AreaSizes MeasureMacroArea(std::span<const MacroRecord> macros) {
    uint32_t base = kAreaHeaderSize + 2 * static_cast<uint32_t>(macros.size());
    AreaSizes sizes{base, base};
    for (const MacroRecord& m : macros) {
        uint32_t block = 4 + 4 * static_cast<uint32_t>(ActionCountOf(m));
        sizes.withoutNames += block;
        sizes.withNames += block + 2 * static_cast<uint32_t>(NameLength(m));
    }
    return sizes;
}

AreaSizes MeasureMacroArea() {
    profiles::DownloadCopy& copy = profiles::GetDownloadCopy();
    std::lock_guard lock(copy.lock);
    return MeasureMacroArea(copy.Macros());
}

int PackMacros(std::span<uint8_t> out, uint16_t total, bool names,
               std::span<const MacroRecord> macros) {
    AreaSizes sizes = MeasureMacroArea(macros);
    if (out.size() < (names ? sizes.withNames : sizes.withoutNames))
        return 0;
    const size_t n = macros.size();
    std::memset(out.data(), 0, kAreaHeaderSize); // the reserved bytes go out as zero
    Put16(out, 0, kAreaMagic);
    Put16(out, 2, total);
    Put16(out, 4, static_cast<uint16_t>(n));
    Put16(out, 6, names ? 1 : 0);
    size_t offset = kAreaHeaderSize + 2 * n;
    for (size_t i = 0; i < n; ++i) {
        const MacroRecord& m = macros[i];
        const uint16_t count = ActionCountOf(m);
        const size_t nameLength = names ? NameLength(m) : 0;
        Put16(out, kAreaHeaderSize + 2 * i, static_cast<uint16_t>(offset));
        Put16(out, offset, count);
        out[offset + 2] = m.cycles;
        out[offset + 3] = static_cast<uint8_t>(nameLength);
        offset += 4;
        for (uint16_t j = 0; j < count; ++j) {
            auto packed = PackAction(m.actions[j]);
            std::memcpy(&out[offset], packed.data(), packed.size());
            offset += 4;
        }
        for (size_t k = 0; k < nameLength; ++k) {
            Put16(out, offset, m.name[k]);
            offset += 2;
        }
    }
    return 1;
}

int PackMacros(std::span<uint8_t> out, uint16_t total, bool names) {
    profiles::DownloadCopy& copy = profiles::GetDownloadCopy();
    std::lock_guard lock(copy.lock);
    return PackMacros(out, total, names, copy.Macros());
}

uint16_t AreaMacroCount(std::span<const uint8_t> area) {
    if (area.size() < kAreaHeaderSize || Get16(area, 0) != kAreaMagic)
        return 0;
    return Get16(area, 4);
}

int UnpackMacros(std::span<MacroRecord> records, std::span<const uint8_t> area) {
    for (MacroRecord& r : records)
        std::memset(&r, 0, sizeof r);
    if (area.size() < kAreaHeaderSize)
        return 0;
    const size_t n = Get16(area, 4);
    if (n != records.size() || n > kMaxMacros || kAreaHeaderSize + 2 * n > area.size())
        return 0;

    // Check every block before building any record, so that a refused area leaves nothing.
    for (size_t i = 0; i < n; ++i) {
        const size_t offset = Get16(area, kAreaHeaderSize + 2 * i);
        if (offset < kAreaHeaderSize + 2 * n || offset + 4 > area.size())
            return 0;
        const size_t count = Get16(area, offset);
        const size_t nameLength = area[offset + 3];
        if (count > kMaxActions || nameLength > kMaxNameLength ||
            offset + 4 + 4 * count + 2 * nameLength > area.size())
            return 0;
    }

    const std::u16string_view prefix = ui::TextOf(ui::TextKey::MACRO_NEW_PREFIX);
    for (size_t i = 0; i < n; ++i) {
        const size_t offset = Get16(area, kAreaHeaderSize + 2 * i);
        MacroRecord& r = records[i];
        r.cycles = area[offset + 2];
        r.isNew = 0;
        r.playMode = kPlayOnce;
        r.id = static_cast<uint16_t>(i + 1);
        r.actionCount = Get16(area, offset);
        for (size_t j = 0; j < r.actionCount; ++j)
            r.actions[j] = UnpackAction(area.subspan(offset + 4 + 4 * j).first<4>());
        const size_t nameLength = area[offset + 3];
        if (nameLength != 0) {
            const size_t at = offset + 4 + 4 * size_t{r.actionCount};
            for (size_t k = 0; k < nameLength; ++k)
                r.name[k] = static_cast<char16_t>(Get16(area, at + 2 * k));
            r.name[nameLength] = 0;
        } else {
            std::u16string name(prefix);
            for (char c : std::to_string(i + 1))
                name.push_back(static_cast<char16_t>(c));
            SetName(r, name);
        }
    }
    return 1;
}

} // namespace macros
