#include "device/TransportCallback.h"

#include <chrono>
#include <condition_variable>
#include <deque>
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

// Playback notices waiting to reach the window, in the order they arrived. One short
// thread at a time applies them, so a stop that follows a start at once is never overtaken
// by it and the icon ends in the state of the last notice. Never destroyed, like the holder.
struct MacroNotices {
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<bool> pending; // true: started playing
    bool applying = false;    // a thread is applying them
};
MacroNotices& Notices() {
    static MacroNotices* notices = new MacroNotices;
    return *notices;
}

// Off the library's thread: the window's icon change must not hold back the answers it
// delivers.
void QueueMacroNotice(bool playing) {
    MacroNotices& q = Notices();
    std::lock_guard lock(q.mutex);
    q.pending.push_back(playing);
    if (q.applying)
        return; // the running thread takes it in turn
    q.applying = true;
    std::thread([&q] {
        std::unique_lock lock(q.mutex);
        while (!q.pending.empty()) {
            const bool next = q.pending.front();
            q.pending.pop_front();
            lock.unlock();
            if (EventsUse events; events)
                events->OnMacroPlaying(next);
            lock.lock();
        }
        q.applying = false;
        q.idle.notify_all();
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
        QueueMacroNotice(code == kCodeMacroStarted);
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

bool WaitMacroNoticesApplied(std::chrono::milliseconds timeout) {
    MacroNotices& q = Notices();
    std::unique_lock lock(q.mutex);
    return q.idle.wait_for(lock, timeout, [&] { return !q.applying; });
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
