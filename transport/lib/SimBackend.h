#pragma once

// Virtual keyboards (olvask-vkbd) over SOCK_SEQPACKET sockets, one socket path each. A
// keyboard that appears, leaves the bus, goes away or restarts is followed without polling:
// the socket's directory is watched for the socket file being put in place, and while that
// directory does not exist yet, the nearest one above it for the next directory on the way.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lib/Backend.h"
#include "lib/ReportRouter.h"

namespace olvask {

struct SimOptions {
    // How long Start waits for a running virtual keyboard to say whether it is plugged.
    std::chrono::milliseconds helloWait{1000};
    // After a change in the directory, connecting is tried this often, this many times.
    std::chrono::milliseconds retryPause{50};
    int connectRetries = 40;
    // Where the directory cannot be watched, connecting is tried this often.
    std::chrono::milliseconds unwatchedRetry{500};
};

class SimBackend final : public Backend {
public:
    explicit SimBackend(std::vector<std::string> socketPaths, SimOptions options = {});
    ~SimBackend() override;

    bool Start(BackendEvents& events) override;
    void Stop() override;
    bool Write(uint32_t node, std::span<const uint8_t> report) override;

private:
    using Clock = std::chrono::steady_clock;
    struct Link {
        std::string path;
        std::string name; // file name inside its directory
        int watch = -1;
        bool ownFolder = false; // watching the socket's directory, not one above it
        std::string awaited;    // the name in the watched directory that matters
        int fd = -1;
        std::mutex mutex;  // fd and node, for writers
        uint32_t node = 0; // 0 while no keyboard is on the bus at this socket
        ReportRouter router;
        int retriesLeft = 0;
        Clock::time_point nextTry{};
    };

    void Run();
    bool Connect(Link& link);
    void Disconnect(Link& link);
    bool Receive(Link& link);
    void HandlePacket(Link& link, std::span<const uint8_t> packet);
    bool Watch(Link& link);
    void ReadWatchEvents();
    int PollTimeoutMs() const;

    std::vector<std::unique_ptr<Link>> links_;
    SimOptions options_;
    BackendEvents* events_ = nullptr;
    int inotifyFd_ = -1;
    int stopFd_ = -1;
    uint32_t nextNode_ = 1;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

} // namespace olvask
