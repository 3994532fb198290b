// The virtual keyboard's behaviour on the bus, driven with a clock of the test's own.

#include <gtest/gtest.h>

#include <string>

#include "vkbd/FactoryContent.h"
#include "vkbd/Keyboard.h"

namespace {

using namespace std::chrono_literals;
using vkbd::BusEvent;
using Clock = vkbd::Keyboard::Clock;

std::vector<uint8_t> Command(uint8_t code, uint8_t length = 0, uint16_t position = 0,
                             std::vector<uint8_t> data = {}) {
    std::vector<uint8_t> r(64, 0);
    r[0] = 0x04;
    r[3] = code;
    r[4] = length;
    r[5] = static_cast<uint8_t>(position);
    r[6] = static_cast<uint8_t>(position >> 8);
    std::copy(data.begin(), data.end(), r.begin() + 8);
    uint32_t sum = 0;
    for (size_t i = 3; i < 64; ++i)
        sum += r[i];
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
    return r;
}

class KeyboardTest : public ::testing::Test {
protected:
    std::string Say(const std::vector<std::string>& args, int expectedCode = vkbd::kExitDone) {
        const auto reply = keyboard.Control(args, now);
        EXPECT_EQ(reply.exitCode, expectedCode)
            << std::string(reply.payload.begin(), reply.payload.end());
        return std::string(reply.payload.begin(), reply.payload.end());
    }
    void Send(const std::vector<uint8_t>& report) { keyboard.OutputReport(report, now); }
    std::vector<BusEvent> Advance(std::chrono::milliseconds by) {
        now += by;
        return keyboard.TakeDue(now);
    }
    static uint16_t ConsumerCode(const BusEvent& e) {
        EXPECT_EQ(e.kind, BusEvent::Kind::Input);
        EXPECT_EQ(e.report.size(), 3u);
        EXPECT_EQ(e.report[0], 0x03);
        return static_cast<uint16_t>(e.report[1] | e.report[2] << 8);
    }

    vkbd::KeyboardMemory memory{vkbd::FactoryImage()};
    vkbd::Keyboard keyboard{memory, 1ms, true};
    Clock::time_point now{};
};

TEST_F(KeyboardTest, AnswersComeAfterTheLatencyInOrder) {
    Send(Command(0x01));
    Send(Command(0x03, 0x30));
    EXPECT_TRUE(Advance(0ms).empty());
    ASSERT_EQ(keyboard.NextDue(), now + 1ms);
    const auto due = Advance(1ms);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].report[3], 0x01);
    EXPECT_EQ(due[1].report[3], 0x03);
    EXPECT_EQ(keyboard.AnswersSent(), 2u);
}

TEST_F(KeyboardTest, FaultsDropRefuseAndDelayAnswers) {
    Send(Command(0x01));
    Advance(1ms);
    Say({"fault", "drop", "1"});
    Send(Command(0x06, 1, 0, {0x09})); // carried out, not answered
    EXPECT_TRUE(Advance(5ms).empty());
    EXPECT_EQ(memory.Working().params[0], 0x09);

    Say({"fault", "refuse", "1"});
    Send(Command(0x06, 1, 0, {0x0A}));
    auto due = Advance(1ms);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].report[7], 0xFF);
    EXPECT_EQ(memory.Working().params[0], 0x09); // a refusal does nothing

    Say({"fault", "bad-checksum", "1"});
    Send(Command(0x06, 1, 0, {0x0B}));
    due = Advance(1ms);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].report[7], 0xFE);
    EXPECT_EQ(memory.Working().params[0], 0x09);

    Say({"fault", "late", "300"});
    Send(Command(0x06, 1, 0, {0x0C}));
    Send(Command(0x02));
    due = Advance(1ms);
    ASSERT_EQ(due.size(), 1u); // the second answer overtakes the late first one
    EXPECT_EQ(due[0].report[3], 0x02);
    due = Advance(300ms);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].report[3], 0x06);
    EXPECT_NE(Say({"status"}).find("faults: none"), std::string::npos);
    EXPECT_EQ(memory.Flash().params[0], 0x0C);
    EXPECT_TRUE(keyboard.Violations().Empty());
}

// A test aims a fault at the n-th report of a transfer.
TEST_F(KeyboardTest, FaultsCanLetCommandsPassFirst) {
    Say({"fault", "refuse", "2"});
    Say({"fault", "after", "2"});
    for (int i = 0; i < 5; ++i)
        Send(Command(0x03, 0x30));
    std::vector<uint8_t> statuses;
    for (const auto& e : Advance(1ms))
        statuses.push_back(e.report[7]);
    EXPECT_EQ(statuses, (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0xFF, 0x00}));
    EXPECT_NE(Say({"status"}).find("faults: none"), std::string::npos);

    Say({"fault", "after", "1"});
    Say({"fault", "drop", "1"});
    Send(Command(0x03, 0x30));
    Send(Command(0x03, 0x30));
    EXPECT_EQ(Advance(1ms).size(), 1u);
    EXPECT_EQ(keyboard.CommandsReceived(), 7u);
}

TEST_F(KeyboardTest, VanishingAfterNCommandsLosesTheNextAndWhatWasNotPermanent) {
    Say({"fault", "vanish-after", "2"});
    Send(Command(0x01));               // answered
    Send(Command(0x06, 1, 0, {0x01})); // answered, in the bracket
    Send(Command(0x06, 1, 1, {0x01})); // lost: the keyboard is gone
    const auto due = Advance(5ms);
    ASSERT_EQ(due.size(), 1u); // answers not yet sent are lost with the bus
    EXPECT_EQ(due[0].kind, BusEvent::Kind::Unplugged);
    EXPECT_FALSE(keyboard.Plugged());
    EXPECT_FALSE(keyboard.ExitRequested());
    EXPECT_EQ(memory.Working().params[0], 0x05);
    Send(Command(0x01)); // nobody listens off the bus
    EXPECT_TRUE(Advance(5ms).empty());

    Say({"plug"});
    ASSERT_EQ(Advance(0ms).size(), 1u);
    Say({"fault", "vanish-after", "0", "--exit"});
    Send(Command(0x01));
    EXPECT_TRUE(keyboard.ExitRequested());
}

// An updater takes the keyboard over in its boot loader; it comes back only when told (the
// updater finished, or it was plugged in again), with its permanent memory as it was.
TEST_F(KeyboardTest, TheBootLoaderLeavesTheBusUntilToldAndKeepsTheMemories) {
    std::vector<uint8_t> boot(64, 0);
    boot[0] = 0x04;
    boot[3] = boot[4] = 0xEE;
    for (const char* back : {"plug", "leave-bootloader"}) {
        SCOPED_TRACE(back);
        Say({"leave-bootloader"}, vkbd::kExitRefused); // on the bus: nothing to leave
        std::vector<uint8_t> config(memory.Flash().config.begin(), memory.Flash().config.end());
        config[10] = config[10] == 2 ? 1 : 2;
        Send(Command(0x04, 48, 0, config));
        ASSERT_EQ(Advance(1ms).size(), 1u);
        const auto flash = memory.Flash();

        Send(boot);
        auto due = Advance(5ms);
        ASSERT_EQ(due.size(), 1u); // the keyboard leaves without an answer
        EXPECT_EQ(due[0].kind, BusEvent::Kind::Unplugged);
        EXPECT_NE(Say({"status"}).find("boot loader"), std::string::npos);
        const uint64_t answers = keyboard.AnswersSent();
        Send(Command(0x03, 0x30)); // nobody answers in the boot loader
        EXPECT_TRUE(Advance(5ms).empty());
        EXPECT_EQ(keyboard.AnswersSent(), answers);
        Say({"layer-key"}, vkbd::kExitRefused);
        Say({"unplug"}, vkbd::kExitRefused);

        Say({back});
        due = Advance(0ms);
        ASSERT_EQ(due.size(), 1u);
        EXPECT_EQ(due[0].kind, BusEvent::Kind::Plugged);
        EXPECT_TRUE(keyboard.Plugged());
        EXPECT_EQ(memory.Flash().config, flash.config);
        EXPECT_EQ(memory.Flash().keyMaps, flash.keyMaps);
        EXPECT_EQ(memory.Working().config[10], config[10]);
        Say({"leave-bootloader"}, vkbd::kExitRefused); // left already
        Send(Command(0x03, 0x30));
        EXPECT_EQ(Advance(1ms).size(), 1u);
    }
    // Unplugged without the boot loader, it has no boot loader to leave.
    Say({"unplug"});
    Say({"leave-bootloader"}, vkbd::kExitRefused);
    EXPECT_TRUE(keyboard.Violations().Empty());
}

TEST_F(KeyboardTest, KeysThatSpeakToTheProgramSendTheirConsumerCodes) {
    Say({"layer-key"});
    Say({"lighting-changed"});
    const auto due = Advance(0ms);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(ConsumerCode(due[0]), 0x02FF);
    EXPECT_EQ(ConsumerCode(due[1]), 0x0401);

    Send({0x05, 0x03}); // the program's LED status
    EXPECT_EQ(keyboard.LedFlags(), 0x03);
    EXPECT_NE(Say({"status"}).find("layer: B"), std::string::npos);

    Say({"unplug"});
    Say({"layer-key"}, vkbd::kExitRefused);
    Say({"unplug"}, vkbd::kExitRefused);
}

TEST_F(KeyboardTest, AMacroPlaysForItsPausesAndCanBeStopped) {
    Say({"play-macro"}, vkbd::kExitRefused); // nothing downloaded yet
    // One macro of two actions, 100 ms and 50 ms, 2 cycles.
    const std::vector<uint8_t> area = {0xAA, 0x55, 0x1E, 0x00, 0x01, 0x00, 0,    0,    0,    0,
                                       0,    0,    0,    0,    0,    0,    0x12, 0x00, 0x02, 0x00,
                                       0x02, 0x00, 0x0A, 0x80, 0x02, 0x04, 0x05, 0x00, 0x02, 0x04};
    Send(Command(0x01));
    Send(Command(0x0A, static_cast<uint8_t>(area.size()), 0, area));
    Send(Command(0x02));
    Advance(1ms);
    ASSERT_TRUE(keyboard.Violations().Empty());

    EXPECT_NE(Say({"play-macro", "0"}).find("300 ms"), std::string::npos);
    Say({"play-macro", "0"}, vkbd::kExitRefused); // one at a time
    auto due = Advance(0ms);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(ConsumerCode(due[0]), 0x1811);
    EXPECT_TRUE(Advance(299ms).empty());
    due = Advance(1ms);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(ConsumerCode(due[0]), 0x1810);

    Say({"play-macro"});
    Advance(10ms);
    Say({"stop-macro"});
    due = Advance(0ms);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(ConsumerCode(due[0]), 0x1810);
    EXPECT_TRUE(Advance(1000ms).empty()); // the cancelled end never comes
    Say({"stop-macro"}, vkbd::kExitRefused);
}

TEST_F(KeyboardTest, ControlCommandsRefuseWhatTheyCannotDo) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"nonsense"},
        {"status", "extra"},
        {"dump"},
        {"dump", "keymap3"},
        {"dump", "config", "--sideways"},
        {"fault", "drop"},
        {"fault", "drop", "-1"},
        {"fault", "late", "10", "x"},
        {"fault", "vanish-after", "1", "--later"},
        {"play-macro", "first"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(args.empty() ? "(nothing)" : args[0]);
        Say(args, vkbd::kExitUsage);
    }
    EXPECT_FALSE(keyboard.QuitRequested());
    Say({"quit"});
    EXPECT_TRUE(keyboard.QuitRequested());
}

TEST_F(KeyboardTest, DumpShowsPermanentOrWorkingMemory) {
    Send(Command(0x01));
    Send(Command(0x06, 1, 42, {0x07}));
    const auto flash = keyboard.Control({"dump", "lighting1"}, now);
    const auto working = keyboard.Control({"dump", "lighting1", "--working"}, now);
    ASSERT_EQ(flash.payload.size(), 42u);
    EXPECT_EQ(flash.payload[0], 0x05);
    EXPECT_EQ(working.payload[0], 0x07);
    EXPECT_EQ(keyboard.Control({"dump", "macros"}, now).payload.size(), 16384u);
    EXPECT_EQ(keyboard.Control({"dump", "led"}, now).payload, (std::vector<uint8_t>{0x05, 0x00}));
}

} // namespace
