#include "lib/UdevHotplug.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <libudev.h>

#include "lib/Log.h"

namespace olvask {

namespace {

void Signal(int fd) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
}

void Clear(int fd) {
    uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = read(fd, &value, sizeof value);
}

} // namespace

UdevHotplug::UdevHotplug() {
    kickFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

UdevHotplug::~UdevHotplug() {
    Stop();
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
    if (kickFd_ >= 0)
        close(kickFd_);
    if (stopFd_ >= 0)
        close(stopFd_);
}

bool UdevHotplug::Prepare() {
    if (kickFd_ < 0 || stopFd_ < 0)
        return false;
    udev_ = udev_new();
    if (!udev_)
        return false;
    // Without a udev daemon nothing relays events on the "udev" source.
    kernelSource_ = access("/run/udev/control", F_OK) != 0;
    monitor_ = udev_monitor_new_from_netlink(udev_, kernelSource_ ? "kernel" : "udev");
    if (!monitor_)
        return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return false;
    }
    Log(1, "hot-plug notices from the %s source", kernelSource_ ? "kernel" : "udev");
    return true;
}

void UdevHotplug::Start(std::function<void()> onChange) {
    if (!monitor_ || thread_.joinable())
        return;
    onChange_ = std::move(onChange);
    thread_ = std::thread([this] { Run(); });
}

void UdevHotplug::Kick() {
    if (kickFd_ >= 0)
        Signal(kickFd_);
}

void UdevHotplug::Stop() {
    if (!thread_.joinable())
        return;
    Signal(stopFd_);
    thread_.join();
}

// True when anything was pending (hot-plug events or a kick).
bool UdevHotplug::Drain() {
    bool any = false;
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        Log(2, "hot-plug: %s %s",
            udev_device_get_action(device) ? udev_device_get_action(device) : "?",
            udev_device_get_sysname(device) ? udev_device_get_sysname(device) : "?");
        udev_device_unref(device);
        any = true;
    }
    uint64_t kicks = 0;
    if (read(kickFd_, &kicks, sizeof kicks) == sizeof kicks && kicks > 0)
        any = true;
    return any;
}

void UdevHotplug::Run() {
    pollfd fds[3] = {
        {udev_monitor_get_fd(monitor_), POLLIN, 0}, {kickFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        const int ready = poll(fds, 3, -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[2].revents) {
            Clear(stopFd_);
            return;
        }
        if (!Drain())
            continue;
        // Wait until the burst is over.
        for (;;) {
            const int more = poll(fds, 3, kDebounceMs);
            if (more < 0 && errno == EINTR)
                continue;
            if (more <= 0)
                break;
            if (fds[2].revents) {
                Clear(stopFd_);
                return;
            }
            Drain();
        }
        onChange_();
    }
}

} // namespace olvask
