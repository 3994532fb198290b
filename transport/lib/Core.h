#pragma once

// The library's own logic, whatever the backend: call checks, registrations and their
// handles, keyboard counts, and the delivery of notifications on one dispatch thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include <olvask/olvask.h>

#include "lib/Backend.h"

namespace olvask {

// Selector flag bits: the descriptor fields that a call matches on (0x0F: all four).
inline constexpr uint32_t kSelectVendor = 0x1;
inline constexpr uint32_t kSelectProduct = 0x2;
inline constexpr uint32_t kSelectUsagePage = 0x4;
inline constexpr uint32_t kSelectUsage = 0x8;

inline constexpr uint32_t kMaxReportLength = 64;

uint32_t CallChecksum(const OlvaskUnitDescriptor& unit, OlvaskCallback callback, uint32_t unitCode,
                      std::span<const uint8_t> data);
bool DescriptorMatches(const OlvaskUnitDescriptor& unit, uint16_t vendorId, uint16_t productId,
                       Usage collection);

class Core final : public BackendEvents {
public:
    explicit Core(std::unique_ptr<Backend> backend);
    ~Core() override;
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    bool Start();
    // Stops delivering, then stops the backend. False when a callback had not returned
    // within the grace time: its thread still runs, and the Core must outlive it.
    bool Stop(std::chrono::milliseconds grace);
    bool OnDispatchThread() const;

    // The entry points, with the arguments as the caller passed them. A call whose
    // checksum does not match is refused: 0, and no handle is stored.
    int32_t GetDeviceCount(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                           uint32_t unitCode, uint32_t checksum);
    int32_t AsyncRead(const OlvaskUnitDescriptor* unit, OlvaskCallback callback, uint32_t unitCode,
                      uint32_t checksum, uint32_t* handle);
    int32_t StatusWrite(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                        uint32_t unitCode, const uint8_t* data, uint32_t length, uint32_t checksum,
                        uint32_t* handle);
    // To the first matching node (one) or to every matching node; returns 1, or the
    // number of nodes written, 0 when nothing was written.
    int32_t Write(const OlvaskUnitDescriptor* unit, OlvaskCallback callback, uint32_t unitCode,
                  const uint8_t* data, uint32_t length, uint32_t checksum, bool everyNode);
    // After it returns no new callback starts for the handle (one already running ends).
    int32_t Delete(uint32_t handle);

    void NodeArrived(uint32_t node, const NodeInfo& info) override;
    void NodeLeft(uint32_t node) override;
    void ReportArrived(uint32_t node, Usage collection, std::span<const uint8_t> report) override;

    // Deliveries waiting beyond this many are dropped (reports only), so that a callback
    // that never returns cannot make the library grow without bound.
    static constexpr size_t kMaxQueued = 1024;

private:
    enum class RequestKind { AsyncRead, Status };
    struct Registration {
        RequestKind kind;
        OlvaskUnitDescriptor unit;
        OlvaskCallback callback;
        uint32_t unitCode;
        std::vector<uint8_t> status; // last status sent; sent again to an arriving node
        int32_t lastCount;           // the count this registration last saw
    };
    struct Node {
        uint32_t id;
        NodeInfo info;
    };
    enum class DeliveryKind { Report, Count, Resend };
    struct Delivery {
        explicit Delivery(DeliveryKind k) : kind(k) {}
        DeliveryKind kind;
        uint32_t handle = 0; // Count, Resend
        uint32_t node = 0;   // Report, Resend
        uint16_t vendorId = 0, productId = 0;
        bool numbered = true;
        Usage collection;
        std::vector<uint8_t> bytes;
        uint32_t count = 0;
    };

    int32_t CountLocked(const OlvaskUnitDescriptor& unit) const;
    const Node* FirstNodeLocked(const OlvaskUnitDescriptor& unit) const;
    void QueueCountChangesLocked();
    uint32_t NewHandleLocked();
    void DispatchLoop();
    void Deliver(std::unique_lock<std::mutex>& lock, Delivery& d);

    std::unique_ptr<Backend> backend_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    bool running_ = false;
    bool stopping_ = false;
    bool dispatcherDone_ = true;
    std::deque<Delivery> queue_;
    std::map<uint32_t, Registration> registrations_;
    std::vector<Node> nodes_;
    uint32_t nextHandle_ = 1;
    std::thread dispatcher_;
    std::thread::id dispatcherId_;
};

} // namespace olvask
