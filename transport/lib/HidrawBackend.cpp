#include "lib/HidrawBackend.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "lib/HidEnumeration.h"
#include "lib/Log.h"

namespace olvask {

namespace {

constexpr size_t kReadBuffer = 256; // larger than any report of the keyboard

int Millis(std::chrono::milliseconds d) {
    return static_cast<int>(std::clamp<int64_t>(d.count(), 0, INT_MAX));
}

} // namespace

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
    for (auto& node : nodes) {
        RequestStop(*node); // stopping is not an unplug: nothing is reported
        Close(*node);
    }
}

size_t HidrawBackend::OpenNodes() const {
    std::lock_guard lock(nodesMutex_);
    return static_cast<size_t>(std::count_if(nodes_.begin(), nodes_.end(),
                                             [](const auto& n) { return n->counted.load(); }));
}

std::shared_ptr<HidrawBackend::Node> HidrawBackend::Find(uint32_t id) const {
    std::lock_guard lock(nodesMutex_);
    for (const auto& n : nodes_)
        if (n->id == id)
            return n;
    return nullptr;
}

std::shared_ptr<HidNodeIo> HidrawBackend::CurrentIo(Node& node) {
    std::lock_guard lock(node.ioMutex);
    return node.io;
}

void HidrawBackend::SetIo(Node& node, std::shared_ptr<HidNodeIo> io) {
    std::shared_ptr<HidNodeIo> old;
    {
        std::lock_guard lock(node.ioMutex);
        old = std::exchange(node.io, std::move(io));
    }
    // The descriptor closes here, or when a write still under way on it returns.
}

bool HidrawBackend::Write(uint32_t id, std::span<const uint8_t> report) {
    const std::shared_ptr<Node> node = Find(id);
    if (!node || !node->counted)
        return false;
    if (node->writer->Write(report, options_.writeTimeout))
        return true;
    Log(1, "write to %s failed or did not end in %lld ms", node->path.c_str(),
        static_cast<long long>(options_.writeTimeout.count()));
    return false;
}

void HidrawBackend::Post(uint32_t id, std::span<const uint8_t> report) {
    if (const std::shared_ptr<Node> node = Find(id); node && node->counted)
        node->writer->Post(report);
}

// On the node's writer thread.
bool HidrawBackend::WriteNow(Node& node, std::span<const uint8_t> report) {
    const std::shared_ptr<HidNodeIo> io = CurrentIo(node);
    if (!io)
        return false;
    const int written = io->Write(report);
    if (written != static_cast<int>(report.size())) {
        Log(1, "write to %s failed (%d)", node.path.c_str(), written);
        return false;
    }
    return true;
}

void HidrawBackend::Announce(Node& node) {
    std::lock_guard state(node.stateMutex);
    if (node.stop || node.counted)
        return;
    {
        std::lock_guard lock(nodesMutex_);
        node.id = nextNode_++;
    }
    node.counted = true;
    Log(1, "%s answers again", node.path.c_str());
    events_->NodeArrived(node.id, node.info);
}

// True when the node was counted until now.
bool HidrawBackend::Lose(Node& node) {
    std::lock_guard state(node.stateMutex);
    if (!node.counted.exchange(false))
        return false;
    events_->NodeLeft(node.id);
    return true;
}

void HidrawBackend::RequestStop(Node& node) {
    {
        std::lock_guard state(node.stateMutex);
        node.stop = true;
    }
    node.stopRequested.notify_all();
    // A reader that installs a new descriptor after this sees the flag before it waits.
    if (const auto io = CurrentIo(node))
        io->Wake();
}

void HidrawBackend::Close(Node& node) {
    if (node.reader.joinable())
        node.reader.join();
    if (node.writer)
        node.writer->Stop();
    SetIo(node, nullptr);
}

void HidrawBackend::ReadLoop(Node& node) {
    uint8_t buffer[kReadBuffer];
    int failures = 0;     // in a row, with no report read in between
    bool onTrial = false; // opened again after a failure, not counted yet
    std::shared_ptr<HidNodeIo> io = CurrentIo(node);
    while (io && !node.stop) {
        const int n = io->Read(buffer, onTrial ? Millis(options_.reopenTrial) : -1);
        if (node.stop)
            return;
        if (n >= 0) {
            if (onTrial) { // a report, or the trial time passed without a failure
                onTrial = false;
                Announce(node);
            }
            if (n == 0)
                continue;
            failures = 0;
            const std::span<const uint8_t> report(buffer, static_cast<size_t>(n));
            if (const auto usage = node.router.Route(report))
                events_->ReportArrived(node.id, *usage, report);
            continue;
        }
        // Unplugged (or broken): the count drops now, without waiting for hot-plug, and the
        // rescan that the kick brings closes the node for good if it is no longer listed.
        Log(1, "%s stopped answering", node.path.c_str());
        if (Lose(node) && hotplug_)
            hotplug_->Kick();
        onTrial = false;
        io.reset();
        SetIo(node, nullptr);
        io = Reopen(node, failures);
        onTrial = io != nullptr;
    }
}

// Opens a node that failed once its pause is over, pausing longer after each failure, so
// that a node that keeps failing is neither opened nor counted again and again. Null when
// the node is to stop.
std::shared_ptr<HidNodeIo> HidrawBackend::Reopen(Node& node, int& failures) {
    for (;;) {
        ++failures;
        std::chrono::milliseconds pause = options_.reopenPause;
        for (int i = 1; i < failures && pause < options_.reopenPauseLongest; ++i)
            pause *= 2;
        pause = std::min(pause, options_.reopenPauseLongest);
        {
            std::unique_lock state(node.stateMutex);
            if (node.stopRequested.wait_for(state, pause, [&] { return node.stop.load(); }))
                return nullptr;
        }
        if (std::shared_ptr<HidNodeIo> io = platform_->Open(node.path)) {
            SetIo(node, io);
            return io;
        }
        Log(1, "cannot open %s again", node.path.c_str());
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

    // A listed node whose reads failed stays: its reader opens it again after a pause.
    std::vector<std::shared_ptr<Node>> gone;
    {
        std::lock_guard lock(nodesMutex_);
        auto keep = std::stable_partition(nodes_.begin(), nodes_.end(),
                                          [&](const auto& n) { return planned(n->path); });
        gone.assign(keep, nodes_.end());
        nodes_.erase(keep, nodes_.end());
    }
    for (auto& node : gone) {
        RequestStop(*node);
        Lose(*node);
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
        node->info = NodeInfo{kKeyboardVendorId, kKeyboardProductId, plan.collections,
                              node->router.Numbered()};
        node->io = std::move(io);
        node->writer = std::make_unique<NodeWriter>(
            [this, raw = node.get()](std::span<const uint8_t> r) { return WriteNow(*raw, r); });
        node->counted = true;
        {
            std::lock_guard lock(nodesMutex_);
            node->id = nextNode_++;
            nodes_.push_back(node);
        }
        events_->NodeArrived(node->id, node->info);
        node->reader = std::thread([this, raw = node.get()] { ReadLoop(*raw); });
    }
}

} // namespace olvask
