#pragma once

// The lighting record of an on-board profile (42 bytes of the keyboard's parameter area at
// profile x 42), the key-light patterns of the user-defined effect, and the keyboard's effect
// list. Colours are held as 0x00BBGGRR values and stored as the bytes red, green, blue.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace lighting {

inline constexpr uint32_t kRecordSize = 42;
inline constexpr uint32_t kRecordRead = 56; // each record is read with a full report
inline constexpr int kProfiles = 3;

// Record offsets.
inline constexpr uint32_t kOffEffect = 0;
inline constexpr uint32_t kOffBrightness = 1;
inline constexpr uint32_t kOffSpeed = 2;
inline constexpr uint32_t kOffUserMode = 3;
inline constexpr uint32_t kOffDirection = 4;
inline constexpr uint32_t kOffColour = 5;
inline constexpr uint32_t kOffBaseColour = 9;
inline constexpr uint32_t kOffSecondColour = 12;
inline constexpr uint32_t kOffReportRate = 15;
inline constexpr uint32_t kOffKeyLightTool = 16;
inline constexpr uint32_t kOffColourChoice = 17;
inline constexpr uint32_t kOffRainbow = 18;
inline constexpr uint32_t kOffTrigger = 19;
inline constexpr uint32_t kOffStoneColour = 25;
inline constexpr uint32_t kOffStoneRainbow = 28;
inline constexpr uint32_t kOffRibbonColour = 30;
inline constexpr uint32_t kOffRibbonRainbow = 33;

// The record as the panel holds it. Report rate and key-light tool are kept within the
// values their controls offer.
struct LightingRecord {
    uint8_t effect = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t userMode = 0;
    uint8_t direction = 0;
    uint32_t colour = 0;
    uint32_t baseColour = 0;
    uint32_t secondColour = 0;
    uint8_t reportRate = 0;   // 0..3; above 3 reads as 3
    uint8_t keyLightTool = 0; // 0 paint, 1 erase; above 1 reads as 0
    uint8_t colourChoice = 0;
    uint8_t rainbow = 0; // flags: 0 or 1
    uint8_t trigger = 0;
    uint32_t stoneColour = 0;
    uint8_t stoneRainbow = 0;
    uint32_t ribbonColour = 0;
    uint8_t ribbonRainbow = 0;

    bool operator==(const LightingRecord&) const = default;
};

LightingRecord DecodeLightingRecord(std::span<const uint8_t, kRecordSize> bytes);

// Three bytes red, green, blue as 0x00BBGGRR, and back.
uint32_t ReadColour(std::span<const uint8_t> bytes, uint32_t offset);
void WriteColour(std::span<uint8_t> bytes, uint32_t offset, uint32_t colour);

// What the reset writes from the record's start; bytes 35 to 41 are left alone.
inline constexpr uint32_t kDefaultRecordSize = 35;
inline constexpr std::array<uint8_t, kDefaultRecordSize> kDefaultRecord{
    0x05, 0x03, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x08, 0xFF, 0xFF, 0xFF,
    0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00,
    0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00};

// Key-light patterns: 18 bytes each, light bit b is bit b % 8 of byte b / 8; ten per profile.
inline constexpr uint32_t kPatternSize = 18;
inline constexpr uint32_t kPatterns = 10;
inline constexpr uint32_t kKeyLightBlock = kPatternSize * kPatterns; // 180
using KeyLightBlock = std::array<uint8_t, kKeyLightBlock>;
extern const KeyLightBlock kDefaultKeyLights;

// The user-defined effect, whose lit keys are the pattern of the user mode.
inline constexpr uint8_t kUserEffect = 254;
inline constexpr uint8_t kResetEffect = 5;

// One line of the effect selection list.
struct EffectLine {
    int position; // list position, from 0
    uint8_t effect;
    bool operator==(const EffectLine&) const = default;
};
using EffectList = std::vector<EffectLine>;

// The non-zero effect numbers of configuration bytes 16 to 47, in their order.
EffectList BuildEffectList(std::span<const uint8_t, 48> config);
// The list position of effect n, -1 when the list does not hold it.
int ListPositionOfEffect(const EffectList& list, int n);

// Whether an effect number is one the keyboard's record takes.
constexpr bool IsWritableEffect(int e) {
    return (e >= 1 && e <= 28) || e == kUserEffect;
}

} // namespace lighting
