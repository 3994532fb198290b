// The hidraw backend against fake nodes: which nodes it opens, how it routes their
// reports, and what it does when a node goes.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>

#include "FakeEvents.h"
#include "lib/HidEnumeration.h"
#include "lib/HidrawBackend.h"
#include "vkbd/FactoryContent.h"

namespace {

using olvask::HidEntry;
using olvask::Usage;
using transport_test::RecordingEvents;

constexpr uint16_t kVid = 0x0C45, kPid = 0x6515;

// A node's far end: reports to read, what was written, and whether it is unplugged.
class FakeNode {
public:
    void Push(std::vector<uint8_t> report) {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(report));
        ready_.notify_all();
    }
    void Unplug() {
        std::lock_guard lock(mutex_);
        gone_ = true;
        ready_.notify_all();
    }
    int Read(std::span<uint8_t> buffer, int timeoutMs) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [&] { return gone_ || !pending_.empty(); });
        if (!pending_.empty()) {
            const std::vector<uint8_t> r = std::move(pending_.front());
            pending_.pop_front();
            std::copy(r.begin(), r.end(), buffer.begin());
            return static_cast<int>(r.size());
        }
        return gone_ ? -1 : 0;
    }
    int Write(std::span<const uint8_t> report) {
        std::lock_guard lock(mutex_);
        if (gone_)
            return -1;
        written.emplace_back(report.begin(), report.end());
        return static_cast<int>(report.size());
    }
    std::vector<std::vector<uint8_t>> Written() {
        std::lock_guard lock(mutex_);
        return written;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::vector<uint8_t>> pending_;
    std::vector<std::vector<uint8_t>> written;
    bool gone_ = false;
};

class FakeIo final : public olvask::HidNodeIo {
public:
    explicit FakeIo(std::shared_ptr<FakeNode> node) : node_(std::move(node)) {}
    int Read(std::span<uint8_t> buffer, int timeoutMs) override {
        return node_->Read(buffer, timeoutMs);
    }
    int Write(std::span<const uint8_t> report) override { return node_->Write(report); }

private:
    std::shared_ptr<FakeNode> node_;
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
        return std::make_unique<FakeIo>(it->second);
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
    void Start() {
        backend =
            std::make_unique<olvask::HidrawBackend>(std::unique_ptr<olvask::HidPlatform>(platform),
                                                    nullptr, olvask::HidrawOptions{20, 1, {}});
        ASSERT_TRUE(backend->Start(events));
    }
    ~HidrawBackendTest() override {
        if (backend)
            backend->Stop();
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

} // namespace
