#pragma once

// Profile files (".bvx") and the snapshot file: validation before an import, loading into
// the store, saving the store, and the download copy prepared from it.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "macros/Download.h"
#include "profiles/AtomicFile.h"
#include "profiles/ProfileImage.h"

namespace ui {
class Prompts;
}

namespace profiles {

// The header checks of a validation, in the order they are made.
enum class HeaderFault {
    None,
    Magic,
    HeaderSize,
    Fixed4,
    Fixed6,
    TotalTooSmall,
    KeyEntryCount,
    MacroCount,
    Flag,
    TotalMismatch,
    Checksum,
};

HeaderFault CheckFileHeader(const ProfileFileHeader& header);
// A short English description, for the command-line tool.
std::string_view DescribeHeaderFault(HeaderFault fault);

inline constexpr int kValidateCannotOpen = -2;
inline constexpr int kValidateNoMemory = -3;

// 1 valid; 0 missing, shorter than 32,832 bytes, 4 GiB or larger, or a header check failed
// (the format message is shown then, with the path); -2 cannot be opened; -3 out of memory.
// fault, when given, receives the failing header check; error, when the file cannot be
// opened, why (an errno value or kNotRegularFile).
int ValidateProfileFile(const std::filesystem::path& path, ui::Prompts& prompts,
                        HeaderFault* fault = nullptr, int* error = nullptr);

// Why a load failed.
enum class LoadFault {
    None,
    Missing,
    CannotOpen,
    Short,            // shorter than its header says
    MacroCount,       // more than 100 macros
    ActionCount,      // a macro with more than 2000 actions
    TextOffset,       // a text entry pointing outside the text block
    TextUnterminated, // a text that does not end inside the text block
    TextsOverlap,     // texts adding up to more than the text block (entries sharing a text)
    NoMemory,
};
std::string_view DescribeLoadFault(LoadFault fault);

// Loads the file into the store, under the profile lock. The whole file is read and checked
// before the store changes: on success the store's old content is released and replaced;
// on failure the store keeps its content, or becomes a default profile if it was empty.
// Memory taken stays within a small multiple of the file's size. Returns 1 loaded, 0
// failed; error, when the file cannot be opened, says why.
int LoadProfileFile(const std::filesystem::path& path, LoadFault* fault = nullptr,
                    int* error = nullptr);

// True when the file reads back as exactly what the store holds (image, macros and texts):
// a written file that can stand in for the store. Takes the profile lock.
bool FileHoldsStore(const std::filesystem::path& path);

// Releases the store and loads the file; when that fails the store is a default profile.
int ReplaceStoreFromFile(const std::filesystem::path& path);

// Writes the store (header rebuilt, texts packed, their offsets stored in the entries) to
// path, replacing it as a whole (see WriteFileAtomically). Returns 1 written, 0 failed;
// error, when given, says why (an errno value or kNotRegularFile).
int SaveProfileFile(bool takeLock, const std::filesystem::path& path, int* error = nullptr);

// Rewrites the snapshot file of the current profile, but only when it exists already.
// Returns 1 written, 0 not written.
int SaveProfileSnapshot(bool takeLock);

struct TextBlock {
    bool ok = false; // false when memory is short
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t size = 0;
};

// The text block of the store's kind-3 and kind-6 entries in ascending entry number, each
// text NUL-terminated; writes each entry's offset into its value. Caller holds the profile
// lock.
TextBlock PackTextBlock();

// Copies the store into the download copy and downloads it: all three on-board profiles'
// key blocks, or only the current one's. Returns the download's result, 0 when memory is
// short. Takes the profile lock, then the download lock. report, when given, tells which
// parts reached the keyboard.
int PrepareDownloadCopy(bool allProfiles, ui::Prompts& prompts,
                        macros::DownloadReport* report = nullptr);

} // namespace profiles
