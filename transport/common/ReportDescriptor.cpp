#include "common/ReportDescriptor.h"

#include <algorithm>

namespace olvask {

namespace {

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };

// Main item tags.
constexpr uint8_t kInput = 0x8, kOutput = 0x9, kFeature = 0xB, kCollection = 0xA,
                  kEndCollection = 0xC;
// Global item tags.
constexpr uint8_t kUsagePage = 0x0, kReportId = 0x8, kPush = 0xA, kPop = 0xB;
// Local item tags.
constexpr uint8_t kUsageTag = 0x0;

void AddOnce(std::vector<uint8_t>& ids, uint8_t id) {
    if (std::find(ids.begin(), ids.end(), id) == ids.end())
        ids.push_back(id);
}

struct Globals {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
};

} // namespace

std::optional<ReportLayout> ParseReportDescriptor(std::span<const uint8_t> bytes) {
    ReportLayout layout;
    Globals globals;
    std::vector<Globals> stack;
    // The local usage that names the next collection, if one came since the last main item.
    uint32_t lastUsage = 0;
    bool haveUsage = false;
    int depth = 0;
    CollectionReports* current = nullptr;

    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t prefix = bytes[i];
        if (prefix == 0xFE) { // long item: size, tag, data
            if (i + 2 >= bytes.size())
                return std::nullopt;
            i += 3 + bytes[i + 1];
            if (i > bytes.size())
                return std::nullopt;
            continue;
        }
        const size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        if (i + 1 + size > bytes.size())
            return std::nullopt;
        uint32_t data = 0;
        for (size_t k = 0; k < size; ++k)
            data |= static_cast<uint32_t>(bytes[i + 1 + k]) << (8 * k);
        i += 1 + size;

        if (type == kGlobal) {
            if (tag == kUsagePage) {
                globals.usagePage = static_cast<uint16_t>(data);
            } else if (tag == kReportId) {
                globals.reportId = static_cast<uint8_t>(data);
                layout.numbered = true;
            } else if (tag == kPush) {
                stack.push_back(globals);
            } else if (tag == kPop) {
                if (stack.empty())
                    return std::nullopt;
                globals = stack.back();
                stack.pop_back();
            }
        } else if (type == kLocal) {
            // A four-byte usage carries its own page in the high half.
            if (tag == kUsageTag) {
                lastUsage =
                    size == 4 ? data : (static_cast<uint32_t>(globals.usagePage) << 16) | data;
                haveUsage = true;
            }
        } else if (type == kMain) {
            if (tag == kCollection) {
                if (depth == 0) {
                    const uint32_t full =
                        haveUsage ? lastUsage : static_cast<uint32_t>(globals.usagePage) << 16;
                    layout.collections.push_back(
                        {Usage{static_cast<uint16_t>(full >> 16), static_cast<uint16_t>(full)},
                         {},
                         {},
                         {}});
                    current = &layout.collections.back();
                }
                ++depth;
            } else if (tag == kEndCollection) {
                if (depth == 0)
                    return std::nullopt;
                if (--depth == 0)
                    current = nullptr;
            } else if (current && tag == kInput) {
                AddOnce(current->inputIds, globals.reportId);
            } else if (current && tag == kOutput) {
                AddOnce(current->outputIds, globals.reportId);
            } else if (current && tag == kFeature) {
                AddOnce(current->featureIds, globals.reportId);
            }
            haveUsage = false; // local items last until the next main item
        }
    }
    if (depth != 0)
        return std::nullopt;
    return layout;
}

} // namespace olvask
