#include "lib/HidrawBackend.h"

#include <algorithm>

#include "lib/HidEnumeration.h"
#include "lib/Log.h"

namespace olvask {

namespace {
constexpr size_t kReadBuffer = 256; // larger than any report of the keyboard
}

HidrawBackend::HidrawBackend(std::unique_ptr<HidPlatform> platform,
                             std::unique_ptr<HotplugSource> hotplug, HidrawOptions options)
    : platform_(std::move(platform)), hotplug_(std::move(hotplug)), options_(options) {}

HidrawBackend::~HidrawBackend() {
    Stop();
}

bool HidrawBackend::Start(BackendEvents& events) {
    events_ = &events;
    running_ = true;
    // The monitor listens before the first enumeration, so a keyboard plugged in between
    // is seen by the rescan that its events cause.
    if (hotplug_ && !hotplug_->Prepare()) {
        Log(0, "no hot-plug notices: a keyboard plugged in later is not seen");
        hotplug_.reset();
    }
    Rescan();
    if (hotplug_)
        hotplug_->Start([this] { Rescan(); });
    return true;
}

void HidrawBackend::Stop() {
    if (!running_.exchange(false))
        return;
    if (hotplug_)
        hotplug_->Stop();
    std::lock_guard rescan(rescanMutex_);
    std::vector<std::shared_ptr<Node>> nodes;
    {
        std::lock_guard lock(nodesMutex_);
        nodes.swap(nodes_);
    }
    for (auto& node : nodes)
        Close(*node);
}

size_t HidrawBackend::OpenNodes() const {
    std::lock_guard lock(nodesMutex_);
    return nodes_.size();
}

bool HidrawBackend::Write(uint32_t id, std::span<const uint8_t> report) {
    std::shared_ptr<Node> node;
    {
        std::lock_guard lock(nodesMutex_);
        for (const auto& n : nodes_)
            if (n->id == id)
                node = n;
    }
    if (!node)
        return false;
    std::lock_guard io(node->ioMutex);
    if (node->lost || !node->io)
        return false;
    const int written = node->io->Write(report);
    if (written != static_cast<int>(report.size())) {
        Log(1, "write to %s failed (%d)", node->path.c_str(), written);
        return false;
    }
    return true;
}

void HidrawBackend::Lose(Node& node, bool kick) {
    if (node.lost.exchange(true))
        return;
    events_->NodeLeft(node.id);
    if (kick && hotplug_)
        hotplug_->Kick();
}

void HidrawBackend::Close(Node& node) {
    node.stop = true;
    if (node.io)
        node.io->Wake();
    if (node.reader.joinable())
        node.reader.join();
    std::lock_guard io(node.ioMutex);
    node.io.reset();
}

void HidrawBackend::ReadLoop(Node& node) {
    uint8_t buffer[kReadBuffer];
    while (!node.stop) {
        const int n = node.io->Read(buffer);
        if (n < 0) {
            // Unplugged (or broken): the count drops now, without waiting for hot-plug.
            Log(1, "%s stopped answering", node.path.c_str());
            Lose(node, true);
            return;
        }
        if (n == 0)
            continue;
        const std::span<const uint8_t> report(buffer, static_cast<size_t>(n));
        if (const auto usage = node.router.Route(report))
            events_->ReportArrived(node.id, *usage, report);
    }
}

std::unique_ptr<HidNodeIo> HidrawBackend::OpenWithRetries(const std::string& path) {
    const bool late = hotplug_ && hotplug_->NodesMaySettleLate();
    const int attempts = late ? std::max(1, options_.lateOpenAttempts) : 1;
    for (int i = 0; i < attempts; ++i) {
        if (i > 0)
            std::this_thread::sleep_for(options_.lateOpenPause);
        if (auto io = platform_->Open(path))
            return io;
    }
    Log(0, "cannot open %s (check its permissions: see the udev rule)", path.c_str());
    return nullptr;
}

void HidrawBackend::Rescan() {
    std::lock_guard rescan(rescanMutex_);
    if (!running_)
        return;
    const std::vector<HidEntry> entries =
        platform_->Enumerate(kKeyboardVendorId, kKeyboardProductId);
    const std::vector<NodePlan> plans =
        PlanNodes(entries, kKeyboardVendorId, kKeyboardProductId, kServedCollections);
    const auto planned = [&](const std::string& path) {
        return std::any_of(plans.begin(), plans.end(),
                           [&](const NodePlan& p) { return p.path == path; });
    };

    std::vector<std::shared_ptr<Node>> gone;
    {
        std::lock_guard lock(nodesMutex_);
        auto keep = std::stable_partition(nodes_.begin(), nodes_.end(), [&](const auto& n) {
            return !n->lost && planned(n->path);
        });
        gone.assign(keep, nodes_.end());
        nodes_.erase(keep, nodes_.end());
    }
    for (auto& node : gone) {
        Lose(*node, false);
        Close(*node);
    }

    for (const NodePlan& plan : plans) {
        {
            std::lock_guard lock(nodesMutex_);
            if (std::any_of(nodes_.begin(), nodes_.end(),
                            [&](const auto& n) { return n->path == plan.path; }))
                continue;
        }
        auto io = OpenWithRetries(plan.path);
        if (!io)
            continue;
        std::optional<ReportLayout> layout;
        if (const auto descriptor = platform_->ReportDescriptor(plan.path))
            layout = ParseReportDescriptor(*descriptor);
        if (!layout)
            Log(1, "no report descriptor for %s", plan.path.c_str());

        auto node = std::make_shared<Node>();
        node->path = plan.path;
        node->router = ReportRouter(layout, plan.collections);
        node->io = std::move(io);
        NodeInfo info{kKeyboardVendorId, kKeyboardProductId, plan.collections,
                      node->router.Numbered()};
        {
            std::lock_guard lock(nodesMutex_);
            node->id = nextNode_++;
            nodes_.push_back(node);
        }
        events_->NodeArrived(node->id, info);
        node->reader = std::thread([this, raw = node.get()] { ReadLoop(*raw); });
    }
}

} // namespace olvask
