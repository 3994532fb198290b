#pragma once

// The keyboard's firmware for one command report: checks it, carries it out on the
// memories and builds the answer.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "vkbd/Memory.h"

namespace vkbd {

using Report = std::array<uint8_t, 64>;

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

// Sum of bytes 3 to 63, as the reports carry it in bytes 1 and 2.
uint16_t ReportSum(std::span<const uint8_t, 64> report);
bool ChecksumMatches(std::span<const uint8_t, 64> report);
// An answer to the request with the given status and no data.
Report AnswerOf(std::span<const uint8_t, 64> request, uint8_t status);

struct Outcome {
    std::optional<Report> answer; // nothing: no answer at all
    bool enterBootLoader = false; // the keyboard leaves the bus
};

class CommandHandler {
public:
    explicit CommandHandler(KeyboardMemory& memory) : memory_(memory) {}
    // A report shorter than 64 bytes is taken as padded with zeros.
    Outcome Handle(std::span<const uint8_t> report);

private:
    KeyboardMemory& memory_;
};

} // namespace vkbd
