#pragma once

// The process-wide profile data: the store that every editor reads and changes under the
// profile lock, and its copy for the download under the download lock. Where both locks
// are held, the profile lock is taken first.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

#include "macros/MacroRecord.h"
#include "profiles/ProfileImage.h"

namespace profiles {

// The owned NUL-terminated text of one key entry (kinds 3 and 6); length 0 is empty.
struct TextSlot {
    std::unique_ptr<char16_t[]> text;
    uint32_t length = 0; // bytes, terminator included

    // The units before the terminator.
    std::u16string_view View() const {
        return length < 2 ? std::u16string_view{} : std::u16string_view(text.get(), length / 2 - 1);
    }
};

// One slot per global key entry number.
struct TextTable {
    std::array<TextSlot, kKeyEntryCount> entries;
};

struct ProfileStore {
    std::recursive_mutex lock; // the profile lock
    std::unique_ptr<ProfileImage> image;
    std::unique_ptr<macros::MacroRecord[]> macros;
    uint16_t macroCount = 0;
    std::unique_ptr<TextTable> texts; // allocated once, kept for the process
    uint32_t textBytes = 0;           // sum of the slots' lengths
    // The keyboard's own key map, filled when it connects and kept when that read fails.
    std::array<uint8_t, 512> defaultLayout{};

    std::span<macros::MacroRecord> Macros() { return {macros.get(), macros ? macroCount : 0u}; }
};

// The serialised image from which the download reads.
struct DownloadCopy {
    std::recursive_mutex lock; // the download lock
    std::unique_ptr<ProfileImage> image;
    std::unique_ptr<macros::MacroRecord[]> macros;
    uint16_t macroCount = 0;
    std::unique_ptr<uint8_t[]> textBlock;
    uint32_t textBytes = 0;
    std::array<uint8_t, 512> defaultLayout{};

    std::span<const macros::MacroRecord> Macros() const {
        return {macros.get(), macros ? macroCount : 0u};
    }
};

ProfileStore& GetProfileStore();
DownloadCopy& GetDownloadCopy();

// Start-up: allocates and clears the text table and builds a default profile in memory.
// Returns 1, or 0 when memory is short.
int InitProfileStore();

// Replacing the store's content releases, under the profile lock, in this order: texts,
// macros, image. The text table itself stays allocated.
void ReleaseProfileTexts();
void ReleaseProfileMacros();
void ReleaseProfileImage();
void ReleaseProfileStore(); // all three, in order
void ReleaseDownloadCopy(); // caller holds the download lock

// Writes a default profile to path (create or truncate), or with inMemory makes it the
// store's image (the caller has released the old content). Returns 1 done, 0 failed;
// error, when given, says why (an errno value or kNotRegularFile, see WriteFileAtomically).
int CreateDefaultProfile(const std::filesystem::path& path, uint8_t flag, bool inMemory,
                         int* error = nullptr);

// Releases the store and builds a default profile in memory: the store is never left empty.
int ResetStoreToDefault();

// The text of a global entry's slot; stores a copy (replacing an older one) and keeps the
// store's text bytes in step. An empty text empties the slot. Caller holds the profile lock.
int SetEntryText(uint32_t globalEntry, std::u16string_view text);

} // namespace profiles
