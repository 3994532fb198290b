#include "lib/HidEnumeration.h"

#include <algorithm>

namespace olvask {

std::vector<NodePlan> PlanNodes(std::span<const HidEntry> entries, uint16_t vendorId,
                                uint16_t productId, std::span<const Usage> served) {
    std::vector<NodePlan> plans;
    for (const HidEntry& e : entries) {
        if (e.vendorId != vendorId || e.productId != productId || e.path.empty())
            continue;
        const Usage u{e.usagePage, e.usage};
        if (std::find(served.begin(), served.end(), u) == served.end())
            continue;
        auto plan = std::find_if(plans.begin(), plans.end(),
                                 [&](const NodePlan& p) { return p.path == e.path; });
        if (plan == plans.end()) {
            plans.push_back({e.path, {u}});
        } else if (std::find(plan->collections.begin(), plan->collections.end(), u) ==
                   plan->collections.end()) {
            plan->collections.push_back(u);
        }
    }
    return plans;
}

} // namespace olvask
