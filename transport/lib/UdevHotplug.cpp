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

// A libudev monitor on the hidraw subsystem.
class LibudevMonitor final : public UeventMonitor {
public:
    static std::unique_ptr<LibudevMonitor> Open(bool kernelSource) {
        udev* context = udev_new();
        if (!context)
            return nullptr;
        udev_monitor* monitor =
            udev_monitor_new_from_netlink(context, kernelSource ? "kernel" : "udev");
        if (!monitor) {
            udev_unref(context);
            return nullptr;
        }
        if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor) < 0) {
            udev_monitor_unref(monitor);
            udev_unref(context);
            return nullptr;
        }
        return std::unique_ptr<LibudevMonitor>(new LibudevMonitor(context, monitor));
    }
    ~LibudevMonitor() override {
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }
    LibudevMonitor(const LibudevMonitor&) = delete;
    LibudevMonitor& operator=(const LibudevMonitor&) = delete;

    int Fd() const override { return udev_monitor_get_fd(monitor_); }

    Received Receive() override {
        for (;;) {
            errno = 0;
            if (udev_device* device = udev_monitor_receive_device(monitor_)) {
                Log(2, "hot-plug: %s %s",
                    udev_device_get_action(device) ? udev_device_get_action(device) : "?",
                    udev_device_get_sysname(device) ? udev_device_get_sysname(device) : "?");
                udev_device_unref(device);
                return Received::Event;
            }
            if (errno == EINTR)
                continue;
            // The kernel dropped events that did not fit; the socket goes on with later ones.
            if (errno == ENOBUFS)
                return Received::Overflow;
            return Received::Empty;
        }
    }

private:
    LibudevMonitor(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}

    udev* udev_;
    udev_monitor* monitor_;
};

} // namespace

UdevHotplug::UdevHotplug() {
    kickFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

UdevHotplug::UdevHotplug(std::unique_ptr<UeventMonitor> monitor, bool kernelSource)
    : UdevHotplug() {
    monitor_ = std::move(monitor);
    kernelSource_ = kernelSource;
}

UdevHotplug::~UdevHotplug() {
    Stop();
    monitor_.reset();
    if (kickFd_ >= 0)
        close(kickFd_);
    if (stopFd_ >= 0)
        close(stopFd_);
}

bool UdevHotplug::Prepare() {
    if (kickFd_ < 0 || stopFd_ < 0)
        return false;
    if (monitor_)
        return true;
    // Without a udev daemon nothing relays events on the "udev" source.
    kernelSource_ = access("/run/udev/control", F_OK) != 0;
    monitor_ = LibudevMonitor::Open(kernelSource_);
    if (!monitor_)
        return false;
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

// True when anything was pending (hot-plug events, lost events or a kick).
bool UdevHotplug::Drain() {
    bool any = false;
    for (;;) {
        const UeventMonitor::Received received = monitor_->Receive();
        if (received == UeventMonitor::Received::Empty)
            break;
        if (received == UeventMonitor::Received::Overflow)
            Log(1, "hot-plug notices were lost: looking at every node again");
        any = true;
    }
    uint64_t kicks = 0;
    if (read(kickFd_, &kicks, sizeof kicks) == sizeof kicks && kicks > 0)
        any = true;
    return any;
}

void UdevHotplug::Run() {
    pollfd fds[3] = {{monitor_->Fd(), POLLIN, 0}, {kickFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
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
