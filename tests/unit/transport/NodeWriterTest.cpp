// A node's writer: a caller never waits longer than its time-out, whatever the node does,
// and a posted status never waits at all.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "lib/NodeWriter.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

// A node whose writes hang until it is released, as a stalled USB transfer does.
class StallingNode {
public:
    bool Write(std::span<const uint8_t> report) {
        std::unique_lock lock(mutex_);
        started_.emplace_back(report.begin(), report.end());
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        written_.emplace_back(report.begin(), report.end());
        changed_.notify_all();
        return true;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    bool WaitForWritten(size_t n) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 3s, [&] { return written_.size() >= n; });
    }
    bool WaitForStarted(size_t n) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 3s, [&] { return started_.size() >= n; });
    }
    std::vector<Bytes> Written() {
        std::lock_guard lock(mutex_);
        return written_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
    std::vector<Bytes> started_;
    std::vector<Bytes> written_;
};

TEST(NodeWriter, AStalledNodeFailsTheWriterInTimeAndLateCommandsAreNeverSent) {
    StallingNode node;
    olvask::NodeWriter writer([&](std::span<const uint8_t> r) { return node.Write(r); });

    const Bytes first = {0x04, 0x01}, second = {0x04, 0x02};
    auto start = Clock::now();
    EXPECT_FALSE(writer.Write(first, 100ms)); // on its way, but not done in time
    EXPECT_LT(Clock::now() - start, 900ms);
    ASSERT_TRUE(node.WaitForStarted(1));

    start = Clock::now();
    EXPECT_FALSE(writer.Write(second, 100ms)); // its turn never came
    EXPECT_GE(Clock::now() - start, 100ms);
    EXPECT_LT(Clock::now() - start, 900ms);

    // Posted statuses return at once, and only the latest of one report id is kept.
    start = Clock::now();
    writer.Post(Bytes{0x05, 0x02});
    writer.Post(Bytes{0x05, 0x03});
    writer.Post(Bytes{0x06, 0x01});
    writer.Post(Bytes{0x05, 0x02});
    EXPECT_LT(Clock::now() - start, 50ms);

    node.Release();
    ASSERT_TRUE(node.WaitForWritten(3));
    EXPECT_TRUE(writer.Write(Bytes{0x04, 0x03}, 1s));
    EXPECT_EQ(node.Written(),
              (std::vector<Bytes>{first, {0x05, 0x02}, {0x06, 0x01}, {0x04, 0x03}}));
}

TEST(NodeWriter, ARefusedReportIsAFailureAndStopReleasesWaitingCallers) {
    std::mutex mutex;
    std::condition_variable changed;
    bool refuse = true, hold = false, holding = false;
    olvask::NodeWriter writer([&](std::span<const uint8_t>) {
        std::unique_lock lock(mutex);
        holding = true;
        changed.notify_all();
        changed.wait(lock, [&] { return !hold; });
        return !refuse;
    });
    EXPECT_FALSE(writer.Write(Bytes{0x04}, 1s));
    {
        std::lock_guard lock(mutex);
        refuse = false;
        hold = true;
        holding = false;
    }
    EXPECT_FALSE(writer.Write(Bytes{0x04}, 50ms)); // holds the writer's thread
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 3s, [&] { return holding; }));
    }
    std::thread waiting([&] {
        const auto start = Clock::now();
        EXPECT_FALSE(writer.Write(Bytes{0x04}, 10s));
        EXPECT_LT(Clock::now() - start, 3s);
    });
    std::thread stopping([&] { writer.Stop(); });
    std::this_thread::sleep_for(50ms);
    {
        std::lock_guard lock(mutex);
        hold = false;
        changed.notify_all();
    }
    stopping.join();
    waiting.join();
    EXPECT_FALSE(writer.Write(Bytes{0x04}, 1s)); // stopped
}

} // namespace
