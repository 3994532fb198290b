// The library's own logic over a fake backend: checks, handles, counts and notifications.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "lib/Core.h"

namespace {

using namespace std::chrono_literals;
using olvask::NodeInfo;

constexpr OlvaskUnitDescriptor kControl{0x0F, 0x0C45, 0x6515, 0xFF1C, 0x0092, 0};
constexpr OlvaskUnitDescriptor kConsumer{0x0F, 0x0C45, 0x6515, 0x000C, 0x0001, 0};
constexpr OlvaskUnitDescriptor kLed{0x0F, 0x0C45, 0x6515, 0x0008, 0x0089, 0};
constexpr uint32_t kCtrl = 0x4354524C, kCons = 0x434F4E53, kLedCode = 0x004C4544;

const NodeInfo kKeyboard{
    0x0C45,
    0x6515,
    {olvask::kConsumerCollection, olvask::kLedCollection, olvask::kVendorCollection},
    true};

class FakeBackend final : public olvask::Backend {
public:
    bool Start(olvask::BackendEvents& e) override {
        events = &e;
        return true;
    }
    void Stop() override {}
    bool Write(uint32_t node, std::span<const uint8_t> report) override {
        std::lock_guard lock(mutex);
        writes.push_back({node, {report.begin(), report.end()}});
        changed.notify_all();
        return node != 0;
    }
    size_t WriteCount() {
        std::lock_guard lock(mutex);
        return writes.size();
    }
    bool WaitForWrites(size_t n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 3s, [&] { return writes.size() >= n; });
    }

    olvask::BackendEvents* events = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> writes;
};

// What the callback was given, copied while the record was valid.
struct Seen {
    int32_t kind;
    uint32_t unitCode;
    uint32_t length;
    uint16_t consumerCode;
    std::vector<uint8_t> data;
};

std::mutex g_mutex;
std::condition_variable g_changed;
std::vector<Seen> g_seen;
std::function<void(const OlvaskNotification&)> g_inside; // run inside the callback

int32_t Record(const OlvaskNotification* n) {
    if (g_inside)
        g_inside(*n);
    std::lock_guard lock(g_mutex);
    g_seen.push_back(
        {n->kind, n->unit_code, n->length, n->consumer_code,
         n->data ? std::vector<uint8_t>(n->data, n->data + n->length) : std::vector<uint8_t>{}});
    g_changed.notify_all();
    return 1;
}

uint32_t Sum(const OlvaskUnitDescriptor& unit, OlvaskCallback callback, uint32_t code,
             std::span<const uint8_t> data = {}) {
    return olvask::CallChecksum(unit, callback, code, data);
}

class CoreTest : public ::testing::Test {
protected:
    CoreTest() {
        std::lock_guard lock(g_mutex);
        g_seen.clear();
        g_inside = nullptr;
        auto owned = std::make_unique<FakeBackend>();
        backend = owned.get();
        core = std::make_unique<olvask::Core>(std::move(owned));
        core->Start();
    }
    ~CoreTest() override {
        core->Stop(2s);
        g_inside = nullptr;
    }
    uint32_t Register(const OlvaskUnitDescriptor& unit, uint32_t code) {
        uint32_t handle = 0;
        EXPECT_EQ(core->AsyncRead(&unit, &Record, code, Sum(unit, &Record, code), &handle), 1);
        EXPECT_NE(handle, 0u);
        return handle;
    }
    bool WaitForSeen(size_t n) {
        std::unique_lock lock(g_mutex);
        return g_changed.wait_for(lock, 3s, [&] { return g_seen.size() >= n; });
    }
    std::vector<Seen> SeenNow() {
        std::lock_guard lock(g_mutex);
        return g_seen;
    }
    void Settle() { std::this_thread::sleep_for(50ms); }

    FakeBackend* backend;
    std::unique_ptr<olvask::Core> core;
};

TEST_F(CoreTest, ReportsReachTheRegistrationsOfTheirCollection) {
    const uint32_t control = Register(kControl, kCtrl);
    const uint32_t consumer = Register(kConsumer, kCons);
    EXPECT_NE(control, consumer);
    backend->events->NodeArrived(7, kKeyboard);
    std::vector<uint8_t> answer(64, 0);
    answer[0] = 0x04;
    answer[3] = 0x03;
    backend->events->ReportArrived(7, olvask::kVendorCollection, answer);
    backend->events->ReportArrived(7, olvask::kConsumerCollection,
                                   std::vector<uint8_t>{0x03, 0x11, 0x18});
    ASSERT_TRUE(WaitForSeen(4)); // two count changes, two reports
    const auto seen = SeenNow();
    EXPECT_EQ(seen[2].kind, OLVASK_NOTIFY_REPORT);
    EXPECT_EQ(seen[2].unitCode, kCtrl);
    EXPECT_EQ(seen[2].length, 64u);
    EXPECT_EQ(seen[2].data, answer);
    EXPECT_EQ(seen[3].unitCode, kCons);
    EXPECT_EQ(seen[3].consumerCode, 0x1811);
    EXPECT_EQ(seen[3].data, (std::vector<uint8_t>{0x03, 0x11, 0x18}));
}

TEST_F(CoreTest, EveryCountChangeIsToldToEachReadRegistrationWithItsUnitCode) {
    Register(kControl, kCtrl);
    Register(kConsumer, kCons);
    backend->events->NodeArrived(1, kKeyboard);
    backend->events->NodeLeft(1);
    backend->events->NodeArrived(2, kKeyboard); // a restart: both changes are told
    ASSERT_TRUE(WaitForSeen(6));
    std::vector<std::pair<uint32_t, uint32_t>> counts;
    for (const Seen& s : SeenNow()) {
        EXPECT_EQ(s.kind, OLVASK_NOTIFY_COUNT);
        EXPECT_TRUE(s.data.empty());
        counts.push_back({s.unitCode, s.length});
    }
    EXPECT_EQ(counts, (std::vector<std::pair<uint32_t, uint32_t>>{
                          {kCtrl, 1}, {kCons, 1}, {kCtrl, 0}, {kCons, 0}, {kCtrl, 1}, {kCons, 1}}));
    EXPECT_EQ(core->GetDeviceCount(&kControl, nullptr, 0, Sum(kControl, nullptr, 0)), 1);

    // A registration made now starts from the present count: nothing to tell it.
    Register(kControl, kCtrl);
    Settle();
    EXPECT_EQ(SeenNow().size(), 6u);
}

TEST_F(CoreTest, ACallWithAWrongChecksumIsRefused) {
    backend->events->NodeArrived(3, kKeyboard);
    const std::vector<uint8_t> report(64, 0x04);
    const uint8_t led[2] = {0x05, 0x03};
    uint32_t handle = 0;
    EXPECT_EQ(core->GetDeviceCount(&kControl, nullptr, 0, Sum(kControl, nullptr, 0) + 1), 0);
    EXPECT_EQ(core->AsyncRead(&kControl, &Record, kCtrl, Sum(kControl, &Record, kCons), &handle),
              0);
    EXPECT_EQ(
        core->StatusWrite(&kLed, &Record, kLedCode, led, 2, Sum(kLed, &Record, kLedCode), &handle),
        0);
    EXPECT_EQ(
        core->Write(&kControl, nullptr, 0, report.data(), 64, Sum(kControl, nullptr, 0), false), 0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(backend->WriteCount(), 0u);
    // The same calls with their checksums.
    EXPECT_EQ(core->GetDeviceCount(&kControl, nullptr, 0, Sum(kControl, nullptr, 0)), 1);
    EXPECT_EQ(core->Write(&kControl, nullptr, 0, report.data(), 64,
                          Sum(kControl, nullptr, 0, report), false),
              1);
    EXPECT_EQ(core->StatusWrite(&kLed, &Record, kLedCode, led, 2, Sum(kLed, &Record, kLedCode, led),
                                &handle),
              1);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(backend->WriteCount(), 2u);
}

TEST_F(CoreTest, WritesNeedAKeyboardAndAReportOfAtMost64Bytes) {
    const std::vector<uint8_t> report(65, 0x04);
    const auto write = [&](size_t n) {
        const auto bytes = std::span<const uint8_t>(report).first(n);
        return core->Write(&kControl, nullptr, 0, bytes.data(), static_cast<uint32_t>(n),
                           Sum(kControl, nullptr, 0, bytes), false);
    };
    EXPECT_EQ(write(64), 0); // no keyboard
    backend->events->NodeArrived(4, kKeyboard);
    backend->events->NodeArrived(5, kKeyboard);
    EXPECT_EQ(write(64), 1);
    EXPECT_EQ(write(65), 0);
    EXPECT_EQ(write(0), 0);
    ASSERT_EQ(backend->WriteCount(), 1u);
    EXPECT_EQ(backend->writes[0].first, 4u); // the first keyboard only
}

TEST_F(CoreTest, ADeletedRequestHearsNothingMore) {
    const uint32_t handle = Register(kControl, kCtrl);
    EXPECT_EQ(core->Delete(handle), 1);
    EXPECT_EQ(core->Delete(handle), 0);
    EXPECT_EQ(core->Delete(0), 0);
    backend->events->NodeArrived(1, kKeyboard);
    backend->events->ReportArrived(1, olvask::kVendorCollection, std::vector<uint8_t>(64, 4));
    Settle();
    EXPECT_TRUE(SeenNow().empty());
}

// The program registers its LED request from inside the callback that tells it of the layer
// key, deleting the previous one first.
TEST_F(CoreTest, ACallbackMayCallTheLibraryAgain) {
    static std::atomic<uint32_t> ledHandle{0};
    ledHandle = 0;
    static olvask::Core* self = nullptr;
    self = core.get();
    g_inside = [](const OlvaskNotification& n) {
        if (n.kind != OLVASK_NOTIFY_REPORT || n.consumer_code != 0x02FF)
            return;
        self->Delete(ledHandle);
        const uint8_t led[2] = {0x05, 0x03};
        uint32_t fresh = 0;
        self->StatusWrite(&kLed, &Record, kLedCode, led, 2, Sum(kLed, &Record, kLedCode, led),
                          &fresh);
        ledHandle = fresh;
        self->GetDeviceCount(&kControl, nullptr, 0, Sum(kControl, nullptr, 0));
    };
    Register(kConsumer, kCons);
    backend->events->NodeArrived(1, kKeyboard);
    backend->events->ReportArrived(1, olvask::kConsumerCollection,
                                   std::vector<uint8_t>{0x03, 0xFF, 0x02});
    backend->events->ReportArrived(1, olvask::kConsumerCollection,
                                   std::vector<uint8_t>{0x03, 0xFF, 0x02});
    ASSERT_TRUE(backend->WaitForWrites(2));
    ASSERT_TRUE(WaitForSeen(3));
    EXPECT_NE(ledHandle.load(), 0u);
    EXPECT_EQ(backend->writes[1].second, (std::vector<uint8_t>{0x05, 0x03}));
}

TEST_F(CoreTest, TheLatestStatusGoesToAKeyboardThatArrives) {
    const uint8_t first[2] = {0x05, 0x03}, second[2] = {0x05, 0x02};
    uint32_t h1 = 0, h2 = 0;
    EXPECT_EQ(core->StatusWrite(&kLed, &Record, kLedCode, first, 2,
                                Sum(kLed, &Record, kLedCode, first), &h1),
              1);
    core->Delete(h1);
    EXPECT_EQ(core->StatusWrite(&kLed, &Record, kLedCode, second, 2,
                                Sum(kLed, &Record, kLedCode, second), &h2),
              1);
    EXPECT_EQ(backend->WriteCount(), 0u); // nobody to send it to yet
    backend->events->NodeArrived(9, kKeyboard);
    ASSERT_TRUE(backend->WaitForWrites(1));
    Settle();
    ASSERT_EQ(backend->WriteCount(), 1u);
    EXPECT_EQ(backend->writes[0], (std::pair<uint32_t, std::vector<uint8_t>>{9, {0x05, 0x02}}));
}

TEST_F(CoreTest, StopGivesUpOnACallbackThatNeverReturns) {
    static std::mutex gate;
    static std::condition_variable opened;
    static bool open = false;
    static std::atomic<bool> inside{false};
    open = false;
    g_inside = [](const OlvaskNotification&) {
        inside = true;
        std::unique_lock lock(gate);
        opened.wait(lock, [] { return open; });
    };
    Register(kControl, kCtrl);
    backend->events->NodeArrived(1, kKeyboard);
    while (!inside)
        std::this_thread::yield();
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(core->Stop(100ms));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_EQ(core->GetDeviceCount(&kControl, nullptr, 0, Sum(kControl, nullptr, 0)), 0);
    {
        std::lock_guard lock(gate);
        open = true;
    }
    opened.notify_all();
    ASSERT_TRUE(WaitForSeen(1)); // the stuck callback ends; the Core is still here for it
    Settle();
}

} // namespace
