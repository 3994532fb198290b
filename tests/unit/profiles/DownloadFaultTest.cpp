// A full download (a macro area that fills the whole macro space and the three key maps) to
// the real virtual keyboard, with one fault aimed at one report: the download gives up in
// bounded time, says so, leaves the store and the snapshot file as they were, and the next
// download puts everything on the keyboard.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "device/Exchange.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "keys/KeyCodes.h"
#include "macros/Download.h"
#include "macros/MacroArea.h"
#include "macros/MacroList.h"
#include "profiles/Connection.h"
#include "profiles/CurrentProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/StoreFixture.h"
#include "support/SuiteKeyboard.h"

using namespace profiles;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

// Shortened so that a report that is never answered costs 0.5 s, not 3 s.
constexpr auto kTimeout = 150ms;
constexpr auto kRetryPause = 10ms;

// Answers take a little while, so that the late answers of a report that failed come while
// the download is still going on.
constexpr int kLatencyMs = 3;

constexpr int kMacroUnits = 16;                      // 2048 bytes of macro space
constexpr uint32_t kMacroSpace = kMacroUnits * 128u; // the area fills it
constexpr int kAreaReports = (kMacroSpace + 55) / 56;
constexpr int kMapReports = 10;
// Begin, the macro area, three key maps, end.
constexpr int kReports = 1 + kAreaReports + 3 * kMapReports + 1;

constexpr int kFirstAreaReport = 1;
constexpr int kFirstMapReport = 1 + kAreaReports;

// Late enough that all three attempts give up before the first answer comes, early enough
// that the next exchange still recognises the last of them.
constexpr auto kLate =
    3 * kTimeout + 2 * kRetryPause + kTimeout / 2 - std::chrono::milliseconds(kLatencyMs);

enum class Fault { Drop, Refuse, Late, Unplug, BreakOff };

struct FaultCase {
    Fault fault;
    const char* faultName;
    int report; // counted from 0, the begin being report 0
    const char* where;
};
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.faultName << " at " << c.where;
}

uint64_t CommandsReceived() {
    const std::string status = Keyboard().Control("status").second;
    const std::string key = "commands received: ";
    const size_t at = status.find(key);
    return at == std::string::npos ? 0 : std::stoull(status.substr(at + key.size()));
}

constexpr uint16_t kA = 0x1E, kB = 0x30, kC = 0x2E, kShift = 0x2A;

} // namespace

class DownloadFaults : public StoreTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    static void SetUpTestSuite() {
        auto& t = device::ExchangeTimes();
        t.answerTimeout = kTimeout;
        t.retryPause = kRetryPause;
        t.takeOverPause = kTimeout + 1ms;
        ::setenv("OLVASK_BACKEND", "sim", 1);
        ::setenv("OLVASK_VKBD_SOCKET", Keyboard().Socket().c_str(), 1);
        ASSERT_TRUE(Keyboard().Start(kMacroUnits));
        static device::IgnoredTransportEvents events;
        int32_t count = 0;
        ASSERT_EQ(device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count), device::kBindOk);
        Keyboard().Stop();
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(SuiteFolder()); }

    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_TRUE(WaitForCount(0));
        ASSERT_TRUE(Keyboard().Start(kMacroUnits, kLatencyMs));
        ASSERT_TRUE(WaitForCount(1));
        const ConnectionReads reads = ReadKeyboardOnConnection();
        ASSERT_EQ(reads.defaultLayout, 1);
        ASSERT_EQ(reads.config, 1);
        ASSERT_EQ(macros::MacroSpace(), kMacroSpace);
        FillStore();
        ASSERT_EQ(EnsureUserDataFolder(), 1);
        ASSERT_EQ(CreateDefaultProfile(SnapshotPath(0), 0, false), 1);
        ASSERT_EQ(SaveProfileSnapshot(true), 1);
    }
    void TearDown() override {
        Keyboard().Stop();
        StoreTest::TearDown();
    }

    // Three macros whose area, names included, is exactly the macro space, and keys of every
    // profile that play them or send other keys.
    void FillStore() {
        const auto add = [&](std::u16string_view name, uint16_t actions) {
            list_.push_back(macros::CreateMacroRecord(name, list_));
            macros::MacroRecord& m = *list_.back();
            m.cycles = 2;
            for (uint16_t i = 0; i < actions; ++i)
                m.actions[m.actionCount++] = {static_cast<uint32_t>(10 * (i % 50)),
                                              i % 4 < 2 ? kShift : kC,
                                              static_cast<uint16_t>(i % 2)};
        };
        add(u"Alpha", 200);
        add(u"Beta", 150);
        const uint32_t used = 16 + 2 * 3 + (4 + 4 * 200 + 2 * 5) + (4 + 4 * 150 + 2 * 4);
        const uint32_t rest = kMacroSpace - used - 4; // actions and name of the third
        const uint32_t nameUnits = (rest / 2) % 2 == 0 ? 10 : 11;
        add(std::u16string(nameUnits, u'g'), static_cast<uint16_t>((rest - 2 * nameUnits) / 4));
        FakeMainView quiet;
        macros::CommitMacroList(list_, quiet);
        for (size_t b = 0; b < 3; ++b) {
            Entry(b, kA) = {.kind = 4, .value = list_[b]->id};
            Entry(b, kB) = {.kind = 2, .value = static_cast<uint32_t>(b == 1 ? kC : kShift)};
        }
        const auto sizes = macros::MeasureMacroArea(Store().Macros());
        ASSERT_EQ(sizes.withNames, kMacroSpace);
    }

    // Everything the profile store holds, byte for byte.
    static Bytes StoreBytes() {
        ProfileStore& s = Store();
        std::lock_guard lock(s.lock);
        Bytes bytes;
        const auto append = [&](const void* p, size_t n) {
            const auto* b = static_cast<const uint8_t*>(p);
            bytes.insert(bytes.end(), b, b + n);
        };
        append(s.image.get(), sizeof(ProfileImage));
        append(&s.macroCount, sizeof s.macroCount);
        append(s.macros.get(), s.macroCount * sizeof(macros::MacroRecord));
        append(&s.textBytes, sizeof s.textBytes);
        for (const TextSlot& t : s.texts->entries)
            append(t.text.get(), t.text ? t.length : 0);
        append(s.defaultLayout.data(), s.defaultLayout.size());
        return bytes;
    }

    void Say(const std::string& command) {
        const auto [code, text] = Keyboard().Control(command);
        ASSERT_EQ(code, 0) << command << ": " << text;
    }

    void Inject(const FaultCase& c) {
        const std::string at = std::to_string(c.report);
        switch (c.fault) {
        case Fault::Drop:
            Say("fault after " + at);
            Say("fault drop 3");
            break;
        case Fault::Refuse:
            Say("fault after " + at);
            Say("fault refuse 3");
            break;
        case Fault::Late:
            Say("fault after " + at);
            Say("fault late " + std::to_string(kLate.count()) + " 3");
            break;
        case Fault::Unplug:
            Say("fault vanish-after " + at);
            break;
        case Fault::BreakOff:
            Say("fault vanish-after " + at + " --exit");
            break;
        }
    }

    void Recover(const FaultCase& c) {
        if (c.fault == Fault::Unplug) {
            Say("plug");
        } else if (c.fault == Fault::BreakOff) {
            ASSERT_TRUE(WaitForCount(0));
            Keyboard().Stop();
            ASSERT_TRUE(Keyboard().Start(kMacroUnits, kLatencyMs, /*reset=*/false));
        }
        ASSERT_TRUE(WaitForCount(1));
    }

    void ExpectEverythingOnTheKeyboard() {
        for (uint32_t page = 0; page < 3; ++page) {
            const auto map = macros::BuildKeyMap(Store().image->blocks[page], Store().defaultLayout,
                                                 Store().Macros());
            EXPECT_EQ(Keyboard().Dump("keymap" + std::to_string(page)),
                      Bytes(map.begin(), map.end()))
                << "key map " << page;
        }
        Bytes area(kMacroSpace);
        ASSERT_EQ(
            macros::PackMacros(area, static_cast<uint16_t>(area.size()), true, Store().Macros()),
            1);
        EXPECT_EQ(Keyboard().Dump("macros"), area);
    }

    macros::MacroList list_;
    FakePrompts prompts;
};

TEST_P(DownloadFaults, FailsInBoundedTimeChangesNothingAndTheNextDownloadSucceeds) {
    const FaultCase& c = GetParam();
    const Bytes store = StoreBytes();
    const Bytes snapshot = ReadBytes(SnapshotPath(0));
    ASSERT_FALSE(snapshot.empty());
    const uint64_t commandsBefore = CommandsReceived();

    Inject(c);
    const auto start = Clock::now();
    EXPECT_EQ(PrepareDownloadCopy(true, prompts), 0);
    const auto took = Clock::now() - start;

    // The faulty report costs at most its three attempts, and the next exchange at most the
    // wait for their late answers; every other report is answered at once.
    EXPECT_LT(took, 3 * (kTimeout + kRetryPause) + 4 * kTimeout + 2s);
    if (c.fault != Fault::BreakOff) {
        EXPECT_LE(CommandsReceived() - commandsBefore, static_cast<uint64_t>(kReports + 2))
            << "a report was sent more than three times";
    }
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(StoreBytes(), store);
    EXPECT_EQ(ReadBytes(SnapshotPath(0)), snapshot);
    EXPECT_FALSE(device::ExchangeBusy());

    Recover(c);
    Say("fault clear");
    EXPECT_EQ(PrepareDownloadCopy(true, prompts), 1);
    ExpectEverythingOnTheKeyboard();
    EXPECT_EQ(StoreBytes(), store);
}

namespace {

std::vector<FaultCase> Campaign() {
    const struct {
        Fault fault;
        const char* name;
    } faults[] = {{Fault::Drop, "Drop"},
                  {Fault::Refuse, "Refuse"},
                  {Fault::Late, "Late"},
                  {Fault::Unplug, "Unplug"},
                  {Fault::BreakOff, "BreakOff"}};
    const struct {
        int report;
        const char* where;
    } places[] = {
        {kFirstAreaReport, "FirstAreaReport"},
        {kFirstAreaReport + kAreaReports / 2, "MiddleAreaReport"},
        {kFirstAreaReport + kAreaReports - 1, "LastAreaReport"},
        {kFirstMapReport, "FirstMapReport"},
        {kFirstMapReport + 3 * kMapReports / 2, "MiddleMapReport"},
        {kFirstMapReport + 3 * kMapReports - 1, "LastMapReport"},
    };
    std::vector<FaultCase> cases;
    for (const auto& f : faults)
        for (const auto& p : places)
            cases.push_back({f.fault, f.name, p.report, p.where});
    return cases;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Campaign, DownloadFaults, ::testing::ValuesIn(Campaign()),
                         [](const auto& info) {
                             return std::string(info.param.faultName) + "At" + info.param.where;
                         });

// A keyboard that confirms every write but keeps one byte wrong: the read-back after the
// download finds the part, the download fails and names it, and the next one succeeds.
class DownloadReadBack : public DownloadFaults {};

TEST_F(DownloadReadBack, APartTheKeyboardDidNotKeepFailsTheDownload) {
    const struct {
        int writesBefore; // writes stored whole before the bad one
        const char16_t* part;
        int page; // -1: the macro area
    } cases[] = {
        {0, u"the macros", -1},
        {kAreaReports - 1, u"the macros", -1},
        {kAreaReports + kMapReports + 4, u"the keys of Profile 2", 1},
        {kAreaReports + 3 * kMapReports - 1, u"the keys of Profile 3", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.writesBefore);
        prompts.messages.clear();
        Say("fault corrupt " + std::to_string(c.writesBefore));
        macros::DownloadReport report;
        EXPECT_EQ(PrepareDownloadCopy(true, prompts, &report), 0);
        EXPECT_EQ(report.end, macros::DownloadReport::kWritten); // every write was confirmed
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_NE(prompts.messages[0].find(c.part), std::u16string::npos);
        EXPECT_EQ(c.page < 0 ? report.macroAreaKept : report.keyMapsKept[c.page],
                  macros::DownloadReport::kDiffers);

        prompts.messages.clear();
        EXPECT_EQ(PrepareDownloadCopy(true, prompts, &report), 1);
        EXPECT_TRUE(prompts.messages.empty());
        EXPECT_EQ(report.macroAreaKept, macros::DownloadReport::kKept);
        EXPECT_EQ(report.keyMapsKept, (std::array<int8_t, 3>{1, 1, 1}));
        ExpectEverythingOnTheKeyboard();
    }
}
