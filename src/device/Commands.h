#pragma once

// The keyboard's command set. Every builder returns 1 when done; 0, -1 or -2 from the
// exchange; -102 / -103 when the keyboard refused with status 0xFF / 0xFE; -201 for a key
// map page out of range. Answer data reaches the caller only on 1.

#include <cstdint>
#include <span>

namespace device {

inline constexpr uint8_t kCmdBeginTransfer = 0x01;
inline constexpr uint8_t kCmdEndTransfer = 0x02;
inline constexpr uint8_t kCmdReadConfig = 0x03;
inline constexpr uint8_t kCmdWriteConfig = 0x04;
inline constexpr uint8_t kCmdReadParams = 0x05;
inline constexpr uint8_t kCmdWriteParams = 0x06;
inline constexpr uint8_t kCmdReadKeyMap = 0x07;
inline constexpr uint8_t kCmdWriteKeyMap = 0x08;
inline constexpr uint8_t kCmdReadMacroArea = 0x09;
inline constexpr uint8_t kCmdWriteMacroArea = 0x0A;
inline constexpr uint8_t kCmdReadDefaultLayout = 0x0F;
inline constexpr uint8_t kCmdReadKeyColours = 0x10;
inline constexpr uint8_t kCmdWriteKeyColours = 0x11;
inline constexpr uint8_t kCmdBootLoader = 0xEE;

inline constexpr int32_t kCmdRefusedFF = -102;
inline constexpr int32_t kCmdRefusedFE = -103;
inline constexpr int32_t kCmdBadPage = -201;

inline constexpr uint32_t kConfigSize = 48;
inline constexpr uint32_t kKeyMapSize = 512;
inline constexpr uint32_t kKeyMapPages = 3;
inline constexpr uint32_t kKeyColourProfileStride = 180;

// Configuration block fields.
inline constexpr int kConfigActiveProfile = 10;
inline constexpr int kConfigMacroUnits = 11; // macro area size in 128-byte units
inline constexpr int kConfigEffectList = 16; // bytes 16..47

int32_t BeginTransfer();
int32_t EndTransfer(); // waits 10 ms before sending
int32_t ReadConfig(std::span<uint8_t, 48> config);
int32_t WriteConfig(std::span<const uint8_t, 48> config);
// Copies all 56 answer data bytes, whatever the length asked for.
int32_t ReadParams(std::span<uint8_t, 56> out, uint32_t length, uint32_t position);
int32_t WriteParams(std::span<const uint8_t> data, uint32_t length, uint32_t position);
int32_t ReadKeyMap(std::span<uint8_t, 512> out, uint32_t page);
int32_t WriteKeyMap(std::span<const uint8_t, 512> map, uint32_t page);
int32_t ReadMacroArea(std::span<uint8_t> out, uint32_t n);
int32_t WriteMacroArea(std::span<const uint8_t> area, uint32_t n);
int32_t ReadDefaultLayout(std::span<uint8_t, 512> out);
// Position = profile x 180 + base; all 56 answer data bytes are copied.
int32_t ReadKeyColours(std::span<uint8_t, 56> out, uint32_t length, uint32_t base,
                       uint32_t profile);
// profile is the lighting panel's shown profile.
int32_t WriteKeyColours(std::span<const uint8_t> data, uint32_t length, uint32_t base,
                        uint32_t profile);
// Sent without waiting and without a report checksum; the result is the library's.
int32_t EnterBootLoader();

} // namespace device
