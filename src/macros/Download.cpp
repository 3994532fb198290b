#include "macros/Download.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "device/Commands.h"
#include "keys/KeyCodes.h"
#include "macros/MacroArea.h"
#include "profiles/CurrentProfile.h"
#include "profiles/ProfileStore.h"
#include "ui/Language.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"

namespace macros {
namespace {

std::atomic<uint32_t> g_macroSpace{0};

// A layout in which no position names a key is not the keyboard's: it is what the store
// holds before a default layout was ever read.
bool NamesAnyKey(std::span<const uint8_t, kKeyMapSize> layout) {
    for (size_t s = 0; s < kKeyMapSlots; ++s) {
        if (keys::KeyCodeOfSlot(layout[3 * s], layout[3 * s + 1], layout[3 * s + 2]) != 0)
            return true;
    }
    return false;
}

} // namespace

uint32_t MacroSpace() {
    return g_macroSpace.load();
}
void SetMacroSpace(uint32_t bytes) {
    g_macroSpace.store(bytes);
}

uint16_t FindMacroIndex(std::span<const MacroRecord> macros, uint32_t id) {
    for (size_t i = 0; i < macros.size(); ++i) {
        if (macros[i].id == id)
            return static_cast<uint16_t>(i);
    }
    return 0;
}

std::array<uint8_t, kKeyMapSize> BuildKeyMap(std::span<const keys::KeyEntry> block,
                                             std::span<const uint8_t, kKeyMapSize> defaultLayout,
                                             std::span<const MacroRecord> macros) {
    std::array<uint8_t, kKeyMapSize> map;
    std::copy(defaultLayout.begin(), defaultLayout.end(), map.begin());
    const keys::MacroPositionLookup position = [macros](uint32_t id) {
        return static_cast<uint8_t>(FindMacroIndex(macros, id));
    };
    for (size_t s = 0; s < kKeyMapSlots; ++s) {
        const keys::KeyAction d{defaultLayout[3 * s], defaultLayout[3 * s + 1],
                                defaultLayout[3 * s + 2]};
        const uint16_t keyCode = keys::KeyCodeOfSlot(d);
        if (keyCode == 0)
            continue;
        const uint16_t index = keys::KeyIndexOf(keyCode);
        if (index >= block.size())
            continue;
        const keys::KeyAction a = keys::EncodeKeyAction(block[index], d, position);
        map[3 * s] = a.action;
        map[3 * s + 1] = a.p1;
        map[3 * s + 2] = a.p2;
    }
    return map;
}

namespace {

// A keyboard may confirm a write and keep something else (a worn flash cell, a firmware
// fault): what was sent is read back and compared, and a part that differs, or cannot be
// read, fails the download and is named to the user.
bool VerifyDownload(std::span<const uint8_t> area, std::span<const uint32_t> pages,
                    std::span<const std::array<uint8_t, kKeyMapSize>> maps, DownloadReport& told,
                    ui::Prompts& prompts) {
    std::vector<std::u16string> parts;
    auto judge = [](int32_t read, bool same) {
        return read != 1 ? DownloadReport::kUnread
               : same    ? DownloadReport::kKept
                         : DownloadReport::kDiffers;
    };
    std::vector<uint8_t> back(area.size());
    const int32_t areaRead = device::ReadMacroArea(back, static_cast<uint32_t>(back.size()));
    told.macroAreaKept = judge(areaRead, std::ranges::equal(back, area));
    if (told.macroAreaKept != DownloadReport::kKept)
        parts.push_back(ui::LoadedWindowText(u"DOWNLOAD_PART_MACROS"));
    for (size_t i = 0; i < pages.size(); ++i) {
        std::array<uint8_t, kKeyMapSize> map{};
        const int32_t read = device::ReadKeyMap(map, pages[i]);
        told.keyMapsKept[pages[i]] = judge(read, map == maps[i]);
        if (told.keyMapsKept[pages[i]] != DownloadReport::kKept)
            parts.push_back(ui::FormatText(ui::LoadedWindowText(u"DOWNLOAD_PART_KEYS"),
                                           {static_cast<int>(pages[i] + 1)}));
    }
    if (parts.empty())
        return true;
    std::u16string list;
    for (const std::u16string& part : parts)
        list += (list.empty() ? u"" : u", ") + part;
    prompts.Inform(
        ui::FormatText(ui::LoadedWindowText(u"DOWNLOAD_NOT_KEPT"), {std::u16string_view(list)}));
    return false;
}

} // namespace

int DownloadToKeyboard(bool allProfiles, ui::Prompts& prompts, DownloadReport* report) {
    DownloadReport unused;
    DownloadReport& told = report ? *report : unused;
    told = DownloadReport{};
    profiles::DownloadCopy& copy = profiles::GetDownloadCopy();
    std::lock_guard lock(copy.lock);
    if (!copy.image)
        return 0;
    using Held = DownloadReport::Held;

    // The space comes first: before any keyboard connected the space is 0, and the user
    // learns why nothing was sent even though no layout or profile is known yet.
    const AreaSizes sizes = MeasureMacroArea(copy.Macros());
    const uint32_t space = MacroSpace();
    if (sizes.withoutNames > space) {
        prompts.Inform(ui::TextOf(ui::TextKey::EXTRA_MACRO_TOO_LONG));
        told.held = Held::NoSpace;
        return 0;
    }

    // Without a known current profile there is no page to write: send nothing rather than
    // a macro area whose key maps never follow.
    std::vector<uint32_t> pages;
    if (allProfiles) {
        pages = {0, 1, 2};
    } else {
        const int current = profiles::GetCurrentProfile();
        if (current < 0 || current >= static_cast<int>(profiles::kProfileCount)) {
            told.held = Held::ProfileUnknown;
            return 0;
        }
        pages = {static_cast<uint32_t>(current)};
    }

    // Every entry is encoded against the default layout: without one, the key maps would
    // only carry the empty layout and take every key of the profile away.
    if (!NamesAnyKey(copy.defaultLayout)) {
        told.held = Held::NoLayout;
        return 0;
    }

    const bool names = sizes.withNames <= space;
    const uint32_t size = names ? sizes.withNames : sizes.withoutNames;
    std::unique_ptr<uint8_t[]> area(new (std::nothrow) uint8_t[size]);
    if (!area) {
        told.held = Held::NoMemory;
        return 0;
    }
    const std::span<uint8_t> areaBytes(area.get(), size);
    PackMacros(areaBytes, static_cast<uint16_t>(size), names, copy.Macros());

    std::vector<std::array<uint8_t, kKeyMapSize>> maps;
    maps.reserve(pages.size());
    for (uint32_t page : pages)
        maps.push_back(BuildKeyMap(copy.image->blocks[page], copy.defaultLayout, copy.Macros()));

    // A failing command does not stop the sequence. Done means that the macro area, every
    // key map and the end that closes them all reached the keyboard: key maps without their
    // macro area play the wrong macros. The begin only opens the bracket.
    told.held = Held::None;
    told.namesDropped = !names;
    told.begin = device::BeginTransfer() == 1;
    told.macroArea = device::WriteMacroArea(areaBytes, size) == 1;
    bool done = told.macroArea;
    for (size_t i = 0; i < pages.size(); ++i) {
        const bool written = device::WriteKeyMap(maps[i], pages[i]) == 1;
        told.keyMaps[pages[i]] = written;
        done = written && done;
    }
    told.end = device::EndTransfer() == 1;
    done = told.end && done;

    if (!names)
        prompts.Inform(ui::TextOf(ui::TextKey::EXTRA_PROFILE_SPACE_TIGHT));
    if (done)
        done = VerifyDownload(areaBytes, pages, maps, told, prompts);
    return done ? 1 : 0;
}

} // namespace macros
