#include "device/TransportCallback.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "device/Exchange.h"
#include "device/Transport.h"

namespace device {

namespace {

std::atomic<TransportEvents*> g_events{nullptr};
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
        if (TransportEvents* events = g_events.load())
            events->OnMacroPlaying(playing);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        g_iconThreadActive = false;
    }).detach();
}

void OnConsumerReport(uint16_t code) {
    TransportEvents* events = g_events.load();
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
    g_events = events;
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
        if (TransportEvents* events = g_events.load())
            events->OnKeyboardCountChanged(static_cast<int32_t>(n.length));
    }
    return 1;
}

} // namespace device
