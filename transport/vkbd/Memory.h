#pragma once

// The virtual keyboard's memories. Writes land in working memory; they become permanent
// (flash) when the bracket that they were made in ends, or at once when made outside a
// bracket. A keyboard that loses power forgets what was not yet permanent.

#include <array>
#include <cstdint>
#include <span>

namespace vkbd {

inline constexpr uint32_t kConfigSize = 48;
// Three 42-byte lighting records, then room the firmware keeps spare: the program reads
// each record with a 56-byte read, the last one at position 84.
inline constexpr uint32_t kParamsSize = 256;
inline constexpr uint32_t kKeyMapSize = 512;
inline constexpr uint32_t kKeyMapPages = 3;
inline constexpr uint32_t kKeyMapsSize = kKeyMapSize * kKeyMapPages;
inline constexpr uint32_t kDefaultLayoutSize = 512;
// Three 180-byte key-light blocks, then spare: the program reads each block in 54-byte
// pieces, the last one ending at position 2 x 180 + 216.
inline constexpr uint32_t kKeyColoursSize = 768;
inline constexpr uint32_t kMacroUnitBytes = 128;
inline constexpr uint32_t kMacroAreaCapacity = 255 * kMacroUnitBytes;
inline constexpr uint32_t kMaxTransfer = 56;

// Configuration block fields.
inline constexpr uint32_t kConfigActiveProfile = 10;
inline constexpr uint32_t kConfigMacroUnits = 11;
inline constexpr uint32_t kConfigEffectsBegin = 16;
inline constexpr uint32_t kConfigEffectsEnd = 48;

inline constexpr uint8_t kStatusAccepted = 0x00;
inline constexpr uint8_t kStatusRefused = 0xFF;
inline constexpr uint8_t kStatusBadChecksum = 0xFE;

enum class Region { Config, Params, KeyMaps, DefaultLayout, KeyColours, MacroArea };

struct MemoryImage {
    std::array<uint8_t, kConfigSize> config{};
    std::array<uint8_t, kParamsSize> params{};
    std::array<uint8_t, kKeyMapsSize> keyMaps{};
    std::array<uint8_t, kKeyColoursSize> keyColours{};
    std::array<uint8_t, kMacroAreaCapacity> macroArea{};
    bool operator==(const MemoryImage&) const = default;

    uint32_t MacroSpace() const { return config[kConfigMacroUnits] * kMacroUnitBytes; }
};

// The bytes of a region that commands may reach (the macro area: the macro space only).
std::span<const uint8_t> RegionBytes(const MemoryImage& image, Region region);

class KeyboardMemory {
public:
    explicit KeyboardMemory(const MemoryImage& flash);

    // Status kStatusAccepted with the bytes in out, or kStatusRefused for a length above
    // 56 or a range outside the region.
    uint8_t Read(Region region, uint32_t position, uint32_t length, std::span<uint8_t> out) const;
    // The configuration block keeps its read-only bytes (macro space, effect list) and
    // refuses an active profile above 2; the default layout cannot be written.
    uint8_t Write(Region region, uint32_t position, std::span<const uint8_t> data);

    void BeginTransfer();
    void EndTransfer();
    bool TransferOpen() const { return transferOpen_; }
    // A transfer abandoned by its host: its writes are dropped, as if power were lost.
    void DropTransfer() { PowerCycle(); }
    // Power lost: working memory is what flash holds, and no bracket is open.
    void PowerCycle();
    // The macro space is a property of the hardware, set when the keyboard is made.
    void SetMacroUnits(uint8_t units);

    const MemoryImage& Flash() const { return flash_; }
    const MemoryImage& Working() const { return working_; }
    // Counts the commits that changed flash, so that the owner knows when to save.
    uint64_t FlashGeneration() const { return generation_; }

private:
    void Commit();

    MemoryImage flash_;
    MemoryImage working_;
    bool transferOpen_ = false;
    uint64_t generation_ = 0;
};

} // namespace vkbd
