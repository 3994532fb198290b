#pragma once

// The keyboard's firmware for one command report: checks it, carries it out on the
// memories and builds the answer.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

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
// Writes the report's checksum into bytes 1 and 2.
void Seal(Report& report);
Report AnswerOf(std::span<const uint8_t, 64> request, uint8_t status);

struct Outcome {
    std::optional<Report> answer;             // nothing: no answer at all
    bool enterBootLoader = false;             // the keyboard leaves the bus
    std::vector<std::string_view> violations; // the rules the report broke
};

class CommandHandler {
public:
    explicit CommandHandler(KeyboardMemory& memory) : memory_(memory) {}

    // Lenient: breaches are only reported, and the report is carried out as far as the
    // keyboard can (a bad checksum, an unknown command or a range outside a memory are
    // refused all the same). Strict (the default): a report that breaks a rule is refused.
    void SetLenient(bool lenient) { lenient_ = lenient; }
    bool Lenient() const { return lenient_; }

    // The rules that an output report (byte 0 = report id) breaks in the keyboard's present
    // state. retry: the report repeats the previous one, whose answer the host may have
    // missed; a begin or an end sent again is then no breach. Remembers the chunks of
    // chunked writes, whose stale tails the next chunk must carry.
    std::vector<std::string_view> Check(std::span<const uint8_t> report, bool retry = false);
    // Carries out a command report without judging it. A report shorter than 64 bytes is
    // taken as padded with zeros.
    Outcome CarryOut(std::span<const uint8_t> report);
    // Check, then CarryOut, or the refusal of a breach: status 0xFF (0xFE for a bad
    // checksum), and no answer at all to a report that is not a command.
    Outcome Handle(std::span<const uint8_t> report, bool retry = false);
    // The answer that refuses a report breaking the rules: status 0xFF, 0xFE for a bad
    // checksum; nothing for a report that is not a command.
    static std::optional<Report> RefusalOf(std::span<const uint8_t> report,
                                           std::span<const std::string_view> broken);
    // Whether the host has begun a transfer and not yet ended it, as the host sees it: a
    // begin that the keyboard refused (a fault, a breach) still opens the host's bracket, so
    // that the writes that follow are judged by what the host sent.
    bool HostBracketOpen() const { return hostBracket_; }
    void CloseHostBracket() { hostBracket_ = false; }
    // Power lost: nothing of the host's transfer is remembered.
    void Forget() {
        chunks_.clear();
        hostBracket_ = false;
    }

private:
    void CheckCommand(std::span<const uint8_t> bytes, bool retry,
                      std::vector<std::string_view>& broken);

    KeyboardMemory& memory_;
    bool lenient_ = false;
    bool hostBracket_ = false;
    // The chunked writes as received, by command code and position.
    std::map<uint32_t, Report> chunks_;
};

} // namespace vkbd
