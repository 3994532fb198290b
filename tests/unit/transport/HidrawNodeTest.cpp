// The hidraw node's reader and writer over a socket pair standing in for the node: one
// report per read, a wait that only a report, a wake-up or the node's end can finish.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <future>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "lib/HidrawNode.h"

namespace {

using namespace std::chrono_literals;
using olvask::HidrawNode;

class HidrawNodeTest : public ::testing::Test {
protected:
    HidrawNodeTest() {
        int pair[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        node = HidrawNode::Adopt(pair[0]);
        far = pair[1];
    }
    ~HidrawNodeTest() override { close(far); }

    void Push(std::vector<uint8_t> report) {
        ASSERT_EQ(send(far, report.data(), report.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(report.size()));
    }
    // Read on a thread of its own, so that a wait that never ends fails the test.
    std::future<std::vector<uint8_t>> ReadLater(int* result) {
        return std::async(std::launch::async, [this, result] {
            std::vector<uint8_t> buffer(256);
            *result = node->Read(buffer, -1);
            buffer.resize(*result > 0 ? static_cast<size_t>(*result) : 0);
            return buffer;
        });
    }

    std::unique_ptr<HidrawNode> node;
    int far = -1;
};

TEST_F(HidrawNodeTest, EachReadGivesOneWholeReportAndWritesGoOutAsGiven) {
    ASSERT_NE(node, nullptr);
    std::vector<uint8_t> answer(64, 0);
    answer[0] = 0x04;
    answer[3] = 0x03;
    Push({0x03, 0xFF, 0x02});
    Push(answer);
    std::vector<uint8_t> buffer(256);
    ASSERT_EQ(node->Read(buffer, -1), 3);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 3),
              (std::vector<uint8_t>{0x03, 0xFF, 0x02}));
    ASSERT_EQ(node->Read(buffer, -1), 64);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 64), answer);

    const std::vector<uint8_t> led = {0x05, 0x03};
    EXPECT_EQ(node->Write(led), 2);
    uint8_t got[8] = {};
    ASSERT_EQ(recv(far, got, sizeof got, MSG_DONTWAIT), 2);
    EXPECT_EQ(got[0], 0x05);
    EXPECT_EQ(got[1], 0x03);
}

TEST_F(HidrawNodeTest, WakeEndsTheWaitingReadAndEveryLaterOne) {
    int result = -5;
    auto read = ReadLater(&result);
    EXPECT_EQ(read.wait_for(100ms), std::future_status::timeout) << "a silent node has no answer";
    node->Wake();
    ASSERT_EQ(read.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(result, 0);
    Push({0x03, 0x01, 0x04}); // a stopping reader does not take it any more
    std::vector<uint8_t> buffer(256);
    EXPECT_EQ(node->Read(buffer, -1), 0);
}

// The bounded wait that a node on trial after a failure uses: empty when the time is out,
// the report when one comes in time.
TEST_F(HidrawNodeTest, AReadWithATimeOutEndsEmptyWhenNothingCame) {
    std::vector<uint8_t> buffer(256);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(node->Read(buffer, 60), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 60ms);
    EXPECT_LT(waited, 2s);
    Push({0x03, 0x01, 0x04});
    EXPECT_EQ(node->Read(buffer, 1000), 3);
}

TEST_F(HidrawNodeTest, ANodeThatGoesHandsOverWhatItHadQueuedThenFails) {
    Push({0x03, 0x10, 0x18});
    shutdown(far, SHUT_WR);
    std::vector<uint8_t> buffer(256);
    EXPECT_EQ(node->Read(buffer, -1), 3);
    EXPECT_LT(node->Read(buffer, -1), 0);

    // Gone while a read waits.
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    node = HidrawNode::Adopt(pair[0]);
    int result = 0;
    auto read = ReadLater(&result);
    close(pair[1]);
    ASSERT_EQ(read.wait_for(3s), std::future_status::ready);
    EXPECT_LT(result, 0);
}

// The desktop's libraries deliver signals to whichever thread does not block them; one that
// interrupts the wait must not look like an unplugged keyboard.
TEST_F(HidrawNodeTest, ASignalDuringTheWaitIsNotTheEndOfTheNode) {
    struct sigaction quiet {};
    quiet.sa_handler = [](int) {};
    sigemptyset(&quiet.sa_mask);
    quiet.sa_flags = 0; // no SA_RESTART: poll() fails with EINTR
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &quiet, &previous), 0);

    std::atomic<pthread_t> reader{};
    std::atomic<bool> started{false};
    int result = 0;
    auto read = std::async(std::launch::async, [&] {
        reader = pthread_self();
        started = true;
        std::vector<uint8_t> buffer(256);
        result = node->Read(buffer, -1);
        return result;
    });
    while (!started)
        std::this_thread::yield();
    for (int i = 0; i < 20 && read.wait_for(5ms) == std::future_status::timeout; ++i)
        pthread_kill(reader.load(), SIGUSR1);
    EXPECT_EQ(read.wait_for(0ms), std::future_status::timeout) << "the read ended on a signal";
    Push({0x03, 0x01, 0x04});
    ASSERT_EQ(read.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(result, 3);
    sigaction(SIGUSR1, &previous, nullptr);
}

} // namespace
