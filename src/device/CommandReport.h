#pragma once

// The 64-byte request and answer of every keyboard command.

#include <array>
#include <cstdint>
#include <span>

namespace device {

inline constexpr uint8_t kCommandReportId = 0x04;
inline constexpr uint32_t kChunkSize = 56;

// Byte offsets inside a report.
inline constexpr int kOffChecksum = 1;
inline constexpr int kOffCode = 3;
inline constexpr int kOffLength = 4;
inline constexpr int kOffPosition = 5;
inline constexpr int kOffStatus = 7;
inline constexpr int kOffData = 8;

using CommandReport = std::array<uint8_t, 64>;

// A cleared request with the report id in byte 0.
CommandReport NewRequest();

// Byte 4 = low 8 bits of length; bytes 5-6 = low 16 bits of position.
void SetLengthAndPosition(CommandReport& report, uint32_t length, uint32_t position);

// Sum of bytes 3..63 as unsigned bytes.
uint16_t ReportChecksum(std::span<const uint8_t, 64> report);
// Stores the checksum in bytes 1-2, low byte first; done after every other byte is in place.
void SealReport(CommandReport& report);

} // namespace device
