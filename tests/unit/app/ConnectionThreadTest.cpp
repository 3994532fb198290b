#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/ConnectionThread.h"

namespace {

using namespace std::chrono_literals;

struct RecordingSink : app::ConnectionSink {
    int32_t layoutResult = 1;
    int32_t configResult = 1;
    std::mutex mutex;
    std::vector<std::string> calls;

    void Add(std::string s) {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(s));
    }
    void HideWindow() override { Add("hide"); }
    Reads ReadKeyboard() override {
        Add("read");
        return {layoutResult, configResult};
    }
    void ReportDefaultLayoutFailure() override { Add("message"); }
    void RefreshFromKeyboard() override { Add("refresh"); }
    void SetDeviceIcon(int icon) override { Add("icon " + std::to_string(icon)); }
    void PostOpen() override { Add("open"); }
};

struct Case {
    const char* name;
    uint32_t last;
    bool autoOpenDone;
    int32_t layoutResult, configResult;
    uint32_t n;
    std::vector<std::string> calls;
    int32_t profileCache; // starts at 2
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ConnectionTest : public ::testing::TestWithParam<Case> {};

TEST_P(ConnectionTest, StepsInOrder) {
    const Case& c = GetParam();
    app::ConnectionState state;
    state.lastDeviceCount = c.last;
    state.autoOpenDone = c.autoOpenDone;
    state.initialised = true;
    state.activeProfileCache = 2;
    RecordingSink sink;
    sink.layoutResult = c.layoutResult;
    sink.configResult = c.configResult;
    app::RunConnection(c.n, state, sink, 1ms);
    EXPECT_EQ(sink.calls, c.calls);
    EXPECT_EQ(state.activeProfileCache, c.profileCache);
    EXPECT_EQ(state.lastDeviceCount, c.calls.empty() ? c.last : c.n);
    if (!c.calls.empty()) {
        EXPECT_TRUE(state.autoOpenDone);
    }
}

using V = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(Cases, ConnectionTest,
                         ::testing::Values(Case{"FirstArrivalOpensOnce", 0, false, 1, 1, 1,
                                                V{"read", "refresh", "icon 141", "open"}, 2},
                                           Case{"ArrivalAfterTheOpeningWasUsed", 0, true, 1, 1, 1,
                                                V{"read", "refresh", "icon 141"}, 2},
                                           Case{"SameCountDoesNothing", 1, false, 1, 1, 1, V{}, 2},
                                           Case{"DepartureHidesAndForgetsTheProfile", 1, true, 1, 1,
                                                0, V{"hide", "icon 128"}, -1},
                                           Case{"FirstThreadWithoutKeyboardUsesUpTheOpening", 2,
                                                false, 1, 1, 0, V{"hide", "icon 128"}, -1},
                                           Case{"UnreadableLayoutIsReportedAndTheRestGoesOn", 0,
                                                true, -2, 1, 1,
                                                V{"read", "message", "refresh", "icon 141"}, 2},
                                           Case{"UnreadableConfigChangesNothingHere", 0, true, 1, 0,
                                                1, V{"read", "refresh", "icon 141"}, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionThreadTest, IconAndOpeningWaitForInitialisation) {
    app::ConnectionState state;
    RecordingSink sink;
    std::thread t([&] { app::RunConnection(1, state, sink, 1ms); });
    std::this_thread::sleep_for(30ms);
    {
        std::lock_guard lock(sink.mutex);
        EXPECT_EQ(sink.calls, (V{"read", "refresh"}));
    }
    EXPECT_EQ(state.lastDeviceCount, 0u);
    state.initialised = true;
    t.join();
    EXPECT_EQ(sink.calls.back(), "open");
    EXPECT_EQ(state.lastDeviceCount, 1u);
}

// An open request while the keyboard is being read: neither the window before the reading
// nor the no-device box, but the window once it is done.
TEST(OpenRequestTest, WaitsForTheKeyboardBeingReadAndThenShows) {
    app::ConnectionState state;
    EXPECT_EQ(app::RequestOpen(state), app::OpenAnswer::NoDevice) << "nothing was reported";
    EXPECT_FALSE(state.openWaiting);

    state.autoOpenDone = true; // "/Start": only the request can open the window
    app::NoteKeyboardCount(state, 1);
    EXPECT_EQ(app::RequestOpen(state), app::OpenAnswer::Wait);
    RecordingSink sink;
    std::thread reading([&] { app::RunConnection(1, state, sink, 1ms); });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(app::RequestOpen(state), app::OpenAnswer::Wait) << "still reading";
    state.initialised = true;
    reading.join();
    EXPECT_EQ(sink.calls, (V{"read", "refresh", "icon 141", "open"}))
        << "two requests while reading open the window once";
    EXPECT_EQ(app::RequestOpen(state), app::OpenAnswer::Show);
}

TEST(OpenRequestTest, AnsweredWithTheBoxOnlyWhenNoKeyboardIsLeftToRead) {
    app::ConnectionState state;
    state.initialised = true;
    state.autoOpenDone = true;
    // A request waits; the keyboard went and came back: the thread of the departure ends
    // while that of the return is yet to come.
    state.lastDeviceCount = 1;
    app::NoteKeyboardCount(state, 1);
    state.openWaiting = true;
    RecordingSink sink;
    app::RunConnection(0, state, sink, 1ms);
    EXPECT_EQ(sink.calls, (V{"hide", "icon 128"})) << "released before the return was read";
    EXPECT_TRUE(state.openWaiting);

    // Gone for good: the request is released and meets no keyboard.
    app::NoteKeyboardCount(state, 0);
    state.lastDeviceCount = 1;
    sink.calls.clear();
    app::RunConnection(0, state, sink, 1ms);
    EXPECT_EQ(sink.calls, (V{"hide", "icon 128", "open"}));
    EXPECT_EQ(app::RequestOpen(state), app::OpenAnswer::NoDevice);
    EXPECT_FALSE(state.openWaiting);
}

TEST(IconStateTest, BusyIconCoversTheDeviceIconAndChangesOnlyWhenDifferent) {
    app::IconState icon;
    EXPECT_EQ(icon.SetDeviceIcon(app::kIconNoKeyboard), 0) << "already shown";
    EXPECT_EQ(icon.SetDeviceIcon(app::kIconKeyboard), app::kIconKeyboard);
    EXPECT_EQ(icon.SetMacroPlaying(true), app::kIconMacroPlaying);
    EXPECT_EQ(icon.device(), app::kIconKeyboard);
    EXPECT_EQ(icon.SetDeviceIcon(app::kIconNoKeyboard), app::kIconNoKeyboard)
        << "a departure during playback shows the new device icon";
    EXPECT_EQ(icon.SetMacroPlaying(false), 0);
    EXPECT_EQ(icon.shown(), app::kIconNoKeyboard);
}

} // namespace
