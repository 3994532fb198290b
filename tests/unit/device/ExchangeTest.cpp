#include "DeviceFixture.h"

#include <chrono>
#include <thread>

#include "device/Exchange.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ExchangeTest : public DeviceTest {
protected:
    const std::vector<uint8_t> request = Hex("04 0A 00 05 03 00 00 00");
    std::array<uint8_t, 64> answer{};
    uint32_t length = 99;

    int32_t Exchange() { return device::ExchangeReport(request, answer, &length); }
};

TEST_F(ExchangeTest, NoKeyboardWritesNothing) {
    fake.SetDeviceCount(0);
    EXPECT_EQ(Exchange(), device::kExchangeNoKeyboard);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(fake.WriteCount(), 0);
}

TEST_F(ExchangeTest, ShortRequestIsPaddedWithZeros) {
    ASSERT_EQ(Exchange(), device::kExchangeDone);
    EXPECT_EQ(length, 64u);
    auto sent = fake.Write(0);
    std::array<uint8_t, 64> expected{};
    std::copy(request.begin(), request.end(), expected.begin());
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(answer[3], 0x05);
}

struct RetryCase {
    const char* name;
    std::vector<std::array<int, 3>> script; // silent, status, code xor
    int32_t result;
    int writes;
    uint8_t finalStatus;
};
void PrintTo(const RetryCase& c, std::ostream* os) {
    *os << c.name;
}

class ExchangeRetryTest : public ExchangeTest, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(ExchangeRetryTest, AttemptsAndResult) {
    const RetryCase& c = GetParam();
    for (auto [silent, status, codeXor] : c.script)
        fake.PushAnswer(silent, static_cast<uint8_t>(status), 0, static_cast<uint8_t>(codeXor), 0);
    EXPECT_EQ(Exchange(), c.result);
    EXPECT_EQ(fake.WriteCount(), c.writes);
    if (c.result == device::kExchangeDone) {
        EXPECT_EQ(length, 64u);
        EXPECT_EQ(answer[7], c.finalStatus);
    } else {
        EXPECT_EQ(length, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Script, ExchangeRetryTest,
    ::testing::Values(
        RetryCase{"TwoFEThenAccepted", {{0, 0xFE, 0}, {0, 0xFE, 0}, {0, 0x00, 0}}, 1, 3, 0x00},
        RetryCase{
            "ThreeFFIsDoneWithTheRefusal", {{0, 0xFF, 0}, {0, 0xFF, 0}, {0, 0xFF, 0}}, 1, 3, 0xFF},
        RetryCase{"ForeignCodeIsRetried", {{0, 0, 0x40}, {0, 0, 0}}, 1, 2, 0x00},
        RetryCase{"SilenceThreeTimes", {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}}, -2, 3, 0},
        RetryCase{
            "RefusalThenSilenceCountsBoth", {{0, 0xFE, 0}, {1, 0, 0}, {0, 0, 0x01}}, -2, 3, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExchangeTest, SilenceTakesThreeTimeOuts) {
    for (int i = 0; i < 3; ++i)
        fake.PushAnswer(1, 0, 0, 0, 0);
    const auto start = Clock::now();
    EXPECT_EQ(Exchange(), device::kExchangeNoAnswer);
    EXPECT_GE(Clock::now() - start, 3 * device::ExchangeTimes().answerTimeout);
}

TEST_F(ExchangeTest, RefusedWriteIsNotRetried) {
    fake.SetWriteResult(0);
    EXPECT_EQ(Exchange(), device::kExchangeWriteRefused);
    EXPECT_EQ(fake.WriteCount(), 1);
}

TEST_F(ExchangeTest, AnswerIsCutToTheCapacity) {
    std::array<uint8_t, 64> buffer;
    buffer.fill(0xCC);
    uint32_t got = 0;
    ASSERT_EQ(device::ExchangeReport(request, std::span<uint8_t>(buffer).first(16), &got), 1);
    EXPECT_EQ(got, 16u);
    EXPECT_EQ(buffer[3], 0x05);
    for (size_t i = 16; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xCC) << "byte " << i << " lies beyond the capacity";
}

TEST_F(ExchangeTest, ShortAnswerLengthIsReported) {
    fake.PushAnswer(0, 0, 0, 0, 10);
    ASSERT_EQ(Exchange(), 1);
    EXPECT_EQ(length, 10u);
}

TEST_F(ExchangeTest, LateAnswerNeverLandsInAFinishedExchange) {
    const auto timeout = device::ExchangeTimes().answerTimeout;
    const int late = static_cast<int>(timeout.count() * 3 / 2);
    fake.PushAnswer(0, 0x33, late, 0, 0); // arrives after the second attempt has been answered
    fake.PushAnswer(0, 0x44, 0, 0, 0);
    ASSERT_EQ(Exchange(), 1);
    EXPECT_EQ(answer[7], 0x44);
    fake.Drain(); // the late answer has been delivered while nobody waited
    EXPECT_EQ(answer[7], 0x44);
    EXPECT_EQ(fake.WriteCount(), 2);
}

// The answers carry no more than the command code: the late answer of the first exchange
// would pass for the second's.
TEST_F(ExchangeTest, AnswerOwedByAnEarlierExchangeIsNotTakenByTheNext) {
    const auto timeout = device::ExchangeTimes().answerTimeout;
    const int late = static_cast<int>(timeout.count() * 3 / 2);
    fake.PushAnswer(0, 0x33, late, 0, 0); // comes after the second attempt was answered
    fake.PushAnswer(0, 0x44, 0, 0, 0);
    fake.PushAnswer(0, 0x55, static_cast<int>(timeout.count() / 2), 0, 0);
    ASSERT_EQ(Exchange(), 1);
    EXPECT_EQ(answer[7], 0x44);
    ASSERT_EQ(Exchange(), 1);
    EXPECT_EQ(answer[7], 0x55);
    EXPECT_EQ(fake.WriteCount(), 3);
}

// An answer that never comes holds the next exchange back for a bounded time only.
TEST_F(ExchangeTest, AnOwedAnswerThatNeverComesIsGivenUp) {
    const auto timeout = device::ExchangeTimes().answerTimeout;
    fake.PushAnswer(1, 0, 0, 0, 0);
    fake.PushAnswer(0, 0x44, 0, 0, 0);
    fake.PushAnswer(0, 0x55, 0, 0, 0);
    ASSERT_EQ(Exchange(), 1);
    const auto start = Clock::now();
    ASSERT_EQ(Exchange(), 1);
    EXPECT_EQ(answer[7], 0x55);
    EXPECT_LT(Clock::now() - start, 5 * timeout);
}

TEST_F(ExchangeTest, TwoThreadsShareTheSlot) {
    // Answered as late as the answer time-out allows, so that the second thread starts while
    // the first one waits, also where starting a thread is slow (the thread sanitizer).
    fake.PushAnswer(0, 0, 50, 0, 0);
    fake.PushAnswer(0, 0, 0, 0, 0);
    int32_t first = 0, second = 0;
    Clock::duration secondTook{};
    std::thread a([&] {
        std::array<uint8_t, 64> buf{};
        uint32_t n = 0;
        first = device::ExchangeReport(request, buf, &n);
    });
    while (!device::ExchangeBusy())
        std::this_thread::yield();
    std::thread b([&] {
        std::array<uint8_t, 64> buf{};
        uint32_t n = 0;
        const auto start = Clock::now();
        second = device::ExchangeReport(request, buf, &n);
        secondTook = Clock::now() - start;
    });
    a.join();
    b.join();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_GE(secondTook, device::ExchangeTimes().takeOverPause) << "the later thread waits first";
}

} // namespace
