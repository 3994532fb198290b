#include "profiles/Snapshot.h"

#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "device/Commands.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"
#include "macros/Download.h"
#include "macros/MacroArea.h"
#include "profiles/AtomicFile.h"
#include "profiles/CurrentProfile.h"
#include "profiles/ProfileStore.h"

namespace profiles {
namespace {

constexpr size_t kSlots = 126;

uint16_t Kind(keys::KeyKind kind) {
    return static_cast<uint16_t>(kind);
}

} // namespace

void DecodeKeyMap(keys::KeyEntry (&block)[kBlockEntries], std::span<const uint8_t, 512> keyMap,
                  std::span<const uint8_t, 512> defaultLayout) {
    SetDefaultBlock(block);
    for (size_t s = 0; s < kSlots; ++s) {
        const uint8_t* k = &keyMap[3 * s];
        const uint8_t* d = &defaultLayout[3 * s];
        if (std::memcmp(k, d, 3) == 0)
            continue;
        const uint16_t index = keys::KeyIndexOf(keys::KeyCodeOfSlot(d[0], d[1], d[2]));
        if (index == 0 || index >= kBlockEntries)
            continue;
        // A key named at two slots takes the later one whole: no value of the earlier slot
        // may stay behind a kind that has none.
        keys::KeyEntry& entry = block[index];
        entry.kind = Kind(keys::KeyKind::Disabled);
        entry.value = 0;
        const uint8_t action = k[0], p1 = k[1], p2 = k[2];
        if (action == 5 && p1 == 1) {
            entry.kind = Kind(keys::KeyKind::Macro);
            entry.value = uint32_t{p2} + 1;
        } else if (action == 5 && p1 == 2) {
            entry.kind = Kind(keys::KeyKind::StopMacro);
        } else if (action == 5 && p1 == 5) {
            entry.kind = Kind(keys::KeyKind::Function);
            entry.value = p2;
        } else if (action == 3) {
            const uint16_t usage = static_cast<uint16_t>(p1 | p2 << 8);
            for (size_t m = 0; m < keys::MediaFunctionTable.size(); ++m) {
                if (keys::MediaFunctionTable[m].usage == usage) {
                    entry.kind = Kind(keys::KeyKind::Media);
                    entry.value = static_cast<uint32_t>(m);
                    break;
                }
            }
        } else if (action == 2 && p1 == 2) {
            if (uint16_t code = keys::KeyCodeOfUsage({7, p2})) {
                entry.kind = Kind(keys::KeyKind::Key);
                entry.value = code;
            }
        } else if (action == 2 && p1 == 1) {
            entry.kind = Kind(keys::KeyKind::Key);
            entry.value = keys::KeyCodeOfModifierMask(p2);
        }
    }
}

std::string_view DescribeSnapshotFault(SnapshotFault fault) {
    switch (fault) {
    case SnapshotFault::None:
        return "written";
    case SnapshotFault::ProfileUnknown:
        return "the keyboard does not tell its active profile";
    case SnapshotFault::KeyMapRead:
        return "reading a key map from the keyboard failed";
    case SnapshotFault::MacroAreaRead:
        return "reading the macro area from the keyboard failed";
    case SnapshotFault::MacroArea:
        return "the keyboard's macro area is damaged";
    case SnapshotFault::NoMemory:
        return "out of memory";
    case SnapshotFault::Write:
        return "the file cannot be written";
    }
    return "unknown fault";
}

namespace {

SnapshotFault Snapshot(const std::filesystem::path& path, int& error) {
    const int current = GetCurrentProfile();
    if (current < 0 || current > 3)
        return SnapshotFault::ProfileUnknown;

    std::array<std::array<uint8_t, 512>, kProfileCount> maps{};
    for (uint32_t page = 0; page < kProfileCount; ++page) {
        if (device::ReadKeyMap(maps[page], page) != 1)
            return SnapshotFault::KeyMapRead;
    }

    std::vector<uint8_t> area(macros::kAreaHeaderSize, 0);
    if (device::ReadMacroArea(area, macros::kAreaHeaderSize) != 1)
        return SnapshotFault::MacroAreaRead;
    uint16_t macroCount = macros::AreaMacroCount(area);
    if (macroCount != 0) {
        // The header is the keyboard's word only: what it claims must fit the keyboard
        // before anything is allocated for it (the space is unknown before the first
        // connection read it; the largest a keyboard can report stands in then).
        constexpr uint32_t kLargestSpace = 255 * 128;
        const uint32_t space = macros::MacroSpace() != 0 ? macros::MacroSpace() : kLargestSpace;
        const uint32_t total = static_cast<uint32_t>(area[2] | area[3] << 8);
        if (macroCount > macros::kMaxMacros || total > space ||
            total < macros::kAreaHeaderSize + 2u * macroCount)
            return SnapshotFault::MacroArea;
        area.assign(total, 0);
        if (device::ReadMacroArea(area, total) != 1)
            return SnapshotFault::MacroAreaRead;
        // The full read must still declare what the first one did.
        if (macros::AreaMacroCount(area) != macroCount)
            return SnapshotFault::MacroArea;
    }

    std::unique_ptr<ProfileImage> image(new (std::nothrow) ProfileImage);
    std::unique_ptr<macros::MacroRecord[]> records;
    if (!image)
        return SnapshotFault::NoMemory;
    if (macroCount != 0) {
        records.reset(new (std::nothrow) macros::MacroRecord[macroCount]);
        if (!records)
            return SnapshotFault::NoMemory;
        if (macros::UnpackMacros({records.get(), macroCount}, area) != 1)
            return SnapshotFault::MacroArea;
    }

    std::array<uint8_t, 512> defaultLayout;
    {
        ProfileStore& store = GetProfileStore();
        std::lock_guard lock(store.lock);
        defaultLayout = store.defaultLayout;
    }
    std::memset(static_cast<void*>(image.get()), 0, sizeof(ProfileImage));
    BuildFileHeader(*image, macroCount, 0, 0);
    WriteKeyTableHeader(*image);
    for (size_t b = 0; b < kProfileCount; ++b)
        DecodeKeyMap(image->blocks[b], maps[b], defaultLayout);
    SetDefaultBlock(image->blocks[3]);

    const auto* imageBytes = reinterpret_cast<const uint8_t*>(image.get());
    const auto* recordBytes = reinterpret_cast<const uint8_t*>(records.get());
    if (WriteFileAtomically(
            path,
            {std::span(imageBytes, sizeof(ProfileImage)),
             std::span(recordBytes, size_t{macroCount} * sizeof(macros::MacroRecord))},
            &error) != 1)
        return SnapshotFault::Write;
    return SnapshotFault::None;
}

} // namespace

int SnapshotKeyboardToFile(const std::filesystem::path& path, SnapshotFault* fault, int* error) {
    int writeError = 0;
    SnapshotFault found;
    try {
        found = Snapshot(path, writeError);
    } catch (const std::bad_alloc&) {
        found = SnapshotFault::NoMemory;
    }
    if (fault)
        *fault = found;
    if (error)
        *error = writeError;
    return found == SnapshotFault::None ? 1 : 0;
}

} // namespace profiles
