#include "vkbd/CommandHandler.h"

#include <algorithm>

#include "vkbd/FactoryContent.h"
#include "vkbd/Violations.h"

namespace vkbd {

namespace {

constexpr int kOffCode = 3, kOffLength = 4, kOffPosition = 5, kOffStatus = 7, kOffData = 8;

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

// Made between BeginTransfer and EndTransfer; the other commands are made outside.
bool Bracketed(uint8_t code) {
    switch (code) {
    case kCmdReadParams:
    case kCmdWriteParams:
    case kCmdWriteKeyMap:
    case kCmdWriteMacroArea:
    case kCmdReadKeyColours:
    case kCmdWriteKeyColours:
        return true;
    default:
        return false;
    }
}

bool Chunked(uint8_t code) {
    return code == kCmdWriteKeyMap || code == kCmdWriteMacroArea;
}

uint32_t ChunkKey(uint8_t code, uint32_t position) {
    return static_cast<uint32_t>(code) << 16 | position;
}

Outcome Answered(const Report& answer) {
    Outcome outcome;
    outcome.answer = answer;
    return outcome;
}

bool AllZero(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
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

void Seal(Report& report) {
    const uint16_t sum = ReportSum(report);
    report[1] = static_cast<uint8_t>(sum);
    report[2] = static_cast<uint8_t>(sum >> 8);
}

Report AnswerOf(std::span<const uint8_t, 64> request, uint8_t status) {
    Report answer{};
    answer[0] = kCommandReportId;
    std::copy_n(request.begin() + kOffCode, kOffStatus - kOffCode, answer.begin() + kOffCode);
    answer[kOffStatus] = status;
    Seal(answer);
    return answer;
}

std::vector<std::string_view> CommandHandler::Check(std::span<const uint8_t> report, bool retry) {
    std::vector<std::string_view> broken;
    if (report.empty()) {
        broken.push_back(rule::kUnknownReportId);
    } else if (report[0] == kLedReportId) {
        if (report.size() != 2)
            broken.push_back(rule::kLedReport);
    } else if (report[0] == kCommandReportId) {
        CheckCommand(report, retry, broken);
    } else {
        broken.push_back(rule::kUnknownReportId);
    }
    return broken;
}

void CommandHandler::CheckCommand(std::span<const uint8_t> bytes, bool retry,
                                  std::vector<std::string_view>& broken) {
    Report request{};
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), request.size()), request.begin());
    const uint8_t code = request[kOffCode];
    if (code == kCmdBootLoader) {
        // Exactly 04 00 00 EE EE and zeros: no checksum, nothing else.
        Report expected{};
        expected[0] = kCommandReportId;
        expected[kOffCode] = expected[kOffLength] = kCmdBootLoader;
        if (bytes.size() != request.size() || request != expected)
            broken.push_back(rule::kBootLoaderReport);
        return;
    }
    if (bytes.size() != request.size())
        broken.push_back(rule::kCommandReportSize);
    if (!ChecksumMatches(request))
        broken.push_back(rule::kBadChecksum);
    if (request[kOffStatus] != 0)
        broken.push_back(rule::kStatusNotZero);

    const bool open = hostBracket_;
    const std::span<const uint8_t> all(request);
    if (code == kCmdBeginTransfer || code == kCmdEndTransfer) {
        if (code == kCmdBeginTransfer && open && !retry)
            broken.push_back(rule::kBeginInsideBracket);
        if (code == kCmdEndTransfer && !open && !retry)
            broken.push_back(rule::kEndWithoutBegin);
        hostBracket_ = code == kCmdBeginTransfer;
        // No length, no position, no data.
        if (!AllZero(all.subspan(kOffLength, kOffStatus - kOffLength)) ||
            !AllZero(all.subspan(kOffData)))
            broken.push_back(rule::kBytesPastLength);
        if (code == kCmdBeginTransfer)
            chunks_.clear();
        return;
    }
    const auto access = AccessOf(code);
    if (!access) {
        broken.push_back(rule::kUnknownCommand);
        return;
    }
    if (Bracketed(code) && !open)
        broken.push_back(rule::kOutsideBracket);
    if (!Bracketed(code) && open)
        broken.push_back(rule::kInsideBracket);

    const uint32_t length = request[kOffLength];
    const uint32_t position = request[kOffPosition] | request[kOffPosition + 1] << 8;
    if (length > kMaxTransfer)
        broken.push_back(rule::kLengthAbove56);
    const size_t size = RegionBytes(memory_.Working(), access->region).size();
    if (position > size || length > size - position)
        broken.push_back(rule::kOutsideMemory);
    if (access->region == Region::KeyMaps && position % kKeyMapSize + length > kKeyMapSize &&
        position + length <= size)
        broken.push_back(rule::kCrossesKeyMapPage);

    const std::span<const uint8_t> data = all.subspan(kOffData);
    if (access->region == Region::Config) {
        if (length != kConfigSize || position != 0) {
            broken.push_back(rule::kConfigNotWhole);
        } else if (access->write) {
            // The block goes back as it was read, the active profile aside.
            const auto& held = memory_.Working().config;
            for (uint32_t i = 0; i < kConfigSize; ++i) {
                if (i != kConfigActiveProfile && data[i] != held[i]) {
                    broken.push_back(rule::kConfigKeyboardBytes);
                    break;
                }
            }
            if (data[kConfigActiveProfile] >= kKeyMapPages)
                broken.push_back(rule::kActiveProfileAbove2);
        }
    }

    // What the builder leaves in the bytes it does not fill: a read carries no data; a
    // single report is built cleared; a chunked write clears its report once, so each
    // short chunk still carries the bytes of the chunk before it.
    const size_t carried = access->write ? std::min<size_t>(length, data.size()) : 0;
    const std::span<const uint8_t> tail = data.subspan(carried);
    bool tailRight = AllZero(tail);
    if (Chunked(code)) {
        const bool first = code == kCmdWriteMacroArea ? position == 0 : position % kKeyMapSize == 0;
        const auto before = position >= kMaxTransfer
                                ? chunks_.find(ChunkKey(code, position - kMaxTransfer))
                                : chunks_.end();
        if (!first && before != chunks_.end())
            tailRight =
                std::equal(tail.begin(), tail.end(), before->second.begin() + kOffData + carried);
        chunks_[ChunkKey(code, position)] = request;
    }
    if (!tailRight)
        broken.push_back(rule::kBytesPastLength);
}

std::optional<Report> CommandHandler::RefusalOf(std::span<const uint8_t> report,
                                                std::span<const std::string_view> broken) {
    if (report.empty() || report[0] != kCommandReportId)
        return std::nullopt;
    Report request{};
    std::copy_n(report.begin(), std::min<size_t>(report.size(), request.size()), request.begin());
    const bool checksum =
        std::find(broken.begin(), broken.end(), rule::kBadChecksum) != broken.end();
    return AnswerOf(request, checksum ? kStatusBadChecksum : kStatusRefused);
}

Outcome CommandHandler::Handle(std::span<const uint8_t> report, bool retry) {
    std::vector<std::string_view> broken = Check(report, retry);
    Outcome outcome;
    if (!broken.empty() && !lenient_)
        outcome.answer = RefusalOf(report, broken);
    else if (!report.empty() && report[0] == kCommandReportId)
        outcome = CarryOut(report);
    outcome.violations = std::move(broken);
    return outcome;
}

Outcome CommandHandler::CarryOut(std::span<const uint8_t> bytes) {
    Report request{};
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), request.size()), request.begin());
    if (request[0] != kCommandReportId)
        return {};
    // The boot-loader request carries no checksum and gets no answer.
    if (request[kOffCode] == kCmdBootLoader && request[kOffLength] == kCmdBootLoader) {
        Outcome leaving;
        leaving.enterBootLoader = true;
        return leaving;
    }
    if (!ChecksumMatches(request))
        return Answered(AnswerOf(request, kStatusBadChecksum));

    const uint8_t code = request[kOffCode];
    const uint8_t length = request[kOffLength];
    const uint32_t position = request[kOffPosition] | request[kOffPosition + 1] << 8;
    if (code == kCmdBeginTransfer) {
        memory_.BeginTransfer();
        return Answered(AnswerOf(request, kStatusAccepted));
    }
    if (code == kCmdEndTransfer) {
        memory_.EndTransfer();
        return Answered(AnswerOf(request, kStatusAccepted));
    }
    const auto access = AccessOf(code);
    if (!access)
        return Answered(AnswerOf(request, kStatusRefused));
    if (access->write) {
        if (length > kMaxTransfer)
            return Answered(AnswerOf(request, kStatusRefused));
        const uint8_t status = memory_.Write(
            access->region, position, std::span<const uint8_t>(request).subspan(kOffData, length));
        return Answered(AnswerOf(request, status));
    }
    Report answer = AnswerOf(request, kStatusAccepted);
    const uint8_t status = memory_.Read(access->region, position, length,
                                        std::span<uint8_t>(answer).subspan(kOffData));
    if (status != kStatusAccepted)
        return Answered(AnswerOf(request, status));
    Seal(answer);
    return Answered(answer);
}

} // namespace vkbd
