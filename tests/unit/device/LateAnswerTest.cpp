// Chunked reads against the real virtual keyboard whose answers come late or not at all: an
// answer that belongs to a timed-out attempt must never be taken for the next chunk's.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "device/Commands.h"
#include "device/Exchange.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "support/SuiteKeyboard.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr auto kTimeout = 200ms; // the answer time-out, shortened in proportion

// The first 56-byte chunk of a read that differs from the page, or -1.
int FirstWrongChunk(const std::array<uint8_t, 512>& read, const std::array<uint8_t, 512>& page) {
    for (size_t i = 0; i < read.size(); ++i) {
        if (read[i] != page[i])
            return static_cast<int>(i / 56);
    }
    return -1;
}

struct LateCase {
    const char* name;
    int latencyMs;
    std::string fault; // aimed at the third chunk of the read
    bool mayFail;      // every attempt of that chunk goes unanswered in time
};
void PrintTo(const LateCase& c, std::ostream* os) {
    *os << c.name;
}

class LateAnswer : public ::testing::TestWithParam<LateCase> {
protected:
    static void SetUpTestSuite() {
        auto& t = device::ExchangeTimes();
        t.answerTimeout = kTimeout;
        t.takeOverPause = kTimeout + 1ms;
        ::setenv("OLVASK_BACKEND", "sim", 1);
        ::setenv("OLVASK_VKBD_SOCKET", Keyboard().Socket().c_str(), 1);
        ASSERT_TRUE(Keyboard().Start(4));
        static device::IgnoredTransportEvents events;
        int32_t count = 0;
        ASSERT_EQ(device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count), device::kBindOk);
        Keyboard().Stop();
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(SuiteFolder()); }

    void SetUp() override {
        ASSERT_TRUE(WaitForCount(0));
        ASSERT_TRUE(Keyboard().Start(4, GetParam().latencyMs));
        ASSERT_TRUE(WaitForCount(1));
        // A page whose every chunk differs from the others, so that a shift shows.
        for (size_t i = 0; i < pattern_.size(); ++i)
            pattern_[i] = static_cast<uint8_t>(i * 7 + i / 56);
        ASSERT_EQ(device::BeginTransfer(), 1);
        ASSERT_EQ(device::WriteKeyMap(pattern_, 1), 1);
        ASSERT_EQ(device::EndTransfer(), 1);
        ASSERT_EQ(Keyboard().Dump("keymap1"), Bytes(pattern_.begin(), pattern_.end()));
    }
    void TearDown() override { Keyboard().Stop(); }

    void Fault(const std::string& what) {
        ASSERT_EQ(Keyboard().Control("fault " + what).first, 0) << what;
    }

    std::array<uint8_t, 512> pattern_{};
};

TEST_P(LateAnswer, ReadGivesTheRightBytesOrFails) {
    const LateCase& c = GetParam();
    Fault("after 2");
    Fault(c.fault);
    std::array<uint8_t, 512> read{};
    const auto start = Clock::now();
    const int32_t result = device::ReadKeyMap(read, 1);
    const auto took = Clock::now() - start;
    if (result == 1)
        EXPECT_EQ(FirstWrongChunk(read, pattern_), -1);
    else
        EXPECT_TRUE(c.mayFail) << "result " << result;
    // Three attempts of the faulty chunk, the wait for its answers and ten quick ones.
    EXPECT_LT(took, 3 * kTimeout + 4 * kTimeout + 10 * 2 * std::chrono::milliseconds(c.latencyMs) +
                        500ms);

    // What the keyboard still owed is not taken for the answers of the next read.
    read.fill(0);
    ASSERT_EQ(device::ReadKeyMap(read, 1), 1);
    EXPECT_EQ(FirstWrongChunk(read, pattern_), -1);
    EXPECT_FALSE(device::ExchangeBusy());
}

// With a 200 ms time-out and 10 ms between attempts, the second attempt of the faulty chunk
// goes out at 210 ms.
INSTANTIATE_TEST_SUITE_P(
    Faults, LateAnswer,
    ::testing::Values(
        // The late answer comes while the second attempt waits, before that attempt's own.
        LateCase{"LateAnswerAheadOfTheRetry", 100, "late 160", false},
        // The retry's answer overtakes the late one, which comes during the next chunk.
        LateCase{"LateAnswerOvertaken", 20, "late 300", false},
        // Every attempt answered after the chunk gave up: the late answers come while the
        // read has moved on, or during the next read.
        LateCase{"EveryAttemptLate", 20, "late 650 3", true},
        // An answer that never comes is given up in bounded time.
        LateCase{"AnswerLost", 20, "drop 1", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
