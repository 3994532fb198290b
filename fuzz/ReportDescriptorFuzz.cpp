// A HID report descriptor as a device (or a device pretending to be the keyboard) gives it.

#include <span>

#include "common/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    olvask::ParseReportDescriptor(std::span<const uint8_t>(data, size));
    return 0;
}
