#include "profiles/ProfileImage.h"

#include <cstring>

namespace profiles {

uint8_t HeaderChecksum(const ProfileFileHeader& header) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&header);
    unsigned sum = 0;
    for (size_t i = 0; i < offsetof(ProfileFileHeader, checksum); ++i)
        sum += bytes[i];
    return static_cast<uint8_t>(sum);
}

void BuildFileHeader(ProfileImage& image, uint16_t macroCount, uint32_t textBytes, uint8_t flag) {
    ProfileFileHeader& h = image.header;
    h.magic = kFileMagic;
    h.headerSize = kFileHeaderSize;
    h.fixed4 = kFileFixed4;
    h.fixed6 = kFileFixed6;
    h.totalSize = static_cast<uint32_t>(TotalFileSize(macroCount, textBytes));
    h.keyEntryCount = kKeyEntryCount;
    h.macroCount = macroCount;
    h.textBytes = textBytes;
    h.reserved14 = 0;
    h.reserved18 = 0;
    h.reserved1C = 0;
    h.flag = flag;
    h.checksum = HeaderChecksum(h);
}

void WriteKeyTableHeader(ProfileImage& image) {
    image.keyTable = KeyTableHeader{
        .magic = 0x484B,
        .headerSize = 32,
        .tableSize = 32 + kBlocks * kBlockEntries * sizeof(keys::KeyEntry),
        .blocks = kBlocks,
        .entriesPerBlock = kBlockEntries,
        .reserved0C = 0,
        .word10 = 0x65150C45,
        .word14 = 0x000E1C4F,
        .reserved18 = 0,
        .reserved1C = 0,
    };
}

void SetDefaultBlock(keys::KeyEntry (&block)[kBlockEntries]) {
    for (auto& entry : block)
        entry = keys::KeyEntry{};
    for (uint16_t n = 1; n <= keys::kSpecialButtons; ++n) {
        block[keys::SpecialButtonEntry(n, false)].code = keys::SpecialButtonCode(n, false);
        block[keys::SpecialButtonEntry(n, true)].code = keys::SpecialButtonCode(n, true);
    }
}

void BuildDefaultImage(ProfileImage& image, uint8_t flag) {
    std::memset(static_cast<void*>(&image), 0, sizeof image);
    BuildFileHeader(image, 0, 0, flag);
    WriteKeyTableHeader(image);
    for (auto& block : image.blocks)
        SetDefaultBlock(block);
}

} // namespace profiles
