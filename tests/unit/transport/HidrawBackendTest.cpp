// The hidraw backend against fake nodes: which nodes it opens, how it routes their
// reports, what it does when a node goes, and that its readers end when told to.

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

#include "FakeEvents.h"
#include "lib/HidEnumeration.h"
#include "lib/HidrawBackend.h"
#include "lib/HidrawNode.h"
#include "vkbd/FactoryContent.h"

namespace {

using olvask::HidEntry;
using olvask::Usage;
using transport_test::RecordingEvents;

constexpr uint16_t kVid = 0x0C45, kPid = 0x6515;

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
        return olvask::HidrawNode::Adopt(pair[0]);
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

private:
    std::mutex mutex_;
    int far_ = -1;
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
    void Start() {
        backend = std::make_unique<olvask::HidrawBackend>(
            std::unique_ptr<olvask::HidPlatform>(platform), nullptr, olvask::HidrawOptions{1, {}});
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

} // namespace
