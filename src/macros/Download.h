#pragma once

// The download of the macro list and the key maps to the keyboard: the macro area goes out
// whole, then one 512-byte key map per on-board profile, inside one begin/end bracket.

#include <array>
#include <cstdint>
#include <span>

#include "keys/KeyEntry.h"
#include "macros/MacroRecord.h"

namespace ui {
class Prompts;
}

namespace macros {

inline constexpr size_t kKeyMapSize = 512;
inline constexpr size_t kKeyMapSlots = 126;

// The keyboard's macro space in bytes (configuration byte 11 x 128), read at each
// connection; 0 until a keyboard has connected.
uint32_t MacroSpace();
void SetMacroSpace(uint32_t bytes);

// The position (from 0) of the first macro with this id; 0 when none has it, which is also
// the first macro's position.
uint16_t FindMacroIndex(std::span<const MacroRecord> macros, uint32_t id);

// One profile's key map: the default layout with its first 126 slots rewritten from the
// block's entries of the keys those slots name. Kind-4 entries take the position of their
// macro in macros.
std::array<uint8_t, kKeyMapSize> BuildKeyMap(std::span<const keys::KeyEntry> block,
                                             std::span<const uint8_t, kKeyMapSize> defaultLayout,
                                             std::span<const MacroRecord> macros);

// What a download sent and what the keyboard confirmed of it.
struct DownloadReport {
    enum class Held {
        None,           // the sequence went out
        NoCopy,         // nothing to send
        ProfileUnknown, // only the current profile was asked for, and it is unknown
        NoLayout,       // no default layout read from the keyboard
        NoSpace,        // the macro area does not fit the keyboard's macro space
        NoMemory,
    };
    static constexpr int8_t kNotSent = -1, kFailed = 0, kWritten = 1;
    // What the read-back after a confirmed download found (kNotSent: not read back).
    static constexpr int8_t kDiffers = 0, kKept = 1, kUnread = 2;

    Held held = Held::NoCopy; // why nothing was sent
    bool namesDropped = false;
    int8_t begin = kNotSent;
    int8_t macroArea = kNotSent;
    std::array<int8_t, 3> keyMaps{kNotSent, kNotSent, kNotSent}; // by on-board profile
    int8_t end = kNotSent;
    int8_t macroAreaKept = kNotSent;
    std::array<int8_t, 3> keyMapsKept{kNotSent, kNotSent, kNotSent};
};

// Sends the download copy: the macro area and the key maps of on-board profiles 0, 1 and 2
// (allProfiles) or of the current one only. Returns 1 when the macro area, every key map and
// the closing end transfer succeeded and reading them back gave what was sent, 0 otherwise
// (a failing write does not stop the others; a part that the keyboard did not keep, or that
// could not be read back, is named to the user). Sends nothing when the area exceeds the macro
// space (with a message, checked before anything else, so also before any keyboard connected), when
// the current profile is unknown and only it was asked for, or when no default layout has been read
// from the keyboard. report, when given, receives what went out and what the keyboard confirmed.
int DownloadToKeyboard(bool allProfiles, ui::Prompts& prompts, DownloadReport* report = nullptr);

} // namespace macros
