#include "lib/ReportRouter.h"

#include <algorithm>

namespace olvask {

ReportRouter::ReportRouter(const std::optional<ReportLayout>& layout,
                           std::vector<Usage> collections) {
    const auto served = [&](Usage u) {
        return std::find(collections.begin(), collections.end(), u) != collections.end();
    };
    if (!layout) {
        numbered_ = collections.size() != 1;
        if (collections.size() == 1)
            single_ = collections.front();
        return;
    }
    numbered_ = layout->numbered;
    for (const CollectionReports& c : layout->collections) {
        if (!served(c.usage) || c.inputIds.empty())
            continue;
        if (!numbered_) {
            single_ = c.usage;
            break;
        }
        for (uint8_t id : c.inputIds)
            entries_.push_back({id, c.usage});
    }
}

std::optional<Usage> ReportRouter::Route(std::span<const uint8_t> report) const {
    if (report.empty())
        return std::nullopt;
    if (!numbered_)
        return single_;
    for (const Entry& e : entries_)
        if (e.reportId == report[0])
            return e.usage;
    return std::nullopt;
}

} // namespace olvask
