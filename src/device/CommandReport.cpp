#include "device/CommandReport.h"

namespace device {

CommandReport NewRequest() {
    CommandReport report{};
    report[0] = kCommandReportId;
    return report;
}

void SetLengthAndPosition(CommandReport& report, uint32_t length, uint32_t position) {
    report[kOffLength] = static_cast<uint8_t>(length);
    report[kOffPosition] = static_cast<uint8_t>(position);
    report[kOffPosition + 1] = static_cast<uint8_t>(position >> 8);
}

uint16_t ReportChecksum(std::span<const uint8_t, 64> report) {
    uint32_t sum = 0;
    for (size_t i = kOffCode; i < report.size(); ++i)
        sum += report[i];
    return static_cast<uint16_t>(sum);
}

void SealReport(CommandReport& report) {
    const uint16_t sum = ReportChecksum(report);
    report[kOffChecksum] = static_cast<uint8_t>(sum);
    report[kOffChecksum + 1] = static_cast<uint8_t>(sum >> 8);
}

} // namespace device
