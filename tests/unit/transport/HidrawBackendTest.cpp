// The hidraw backend against fake nodes: which nodes it opens, how it routes their
// reports, what it does when a node goes or fails, that a stalled node holds back neither a
// command's caller nor the answers, that lost hot-plug events still bring a rescan, and that
// its readers end when told to.

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <set>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FakeEvents.h"
#include "lib/Core.h"
#include "lib/HidEnumeration.h"
#include "lib/HidrawBackend.h"
#include "lib/HidrawNode.h"
#include "lib/UdevHotplug.h"
#include "vkbd/FactoryContent.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using olvask::HidEntry;
using olvask::Usage;
using transport_test::RecordingEvents;

constexpr uint16_t kVid = 0x0C45, kPid = 0x6515;

// Writes pass while it is open; while it is shut they hang, as a write to a keyboard that
// stopped taking transfers hangs in the kernel.
class WriteGate {
public:
    void Shut() { Set(false); }
    void Open() { Set(true); }
    void Pass() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

private:
    void Set(bool open) {
        std::lock_guard lock(mutex_);
        open_ = open;
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
};

class GatedIo final : public olvask::HidNodeIo {
public:
    GatedIo(std::unique_ptr<olvask::HidrawNode> node, std::shared_ptr<WriteGate> gate)
        : node_(std::move(node)), gate_(std::move(gate)) {}
    int Read(std::span<uint8_t> buffer, int timeoutMs) override {
        return node_->Read(buffer, timeoutMs);
    }
    void Wake() override { node_->Wake(); }
    int Write(std::span<const uint8_t> report) override {
        gate_->Pass();
        return node_->Write(report);
    }

private:
    std::unique_ptr<olvask::HidrawNode> node_;
    std::shared_ptr<WriteGate> gate_;
};

// A node's far end. The backend reads and writes a real HidrawNode over one end of a
// sequenced-packet socket pair (one message per read, as hidraw hands over one report per
// read); the test holds the other end. Each open makes a fresh pair.
class FakeNode {
public:
    ~FakeNode() {
        if (far_ >= 0)
            close(far_);
    }
    std::unique_ptr<olvask::HidNodeIo> Connect() {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
            return nullptr;
        std::lock_guard lock(mutex_);
        if (far_ >= 0)
            close(far_);
        far_ = pair[1];
        if (broken_)
            shutdown(far_, SHUT_WR);
        auto node = olvask::HidrawNode::Adopt(pair[0]);
        if (!node)
            return nullptr;
        return std::make_unique<GatedIo>(std::move(node), gate);
    }
    // From now on every open gives a node whose reads fail at once, though it stays listed.
    void SetBroken(bool broken) {
        std::lock_guard lock(mutex_);
        broken_ = broken;
    }
    void Push(const std::vector<uint8_t>& report) {
        std::lock_guard lock(mutex_);
        ASSERT_EQ(send(far_, report.data(), report.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(report.size()));
    }
    // The node's end reads end-of-file, as a node torn off the bus fails its reads.
    void Unplug() {
        std::lock_guard lock(mutex_);
        shutdown(far_, SHUT_WR);
    }
    std::vector<std::vector<uint8_t>> Written() {
        std::lock_guard lock(mutex_);
        uint8_t buffer[256];
        ssize_t n = 0;
        while ((n = recv(far_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
            written_.emplace_back(buffer, buffer + n);
        return written_;
    }

    const std::shared_ptr<WriteGate> gate = std::make_shared<WriteGate>();

private:
    std::mutex mutex_;
    int far_ = -1;
    bool broken_ = false;
    std::vector<std::vector<uint8_t>> written_;
};

class FakePlatform final : public olvask::HidPlatform {
public:
    std::vector<HidEntry> Enumerate(uint16_t, uint16_t) override {
        std::lock_guard lock(mutex);
        return entries;
    }
    std::unique_ptr<olvask::HidNodeIo> Open(const std::string& path) override {
        std::lock_guard lock(mutex);
        ++opens[path];
        const auto it = nodes.find(path);
        if (it == nodes.end() || refused.contains(path))
            return nullptr;
        return it->second->Connect();
    }
    std::optional<std::vector<uint8_t>> ReportDescriptor(const std::string& path) override {
        std::lock_guard lock(mutex);
        const auto it = descriptors.find(path);
        if (it == descriptors.end())
            return std::nullopt;
        return it->second;
    }

    std::mutex mutex;
    std::vector<HidEntry> entries;
    std::map<std::string, std::shared_ptr<FakeNode>> nodes;
    std::map<std::string, std::vector<uint8_t>> descriptors;
    std::set<std::string> refused;
    std::map<std::string, int> opens;
};

// The keyboard as hidapi 0.13 lists it: the boot keyboard on hidraw3, and on hidraw4 one
// entry per usage pair, the nested one included, all with the same path.
std::vector<HidEntry> KeyboardEntries() {
    return {
        {"/dev/hidraw3", kVid, kPid, 0x0001, 0x0006, 0},
        {"/dev/hidraw4", kVid, kPid, 0x000C, 0x0001, 1},
        {"/dev/hidraw4", kVid, kPid, 0x0008, 0x0089, 1},
        {"/dev/hidraw4", kVid, kPid, 0xFF1C, 0x0092, 1},
        {"/dev/hidraw4", kVid, kPid, 0x000C, 0x0001, 1},
        {"/dev/hidraw9", 0x046D, 0xC52B, 0xFF1C, 0x0092, 2}, // someone else's device
    };
}

TEST(HidEnumeration, OpensEachNodeOnceWithItsServedCollections) {
    const auto entries = KeyboardEntries();
    const auto plans = olvask::PlanNodes(entries, kVid, kPid, olvask::kServedCollections);
    ASSERT_EQ(plans.size(), 1u);
    EXPECT_EQ(plans[0].path, "/dev/hidraw4");
    EXPECT_EQ(plans[0].collections,
              (std::vector<Usage>{olvask::kConsumerCollection, olvask::kLedCollection,
                                  olvask::kVendorCollection}));
}

class HidrawBackendTest : public ::testing::Test {
protected:
    HidrawBackendTest() {
        platform->entries = KeyboardEntries();
        platform->nodes["/dev/hidraw3"] = std::make_shared<FakeNode>();
        platform->nodes["/dev/hidraw4"] = node;
        const auto d = vkbd::ReportDescriptor();
        platform->descriptors["/dev/hidraw4"].assign(d.begin(), d.end());
    }
    void Start(olvask::HidrawOptions options = {1, {}},
               std::unique_ptr<olvask::HotplugSource> hotplug = nullptr) {
        backend = std::make_unique<olvask::HidrawBackend>(
            std::unique_ptr<olvask::HidPlatform>(platform), std::move(hotplug), options);
        ASSERT_TRUE(backend->Start(events));
    }
    ~HidrawBackendTest() override {
        node->gate->Open(); // lets a hanging write end, so that the writer can be joined
        if (backend)
            backend->Stop();
    }
    int Opens(const std::string& path) {
        std::lock_guard lock(platform->mutex);
        return platform->opens[path];
    }

    FakePlatform* platform = new FakePlatform; // owned by the backend once started
    std::shared_ptr<FakeNode> node = std::make_shared<FakeNode>();
    RecordingEvents events;
    std::unique_ptr<olvask::HidrawBackend> backend;
};

TEST_F(HidrawBackendTest, RoutesReportsByReportIdAndWritesToTheNode) {
    Start();
    ASSERT_EQ(events.arrived.size(), 1u);
    EXPECT_EQ(platform->opens["/dev/hidraw4"], 1);
    EXPECT_EQ(platform->opens.count("/dev/hidraw3"), 0u);
    const uint32_t id = events.arrived[0].first;
    EXPECT_TRUE(events.arrived[0].second.numbered);

    std::vector<uint8_t> answer(64, 0);
    answer[0] = 0x04;
    answer[3] = 0x03;
    node->Push({0x03, 0xFF, 0x02});
    node->Push({0x07, 0x00}); // no collection of the node has id 7
    node->Push(answer);
    ASSERT_TRUE(events.WaitFor([&] { return events.reports.size() == 2; }));
    EXPECT_EQ(events.reports[0].usage, olvask::kConsumerCollection);
    EXPECT_EQ(events.reports[0].bytes, (std::vector<uint8_t>{0x03, 0xFF, 0x02}));
    EXPECT_EQ(events.reports[1].usage, olvask::kVendorCollection);
    EXPECT_EQ(events.reports[1].bytes, answer);

    EXPECT_TRUE(backend->Write(id, std::vector<uint8_t>{0x05, 0x03}));
    EXPECT_FALSE(backend->Write(id + 1, std::vector<uint8_t>{0x05, 0x03}));
    EXPECT_EQ(node->Written(), (std::vector<std::vector<uint8_t>>{{0x05, 0x03}}));
}

TEST_F(HidrawBackendTest, ANodeThatStopsAnsweringLeavesOnceAndIsNotReopened) {
    Start();
    const uint32_t id = events.arrived.at(0).first;
    node->Unplug(); // the reader sees it first, before any hot-plug notice
    ASSERT_TRUE(events.WaitFor([&] { return !events.left.empty(); }));
    EXPECT_EQ(events.left, std::vector<uint32_t>{id});
    EXPECT_FALSE(backend->Write(id, std::vector<uint8_t>(64, 0x04)));

    {
        std::lock_guard lock(platform->mutex);
        platform->entries.clear(); // the hot-plug notice follows
    }
    backend->Rescan();
    EXPECT_EQ(events.left.size(), 1u);
    EXPECT_EQ(backend->OpenNodes(), 0u);
    EXPECT_EQ(platform->opens["/dev/hidraw4"], 1);

    // Plugged in again: a new node.
    {
        std::lock_guard lock(platform->mutex);
        platform->entries = KeyboardEntries();
        platform->nodes["/dev/hidraw4"] = std::make_shared<FakeNode>();
    }
    backend->Rescan();
    ASSERT_EQ(events.arrived.size(), 2u);
    EXPECT_NE(events.arrived[1].first, id);
}

TEST_F(HidrawBackendTest, RescanKeepsOpenNodesAndDropsVanishedOnes) {
    Start();
    backend->Rescan();
    EXPECT_EQ(events.arrived.size(), 1u); // still the same node
    EXPECT_EQ(platform->opens["/dev/hidraw4"], 1);
    {
        std::lock_guard lock(platform->mutex);
        platform->entries.resize(1); // only the boot keyboard is left
    }
    backend->Rescan();
    EXPECT_EQ(events.left.size(), 1u);
    EXPECT_EQ(backend->OpenNodes(), 0u);
}

TEST_F(HidrawBackendTest, ANodeThatCannotBeOpenedIsNotCounted) {
    platform->refused.insert("/dev/hidraw4");
    Start();
    EXPECT_TRUE(events.arrived.empty());
    {
        std::lock_guard lock(platform->mutex);
        platform->refused.clear();
    }
    backend->Rescan();
    EXPECT_EQ(events.arrived.size(), 1u);
}

// The readers wait without a time-out; stopping must still end them at once.
TEST_F(HidrawBackendTest, StopEndsReadersThatWaitOnSilentNodes) {
    Start();
    ASSERT_EQ(backend->OpenNodes(), 1u);
    auto stopped = std::async(std::launch::async, [&] { backend->Stop(); });
    if (stopped.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        node->Unplug(); // frees the reader, so that the test ends
        FAIL() << "a reader did not wake up for the stop request";
    }
    EXPECT_EQ(backend->OpenNodes(), 0u);
    EXPECT_TRUE(events.left.empty()); // stopping is not an unplug
}

std::vector<uint8_t> Answer(uint8_t command) {
    std::vector<uint8_t> answer(64, 0);
    answer[0] = 0x04;
    answer[3] = command;
    return answer;
}

// A node that stays listed but whose reads fail (as after a USB error that did not remove
// the device) used to be closed and opened again at every rescan, each time leaving and
// arriving again. Rescans come at every hot-plug event and after every failure.
TEST_F(HidrawBackendTest, ANodeWhoseReadsFailWhileListedIsReopenedAfterAPauseAndCountedOnce) {
    olvask::HidrawOptions options{1, {}};
    options.reopenPause = 200ms;
    options.reopenPauseLongest = 400ms;
    options.reopenTrial = 100ms;
    Start(options);
    node->SetBroken(true);
    node->Unplug();
    ASSERT_TRUE(events.WaitFor([&] { return !events.left.empty(); }));

    const auto end = Clock::now() + 1200ms;
    while (Clock::now() < end) {
        backend->Rescan();
        std::this_thread::sleep_for(20ms);
    }
    // Opened at start, then after 200, 600 and 1000 ms at most.
    EXPECT_GE(Opens("/dev/hidraw4"), 2) << "a failed node that is still listed is tried again";
    EXPECT_LE(Opens("/dev/hidraw4"), 4);
    EXPECT_EQ(events.arrived.size(), 1u) << "a node that fails at once is not counted again";
    EXPECT_EQ(events.left.size(), 1u);
    EXPECT_EQ(backend->OpenNodes(), 0u);

    // It works again: counted once more after its trial, under a new id.
    node->SetBroken(false);
    ASSERT_TRUE(events.WaitFor([&] { return events.arrived.size() == 2; }));
    const uint32_t id = events.arrived[1].first;
    EXPECT_NE(id, events.arrived[0].first);
    EXPECT_EQ(events.left.size(), 1u);
    EXPECT_EQ(backend->OpenNodes(), 1u);
    node->Push(Answer(0x03));
    ASSERT_TRUE(events.WaitFor([&] { return events.reports.size() == 1; }));
    EXPECT_EQ(events.reports[0].node, id);
    EXPECT_TRUE(backend->Write(id, Answer(0x03)));
}

TEST_F(HidrawBackendTest, AWriteToAStalledNodeGivesUpInTimeWhileReportsStillArrive) {
    olvask::HidrawOptions options{1, {}};
    options.writeTimeout = 150ms;
    Start(options);
    const uint32_t id = events.arrived.at(0).first;
    node->gate->Shut();
    const auto start = Clock::now();
    EXPECT_FALSE(backend->Write(id, Answer(0x03)));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 150ms);
    EXPECT_LT(waited, 1s);

    node->Push(Answer(0x03));
    EXPECT_TRUE(events.WaitFor([&] { return events.reports.size() == 1; }, 500ms));
    EXPECT_EQ(olvask::kWriteTimeout, 1000ms) << "the exchange waits as long for an answer";
}

// The library as the program drives it, over the hidraw backend: the layer switch registers
// the LED status from inside its callback, and a keyboard that arrives is sent the status
// again, both on the one thread that also delivers the answers.
constexpr OlvaskUnitDescriptor kControl{0x0F, kVid, kPid, 0xFF1C, 0x0092, 0};
constexpr OlvaskUnitDescriptor kConsumer{0x0F, kVid, kPid, 0x000C, 0x0001, 0};
constexpr OlvaskUnitDescriptor kLed{0x0F, kVid, kPid, 0x0008, 0x0089, 0};
constexpr uint32_t kCtrlCode = 0x4354524C, kConsCode = 0x434F4E53, kLedCode = 0x004C4544;

struct ProgramSide {
    std::mutex mutex;
    std::condition_variable changed;
    int answers = 0;
    olvask::Core* core = nullptr;

    bool WaitForAnswers(int n, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return answers >= n; });
    }
};
ProgramSide* g_program = nullptr;

int32_t SendStatus(olvask::Core& core, std::vector<uint8_t> status) {
    const uint32_t sum = olvask::CallChecksum(kLed, nullptr, kLedCode, status);
    uint32_t handle = 0;
    return core.StatusWrite(&kLed, nullptr, kLedCode, status.data(),
                            static_cast<uint32_t>(status.size()), sum, &handle);
}

int32_t ProgramCallback(const OlvaskNotification* n) {
    if (n->kind == OLVASK_NOTIFY_REPORT && n->unit_code == kConsCode && n->consumer_code == 0x02FF)
        SendStatus(*g_program->core, {0x05, 0x03}); // the layer switch
    if (n->kind == OLVASK_NOTIFY_REPORT && n->unit_code == kCtrlCode) {
        std::lock_guard lock(g_program->mutex);
        ++g_program->answers;
        g_program->changed.notify_all();
    }
    return 1;
}

TEST_F(HidrawBackendTest, AStalledNodeHoldsBackNoAnswerAndItsCommandsFailInTime) {
    {
        std::lock_guard lock(platform->mutex);
        platform->entries.clear(); // the keyboard comes later
    }
    auto owned = std::make_unique<olvask::HidrawBackend>(
        std::unique_ptr<olvask::HidPlatform>(platform), nullptr, olvask::HidrawOptions{1, {}});
    olvask::HidrawBackend* hidraw = owned.get();
    olvask::Core core(std::move(owned));
    struct OpenAtExit { // an early end of the test must not leave the writer hanging
        WriteGate& gate;
        ~OpenAtExit() { gate.Open(); }
    } openAtExit{*node->gate};
    ProgramSide program;
    program.core = &core;
    g_program = &program;
    ASSERT_TRUE(core.Start());
    uint32_t control = 0, consumer = 0;
    ASSERT_EQ(core.AsyncRead(&kControl, ProgramCallback, kCtrlCode,
                             olvask::CallChecksum(kControl, ProgramCallback, kCtrlCode, {}),
                             &control),
              1);
    ASSERT_EQ(core.AsyncRead(&kConsumer, ProgramCallback, kConsCode,
                             olvask::CallChecksum(kConsumer, ProgramCallback, kConsCode, {}),
                             &consumer),
              1);
    ASSERT_EQ(SendStatus(core, {0x05, 0x02}), 1); // kept for the keyboard to come

    node->gate->Shut();
    {
        std::lock_guard lock(platform->mutex);
        platform->entries = KeyboardEntries();
    }
    hidraw->Rescan(); // arrives: the status is sent again, and hangs
    auto start = Clock::now();
    node->Push(Answer(0x03));
    EXPECT_TRUE(program.WaitForAnswers(1, 3s));
    EXPECT_LT(Clock::now() - start, 500ms) << "the answer waited for the status write";

    node->Push({0x03, 0xFF, 0x02}); // the layer key: its callback sends the status
    start = Clock::now();
    node->Push(Answer(0x04));
    EXPECT_TRUE(program.WaitForAnswers(2, 3s));
    EXPECT_LT(Clock::now() - start, 500ms) << "the answer waited for the status write";

    // A command to the stalled keyboard: refused within the exchange's time-out.
    const std::vector<uint8_t> request = Answer(0x05);
    start = Clock::now();
    EXPECT_LE(core.Write(&kControl, nullptr, 0, request.data(), 64,
                         olvask::CallChecksum(kControl, nullptr, 0, request), false),
              0);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, olvask::kWriteTimeout);
    EXPECT_LT(waited, olvask::kWriteTimeout + 1s);

    // Once the keyboard takes transfers again the latest status reaches it (an earlier one
    // still queued was replaced by it); the command that was given up is never sent late.
    node->gate->Open();
    const std::vector<uint8_t> latest = {0x05, 0x03};
    for (int i = 0; i < 300 && (node->Written().empty() || node->Written().back() != latest); ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(50ms); // room for a late command to show
    const auto written = node->Written();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), latest);
    for (const auto& report : written)
        EXPECT_EQ(report.at(0), 0x05) << "only statuses were to reach the keyboard";
    core.Stop(2s);
    g_program = nullptr;
}

// A monitor socket that the test fills: readable while something waits in it.
class FakeMonitor final : public olvask::UeventMonitor {
public:
    using Received = olvask::UeventMonitor::Received;
    FakeMonitor() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~FakeMonitor() override { close(fd_); }
    int Fd() const override { return fd_; }
    Received Receive() override {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) {
            uint64_t value = 0;
            [[maybe_unused]] const ssize_t n = read(fd_, &value, sizeof value);
            return Received::Empty;
        }
        const Received r = pending_.front();
        pending_.pop_front();
        return r;
    }
    // Nothing given: the socket wakes its reader with nothing to read.
    void Deliver(std::vector<Received> items) {
        std::lock_guard lock(mutex_);
        pending_.insert(pending_.end(), items.begin(), items.end());
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
    }

private:
    int fd_;
    std::mutex mutex_;
    std::deque<Received> pending_;
};

TEST(UdevHotplug, LostEventsCountAsAChangeAndNothingToReadDoesNot) {
    using R = FakeMonitor::Received;
    const struct {
        const char* what;
        std::vector<R> received;
        int changes;
    } cases[] = {
        {"an event", {R::Event}, 1},
        {"lost events alone", {R::Overflow}, 1},
        {"a burst with lost events", {R::Event, R::Overflow, R::Event}, 1},
        {"a wake-up with nothing to read", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto owned = std::make_unique<FakeMonitor>();
        FakeMonitor* monitor = owned.get();
        olvask::UdevHotplug hotplug(std::move(owned));
        ASSERT_TRUE(hotplug.Prepare());
        std::mutex mutex;
        std::condition_variable changed;
        int changes = 0;
        hotplug.Start([&] {
            std::lock_guard lock(mutex);
            ++changes;
            changed.notify_all();
        });
        monitor->Deliver(c.received);
        std::unique_lock lock(mutex);
        // Past the debounce: a change would have been reported by then.
        changed.wait_for(lock, std::chrono::milliseconds(olvask::UdevHotplug::kDebounceMs) + 300ms,
                         [&] { return changes > c.changes; });
        EXPECT_EQ(changes, c.changes);
        lock.unlock();
        hotplug.Stop();
    }
}

// A keyboard plugged in while the monitor's socket overflowed: only the overflow tells.
TEST_F(HidrawBackendTest, AKeyboardPluggedInDuringLostHotplugEventsIsFound) {
    {
        std::lock_guard lock(platform->mutex);
        platform->entries.clear();
    }
    auto monitor = std::make_unique<FakeMonitor>();
    FakeMonitor* socket = monitor.get();
    Start({1, {}}, std::make_unique<olvask::UdevHotplug>(std::move(monitor)));
    EXPECT_TRUE(events.arrived.empty());
    {
        std::lock_guard lock(platform->mutex);
        platform->entries = KeyboardEntries();
    }
    socket->Deliver({FakeMonitor::Received::Overflow});
    EXPECT_TRUE(events.WaitFor([&] { return events.arrived.size() == 1; }));
}

} // namespace
