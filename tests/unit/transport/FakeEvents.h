#pragma once

// Records what a backend reports, for tests that wait for it.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "lib/Backend.h"

namespace transport_test {

class RecordingEvents final : public olvask::BackendEvents {
public:
    struct Report {
        uint32_t node;
        olvask::Usage usage;
        std::vector<uint8_t> bytes;
    };

    void NodeArrived(uint32_t node, const olvask::NodeInfo& info) override {
        std::lock_guard lock(mutex_);
        arrived.push_back({node, info});
        changed_.notify_all();
    }
    void NodeLeft(uint32_t node) override {
        std::lock_guard lock(mutex_);
        left.push_back(node);
        changed_.notify_all();
    }
    void ReportArrived(uint32_t node, olvask::Usage usage,
                       std::span<const uint8_t> report) override {
        std::lock_guard lock(mutex_);
        reports.push_back({node, usage, {report.begin(), report.end()}});
        changed_.notify_all();
    }

    // Waits until the condition (checked under the lock) holds.
    bool WaitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, condition);
    }

    std::vector<std::pair<uint32_t, olvask::NodeInfo>> arrived;
    std::vector<uint32_t> left;
    std::vector<Report> reports;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

} // namespace transport_test
