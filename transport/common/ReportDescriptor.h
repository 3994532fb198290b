#pragma once

// A small HID report descriptor reader: which report ids each top-level collection uses.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/Usage.h"

namespace olvask {

struct CollectionReports {
    Usage usage;
    std::vector<uint8_t> inputIds;
    std::vector<uint8_t> outputIds;
    std::vector<uint8_t> featureIds;
};

struct ReportLayout {
    // True when the descriptor declares report ids: every report then starts with its id.
    bool numbered = false;
    std::vector<CollectionReports> collections;
};

// Nothing when the bytes are not a well-formed descriptor (truncated item, unbalanced
// collections).
std::optional<ReportLayout> ParseReportDescriptor(std::span<const uint8_t> bytes);

} // namespace olvask
