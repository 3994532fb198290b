#include "device/AutoResetEvent.h"

namespace device {

void AutoResetEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    signalled_.notify_one();
}

void AutoResetEvent::Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

AutoResetEvent::WaitResult AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!signalled_.wait_for(lock, timeout, [this] { return set_; }))
        return WaitResult::TimedOut;
    set_ = false;
    return WaitResult::Signalled;
}

} // namespace device
