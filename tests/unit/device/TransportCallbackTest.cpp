#include "DeviceFixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/Exchange.h"

namespace {

using device::kUnitConsumer;
using device::kUnitControl;

class TransportCallbackTest : public DeviceTest {
protected:
    void Consumer(uint16_t code) {
        const uint8_t report[3] = {0x03, static_cast<uint8_t>(code),
                                   static_cast<uint8_t>(code >> 8)};
        fake.Notify(OLVASK_NOTIFY_REPORT, kUnitConsumer, code, report, sizeof report);
    }
};

TEST_F(TransportCallbackTest, OpeningRegisteredConsumerThenControlAndCounted) {
    // Recorded when the fixture opened the link.
    EXPECT_EQ(countAtOpen, 1);
    EXPECT_EQ(device::LedHandle(), 0u) << "the LED channel waits for the first layer switch";
    EXPECT_NE(device::ConsumerHandle(), 0u);
    EXPECT_NE(device::ControlHandle(), 0u);
    EXPECT_LT(device::ConsumerHandle(), device::ControlHandle());
}

TEST_F(TransportCallbackTest, LayerSwitchFlipsLedStatusAndReRegistersEachTime) {
    ASSERT_EQ(device::LedStatus(), (std::array<uint8_t, 2>{0x05, 0x02}));
    for (const uint8_t flags : {0x03, 0x02}) {
        const uint32_t before = device::LedHandle();
        fake.Reset();
        Consumer(device::kCodeLayerSwitch);
        EXPECT_EQ(device::LedStatus(), (std::array<uint8_t, 2>{0x05, flags}));
        const uint32_t after = device::LedHandle();
        EXPECT_NE(after, before);
        char expected[96];
        std::snprintf(expected, sizeof expected, "Delete %u\nStatusWrite LED %u 05 %02X\n", before,
                      after, flags);
        EXPECT_EQ(fake.Log(), expected);
        EXPECT_EQ(events.Take(), std::vector<std::string>{"layer " + std::to_string(flags & 1)});
    }
}

TEST_F(TransportCallbackTest, ConsumerCodesReachTheWindowOrNothing) {
    Consumer(device::kCodeLightingChanged);
    EXPECT_EQ(events.Take(), std::vector<std::string>{"lighting"});
    for (uint16_t code : {0x1801, 0x1802, 0x1803, 0x1804, 0x00E9, 0x0000})
        Consumer(code);
    EXPECT_TRUE(events.Take().empty());
    EXPECT_EQ(fake.Log(), "");
}

// The keyboard sends a stop right behind a start when a short macro ends: the icon must
// end on the stop every time, and the window hears one notice at a time.
TEST_F(TransportCallbackTest, MacroNoticesTakeEffectInTheOrderTheyArrived) {
    const std::vector<std::string> pair = {"playing", "stopped"};
    for (int i = 0; i < 300; ++i) {
        Consumer(device::kCodeMacroStarted);
        Consumer(device::kCodeMacroStopped);
        ASSERT_TRUE(device::WaitMacroNoticesApplied(std::chrono::seconds(2)));
        ASSERT_EQ(events.Take(), pair) << "pair " << i;
    }
    // A burst from two library threads at once: each thread's notices keep their order.
    std::vector<std::thread> senders;
    for (int t = 0; t < 2; ++t)
        senders.emplace_back([this] {
            for (int i = 0; i < 300; ++i) {
                Consumer(device::kCodeMacroStarted);
                Consumer(device::kCodeMacroStopped);
            }
        });
    for (auto& t : senders)
        t.join();
    ASSERT_TRUE(device::WaitMacroNoticesApplied(std::chrono::seconds(5)));
    const std::vector<std::string> seen = events.Take();
    ASSERT_EQ(seen.size(), 1200u);
    EXPECT_EQ(seen.back(), "stopped");
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "playing"), 600);
    EXPECT_FALSE(events.overlapped());
}

TEST_F(TransportCallbackTest, CountChangesComeOnlyFromTheControlChannel) {
    fake.Notify(OLVASK_NOTIFY_COUNT, kUnitControl, 0, nullptr, 0);
    fake.Notify(OLVASK_NOTIFY_COUNT, kUnitConsumer, 0, nullptr, 2);
    EXPECT_EQ(events.Take(), std::vector<std::string>{"count 0"});
}

TEST_F(TransportCallbackTest, ControlReportWithNobodyWaitingIsDropped) {
    const uint8_t report[64] = {0x04, 0, 0, 0x03};
    fake.Notify(OLVASK_NOTIFY_REPORT, kUnitControl, 0, report, sizeof report);
    EXPECT_FALSE(device::ExchangeBusy());
    EXPECT_TRUE(events.Take().empty());
}

// The window takes itself away before it is destroyed; a notification already inside it
// must have left by then.
TEST_F(TransportCallbackTest, TakingTheWindowAwayWaitsForTheNotificationInsideIt) {
    class Blocking final : public RecordingEvents {
    public:
        void OnLightingChanged() override {
            std::unique_lock lock(mutex);
            inside = true;
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
        }
        std::mutex mutex;
        std::condition_variable changed;
        bool inside = false, released = false;
    } window;
    device::SetTransportEvents(&window);
    std::thread library([&] { Consumer(device::kCodeLightingChanged); });
    {
        std::unique_lock lock(window.mutex);
        window.changed.wait(lock, [&] { return window.inside; });
    }
    std::atomic<bool> gone{false};
    std::thread closing([&] {
        device::SetTransportEvents(nullptr);
        gone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(gone) << "the window could be destroyed under a running notification";
    {
        std::lock_guard lock(window.mutex);
        window.released = true;
    }
    window.changed.notify_all();
    library.join();
    closing.join();
    EXPECT_TRUE(gone);
    Consumer(device::kCodeLightingChanged); // nobody hears it now
    device::SetTransportEvents(&events);
}

} // namespace
