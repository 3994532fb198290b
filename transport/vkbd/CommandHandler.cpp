#include "vkbd/CommandHandler.h"

#include <algorithm>

#include "vkbd/FactoryContent.h"

namespace vkbd {

namespace {

constexpr int kOffCode = 3, kOffLength = 4, kOffPosition = 5, kOffStatus = 7, kOffData = 8;

void Seal(Report& report) {
    const uint16_t sum = ReportSum(report);
    report[1] = static_cast<uint8_t>(sum);
    report[2] = static_cast<uint8_t>(sum >> 8);
}

struct Access {
    Region region;
    bool write;
};

std::optional<Access> AccessOf(uint8_t code) {
    switch (code) {
    case kCmdReadConfig:
        return Access{Region::Config, false};
    case kCmdWriteConfig:
        return Access{Region::Config, true};
    case kCmdReadParams:
        return Access{Region::Params, false};
    case kCmdWriteParams:
        return Access{Region::Params, true};
    case kCmdReadKeyMap:
        return Access{Region::KeyMaps, false};
    case kCmdWriteKeyMap:
        return Access{Region::KeyMaps, true};
    case kCmdReadMacroArea:
        return Access{Region::MacroArea, false};
    case kCmdWriteMacroArea:
        return Access{Region::MacroArea, true};
    case kCmdReadDefaultLayout:
        return Access{Region::DefaultLayout, false};
    case kCmdReadKeyColours:
        return Access{Region::KeyColours, false};
    case kCmdWriteKeyColours:
        return Access{Region::KeyColours, true};
    default:
        return std::nullopt;
    }
}

} // namespace

uint16_t ReportSum(std::span<const uint8_t, 64> report) {
    uint32_t sum = 0;
    for (size_t i = kOffCode; i < report.size(); ++i)
        sum += report[i];
    return static_cast<uint16_t>(sum);
}

bool ChecksumMatches(std::span<const uint8_t, 64> report) {
    return ReportSum(report) == static_cast<uint16_t>(report[1] | report[2] << 8);
}

Report AnswerOf(std::span<const uint8_t, 64> request, uint8_t status) {
    Report answer{};
    answer[0] = kCommandReportId;
    std::copy_n(request.begin() + kOffCode, kOffStatus - kOffCode, answer.begin() + kOffCode);
    answer[kOffStatus] = status;
    Seal(answer);
    return answer;
}

Outcome CommandHandler::Handle(std::span<const uint8_t> bytes) {
    Report request{};
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), request.size()), request.begin());
    if (request[0] != kCommandReportId)
        return {};
    // The boot-loader request carries no checksum and gets no answer.
    if (request[kOffCode] == kCmdBootLoader && request[kOffLength] == kCmdBootLoader)
        return {std::nullopt, true};
    if (!ChecksumMatches(request))
        return {AnswerOf(request, kStatusBadChecksum)};

    const uint8_t code = request[kOffCode];
    const uint8_t length = request[kOffLength];
    const uint32_t position = request[kOffPosition] | request[kOffPosition + 1] << 8;
    if (code == kCmdBeginTransfer) {
        memory_.BeginTransfer();
        return {AnswerOf(request, kStatusAccepted)};
    }
    if (code == kCmdEndTransfer) {
        memory_.EndTransfer();
        return {AnswerOf(request, kStatusAccepted)};
    }
    const auto access = AccessOf(code);
    if (!access)
        return {AnswerOf(request, kStatusRefused)};
    if (access->write) {
        if (length > kMaxTransfer)
            return {AnswerOf(request, kStatusRefused)};
        const uint8_t status = memory_.Write(
            access->region, position, std::span<const uint8_t>(request).subspan(kOffData, length));
        return {AnswerOf(request, status)};
    }
    Report answer = AnswerOf(request, kStatusAccepted);
    const uint8_t status = memory_.Read(access->region, position, length,
                                        std::span<uint8_t>(answer).subspan(kOffData));
    if (status != kStatusAccepted)
        return {AnswerOf(request, status)};
    Seal(answer);
    return {answer};
}

} // namespace vkbd
