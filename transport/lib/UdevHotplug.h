#pragma once

#include <functional>
#include <thread>

#include "lib/HidPlatform.h"

struct udev;
struct udev_monitor;

namespace olvask {

// hidraw arrivals and departures from a libudev monitor: the "udev" source where a udev
// daemon runs, the kernel's own uevents where none does. Bursts (one keyboard brings
// several nodes) are drained and debounced into one change.
class UdevHotplug final : public HotplugSource {
public:
    static constexpr int kDebounceMs = 200;

    UdevHotplug();
    ~UdevHotplug() override;
    bool Prepare() override;
    void Start(std::function<void()> onChange) override;
    void Kick() override;
    void Stop() override;
    bool NodesMaySettleLate() const override { return kernelSource_; }

private:
    void Run();
    bool Drain();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int kickFd_ = -1;
    int stopFd_ = -1;
    bool kernelSource_ = false;
    std::function<void()> onChange_;
    std::thread thread_;
};

} // namespace olvask
