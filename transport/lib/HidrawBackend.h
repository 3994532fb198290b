#pragma once

// The real keyboard through hidraw nodes: enumeration filtered to the served collections,
// one reader thread per node that sleeps until a report comes or it is told to stop, one
// writer thread per node that sleeps until a report is to be sent, reports routed by report
// id, arrivals and departures from a hot-plug source and from the readers themselves.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "lib/Backend.h"
#include "lib/HidPlatform.h"
#include "lib/NodeWriter.h"
#include "lib/ReportRouter.h"

namespace olvask {

// A command's caller waits this long for its report to be written: the program's exchange
// waits as long for an answer, so a write that takes longer has failed for it anyway.
inline constexpr std::chrono::milliseconds kWriteTimeout{1000};

struct HidrawOptions {
    // Where no device manager prepares new nodes, an open is tried this often.
    int lateOpenAttempts = 10;
    std::chrono::milliseconds lateOpenPause{100};
    std::chrono::milliseconds writeTimeout = kWriteTimeout;
    // A node whose reads fail while it is still listed is opened again after this pause,
    // doubled after every further failure up to the longest pause, and counted again only
    // after it has run this long without failing.
    std::chrono::milliseconds reopenPause{2000};
    std::chrono::milliseconds reopenPauseLongest{16000};
    std::chrono::milliseconds reopenTrial{1000};
};

class HidrawBackend final : public Backend {
public:
    // hotplug may be null: nodes are then found only by Rescan.
    HidrawBackend(std::unique_ptr<HidPlatform> platform, std::unique_ptr<HotplugSource> hotplug,
                  HidrawOptions options = {});
    ~HidrawBackend() override;

    bool Start(BackendEvents& events) override;
    void Stop() override;
    // Gives up after the write time-out: false, as for a node that refused the report.
    bool Write(uint32_t node, std::span<const uint8_t> report) override;
    void Post(uint32_t node, std::span<const uint8_t> report) override;

    // Enumerates again: closes the nodes that are no longer listed, opens the new ones. A
    // listed node whose reads failed is left to its reader, which opens it again in time.
    void Rescan();
    // The nodes counted now (a failed node waiting to be opened again is not).
    size_t OpenNodes() const;

private:
    struct Node {
        std::atomic<uint32_t> id{0}; // a new one each time the node is counted
        std::string path;
        NodeInfo info;
        ReportRouter router;
        std::mutex ioMutex; // the pointer only: the reader replaces it after a failure
        std::shared_ptr<HidNodeIo> io;
        std::mutex stateMutex; // counted, stop, and the reader's pause
        std::condition_variable stopRequested;
        std::atomic<bool> stop{false};
        std::atomic<bool> counted{false}; // announced, and not left since
        std::unique_ptr<NodeWriter> writer;
        std::thread reader;
    };

    std::shared_ptr<Node> Find(uint32_t id) const;
    std::shared_ptr<HidNodeIo> CurrentIo(Node& node);
    void SetIo(Node& node, std::shared_ptr<HidNodeIo> io);
    bool WriteNow(Node& node, std::span<const uint8_t> report);
    void ReadLoop(Node& node);
    std::shared_ptr<HidNodeIo> Reopen(Node& node, int& failures);
    void Announce(Node& node);
    bool Lose(Node& node);
    void RequestStop(Node& node);
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
