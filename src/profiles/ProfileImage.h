#pragma once

// The profile image: the first 32,832 bytes of every profile file, byte for byte. It holds
// the file header, the key table header and the four key blocks; the macro records and the
// text block follow it in a file.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "keys/KeyEntry.h"

namespace profiles {

static_assert(std::endian::native == std::endian::little);

inline constexpr uint16_t kFileMagic = 0x4446;
inline constexpr uint16_t kFileHeaderSize = 32;
inline constexpr uint16_t kFileFixed4 = 3;
inline constexpr uint16_t kFileFixed6 = 1;
inline constexpr uint16_t kKeyEntryCount = 2048;
inline constexpr uint32_t kImageSize = 32832; // 0x8040
inline constexpr uint32_t kMacroRecordSize = 16512;
inline constexpr uint16_t kMaxFileMacros = 100;

inline constexpr size_t kBlocks = keys::kKeyBlocks;             // 4
inline constexpr size_t kBlockEntries = keys::kKeyBlockEntries; // 512
inline constexpr size_t kProfileCount = 3; // on-board profiles; block 3 is never sent

struct ProfileFileHeader {
    uint16_t magic;         // 0x4446
    uint16_t headerSize;    // 32
    uint16_t fixed4;        // 3
    uint16_t fixed6;        // 1
    uint32_t totalSize;     // 32,832 + macro count x 16,512 + text bytes
    uint16_t keyEntryCount; // 2048
    uint16_t macroCount;    // 0..100
    uint32_t textBytes;     // size of the text block
    uint32_t reserved14;
    uint32_t reserved18;
    uint16_t reserved1C;
    uint8_t flag;     // written as 0; 0 and 1 are accepted
    uint8_t checksum; // sum of bytes 0x00..0x1E, modulo 256
};

// Written with fixed values by every writer and never checked on reading.
struct KeyTableHeader {
    uint16_t magic;           // 0x484B
    uint16_t headerSize;      // 32
    uint32_t tableSize;       // 32,800: this header and the key entries
    uint16_t blocks;          // 4
    uint16_t entriesPerBlock; // 512
    uint32_t reserved0C;
    uint32_t word10; // 0x65150C45
    uint32_t word14; // 0x000E1C4F
    uint32_t reserved18;
    uint32_t reserved1C;
};

struct ProfileImage {
    ProfileFileHeader header;
    KeyTableHeader keyTable;
    keys::KeyEntry blocks[kBlocks][kBlockEntries];
};

static_assert(std::is_trivially_copyable_v<ProfileFileHeader>);
static_assert(sizeof(ProfileFileHeader) == 32);
static_assert(offsetof(ProfileFileHeader, magic) == 0x00);
static_assert(offsetof(ProfileFileHeader, headerSize) == 0x02);
static_assert(offsetof(ProfileFileHeader, fixed4) == 0x04);
static_assert(offsetof(ProfileFileHeader, fixed6) == 0x06);
static_assert(offsetof(ProfileFileHeader, totalSize) == 0x08);
static_assert(offsetof(ProfileFileHeader, keyEntryCount) == 0x0C);
static_assert(offsetof(ProfileFileHeader, macroCount) == 0x0E);
static_assert(offsetof(ProfileFileHeader, textBytes) == 0x10);
static_assert(offsetof(ProfileFileHeader, reserved14) == 0x14);
static_assert(offsetof(ProfileFileHeader, reserved18) == 0x18);
static_assert(offsetof(ProfileFileHeader, reserved1C) == 0x1C);
static_assert(offsetof(ProfileFileHeader, flag) == 0x1E);
static_assert(offsetof(ProfileFileHeader, checksum) == 0x1F);

static_assert(std::is_trivially_copyable_v<KeyTableHeader>);
static_assert(sizeof(KeyTableHeader) == 32);
static_assert(offsetof(KeyTableHeader, magic) == 0x00);
static_assert(offsetof(KeyTableHeader, headerSize) == 0x02);
static_assert(offsetof(KeyTableHeader, tableSize) == 0x04);
static_assert(offsetof(KeyTableHeader, blocks) == 0x08);
static_assert(offsetof(KeyTableHeader, entriesPerBlock) == 0x0A);
static_assert(offsetof(KeyTableHeader, reserved0C) == 0x0C);
static_assert(offsetof(KeyTableHeader, word10) == 0x10);
static_assert(offsetof(KeyTableHeader, word14) == 0x14);
static_assert(offsetof(KeyTableHeader, reserved18) == 0x18);
static_assert(offsetof(KeyTableHeader, reserved1C) == 0x1C);

static_assert(std::is_trivially_copyable_v<ProfileImage>);
static_assert(sizeof(ProfileImage) == kImageSize);
static_assert(offsetof(ProfileImage, header) == 0x0000);
static_assert(offsetof(ProfileImage, keyTable) == 0x0020);
static_assert(offsetof(ProfileImage, blocks) == 0x0040);

// The global entry number of an entry (block x 512 + index) is also its text slot.
inline keys::KeyEntry& EntryAt(ProfileImage& image, size_t globalEntry) {
    return image.blocks[globalEntry / kBlockEntries][globalEntry % kBlockEntries];
}
inline const keys::KeyEntry& EntryAt(const ProfileImage& image, size_t globalEntry) {
    return image.blocks[globalEntry / kBlockEntries][globalEntry % kBlockEntries];
}

inline bool CarriesText(const keys::KeyEntry& entry) {
    return entry.kind == static_cast<uint16_t>(keys::KeyKind::Program) ||
           entry.kind == static_cast<uint16_t>(keys::KeyKind::TextBlock);
}

// Computed wide: a damaged header must not wrap around to a plausible size.
inline uint64_t TotalFileSize(uint64_t macroCount, uint64_t textBytes) {
    return kImageSize + macroCount * kMacroRecordSize + textBytes;
}

// Fills the 32-byte file header in place; the checksum is computed last.
void BuildFileHeader(ProfileImage& image, uint16_t macroCount, uint32_t textBytes, uint8_t flag);
// The sum of the header's first 31 bytes, kept to 8 bits.
uint8_t HeaderChecksum(const ProfileFileHeader& header);
void WriteKeyTableHeader(ProfileImage& image);
// All zero except the 18 special-button entries, whose codes are fixed identifiers.
void SetDefaultBlock(keys::KeyEntry (&block)[kBlockEntries]);
// Header, key table header and four default blocks.
void BuildDefaultImage(ProfileImage& image, uint8_t flag);

} // namespace profiles
