#pragma once

// Breaches of the keyboard's command set that a host committed: what rule, the request's
// first bytes and when. Kept by the keyboard so that a test can fail on them.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkbd {

// The rules, as they are named in the list of violations.
namespace rule {
// Parameter, key-colour, key map and macro area writes and the parameter and key-colour
// reads are made between BeginTransfer and EndTransfer ...
inline constexpr std::string_view kOutsideBracket = "outside-bracket";
// ... the configuration reads and writes and the key map, macro area and default layout
// reads are not.
inline constexpr std::string_view kInsideBracket = "inside-bracket";
inline constexpr std::string_view kBeginInsideBracket = "begin-inside-bracket";
inline constexpr std::string_view kEndWithoutBegin = "end-without-begin";
// The host that began a transfer went away before it ended it.
inline constexpr std::string_view kBracketLeftOpen = "bracket-left-open";
inline constexpr std::string_view kStatusNotZero = "status-not-zero";
inline constexpr std::string_view kBadChecksum = "bad-checksum";
inline constexpr std::string_view kLengthAbove56 = "length-above-56";
inline constexpr std::string_view kOutsideMemory = "outside-memory";
inline constexpr std::string_view kCrossesKeyMapPage = "crosses-key-map-page";
inline constexpr std::string_view kConfigNotWhole = "config-not-whole-block";
inline constexpr std::string_view kConfigKeyboardBytes = "config-keyboard-bytes-changed";
inline constexpr std::string_view kActiveProfileAbove2 = "active-profile-above-2";
// A byte that the builder leaves zero (or, in a chunked write, as the previous chunk left
// it) holds something else.
inline constexpr std::string_view kBytesPastLength = "bytes-past-length";
inline constexpr std::string_view kUnknownCommand = "unknown-command";
inline constexpr std::string_view kCommandReportSize = "command-report-not-64-bytes";
inline constexpr std::string_view kBootLoaderReport = "boot-loader-report";
inline constexpr std::string_view kLedReport = "led-report";
inline constexpr std::string_view kUnknownReportId = "unknown-report-id";
} // namespace rule

inline constexpr size_t kViolationHeadBytes = 16;
// The oldest are forgotten beyond this many; the count of forgotten ones is kept.
inline constexpr size_t kMaxViolations = 1000;

struct Violation {
    std::string rule;
    std::vector<uint8_t> head; // the report's first bytes, at most 16
    std::chrono::system_clock::time_point when;
    bool operator==(const Violation&) const = default;
};

struct ViolationLog {
    std::vector<Violation> entries;
    uint64_t forgotten = 0;

    void Add(Violation v);
    bool Empty() const { return entries.empty() && forgotten == 0; }
    bool operator==(const ViolationLog&) const = default;
};

// "2026-12-10 15:04:05.123 UTC  outside-bracket  04 8c 00 06 ..." one line each; empty for
// none.
std::string ListViolations(const ViolationLog& log);

// The state file's line for one violation and back: "violation MS RULE HEX".
std::string ViolationLine(const Violation& v);
std::optional<Violation> ParseViolationLine(std::string_view line);

} // namespace vkbd
