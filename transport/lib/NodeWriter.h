#pragma once

// Output reports to one node, written on a thread of their own. A hidraw write waits for
// the USB transfer, up to the kernel's own time-out of several seconds when the keyboard
// stalls; neither a command's caller nor the thread that delivers answers may wait that long.
// The thread sleeps until a report is queued, so an idle node costs nothing.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace olvask {

class NodeWriter {
public:
    // Writes one report, true when the node took all of it; runs on the writer's thread.
    using WriteFn = std::function<bool(std::span<const uint8_t>)>;

    explicit NodeWriter(WriteFn write);
    ~NodeWriter();
    NodeWriter(const NodeWriter&) = delete;
    NodeWriter& operator=(const NodeWriter&) = delete;

    // Waits at most the time-out for the report to be written. False when the node refused
    // it or the time ran out; a report whose turn had not come by then is never written, one
    // already on its way may still reach the node.
    bool Write(std::span<const uint8_t> report, std::chrono::milliseconds timeout);
    // Queues the report and returns at once. A queued report with the same report id
    // (byte 0) that has not been written yet is replaced: only the latest status counts.
    void Post(std::span<const uint8_t> report);
    // Ends the thread once the write in progress returns; queued reports are dropped and
    // waiting writers get false.
    void Stop();

private:
    enum class State { Queued, Writing, Done };
    struct Job {
        std::vector<uint8_t> bytes;
        bool posted = false;
        State state = State::Queued;
        bool written = false;
    };

    void Run();

    WriteFn write_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Job>> queue_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace olvask
