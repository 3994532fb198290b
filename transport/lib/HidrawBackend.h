#pragma once

// The real keyboard through hidraw nodes: enumeration filtered to the served collections,
// one reader thread per node that sleeps until a report comes or it is told to stop, reports
// routed by report id, arrivals and departures from a hot-plug source and from the readers
// themselves.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "lib/Backend.h"
#include "lib/HidPlatform.h"
#include "lib/ReportRouter.h"

namespace olvask {

struct HidrawOptions {
    // Where no device manager prepares new nodes, an open is tried this often.
    int lateOpenAttempts = 10;
    std::chrono::milliseconds lateOpenPause{100};
};

class HidrawBackend final : public Backend {
public:
    // hotplug may be null: nodes are then found only by Rescan.
    HidrawBackend(std::unique_ptr<HidPlatform> platform, std::unique_ptr<HotplugSource> hotplug,
                  HidrawOptions options = {});
    ~HidrawBackend() override;

    bool Start(BackendEvents& events) override;
    void Stop() override;
    bool Write(uint32_t node, std::span<const uint8_t> report) override;

    // Enumerates again: closes the nodes that are gone or lost, opens the new ones.
    void Rescan();
    size_t OpenNodes() const;

private:
    struct Node {
        uint32_t id = 0;
        std::string path;
        ReportRouter router;
        std::unique_ptr<HidNodeIo> io;
        std::mutex ioMutex; // writers, and the close
        std::atomic<bool> stop{false};
        std::atomic<bool> lost{false};
        std::thread reader;
    };

    void ReadLoop(Node& node);
    void Lose(Node& node, bool kick);
    void Close(Node& node);
    std::unique_ptr<HidNodeIo> OpenWithRetries(const std::string& path);

    std::unique_ptr<HidPlatform> platform_;
    std::unique_ptr<HotplugSource> hotplug_;
    HidrawOptions options_;
    BackendEvents* events_ = nullptr;
    std::atomic<bool> running_{false};
    std::mutex rescanMutex_;
    mutable std::mutex nodesMutex_;
    std::vector<std::shared_ptr<Node>> nodes_;
    uint32_t nextNode_ = 1;
};

} // namespace olvask
