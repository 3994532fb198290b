#include "lib/Core.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include <olvask/checksum.h>

#include "lib/Log.h"

namespace olvask {

static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(OlvaskUnitDescriptor) == 16);

uint32_t CallChecksum(const OlvaskUnitDescriptor& unit, OlvaskCallback callback, uint32_t unitCode,
                      std::span<const uint8_t> data) {
    uint32_t sum = olvask_checksum_add(0, &unit, sizeof unit);
    sum =
        olvask_checksum_add_u32(sum, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(callback)));
    sum = olvask_checksum_add_u32(sum, unitCode);
    if (!data.empty())
        sum = olvask_checksum_add(sum, data.data(), data.size());
    return sum;
}

bool DescriptorMatches(const OlvaskUnitDescriptor& unit, uint16_t vendorId, uint16_t productId,
                       Usage collection) {
    return (!(unit.selector & kSelectVendor) || unit.vendor_id == vendorId) &&
           (!(unit.selector & kSelectProduct) || unit.product_id == productId) &&
           (!(unit.selector & kSelectUsagePage) || unit.usage_page == collection.page) &&
           (!(unit.selector & kSelectUsage) || unit.usage == collection.usage);
}

namespace {

bool Checked(const OlvaskUnitDescriptor* unit, OlvaskCallback callback, uint32_t unitCode,
             std::span<const uint8_t> data, uint32_t checksum, const char* call) {
    if (!unit)
        return false;
    if (CallChecksum(*unit, callback, unitCode, data) == checksum)
        return true;
    Log(1, "%s refused: call checksum %08x does not match", call, checksum);
    return false;
}

} // namespace

Core::Core(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) {}

Core::~Core() {
    Stop(std::chrono::milliseconds(2000));
}

bool Core::Start() {
    {
        std::lock_guard lock(mutex_);
        if (running_)
            return true;
        running_ = true;
        stopping_ = false;
        dispatcherDone_ = false;
    }
    dispatcher_ = std::thread([this] { DispatchLoop(); });
    if (!backend_->Start(*this)) {
        Stop(std::chrono::milliseconds(2000));
        return false;
    }
    return true;
}

bool Core::Stop(std::chrono::milliseconds grace) {
    bool finished = true;
    {
        std::unique_lock lock(mutex_);
        running_ = false;
        stopping_ = true;
        wake_.notify_all();
        // Also after an earlier Stop gave up: the Core must not go while that thread runs.
        finished = done_.wait_for(lock, grace, [this] { return dispatcherDone_; });
    }
    if (dispatcher_.joinable()) {
        if (finished)
            dispatcher_.join();
        else
            dispatcher_.detach(); // stuck in a callback; the caller keeps this Core alive
    }
    backend_->Stop();
    std::lock_guard lock(mutex_);
    queue_.clear();
    registrations_.clear();
    nodes_.clear();
    return finished;
}

bool Core::OnDispatchThread() const {
    std::lock_guard lock(mutex_);
    return dispatcherId_ == std::this_thread::get_id();
}

int32_t Core::CountLocked(const OlvaskUnitDescriptor& unit) const {
    int32_t count = 0;
    for (const Node& n : nodes_)
        for (Usage c : n.info.collections)
            if (DescriptorMatches(unit, n.info.vendorId, n.info.productId, c))
                ++count;
    return count;
}

const Core::Node* Core::FirstNodeLocked(const OlvaskUnitDescriptor& unit) const {
    for (const Node& n : nodes_)
        for (Usage c : n.info.collections)
            if (DescriptorMatches(unit, n.info.vendorId, n.info.productId, c))
                return &n;
    return nullptr;
}

uint32_t Core::NewHandleLocked() {
    for (;;) {
        const uint32_t h = nextHandle_++;
        if (h != 0 && !registrations_.contains(h))
            return h;
    }
}

int32_t Core::GetDeviceCount(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                             uint32_t unitCode, uint32_t checksum) {
    if (!Checked(unit, callback, unitCode, {}, checksum, "RequestGetDeviceCount"))
        return 0;
    std::lock_guard lock(mutex_);
    return running_ ? CountLocked(*unit) : 0;
}

int32_t Core::AsyncRead(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                        uint32_t unitCode, uint32_t checksum, uint32_t* handle) {
    if (!callback || !Checked(unit, callback, unitCode, {}, checksum, "RequestAsyncRead"))
        return 0;
    uint32_t h = 0;
    {
        std::lock_guard lock(mutex_);
        if (!running_)
            return 0;
        h = NewHandleLocked();
        registrations_.emplace(
            h, Registration{
                   RequestKind::AsyncRead, *unit, callback, unitCode, {}, CountLocked(*unit)});
    }
    if (handle)
        *handle = h;
    Log(2, "RequestAsyncRead: unit %08x registered as %u", unitCode, h);
    return 1;
}

int32_t Core::StatusWrite(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                          uint32_t unitCode, const uint8_t* data, uint32_t length,
                          uint32_t checksum, uint32_t* handle) {
    if (!data || length == 0 || length > kMaxReportLength)
        return 0;
    const std::span<const uint8_t> bytes(data, length);
    if (!Checked(unit, callback, unitCode, bytes, checksum, "RequestStatusWrite"))
        return 0;
    uint32_t h = 0;
    uint32_t node = 0;
    {
        std::lock_guard lock(mutex_);
        if (!running_)
            return 0;
        h = NewHandleLocked();
        registrations_.emplace(
            h,
            Registration{
                RequestKind::Status, *unit, callback, unitCode, {bytes.begin(), bytes.end()}, 0});
        if (const Node* n = FirstNodeLocked(*unit))
            node = n->id;
    }
    if (handle)
        *handle = h;
    // Without a keyboard the status waits for the next one that arrives. Posted: the layer
    // switch registers it from inside a callback, on the thread that delivers the answers.
    if (node != 0)
        backend_->Post(node, bytes);
    return 1;
}

int32_t Core::Write(const OlvaskUnitDescriptor* unit, OlvaskCallback callback, uint32_t unitCode,
                    const uint8_t* data, uint32_t length, uint32_t checksum, bool everyNode) {
    if (!data || length == 0 || length > kMaxReportLength)
        return 0;
    const std::span<const uint8_t> bytes(data, length);
    if (!Checked(unit, callback, unitCode, bytes, checksum, "RequestWrite"))
        return 0;
    std::vector<uint32_t> targets;
    {
        std::lock_guard lock(mutex_);
        if (!running_)
            return 0;
        for (const Node& n : nodes_)
            for (Usage c : n.info.collections)
                if (DescriptorMatches(*unit, n.info.vendorId, n.info.productId, c) &&
                    std::find(targets.begin(), targets.end(), n.id) == targets.end())
                    targets.push_back(n.id);
    }
    if (!everyNode && targets.size() > 1)
        targets.resize(1);
    int32_t written = 0;
    for (uint32_t node : targets)
        if (backend_->Write(node, bytes))
            ++written;
    return everyNode ? written : (written > 0 ? 1 : 0);
}

int32_t Core::Delete(uint32_t handle) {
    if (handle == 0)
        return 0;
    std::lock_guard lock(mutex_);
    return registrations_.erase(handle) ? 1 : 0;
}

void Core::QueueCountChangesLocked() {
    for (auto& [h, reg] : registrations_) {
        if (reg.kind != RequestKind::AsyncRead)
            continue;
        const int32_t count = CountLocked(reg.unit);
        if (count == reg.lastCount)
            continue;
        reg.lastCount = count;
        Delivery d(DeliveryKind::Count);
        d.handle = h;
        d.count = static_cast<uint32_t>(count);
        queue_.push_back(std::move(d));
    }
    wake_.notify_one();
}

void Core::NodeArrived(uint32_t node, const NodeInfo& info) {
    std::lock_guard lock(mutex_);
    if (!running_)
        return;
    nodes_.push_back({node, info});
    Log(1, "keyboard node %u arrived (%04x:%04x, %zu collections)", node, info.vendorId,
        info.productId, info.collections.size());
    for (const auto& [h, reg] : registrations_) {
        if (reg.kind != RequestKind::Status)
            continue;
        for (Usage c : info.collections) {
            if (DescriptorMatches(reg.unit, info.vendorId, info.productId, c)) {
                Delivery d(DeliveryKind::Resend);
                d.handle = h;
                d.node = node;
                queue_.push_back(std::move(d));
                break;
            }
        }
    }
    QueueCountChangesLocked();
}

void Core::NodeLeft(uint32_t node) {
    std::lock_guard lock(mutex_);
    const auto it =
        std::find_if(nodes_.begin(), nodes_.end(), [&](const Node& n) { return n.id == node; });
    if (it == nodes_.end())
        return;
    nodes_.erase(it);
    Log(1, "keyboard node %u left", node);
    if (running_)
        QueueCountChangesLocked();
}

void Core::ReportArrived(uint32_t node, Usage collection, std::span<const uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (!running_)
        return;
    const auto it =
        std::find_if(nodes_.begin(), nodes_.end(), [&](const Node& n) { return n.id == node; });
    if (it == nodes_.end())
        return;
    if (queue_.size() >= kMaxQueued) {
        Log(1, "report dropped: %zu notifications wait for the callback", queue_.size());
        return;
    }
    Delivery d(DeliveryKind::Report);
    d.node = node;
    d.vendorId = it->info.vendorId;
    d.productId = it->info.productId;
    d.numbered = it->info.numbered;
    d.collection = collection;
    d.bytes.assign(report.begin(), report.end());
    queue_.push_back(std::move(d));
    wake_.notify_one();
}

void Core::DispatchLoop() {
    std::unique_lock lock(mutex_);
    dispatcherId_ = std::this_thread::get_id();
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            break;
        Delivery d = std::move(queue_.front());
        queue_.pop_front();
        Deliver(lock, d);
    }
    dispatcherId_ = {};
    dispatcherDone_ = true;
    done_.notify_all();
}

// Runs with the lock held; releases it around every call out of the library, so that a
// callback may call any entry point (a registration from inside a callback is normal).
void Core::Deliver(std::unique_lock<std::mutex>& lock, Delivery& d) {
    switch (d.kind) {
    case DeliveryKind::Report: {
        struct Target {
            uint32_t handle;
            OlvaskCallback callback;
            uint32_t unitCode;
        };
        std::vector<Target> targets;
        for (const auto& [h, reg] : registrations_)
            if (reg.kind == RequestKind::AsyncRead &&
                DescriptorMatches(reg.unit, d.vendorId, d.productId, d.collection))
                targets.push_back({h, reg.callback, reg.unitCode});
        OlvaskNotification n{};
        n.kind = OLVASK_NOTIFY_REPORT;
        n.length = static_cast<uint32_t>(d.bytes.size());
        n.data = d.bytes.data();
        const size_t off = d.numbered ? 1 : 0;
        if (d.collection.page == kConsumerPage && d.bytes.size() >= off + 2)
            n.consumer_code = static_cast<uint16_t>(d.bytes[off] | d.bytes[off + 1] << 8);
        for (const Target& t : targets) {
            if (stopping_ || !registrations_.contains(t.handle))
                continue;
            n.unit_code = t.unitCode;
            lock.unlock();
            t.callback(&n);
            lock.lock();
        }
        break;
    }
    case DeliveryKind::Count: {
        const auto it = registrations_.find(d.handle);
        if (it == registrations_.end())
            break;
        OlvaskNotification n{};
        n.kind = OLVASK_NOTIFY_COUNT;
        n.unit_code = it->second.unitCode;
        n.length = d.count;
        const OlvaskCallback callback = it->second.callback;
        lock.unlock();
        callback(&n);
        lock.lock();
        break;
    }
    case DeliveryKind::Resend: {
        const auto it = registrations_.find(d.handle);
        if (it == registrations_.end())
            break;
        const std::vector<uint8_t> status = it->second.status;
        lock.unlock();
        backend_->Post(d.node, status);
        lock.lock();
        break;
    }
    }
}

} // namespace olvask
