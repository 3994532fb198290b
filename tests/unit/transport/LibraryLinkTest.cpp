// The real libolvask.so, loaded as the program loads it, and the real olvask-vkbd process:
// the program's device layer talks to the virtual keyboard through the sim backend.

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>

#include <olvask/checksum.h>

#include "VkbdProcess.h"
#include "device/Commands.h"
#include "device/Exchange.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"

namespace {

using namespace std::chrono_literals;
using transport_test::BuildRoot;
using transport_test::VirtualKeyboardProcess;

// What the library's notifications did to "the main window".
class Events final : public device::TransportEvents {
public:
    void OnLayerSwitched() override {
        Note([&] { ++layerSwitches; });
    }
    void OnLightingChanged() override {
        Note([&] { ++lightingChanges; });
    }
    void OnMacroPlaying(bool playing) override {
        Note([&] { macro.push_back(playing); });
    }
    void OnKeyboardCountChanged(int32_t count) override {
        Note([&] { counts.push_back(count); });
    }

    void Reset() {
        std::lock_guard lock(mutex_);
        layerSwitches = lightingChanges = 0;
        macro.clear();
        counts.clear();
    }
    bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, condition);
    }
    template <typename T> T Read(const T& field) {
        std::lock_guard lock(mutex_);
        return field;
    }

    int layerSwitches = 0;
    int lightingChanges = 0;
    std::vector<bool> macro;
    std::vector<int32_t> counts;

private:
    void Note(const std::function<void()>& change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
};

// The library is bound once per process and reads its socket path then, so the path is
// the process's own; each test starts its own keyboard there with a fresh state file.
const std::filesystem::path& SocketFolder() {
    static const std::filesystem::path folder = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("olvask-link-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(SocketFolder(), ec);
        });
        return path;
    }();
    return folder;
}

std::string SocketPath() {
    return (SocketFolder() / "vkbd.sock").string();
}

// Never destroyed: a late notification may still arrive while the process ends.
Events& TheEvents() {
    static Events* events = new Events;
    return *events;
}

std::filesystem::path StateForThisTest() {
    return SocketFolder() /
           ("state-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("OLVASK_BACKEND", "sim", 1);
        setenv("OLVASK_VKBD_SOCKET", SocketPath().c_str(), 1);
        device::ExchangeTimes() = {300ms, 10ms, 301ms, 10ms};
    }
    void TearDown() override {
        if (keyboard.Running()) {
            keyboard.Stop();
            EXPECT_TRUE(WaitForCount(0));
        }
    }

    // Starts the keyboard (unless told not to), opens the device link and waits until the
    // library counts the keyboard.
    void Open(bool withKeyboard = true) {
        if (withKeyboard) {
            ASSERT_TRUE(keyboard.Start());
        }
        int32_t count = -1;
        ASSERT_EQ(device::OpenDeviceLink(BuildRoot(), events, &count), device::kBindOk);
        if (withKeyboard) {
            ASSERT_TRUE(WaitForCount(1));
        }
        events.Reset();
    }
    bool WaitForCount(int32_t expected, std::chrono::milliseconds timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (device::GetDeviceCount() != expected) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    bool CountsSeen(std::vector<int32_t> expected) {
        return events.WaitFor([&] { return events.counts == expected; });
    }
    std::vector<uint8_t> Dump(const std::string& memory, bool working = false) {
        return keyboard.Dump(memory, working);
    }

    Events& events = TheEvents();
    VirtualKeyboardProcess keyboard{SocketPath(), StateForThisTest()};
};

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t n) {
    if (from + n > bytes.size())
        return {};
    return {bytes.begin() + from, bytes.begin() + from + n};
}

TEST_F(LinkTest, CountIsZeroWithoutAKeyboardAndOneWithIt) {
    Open(false);
    EXPECT_EQ(device::GetDeviceCount(), 0);
    std::array<uint8_t, 48> config{};
    EXPECT_EQ(device::ReadConfig(config), device::kExchangeNoKeyboard);

    ASSERT_TRUE(keyboard.Start());
    EXPECT_TRUE(CountsSeen({1}));
    EXPECT_EQ(device::GetDeviceCount(), 1);
    EXPECT_EQ(device::ReadConfig(config), 1);
}

TEST_F(LinkTest, UnplugPlugCrashAndRestartAreEachACountChange) {
    Open();
    ASSERT_EQ(keyboard.Control({"unplug"}).exitCode, 0);
    EXPECT_TRUE(CountsSeen({0}));
    ASSERT_EQ(keyboard.Control({"plug"}).exitCode, 0);
    EXPECT_TRUE(CountsSeen({0, 1}));
    keyboard.Kill(); // its socket file stays behind
    EXPECT_TRUE(CountsSeen({0, 1, 0}));
    ASSERT_TRUE(keyboard.Start());
    EXPECT_TRUE(CountsSeen({0, 1, 0, 1}));
    std::array<uint8_t, 48> config{};
    EXPECT_EQ(device::ReadConfig(config), 1);
}

TEST_F(LinkTest, EveryCommandIsAnsweredThroughTheProgramsDeviceLayer) {
    Open();
    EXPECT_EQ(device::BeginTransfer(), 1);
    EXPECT_EQ(device::EndTransfer(), 1);

    std::array<uint8_t, 48> config{};
    ASSERT_EQ(device::ReadConfig(config), 1);
    EXPECT_EQ(std::vector<uint8_t>(config.begin(), config.end()), Dump("config"));
    config[10] = 1;
    EXPECT_EQ(device::WriteConfig(config), 1);
    EXPECT_EQ(Dump("config").at(10), 1);
    config[10] = 3; // no such profile: refused three times
    EXPECT_EQ(device::WriteConfig(config), device::kCmdRefusedFF);
    EXPECT_NE(keyboard.TakeViolations().find("active-profile-above-2"), std::string::npos);

    // Parameters, key colours, key map and macro area writes are bracketed, as the program
    // makes them.
    std::array<uint8_t, 56> params{};
    EXPECT_EQ(device::BeginTransfer(), 1);
    ASSERT_EQ(device::ReadParams(params, 56, 84), 1);
    EXPECT_EQ(std::vector<uint8_t>(params.begin(), params.begin() + 42), Dump("lighting2"));
    const uint8_t brightness[1] = {4};
    EXPECT_EQ(device::WriteParams(brightness, 1, 42 + 1), 1);
    EXPECT_EQ(device::EndTransfer(), 1);
    EXPECT_EQ(Dump("lighting1").at(1), 4);

    std::array<uint8_t, 512> map{};
    ASSERT_EQ(device::ReadKeyMap(map, 1), 1);
    EXPECT_EQ(std::vector<uint8_t>(map.begin(), map.end()), Dump("keymap1"));
    for (size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(device::BeginTransfer(), 1);
    EXPECT_EQ(device::WriteKeyMap(map, 2), 1);
    EXPECT_EQ(device::EndTransfer(), 1);
    EXPECT_EQ(std::vector<uint8_t>(map.begin(), map.end()), Dump("keymap2"));

    std::vector<uint8_t> area(57);
    for (size_t i = 0; i < area.size(); ++i)
        area[i] = static_cast<uint8_t>(0xA0 + i);
    EXPECT_EQ(device::BeginTransfer(), 1);
    EXPECT_EQ(device::WriteMacroArea(area, 57), 1);
    EXPECT_EQ(device::EndTransfer(), 1);
    std::vector<uint8_t> back(57);
    EXPECT_EQ(device::ReadMacroArea(back, 57), 1);
    EXPECT_EQ(back, area);
    EXPECT_EQ(Slice(Dump("macros"), 0, 57), area);

    std::array<uint8_t, 512> layout{};
    ASSERT_EQ(device::ReadDefaultLayout(layout), 1);
    EXPECT_EQ(std::vector<uint8_t>(layout.begin(), layout.end()), Dump("default-layout"));

    std::array<uint8_t, 56> colours{};
    EXPECT_EQ(device::BeginTransfer(), 1);
    ASSERT_EQ(device::ReadKeyColours(colours, 54, 162, 2), 1);
    EXPECT_EQ(std::vector<uint8_t>(colours.begin(), colours.begin() + 54),
              Slice(Dump("keycolours"), 522, 54));
    const uint8_t lit[1] = {0xFF};
    EXPECT_EQ(device::WriteKeyColours(lit, 1, 36 + 1, 1), 1);
    EXPECT_EQ(device::EndTransfer(), 1);
    EXPECT_EQ(Dump("keycolours").at(217), 0xFF);

    // The boot loader takes the keyboard off the bus; the library tells of it.
    EXPECT_EQ(device::EnterBootLoader(), 1);
    EXPECT_TRUE(CountsSeen({0}));
    EXPECT_NE(keyboard.Control({"status"}).out.find("boot loader"), std::string::npos);
    EXPECT_EQ(device::ReadConfig(config), device::kExchangeNoKeyboard);
    ASSERT_EQ(keyboard.Control({"plug"}).exitCode, 0);
    EXPECT_TRUE(CountsSeen({0, 1}));
}

TEST_F(LinkTest, ABracketedWriteIsPermanentOnlyAtEndTransferAndSurvivesARestart) {
    Open();
    const std::vector<uint8_t> before = Dump("keymap0");
    std::array<uint8_t, 512> map{};
    std::copy(before.begin(), before.end(), map.begin());
    map[0] = 0x00; // Esc disabled
    map[1] = 0x00;
    map[2] = 0x00;
    ASSERT_EQ(device::BeginTransfer(), 1);
    ASSERT_EQ(device::WriteKeyMap(map, 0), 1);
    EXPECT_EQ(Dump("keymap0"), before);
    EXPECT_EQ(Dump("keymap0", true), std::vector<uint8_t>(map.begin(), map.end()));
    ASSERT_EQ(device::EndTransfer(), 1);
    EXPECT_EQ(Dump("keymap0"), std::vector<uint8_t>(map.begin(), map.end()));

    keyboard.Stop();
    ASSERT_TRUE(WaitForCount(0));
    ASSERT_TRUE(keyboard.Start());
    ASSERT_TRUE(WaitForCount(1));
    std::array<uint8_t, 512> back{};
    ASSERT_EQ(device::ReadKeyMap(back, 0), 1);
    EXPECT_EQ(back, map);
}

TEST_F(LinkTest, TheLayerKeyReachesTheProgramWhichSendsTheLedStatusBack) {
    Open();
    device::ResetLedStatus();
    ASSERT_EQ(keyboard.Control({"layer-key"}).exitCode, 0);
    ASSERT_TRUE(events.WaitFor([&] { return events.layerSwitches == 1; }));
    EXPECT_TRUE(device::LayerB());
    // Sent by the program from inside the library's callback.
    const auto ledIs = [&](std::vector<uint8_t> expected) {
        for (int i = 0; i < 500; ++i) {
            if (Dump("led") == expected)
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    };
    EXPECT_TRUE(ledIs({0x05, 0x03}));
    ASSERT_EQ(keyboard.Control({"layer-key"}).exitCode, 0);
    ASSERT_TRUE(events.WaitFor([&] { return events.layerSwitches == 2; }));
    EXPECT_TRUE(ledIs({0x05, 0x02}));
}

TEST_F(LinkTest, MacroPlaybackAndLightingNoticesReachTheConsumerChannel) {
    Open();
    // One macro: a press and a release of A, 40 ms after each.
    const std::vector<uint8_t> area = {0xAA, 0x55, 0x1E, 0x00, 0x01, 0x00, 0,    0,    0,    0,
                                       0,    0,    0,    0,    0,    0,    0x12, 0x00, 0x02, 0x00,
                                       0x01, 0x00, 0x04, 0xA0, 0x02, 0x04, 0x04, 0x20, 0x02, 0x04};
    ASSERT_EQ(device::BeginTransfer(), 1);
    ASSERT_EQ(device::WriteMacroArea(area, static_cast<uint32_t>(area.size())), 1);
    ASSERT_EQ(device::EndTransfer(), 1);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(keyboard.Control({"play-macro", "0"}).exitCode, 0);
    ASSERT_TRUE(events.WaitFor([&] { return events.macro == std::vector<bool>{true, false}; }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 80ms);

    ASSERT_EQ(keyboard.Control({"lighting-changed"}).exitCode, 0);
    EXPECT_TRUE(events.WaitFor([&] { return events.lightingChanges == 1; }));
}

TEST_F(LinkTest, CallsWithAWrongChecksumAreRefused) {
    Open();
    const device::TransportTable& t = device::Transport();
    std::array<uint8_t, 64> report{};
    report[0] = 0x04;
    report[3] = 0x01;
    report[1] = 0x01; // BeginTransfer, report checksum 1
    const uint32_t good = device::CallChecksum(device::kCommandUnit, nullptr, 0, report);
    const long before = keyboard.StatusNumber("commands received");

    EXPECT_EQ(
        t.RequestWriteOne(&device::kCommandUnit, nullptr, 0, report.data(), 64, good + 1, nullptr),
        0);
    EXPECT_EQ(t.RequestGetDeviceCount(
                  &device::kCommandUnit, nullptr, 0,
                  device::CallChecksum(device::kCommandUnit, nullptr, 0) ^ 0x100, nullptr),
              0);
    uint32_t handle = 0;
    EXPECT_EQ(t.RequestAsyncRead(
                  &device::kControlUnit, &device::TransportCallback, device::kUnitControl,
                  device::CallChecksum(device::kControlUnit, nullptr, device::kUnitControl),
                  &handle),
              0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(keyboard.StatusNumber("commands received"), before);

    EXPECT_GT(
        t.RequestWriteOne(&device::kCommandUnit, nullptr, 0, report.data(), 64, good, nullptr), 0);
    for (int i = 0; i < 500 && keyboard.StatusNumber("commands received") == before; ++i)
        std::this_thread::sleep_for(2ms);
    EXPECT_EQ(keyboard.StatusNumber("commands received"), before + 1);
}

struct FaultCase {
    std::vector<std::string> fault;
    int32_t result;
};

TEST_F(LinkTest, FaultsAreRetriedOrReportedAsTheExchangeSays) {
    Open();
    const FaultCase cases[] = {
        {{"drop", "1"}, 1},
        {{"bad-checksum", "2"}, 1},
        {{"late", "400"}, 1},
        {{"refuse", "3"}, device::kCmdRefusedFF},
        {{"bad-checksum", "3"}, device::kCmdRefusedFE},
        {{"drop", "3"}, device::kExchangeNoAnswer},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.fault[0] + " " + c.fault[1]);
        std::vector<std::string> args = {"fault"};
        args.insert(args.end(), c.fault.begin(), c.fault.end());
        ASSERT_EQ(keyboard.Control(args).exitCode, 0);
        std::array<uint8_t, 48> config{};
        EXPECT_EQ(device::ReadConfig(config), c.result);
        if (c.result == 1) {
            EXPECT_EQ(config[11], 128);
        }
        std::this_thread::sleep_for(150ms); // let a late answer pass before the next case
    }
}

TEST_F(LinkTest, AKeyboardThatVanishesMidTransferIsACountChangeNotAHang) {
    Open();
    const std::vector<uint8_t> before = Dump("keymap0");
    ASSERT_EQ(keyboard.Control({"fault", "vanish-after", "3"}).exitCode, 0);
    std::array<uint8_t, 512> map{};
    map.fill(0x11);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(device::BeginTransfer(), 1);
    EXPECT_EQ(device::WriteKeyMap(map, 0), device::kExchangeWriteRefused);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_NE(device::EndTransfer(), 1);
    EXPECT_TRUE(CountsSeen({0}));

    ASSERT_EQ(keyboard.Control({"plug"}).exitCode, 0);
    EXPECT_TRUE(CountsSeen({0, 1}));
    // Two chunks arrived, but the transfer never ended: nothing of them was kept.
    EXPECT_EQ(Dump("keymap0"), before);

    // The process itself goes away this time.
    ASSERT_EQ(keyboard.Control({"fault", "vanish-after", "1", "--exit"}).exitCode, 0);
    EXPECT_EQ(device::BeginTransfer(), 1);
    EXPECT_NE(device::WriteKeyMap(map, 1), 1);
    EXPECT_NE(device::EndTransfer(), 1);
    EXPECT_TRUE(keyboard.WaitForExit(2s));
    EXPECT_TRUE(CountsSeen({0, 1, 0}));
    ASSERT_TRUE(keyboard.Start());
    EXPECT_TRUE(CountsSeen({0, 1, 0, 1}));
}

TEST(VkbdCommandLine, HelpNamesEveryCommandAndErrorsHaveTheirExitCodes) {
    const auto help = transport_test::RunVkbd({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"serve",        "status",
                                "layer-key",    "lighting-changed",
                                "play-macro",   "stop-macro",
                                "unplug",       "plug",
                                "dump",         "fault drop",
                                "fault refuse", "fault bad-checksum",
                                "fault late",   "fault vanish-after",
                                "fault clear",  "quit",
                                "--latency",    "--macro-space",
                                "--state",      "--socket",
                                "violations",   "violations clear",
                                "--lenient"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;

    transport_test::TempFolder folder;
    const std::string socket = (folder.Path() / "none.sock").string();
    const auto unreachable = transport_test::RunVkbd({"--socket", socket, "status"});
    EXPECT_EQ(unreachable.exitCode, 3);
    EXPECT_NE(unreachable.err.find("no virtual keyboard"), std::string::npos);
    EXPECT_EQ(transport_test::RunVkbd({}).exitCode, 2);
    EXPECT_EQ(transport_test::RunVkbd({"serve", "--latency", "soon"}).exitCode, 2);

    VirtualKeyboardProcess keyboard(socket, folder.Path() / "state");
    ASSERT_TRUE(keyboard.Start({"--macro-space", "3"}));
    EXPECT_EQ(keyboard.Control({"fly"}).exitCode, 2);
    EXPECT_EQ(keyboard.Control({"stop-macro"}).exitCode, 1);
    EXPECT_EQ(keyboard.Dump("macros").size(), 384u);
    // A second keyboard on the same socket is refused.
    const auto second = transport_test::RunVkbd(
        {"serve", "--socket", socket, "--state", (folder.Path() / "other").string()});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("another virtual keyboard"), std::string::npos);
    EXPECT_EQ(keyboard.Control({"quit"}).exitCode, 0);
    EXPECT_TRUE(keyboard.WaitForExit(2s));
    EXPECT_FALSE(std::filesystem::exists(socket));
}

} // namespace
