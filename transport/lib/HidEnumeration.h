#pragma once

// Which hidraw nodes to open: those of the keyboard that carry a served collection, each
// node once with all its served collections.

#include <span>
#include <string>
#include <vector>

#include "common/Usage.h"
#include "lib/HidPlatform.h"

namespace olvask {

struct NodePlan {
    std::string path;
    std::vector<Usage> collections;
};

// Keeps the entries of the vendor and product id whose usage pair is served, grouped by path
// in the order the paths first appear.
std::vector<NodePlan> PlanNodes(std::span<const HidEntry> entries, uint16_t vendorId,
                                uint16_t productId, std::span<const Usage> served);

} // namespace olvask
