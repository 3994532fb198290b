#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "lib/HidPlatform.h"

namespace olvask {

// The socket that device events arrive on (a libudev monitor), as the hot-plug thread reads it.
class UeventMonitor {
public:
    enum class Received {
        Event,    // one device event
        Empty,    // nothing more to read now
        Overflow, // the socket's buffer overflowed: events were lost
    };
    virtual ~UeventMonitor() = default;
    // Readable while events wait.
    virtual int Fd() const = 0;
    virtual Received Receive() = 0;
};

// hidraw arrivals and departures from a libudev monitor: the "udev" source where a udev
// daemon runs, the kernel's own uevents where none does. Bursts (one keyboard brings
// several nodes) are drained and debounced into one change; lost events count as a change,
// since any node may have come or gone meanwhile.
class UdevHotplug final : public HotplugSource {
public:
    static constexpr int kDebounceMs = 200;

    UdevHotplug();
    // Over a given monitor instead of one of libudev's.
    explicit UdevHotplug(std::unique_ptr<UeventMonitor> monitor, bool kernelSource = false);
    ~UdevHotplug() override;
    bool Prepare() override;
    void Start(std::function<void()> onChange) override;
    void Kick() override;
    void Stop() override;
    bool NodesMaySettleLate() const override { return kernelSource_; }

private:
    void Run();
    bool Drain();

    std::unique_ptr<UeventMonitor> monitor_;
    int kickFd_ = -1;
    int stopFd_ = -1;
    bool kernelSource_ = false;
    std::function<void()> onChange_;
    std::thread thread_;
};

} // namespace olvask
