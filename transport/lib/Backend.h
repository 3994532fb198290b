#pragma once

// What the library's core needs from a way of reaching keyboards: the nodes present (one
// hidraw node, or one virtual keyboard), their input reports, and output reports to them.

#include <cstdint>
#include <span>
#include <vector>

#include "common/Usage.h"

namespace olvask {

struct NodeInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::vector<Usage> collections;
    // Reports start with their report id (the descriptor declares ids).
    bool numbered = true;
};

// Called on the backend's threads; implementations must not call back into the backend.
class BackendEvents {
public:
    virtual ~BackendEvents() = default;
    virtual void NodeArrived(uint32_t node, const NodeInfo& info) = 0;
    virtual void NodeLeft(uint32_t node) = 0;
    virtual void ReportArrived(uint32_t node, Usage collection,
                               std::span<const uint8_t> report) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    // Reports the nodes present now before it returns, then follows arrivals and departures.
    virtual bool Start(BackendEvents& events) = 0;
    // Joins every thread of the backend; no event is reported after it returns.
    virtual void Stop() = 0;
    // One output report, byte 0 = report id. False when the node is gone or refused it.
    virtual bool Write(uint32_t node, std::span<const uint8_t> report) = 0;
    // One output report sent without waiting for the node, for the library's own thread that
    // must go on delivering answers; a failure is only logged. Backends whose Write cannot
    // wait on the node may simply write.
    virtual void Post(uint32_t node, std::span<const uint8_t> report) { Write(node, report); }
};

} // namespace olvask
