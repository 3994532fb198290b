#include "vkbd/Violations.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "vkbd/Hex.h"

namespace vkbd {

void ViolationLog::Add(Violation v) {
    if (entries.size() >= kMaxViolations) {
        entries.erase(entries.begin());
        ++forgotten;
    }
    entries.push_back(std::move(v));
}

std::string ListViolations(const ViolationLog& log) {
    std::string text;
    if (log.forgotten > 0)
        text += "(" + std::to_string(log.forgotten) + " older violation(s) forgotten)\n";
    for (const Violation& v : log.entries) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(v.when.time_since_epoch())
                .count();
        const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char stamp[40];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &utc);
        char millis[8];
        std::snprintf(millis, sizeof millis, ".%03d", static_cast<int>(ms % 1000));
        std::string bytes;
        for (uint8_t b : v.head) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", b);
            if (!bytes.empty())
                bytes += ' ';
            bytes += hex;
        }
        text += std::string(stamp) + millis + " UTC  " + v.rule + "  " + bytes + "\n";
    }
    return text;
}

std::string ViolationLine(const Violation& v) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(v.when.time_since_epoch()).count();
    return "violation " + std::to_string(ms) + " " + v.rule + " " + ToHex(v.head);
}

std::optional<Violation> ParseViolationLine(std::string_view line) {
    constexpr std::string_view kTag = "violation ";
    if (line.substr(0, kTag.size()) != kTag)
        return std::nullopt;
    line.remove_prefix(kTag.size());
    const size_t first = line.find(' ');
    const size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    int64_t ms = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + first, ms);
    if (ec != std::errc() || end != line.data() + first)
        return std::nullopt;
    const std::string_view rule = line.substr(first + 1, second - first - 1);
    const auto head = FromHex(line.substr(second + 1));
    if (rule.empty() || !head || head->size() > kViolationHeadBytes)
        return std::nullopt;
    return Violation{std::string(rule), *head,
                     std::chrono::system_clock::time_point(std::chrono::milliseconds(ms))};
}

} // namespace vkbd
