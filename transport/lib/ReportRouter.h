#pragma once

// Routes the input reports of one node to its collections by report id.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/ReportDescriptor.h"
#include "common/Usage.h"

namespace olvask {

class ReportRouter {
public:
    ReportRouter() = default;
    // collections: the node's collections that are served. Without a layout (the descriptor
    // could not be read) a node with one collection takes every report, and any other
    // node routes nothing.
    ReportRouter(const std::optional<ReportLayout>& layout, std::vector<Usage> collections);

    std::optional<Usage> Route(std::span<const uint8_t> report) const;
    bool Numbered() const { return numbered_; }

private:
    struct Entry {
        uint8_t reportId;
        Usage usage;
    };
    bool numbered_ = false;
    std::vector<Entry> entries_;
    std::optional<Usage> single_; // unnumbered reports all belong to this collection
};

} // namespace olvask
