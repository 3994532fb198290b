#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace device {

// An event that releases one waiter per Set and then clears itself; every wait has a time-out.
class AutoResetEvent {
public:
    enum class WaitResult { Signalled, TimedOut };

    void Set();
    void Reset();
    WaitResult Wait(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable signalled_;
    bool set_ = false;
};

} // namespace device
