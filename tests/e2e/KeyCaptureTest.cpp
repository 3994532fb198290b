// The key capture on a desktop that keeps keys for itself: a window capturing with the
// keyboard grabbed, and a stand-in for the desktop shell and its volume daemon that grab
// their keys on the root window, both under Xvfb and driven with xdotool.

#include "Harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace e2e;
using namespace std::chrono_literals;

constexpr auto kPatience = 10s;

class KeyCaptureOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"Xvfb", "xdotool"}) {
            if (!HaveProgram(program)) {
                GTEST_SKIP() << "needs " << program << " (scripts/deps installs it)";
            }
        }
        ASSERT_TRUE(display_.Start(false, folder_.path())) << "no X display";
    }
    void TearDown() override {
        if (HasFailure()) {
            std::cerr << "window:\n"
                      << ReadAll(windowLog()) << "desktop:\n"
                      << ReadAll(desktopLog());
        }
    }

    std::filesystem::path windowLog() const { return folder_.path() / "window.log"; }
    std::filesystem::path desktopLog() const { return folder_.path() / "desktop.log"; }

    bool StartProbe(Child& child, const char* mode, const std::filesystem::path& log,
                    const std::string& ready) {
        auto env = display_.Env();
        env["QT_QPA_PLATFORM"] = "xcb";
        return child.Start({KEY_CAPTURE_PROBE, mode}, env, log) &&
               WaitUntil([&] { return ReadAll(log).find(ready) != std::string::npos; }, kPatience);
    }
    void Press(const std::string& keys) {
        ASSERT_EQ(e2e::Run({"xdotool", "key", keys}, display_.Env()).code, 0) << keys;
    }
    bool WaitFor(const std::filesystem::path& log, const std::string& line, size_t count = 1) {
        return WaitUntil([&] { return Count(ReadAll(log), line) >= count; }, kPatience);
    }

    TempFolder folder_;
    Display display_;
};

TEST_F(KeyCaptureOnX11, DesktopKeysAreCapturedAndVolumeKeysStillReachTheDesktop) {
    Child desktop;
    ASSERT_TRUE(StartProbe(desktop, "desktop", desktopLog(), "ready"));
    // Before the capture the desktop takes Super, as it would open its menu.
    Press("super");
    ASSERT_TRUE(WaitFor(desktopLog(), "desktop 133 press"));

    Child window;
    ASSERT_TRUE(StartProbe(window, "window", windowLog(), "grabbed"));
    struct Case {
        const char* keys;
        const char* message; // the key message of the press that the window captures
    } cases[] = {
        {"super", "key 5b 015b0001 swallowed"},  {"Super_R", "key 5c 015c0001 swallowed"},
        {"Menu", "key 5d 015d0001 swallowed"},   {"Print", "key 2c 01370001 swallowed"},
        {"alt+F4", "key 73 003e0001 swallowed"}, {"alt+Tab", "key 09 000f0001 swallowed"},
        {"Pause", "key 13 00450001 swallowed"},  {"KP_Enter", "key 0d 011c0001 swallowed"},
    };
    for (const Case& c : cases) {
        Press(c.keys);
        EXPECT_TRUE(WaitFor(windowLog(), c.message)) << c.keys;
    }
    // The volume key is passed on: the desktop gets it, once, and the grab is back after it.
    Press("XF86AudioRaiseVolume");
    EXPECT_TRUE(WaitFor(windowLog(), "key af 01300001 passed"));
    EXPECT_TRUE(WaitFor(desktopLog(), "desktop 123 press"));
    Press("super");
    EXPECT_TRUE(WaitFor(windowLog(), "key 5b 015b0001 swallowed", 2));
    // A menu of the window takes the keyboard while it is open and lets it go on closing.
    Press("p");
    ASSERT_TRUE(WaitFor(windowLog(), "menu closed"));
    Press("super");
    EXPECT_TRUE(WaitFor(windowLog(), "key 5b 015b0001 swallowed", 3));

    const std::string seen = ReadAll(desktopLog());
    EXPECT_EQ(Count(seen, "desktop 133 press"), 1u) << "Super reached the desktop";
    EXPECT_EQ(Count(seen, "press"), 2u) << seen;
    EXPECT_EQ(Count(ReadAll(windowLog()), "key af 01300001"), 1u) << "the volume key came back";
}

// The grab is held only while the capturing window is active: keys typed into a window the
// user went to are that window's, and the desktop has its keys again.
TEST_F(KeyCaptureOnX11, TheGrabFollowsTheActiveWindow) {
    Child desktop;
    ASSERT_TRUE(StartProbe(desktop, "desktop", desktopLog(), "ready"));
    Child window;
    ASSERT_TRUE(StartProbe(window, "window", windowLog(), "grabbed"));
    const Output other = e2e::Run({"xdotool", "search", "--name", "desktop probe"}, display_.Env());
    const Output capturing =
        e2e::Run({"xdotool", "search", "--name", "key capture probe"}, display_.Env());
    ASSERT_EQ(other.code, 0);
    ASSERT_EQ(capturing.code, 0);

    ASSERT_EQ(e2e::Run({"xdotool", "windowfocus", other.text.substr(0, other.text.find('\n'))},
                       display_.Env())
                  .code,
              0);
    ASSERT_TRUE(WaitFor(windowLog(), "released"));
    Press("super");
    EXPECT_TRUE(WaitFor(desktopLog(), "desktop 133 press"));

    ASSERT_EQ(
        e2e::Run({"xdotool", "windowfocus", capturing.text.substr(0, capturing.text.find('\n'))},
                 display_.Env())
            .code,
        0);
    ASSERT_TRUE(WaitFor(windowLog(), "grabbed", 2));
    Press("super");
    EXPECT_TRUE(WaitFor(windowLog(), "key 5b 015b0001 swallowed"));
    EXPECT_EQ(Count(ReadAll(desktopLog()), "desktop 133 press"), 1u);
}

} // namespace
