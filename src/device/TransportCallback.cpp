#include "device/TransportCallback.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/Exchange.h"
#include "device/Transport.h"

namespace device {

namespace {

// The window that hears the notifications, and how many calls are inside it now, so that
// taking it away can wait until none is. Never destroyed: short threads of ours may still
// run while the process ends.
struct EventsHolder {
    std::mutex mutex;
    std::condition_variable idle;
    TransportEvents* events = nullptr;
    int inUse = 0;
};
EventsHolder& Holder() {
    static EventsHolder* holder = new EventsHolder;
    return *holder;
}

// The window for the length of one notification; null when there is none.
class EventsUse {
public:
    EventsUse() {
        EventsHolder& h = Holder();
        std::lock_guard lock(h.mutex);
        events_ = h.events;
        if (events_)
            ++h.inUse;
    }
    ~EventsUse() {
        if (!events_)
            return;
        EventsHolder& h = Holder();
        std::lock_guard lock(h.mutex);
        if (--h.inUse == 0)
            h.idle.notify_all();
    }
    EventsUse(const EventsUse&) = delete;
    EventsUse& operator=(const EventsUse&) = delete;
    TransportEvents* operator->() const { return events_; }
    explicit operator bool() const { return events_ != nullptr; }

private:
    TransportEvents* events_ = nullptr;
};

std::atomic<bool> g_iconThreadActive{false};

// One short thread per playback notice; each changes the icon only while no other holds
// the mark, so a start and a stop arriving together are applied one after the other.
void StartMacroIconThread(bool playing) {
    std::thread([playing] {
        bool expected = false;
        while (!g_iconThreadActive.compare_exchange_weak(expected, true)) {
            expected = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (EventsUse events; events)
            events->OnMacroPlaying(playing);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        g_iconThreadActive = false;
    }).detach();
}

void OnConsumerReport(uint16_t code) {
    const EventsUse events;
    switch (code) {
    case kCodeLayerSwitch:
        FlipLayer();
        RegisterLedChannel();
        if (events)
            events->OnLayerSwitched();
        break;
    case kCodeLightingChanged:
        if (events)
            events->OnLightingChanged();
        break;
    case kCodeMacroStarted:
    case kCodeMacroStopped:
        StartMacroIconThread(code == kCodeMacroStarted);
        break;
    default: // 0x1801..0x1804 and every other code: nothing to do
        break;
    }
}

} // namespace

void SetTransportEvents(TransportEvents* events) {
    EventsHolder& h = Holder();
    std::unique_lock lock(h.mutex);
    h.events = events;
    // The window may go once this returns; a call already inside it ends first.
    h.idle.wait_for(lock, kEventsDrainTimeout, [&] { return h.inUse == 0; });
}

bool MacroIconThreadActive() {
    return g_iconThreadActive.load();
}

int32_t TransportCallback(const OlvaskNotification* notification) {
    if (!notification)
        return 1;
    const OlvaskNotification& n = *notification;
    if (n.kind == OLVASK_NOTIFY_REPORT && n.unit_code == kUnitConsumer) {
        OnConsumerReport(n.consumer_code);
    } else if (n.kind == OLVASK_NOTIFY_REPORT && n.unit_code == kUnitControl) {
        if (n.data)
            DeliverAnswer(std::span<const uint8_t>(n.data, n.length));
    } else if (n.kind == OLVASK_NOTIFY_COUNT && n.unit_code == kUnitControl) {
        if (EventsUse events; events)
            events->OnKeyboardCountChanged(static_cast<int32_t>(n.length));
    }
    return 1;
}

} // namespace device
