#pragma once

// The keyboard's present content as a profile file: its three key maps decoded against the
// default layout, and its macro area rebuilt into macro records.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "profiles/ProfileImage.h"

namespace profiles {

// Fills block from a keyboard key map: every slot that differs from the default layout's
// slot gives the entry of the key the default layout names there (disabled, another key,
// a macro, stop, a media or keyboard function); the rest keep their default entries.
void DecodeKeyMap(keys::KeyEntry (&block)[kBlockEntries], std::span<const uint8_t, 512> keyMap,
                  std::span<const uint8_t, 512> defaultLayout);

// Why a snapshot was not written.
enum class SnapshotFault {
    None,
    ProfileUnknown, // the keyboard does not tell its active profile
    KeyMapRead,     // reading a key map failed
    MacroAreaRead,  // reading the macro area failed
    MacroArea,      // the macro area's header or content does not fit a profile
    NoMemory,
    Write, // the file cannot be written (error says why)
};
std::string_view DescribeSnapshotFault(SnapshotFault fault);

// Reads the key maps of on-board profiles 0, 1, 2 and the macro area and writes them to
// path as a profile file, without texts. Returns 1 written, 0 failed (nothing written):
// the current profile unknown, a read failing, or a macro area that does not decode. A
// macro area header that claims more than 100 macros or more than the keyboard's macro
// space is refused before anything is allocated for it. fault, when given, says what
// failed; error, for a write, why (an errno value or kNotRegularFile). Talks to the
// keyboard before any lock is taken.
int SnapshotKeyboardToFile(const std::filesystem::path& path, SnapshotFault* fault = nullptr,
                           int* error = nullptr);

} // namespace profiles
