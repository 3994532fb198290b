#pragma once

#include <chrono>
#include <cstdint>

#include <olvask/olvask.h>

namespace device {

// Consumer codes the keyboard sends to the program.
inline constexpr uint16_t kCodeLayerSwitch = 0x02FF;
inline constexpr uint16_t kCodeLightingChanged = 0x0401;
inline constexpr uint16_t kCodeMacroStopped = 0x1810;
inline constexpr uint16_t kCodeMacroStarted = 0x1811;

// What the transport's notifications do to the main window. Called on the library's
// threads (or a short thread of ours); implementations marshal to the window's thread.
class TransportEvents {
public:
    virtual ~TransportEvents() = default;
    // UM_LED, sent synchronously after LedStatus flipped and the LED channel re-registered.
    virtual void OnLayerSwitched() = 0;
    // Timer 1051 with period 0: the window re-reads the lighting on its first tick.
    virtual void OnLightingChanged() = 0;
    // Icon 142 while the keyboard plays a macro, the remembered device icon after.
    virtual void OnMacroPlaying(bool playing) = 0;
    // Start a connection thread for the new number of keyboards.
    virtual void OnKeyboardCountChanged(int32_t count) = 0;
};

// Replaces the receiver of the notifications. Returns once no notification is still inside
// the previous receiver (waiting at most kEventsDrainTimeout), so that it may be destroyed.
inline constexpr std::chrono::milliseconds kEventsDrainTimeout{5000};
// For programs without a window (the command-line tool, benchmarks, tests): every
// notification is ignored.
class IgnoredTransportEvents final : public TransportEvents {
public:
    void OnLayerSwitched() override {}
    void OnLightingChanged() override {}
    void OnMacroPlaying(bool) override {}
    void OnKeyboardCountChanged(int32_t) override {}
};

void SetTransportEvents(TransportEvents* events);

// The callback registered with every channel; always returns 1.
int32_t TransportCallback(const OlvaskNotification* notification);

// Waits until every macro-playing notice received so far has reached the window; false
// when that took longer than the time-out.
bool WaitMacroNoticesApplied(std::chrono::milliseconds timeout);

} // namespace device
