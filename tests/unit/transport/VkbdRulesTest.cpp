// The virtual keyboard as the judge of the wire: every rule of the command set, the verdict
// each request gets, the refusal of a strict keyboard and the tolerance of a lenient one.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "VkbdProcess.h"
#include "vkbd/FactoryContent.h"
#include "vkbd/Keyboard.h"
#include "vkbd/StateFile.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Clock = vkbd::Keyboard::Clock;
namespace rule = vkbd::rule;

Bytes Seal(Bytes r) {
    uint32_t sum = 0;
    for (size_t i = 3; i < r.size(); ++i)
        sum += r[i];
    r[1] = static_cast<uint8_t>(sum);
    r[2] = static_cast<uint8_t>(sum >> 8);
    return r;
}

// A request as the program's builders make it: cleared, then filled and sealed.
Bytes Cmd(uint8_t code, uint8_t length = 0, uint16_t position = 0, Bytes data = {}) {
    Bytes r(64, 0);
    r[0] = 0x04;
    r[3] = code;
    r[4] = length;
    r[5] = static_cast<uint8_t>(position);
    r[6] = static_cast<uint8_t>(position >> 8);
    std::copy(data.begin(), data.end(), r.begin() + 8);
    return Seal(r);
}

// One byte changed, sealed again.
Bytes With(Bytes r, size_t at, uint8_t value) {
    r[at] = value;
    return Seal(r);
}

Bytes Run(uint8_t first, size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(first + i);
    return b;
}

// The configuration block as the factory made it, with one byte changed.
Bytes Config(size_t at, uint8_t value) {
    const auto image = vkbd::FactoryImage();
    Bytes block(image.config.begin(), image.config.end());
    block[at] = value;
    return block;
}

// A chunk of a chunked write: the request holds the previous chunk's bytes beyond the
// length, as the builder leaves them.
Bytes Chunk(uint8_t code, uint16_t position, const Bytes& data, const Bytes& previous = {}) {
    Bytes r = previous.empty() ? Cmd(code) : previous;
    r[4] = static_cast<uint8_t>(data.size());
    r[5] = static_cast<uint8_t>(position);
    r[6] = static_cast<uint8_t>(position >> 8);
    std::copy(data.begin(), data.end(), r.begin() + 8);
    return Seal(r);
}

const Bytes kBegin = Cmd(0x01);
const Bytes kEnd = Cmd(0x02);
const Bytes kBootLoader = [] {
    Bytes r(64, 0);
    r[0] = 0x04;
    r[3] = r[4] = 0xEE;
    return r;
}();
// Macro area n = 57: a first chunk of 56 bytes, then one of 1 that still carries bytes 1
// to 55 of the first.
const Bytes kMacroChunk0 = Chunk(0x0A, 0, Run(0x40, 56));
const Bytes kMacroChunk1 = Chunk(0x0A, 56, {0x99}, kMacroChunk0);
// Key map page 1: the ninth chunk (56 bytes at 960), then the last of 8 bytes.
const Bytes kKeyMapChunk8 = Chunk(0x08, 960, Run(0x10, 56));
const Bytes kKeyMapChunk9 = Chunk(0x08, 1016, Run(0xA0, 8), kKeyMapChunk8);

constexpr int kNoAnswer = -1;

struct RuleCase {
    const char* what;
    std::vector<Bytes> before; // sent first; each must be accepted
    Bytes report;
    std::vector<std::string_view> broken; // empty: accepted
    int lenientStatus;                    // the answer's status with --lenient
};

// A strict keyboard answers a breach 0xFF (0xFE for a bad checksum) and carries nothing
// out; a lenient one records it and answers as the firmware would without the rule.
const RuleCase kRuleCases[] = {
    // The program's own requests, each accepted.
    {"begin", {}, kBegin, {}, 0x00},
    {"end after begin", {kBegin}, kEnd, {}, 0x00},
    {"bracketed parameter write", {kBegin}, Cmd(0x06, 1, 99, {2}), {}, 0x00},
    {"bracketed lighting read-back", {kBegin}, Cmd(0x05, 56, 84), {}, 0x00},
    {"bracketed key-light read", {kBegin}, Cmd(0x10, 54, 522), {}, 0x00},
    {"bracketed key-light write", {kBegin}, Cmd(0x11, 1, 217, {0x80}), {}, 0x00},
    {"configuration read", {}, Cmd(0x03, 0x30), {}, 0x00},
    {"configuration write of the active profile", {}, Cmd(0x04, 0x30, 0, Config(10, 2)), {}, 0x00},
    {"key map read, last chunk of page 2", {}, Cmd(0x07, 8, 1528), {}, 0x00},
    {"macro area read at the end of the space", {}, Cmd(0x09, 4, 16380), {}, 0x00},
    {"default layout read", {}, Cmd(0x0F, 8, 504), {}, 0x00},
    {"macro area, one short chunk", {kBegin}, Chunk(0x0A, 0, Run(1, 10)), {}, 0x00},
    {"macro area, short chunk after a full one", {kBegin, kMacroChunk0}, kMacroChunk1, {}, 0x00},
    {"key map, last chunk of page 1", {kBegin, kKeyMapChunk8}, kKeyMapChunk9, {}, 0x00},
    {"boot loader", {}, kBootLoader, {}, kNoAnswer},
    {"LED status", {}, {0x05, 0x03}, {}, kNoAnswer},

    // Brackets.
    {"parameter write outside", {}, Cmd(0x06, 1, 99, {2}), {rule::kOutsideBracket}, 0x00},
    {"parameter read outside", {}, Cmd(0x05, 56, 0), {rule::kOutsideBracket}, 0x00},
    {"key-light write outside", {}, Cmd(0x11, 1, 0, {1}), {rule::kOutsideBracket}, 0x00},
    {"key-light read outside", {}, Cmd(0x10, 54, 0), {rule::kOutsideBracket}, 0x00},
    {"key map write outside", {}, Chunk(0x08, 0, Run(1, 56)), {rule::kOutsideBracket}, 0x00},
    {"macro write outside", {}, kMacroChunk0, {rule::kOutsideBracket}, 0x00},
    {"configuration read inside", {kBegin}, Cmd(0x03, 0x30), {rule::kInsideBracket}, 0x00},
    {"configuration write inside",
     {kBegin},
     Cmd(0x04, 0x30, 0, Config(10, 1)),
     {rule::kInsideBracket},
     0x00},
    {"key map read inside", {kBegin}, Cmd(0x07, 56, 0), {rule::kInsideBracket}, 0x00},
    {"macro area read inside", {kBegin}, Cmd(0x09, 56, 0), {rule::kInsideBracket}, 0x00},
    {"default layout read inside", {kBegin}, Cmd(0x0F, 56, 0), {rule::kInsideBracket}, 0x00},
    {"begin inside a bracket",
     {kBegin, Cmd(0x06, 1, 0, {1})},
     kBegin,
     {rule::kBeginInsideBracket},
     0x00},
    {"end without begin", {}, kEnd, {rule::kEndWithoutBegin}, 0x00},
    {"second end", {kBegin, Cmd(0x06, 1, 0, {1}), kEnd}, kEnd, {rule::kEndWithoutBegin}, 0x00},

    // The report's frame.
    {"status byte 0x55", {}, With(Cmd(0x03, 0x30), 7, 0x55), {rule::kStatusNotZero}, 0x00},
    {"checksum off by one",
     {},
     [] {
         Bytes r = Cmd(0x03, 0x30);
         ++r[1];
         return r;
     }(),
     {rule::kBadChecksum},
     0xFE},
    {"63-byte request",
     {},
     [] {
         Bytes r = Cmd(0x03, 0x30);
         r.pop_back();
         return r;
     }(),
     {rule::kCommandReportSize},
     0x00},
    {"unknown command", {}, Cmd(0x0B), {rule::kUnknownCommand}, 0xFF},

    // Memories.
    {"length 57", {kBegin}, Cmd(0x06, 57, 0), {rule::kLengthAbove56}, 0xFF},
    {"parameter read past the end", {kBegin}, Cmd(0x05, 56, 201), {rule::kOutsideMemory}, 0xFF},
    {"macro write past the space",
     {kBegin},
     Cmd(0x0A, 1, 16384, {1}),
     {rule::kOutsideMemory},
     0xFF},
    {"key map read across a page", {}, Cmd(0x07, 8, 508), {rule::kCrossesKeyMapPage}, 0x00},
    {"key map write across a page",
     {kBegin},
     Cmd(0x08, 8, 1020, Run(1, 8)),
     {rule::kCrossesKeyMapPage},
     0x00},
    {"key map read past page 2", {}, Cmd(0x07, 8, 1536), {rule::kOutsideMemory}, 0xFF},

    // The configuration block.
    {"one byte of configuration read", {}, Cmd(0x03, 1, 10), {rule::kConfigNotWhole}, 0x00},
    {"one byte of configuration written", {}, Cmd(0x04, 1, 10, {1}), {rule::kConfigNotWhole}, 0x00},
    {"configuration write of the macro space",
     {},
     Cmd(0x04, 0x30, 0, Config(11, 255)),
     {rule::kConfigKeyboardBytes},
     0x00},
    {"configuration write of the effect list",
     {},
     Cmd(0x04, 0x30, 0, Config(20, 0)),
     {rule::kConfigKeyboardBytes},
     0x00},
    {"configuration write of byte 3",
     {},
     Cmd(0x04, 0x30, 0, Config(3, 7)),
     {rule::kConfigKeyboardBytes},
     0x00},
    {"active profile 3", {}, Cmd(0x04, 0x30, 0, Config(10, 3)), {rule::kActiveProfileAbove2}, 0xFF},

    // Bytes the builders leave zero, or stale as the previous chunk left them.
    {"data in a read", {}, With(Cmd(0x03, 0x30), 8, 1), {rule::kBytesPastLength}, 0x00},
    {"a byte past a parameter write",
     {kBegin},
     With(Cmd(0x06, 1, 99, {2}), 20, 7),
     {rule::kBytesPastLength},
     0x00},
    {"a length in begin", {}, With(kBegin, 4, 1), {rule::kBytesPastLength}, 0x00},
    {"stale bytes in a first chunk",
     {kBegin},
     With(Chunk(0x0A, 0, {1}), 30, 5),
     {rule::kBytesPastLength},
     0x00},
    {"short chunk without the previous chunk's bytes",
     {kBegin, kMacroChunk0},
     Chunk(0x0A, 56, {0x99}),
     {rule::kBytesPastLength},
     0x00},
    {"last key map chunk with foreign bytes",
     {kBegin, kKeyMapChunk8},
     With(kKeyMapChunk9, 40, 0),
     {rule::kBytesPastLength},
     0x00},

    // Other reports.
    {"boot loader with a checksum",
     {},
     With(kBootLoader, 1, 0xDC),
     {rule::kBootLoaderReport},
     kNoAnswer},
    {"boot loader of 63 bytes",
     {},
     Bytes(kBootLoader.begin(), kBootLoader.end() - 1),
     {rule::kBootLoaderReport},
     kNoAnswer},
    {"LED status of 1 byte", {}, {0x05}, {rule::kLedReport}, kNoAnswer},
    {"LED status of 4 bytes", {}, {0x05, 0x03, 0, 0}, {rule::kLedReport}, kNoAnswer},
    {"report id 7", {}, {0x07, 0x01}, {rule::kUnknownReportId}, kNoAnswer},
};

class Judge {
public:
    explicit Judge(bool lenient) { keyboard.SetLenient(lenient); }

    // The status of the answer to the report, kNoAnswer when none came.
    int Send(const Bytes& report) {
        keyboard.OutputReport(report, now, 1);
        now += 10ms;
        int status = kNoAnswer;
        for (const vkbd::BusEvent& e : keyboard.TakeDue(now))
            if (e.kind == vkbd::BusEvent::Kind::Input && e.report.size() == 64)
                status = e.report[7];
        return status;
    }
    std::vector<std::string> Rules() const {
        std::vector<std::string> rules;
        for (const vkbd::Violation& v : keyboard.Violations().entries)
            rules.push_back(v.rule);
        return rules;
    }

    vkbd::KeyboardMemory memory{vkbd::FactoryImage()};
    vkbd::Keyboard keyboard{memory, 1ms, true};
    Clock::time_point now{};
};

TEST(KeyboardRules, EachRequestGetsItsVerdictStrictAndLenient) {
    for (const RuleCase& c : kRuleCases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> expected(c.broken.begin(), c.broken.end());
        for (const bool lenient : {false, true}) {
            SCOPED_TRACE(lenient ? "lenient" : "strict");
            Judge judge(lenient);
            for (const Bytes& b : c.before)
                ASSERT_NE(judge.Send(b), 0xFF);
            ASSERT_TRUE(judge.Rules().empty()) << judge.Rules().front();
            const vkbd::MemoryImage working = judge.memory.Working();
            const int status = judge.Send(c.report);
            EXPECT_EQ(judge.Rules(), expected);
            if (lenient || expected.empty()) {
                EXPECT_EQ(status, c.lenientStatus);
            } else {
                const bool checksum = expected.front() == rule::kBadChecksum;
                const bool command = c.report.size() > 3 && c.report[0] == 0x04;
                EXPECT_EQ(status, command ? (checksum ? 0xFE : 0xFF) : kNoAnswer);
                EXPECT_TRUE(judge.memory.Working() == working)
                    << "a refused report was carried out";
                EXPECT_TRUE(judge.keyboard.Plugged());
            }
            if (!judge.keyboard.Violations().entries.empty()) {
                const vkbd::Violation& v = judge.keyboard.Violations().entries.front();
                EXPECT_EQ(v.head, Bytes(c.report.begin(),
                                        c.report.begin() + std::min<size_t>(16, c.report.size())));
            }
        }
    }
}

TEST(KeyboardRules, AStrictKeyboardKeepsNothingOfARefusedWriteAndALenientOneKeepsIt) {
    for (const bool lenient : {false, true}) {
        Judge judge(lenient);
        const uint8_t before = judge.memory.Flash().params[99];
        judge.Send(Cmd(0x06, 1, 99, {0x5A}));
        EXPECT_EQ(judge.memory.Flash().params[99], lenient ? 0x5A : before) << lenient;
    }
}

TEST(KeyboardRules, ARetriedBeginOrEndIsNoBreachButOneSentTwiceIs) {
    Judge judge(false);
    // The answer to the begin is lost: the exchange sends it again.
    judge.keyboard.Control({"fault", "drop", "1"}, judge.now);
    EXPECT_EQ(judge.Send(kBegin), kNoAnswer);
    EXPECT_EQ(judge.Send(kBegin), 0x00);
    EXPECT_EQ(judge.Send(Cmd(0x06, 1, 0, {1})), 0x00);
    // The answer to the end comes after the exchange gave up on it.
    judge.keyboard.Control({"fault", "late", "1500"}, judge.now);
    judge.Send(kEnd);
    EXPECT_EQ(judge.Send(kEnd), 0x00);
    EXPECT_TRUE(judge.Rules().empty());
    judge.now += 2s;
    judge.keyboard.TakeDue(judge.now);
    // Answered in time, so the same again is a second end.
    EXPECT_EQ(judge.Send(kEnd), 0xFF);
    EXPECT_EQ(judge.Rules(), std::vector<std::string>{std::string(rule::kEndWithoutBegin)});
}

// The host is judged by what it sent: a begin the keyboard refused (here by a fault) still
// brackets the writes that follow, as the program sends them whatever the begin returned.
TEST(KeyboardRules, WritesAfterABeginTheKeyboardRefusedAreInTheHostsBracket) {
    Judge judge(false);
    judge.keyboard.Control({"fault", "refuse", "3"}, judge.now);
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(judge.Send(kBegin), 0xFF);
    EXPECT_FALSE(judge.memory.TransferOpen());
    EXPECT_EQ(judge.Send(Cmd(0x06, 1, 99, {0x5A})), 0x00);
    EXPECT_EQ(judge.Send(kEnd), 0x00);
    EXPECT_TRUE(judge.Rules().empty()) << judge.Rules().front();
    EXPECT_EQ(judge.memory.Flash().params[99], 0x5A); // no transfer on the keyboard's side
    EXPECT_EQ(judge.Send(kEnd), 0xFF);
    EXPECT_EQ(judge.Rules(), std::vector<std::string>{std::string(rule::kEndWithoutBegin)});
}

TEST(KeyboardRules, AHostThatLeavesItsTransferOpenIsABreachAndItsWritesAreDropped) {
    for (const bool lenient : {false, true}) {
        SCOPED_TRACE(lenient ? "lenient" : "strict");
        Judge judge(lenient);
        judge.Send(kBegin);
        judge.Send(Cmd(0x06, 1, 99, {0x5A}));
        judge.keyboard.HostGone(2, judge.now); // another host: not its transfer
        EXPECT_TRUE(judge.Rules().empty());
        judge.keyboard.HostGone(1, judge.now);
        EXPECT_EQ(judge.Rules(), std::vector<std::string>{std::string(rule::kBracketLeftOpen)});
        EXPECT_EQ(judge.keyboard.Violations().entries.front().head,
                  Bytes(kBegin.begin(), kBegin.begin() + 16));
        EXPECT_EQ(judge.memory.TransferOpen(), lenient);
        if (lenient)
            EXPECT_EQ(judge.memory.Working().params[99], 0x5A);
        else
            EXPECT_TRUE(judge.memory.Working() == judge.memory.Flash());
        // A test's unplug ends the transfer without blame.
        Judge unplugged(lenient);
        unplugged.Send(kBegin);
        unplugged.keyboard.Control({"unplug"}, unplugged.now);
        unplugged.keyboard.HostGone(1, unplugged.now);
        EXPECT_TRUE(unplugged.Rules().empty());
    }
}

TEST(KeyboardRules, ViolationsAreListedClearedAndKeptInTheStateFile) {
    Judge judge(false);
    EXPECT_EQ(judge.keyboard.Control({"violations"}, judge.now).exitCode, vkbd::kExitDone);
    EXPECT_TRUE(judge.keyboard.Control({"violations"}, judge.now).payload.empty());
    judge.Send(kEnd);
    judge.Send({0x05});
    const auto listed = judge.keyboard.Control({"violations"}, judge.now);
    const std::string text(listed.payload.begin(), listed.payload.end());
    EXPECT_EQ(listed.exitCode, vkbd::kExitViolations);
    EXPECT_NE(text.find(" UTC  end-without-begin  04 02 00 02 00 00 00 00 00 00 00 00 00 00 "
                        "00 00\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  led-report  05\n"), std::string::npos) << text;
    const auto status = judge.keyboard.Control({"status"}, judge.now).payload;
    EXPECT_NE(std::string(status.begin(), status.end()).find("violations: 2\n"), std::string::npos);

    const transport_test::TempFolder folder;
    const auto path = folder.Path() / "state";
    ASSERT_TRUE(vkbd::SaveState(path, judge.memory.Flash(), nullptr, &judge.keyboard.Violations()));
    vkbd::MemoryImage image;
    vkbd::ViolationLog loaded;
    ASSERT_EQ(vkbd::LoadState(path, &image, nullptr, &loaded), vkbd::LoadResult::Loaded);
    ASSERT_EQ(loaded.entries.size(), 2u);
    // Times are kept to the millisecond.
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(loaded.entries[i].rule, judge.keyboard.Violations().entries[i].rule);
        EXPECT_EQ(loaded.entries[i].head, judge.keyboard.Violations().entries[i].head);
        EXPECT_LT(judge.keyboard.Violations().entries[i].when - loaded.entries[i].when, 1ms);
    }

    EXPECT_EQ(judge.keyboard.Control({"violations", "clear"}, judge.now).exitCode, vkbd::kExitDone);
    EXPECT_TRUE(judge.keyboard.Violations().Empty());
}

// The teardown check itself: a test whose program sends one unbracketed write fails when
// its keyboard stops, though the test checks nothing.
TEST(KeyboardRules, AKeyboardThatRecordedABreachFailsTheTestThatStopsIt) {
    static const transport_test::TempFolder folder;
    static transport_test::VirtualKeyboardProcess keyboard((folder.Path() / "sock").string(),
                                                           folder.Path() / "state");
    ASSERT_TRUE(keyboard.Start());
    // A host of its own: the sim backend's greeting, then the write.
    const auto sent = transport_test::SendAsHost(keyboard.Socket(), {Cmd(0x06, 1, 99, {2})});
    ASSERT_EQ(sent, std::vector<uint8_t>{0xFF});
    EXPECT_NONFATAL_FAILURE(keyboard.Stop(), "outside-bracket");

    // Taken by a test that breaches on purpose, the list no longer fails it.
    ASSERT_TRUE(keyboard.Start());
    ASSERT_TRUE(transport_test::SendAsHost(keyboard.Socket(), {Cmd(0x06, 1, 99, {2})}));
    EXPECT_NE(keyboard.TakeViolations().find("outside-bracket"), std::string::npos);
    keyboard.Stop();
}

TEST(KeyboardRules, TheCommandLineListsViolationsKeepsThemAcrossARestartAndCanBeLenient) {
    const transport_test::TempFolder folder;
    transport_test::VirtualKeyboardProcess keyboard((folder.Path() / "sock").string(),
                                                    folder.Path() / "state");
    const auto violations = [&] { return keyboard.Control({"violations"}); };
    ASSERT_TRUE(keyboard.Start());
    EXPECT_EQ(violations().exitCode, 0);
    EXPECT_EQ(violations().out, "");

    ASSERT_EQ(transport_test::SendAsHost(keyboard.Socket(), {kEnd}), std::vector<uint8_t>{0xFF});
    auto listed = violations();
    EXPECT_EQ(listed.exitCode, vkbd::kExitViolations);
    EXPECT_NE(listed.out.find("end-without-begin  04 02 00 02"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.err, "");

    // Ended and started again on its state file, it still holds them; --reset forgets them.
    ASSERT_EQ(keyboard.Control({"quit"}).exitCode, 0);
    ASSERT_TRUE(keyboard.WaitForExit(5s));
    ASSERT_TRUE(keyboard.Start());
    EXPECT_EQ(violations().out, listed.out);
    ASSERT_EQ(keyboard.Control({"quit"}).exitCode, 0);
    ASSERT_TRUE(keyboard.WaitForExit(5s));
    ASSERT_TRUE(keyboard.Start({"--latency", "0", "--reset", "--lenient"}));
    EXPECT_EQ(violations().out, "");

    // Lenient: the unbracketed write is recorded, answered 00 and kept.
    ASSERT_EQ(transport_test::SendAsHost(keyboard.Socket(), {Cmd(0x06, 1, 99, {0x5A})}),
              std::vector<uint8_t>{0x00});
    EXPECT_EQ(keyboard.Dump("params").at(99), 0x5A);
    EXPECT_NE(keyboard.StatusNumber("violations"), 0);
    EXPECT_NE(keyboard.TakeViolations().find("outside-bracket"), std::string::npos);
    EXPECT_EQ(violations().exitCode, 0);
}

} // namespace
