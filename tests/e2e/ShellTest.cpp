// The application shell seen from outside: the real program, transport library and virtual
// keyboard under Xvfb with trayer as notification area, driven with xdotool and watched
// with xwininfo, xev and import, as a person at the desktop would.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <grp.h>
#include <iostream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "Session.h"
#include "platform/MainWindowChannel.h"
#include "platform/WindowMessages.h"
#include "ui/SkinRect.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;
using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

// Generous: when things go right they happen in well under a second.
constexpr auto kPatience = 20s;

std::string Joined(const std::vector<std::string>& words) {
    std::string all;
    for (const auto& w : words)
        all += (all.empty() ? "" : ", ") + w;
    return all;
}

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        const auto missing = Session::MissingPrograms();
        if (!missing.empty())
            GTEST_SKIP() << "needs " << Joined(missing) << " (scripts/deps installs them)";
        ASSERT_TRUE(session_.Start(WithTray())) << "no X display";
    }

    // Whether the notification-area host runs from the start.
    virtual bool WithTray() const { return true; }

    void TearDown() override {
        if (HasFailure())
            std::cerr << session_.Logs();
    }

    const Screen& screen() const { return session_.screen(); }
    AppWindows Windows(const Child& app) const { return session_.Windows(app.pid()); }

    AssertionResult MainShownBecomes(const Child& app, bool shown) {
        if (WaitUntil([&] { return Windows(app).MainShown() == shown; }, kPatience))
            return AssertionSuccess();
        return AssertionFailure() << "the main window is still " << (shown ? "hidden" : "shown");
    }

    AssertionResult IconBecomes(const Child& app, int icon) {
        int seen = kNoIcon;
        if (WaitUntil([&] { return (seen = session_.TrayIcon(app.pid())) == icon; }, kPatience))
            return AssertionSuccess();
        return AssertionFailure() << "the notification area shows icon " << seen << ", not "
                                  << icon;
    }

    // The program keeps running: its window's thread answers, the process is there.
    AssertionResult KeepsRunning(Child& app) {
        // Twice, so that whatever was queued before the first request has been drawn too.
        if (!session_.Ping(app.pid()) || !session_.Ping(app.pid()))
            return AssertionFailure() << "the main window does not answer";
        if (!app.Running())
            return AssertionFailure() << "the program ended";
        return AssertionSuccess();
    }

    // Every way out: exit code 0, no process of the program left, its socket removed and
    // the keyboard let go.
    AssertionResult EndsCleanly(Child& app) {
        const auto code = app.Wait(kPatience);
        if (!code)
            return AssertionFailure() << "the program is still running\n"
                                      << session_.HangReport(app.pid());
        if (*code != 0)
            return AssertionFailure() << "the program ended with exit code " << *code;
        if (const auto left = session_.AppProcesses(); !left.empty())
            return AssertionFailure() << left.size() << " process(es) of the program remain";
        if (std::filesystem::exists(session_.SocketOf(app.pid())))
            return AssertionFailure() << "the main window's socket was left behind";
        if (!WaitUntil([&] { return session_.HostsConnected() == 0; }, kPatience))
            return AssertionFailure() << "the keyboard still has a host";
        return AssertionSuccess();
    }

    AssertionResult DoubleClickTrayIcon(const Child& app) {
        const auto icon = Windows(app).tray;
        if (!icon)
            return AssertionFailure() << "no icon in the notification area";
        if (!screen().Click(icon->x + icon->width / 2, icon->y + icon->height / 2, 1, 2))
            return AssertionFailure() << "xdotool could not click";
        return AssertionSuccess();
    }

    AssertionResult ChooseFromTrayMenu(const Child& app, int row) {
        const auto menu = session_.OpenTrayMenu(app.pid());
        if (!menu)
            return AssertionFailure() << "the notification-area menu did not open";
        if (!session_.ChooseMenuRow(*menu, row, 3))
            return AssertionFailure() << "xdotool could not click";
        return AssertionSuccess();
    }

    // A hidden copy with the keyboard connected, as after a start with "/Start".
    AssertionResult StartHidden(Child& app) {
        app = session_.StartApp({"/Start"});
        return IconBecomes(app, kIconKeyboard);
    }

    Session session_;
};

TEST_F(Shell, StartWithTheKeyboardOpensTheWindowOnceInFront) {
    ASSERT_TRUE(session_.StartKeyboard());
    RootEvents events;
    ASSERT_TRUE(events.Start(screen(), session_.runtime() / "events.log"));
    Child app = session_.StartApp();
    ASSERT_TRUE(MainShownBecomes(app, true));
    EXPECT_TRUE(IconBecomes(app, kIconKeyboard));

    const AppWindows windows = Windows(app);
    const WindowId main = windows.main->id;
    EXPECT_EQ(screen().Stacking().front(), main) << "the window is not in front";
    EXPECT_EQ(screen().Focused(), main) << "the window does not have the keyboard";
    EXPECT_TRUE(windows.dialogs.empty());
    ASSERT_TRUE(KeepsRunning(app));
    ASSERT_TRUE(events.Sync());
    EXPECT_EQ(events.Count("MapNotify", main), 1) << "the window did not open exactly once";

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, StartSwitchKeepsTheWindowHiddenWithTheConnectedIcon) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app;
    ASSERT_TRUE(StartHidden(app));
    ASSERT_TRUE(KeepsRunning(app));
    EXPECT_FALSE(Windows(app).MainShown());
    EXPECT_EQ(session_.HostsConnected(), 1);

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, SecondStartShowsTheRunningCopyAndEnds) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child first;
    ASSERT_TRUE(StartHidden(first));
    ASSERT_FALSE(Windows(first).MainShown());

    const auto begin = std::chrono::steady_clock::now();
    Child second = session_.StartApp();
    EXPECT_EQ(second.Wait(kPatience), 0);
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_LT(took, 5s) << "the second start did not end quickly";
    ASSERT_TRUE(MainShownBecomes(first, true));
    EXPECT_EQ(screen().Focused(), Windows(first).main->id);
    EXPECT_EQ(session_.AppProcesses(), std::vector<pid_t>{first.pid()});
    EXPECT_EQ(session_.HostsConnected(), 1) << "the second copy reached the keyboard";

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(first));
}

// A second start at each moment of the first copy's start-up, while its connection thread
// may still be reading the keyboard: the first copy's window opens, no box appears, and the
// second start ends at once.
TEST_F(Shell, SecondStartDuringTheFirstCopysStartUpEndsAtOnceWithoutABox) {
    // A slow keyboard keeps the connection thread reading for a while after the socket opens.
    ASSERT_TRUE(session_.StartKeyboard(true, 10));
    const struct {
        const char* moment;
        std::function<bool(const Child&)> reached;
    } moments[] = {
        {"as its socket opens",
         [&](const Child& first) {
             return std::filesystem::exists(session_.SocketOf(first.pid()));
         }},
        {"as its icon appears",
         [&](const Child& first) { return Windows(first).tray.has_value(); }},
        {"as its window maps", [&](const Child& first) { return Windows(first).MainShown(); }},
    };
    for (const auto& m : moments) {
        SCOPED_TRACE(m.moment);
        Child first = session_.StartApp();
        ASSERT_TRUE(WaitUntil([&] { return m.reached(first); }, kPatience, 1ms));
        const auto begin = std::chrono::steady_clock::now();
        Child second = session_.StartApp();
        EXPECT_EQ(second.Wait(kPatience), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s * kSlowdown)
            << "the second start waited";

        EXPECT_TRUE(MainShownBecomes(first, true));
        ASSERT_TRUE(KeepsRunning(first));
        EXPECT_TRUE(Windows(first).dialogs.empty()) << "a box appeared";
        EXPECT_EQ(session_.AppProcesses(), std::vector<pid_t>{first.pid()});
        EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
        ASSERT_TRUE(EndsCleanly(first));
    }
}

// The single-instance rule needs only the lock and the running copy's socket.
TEST_F(Shell, SecondStartAndKillWorkWithoutADisplay) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app;
    ASSERT_TRUE(StartHidden(app));
    const auto withoutDisplay = [&](const char* argument) {
        std::vector<std::string> argv = {"env", "-u", "DISPLAY", session_.appFile().string()};
        if (*argument)
            argv.push_back(argument);
        return e2e::Run(argv, session_.Env());
    };

    EXPECT_EQ(withoutDisplay("").code, 0);
    EXPECT_TRUE(MainShownBecomes(app, true));
    EXPECT_EQ(withoutDisplay("/Kill").code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

// A copy that cannot read the request (stopped here) does not hold the second start.
TEST_F(Shell, SecondStartGivesUpOnACopyThatDoesNotAcknowledge) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app;
    ASSERT_TRUE(StartHidden(app));
    ASSERT_EQ(::kill(app.pid(), SIGSTOP), 0);
    const auto begin = std::chrono::steady_clock::now();
    const Output second = session_.RunApp({});
    const auto took = std::chrono::steady_clock::now() - begin;
    ::kill(app.pid(), SIGCONT);
    EXPECT_EQ(second.code, 0);
    EXPECT_GE(took, 2s) << "gave up before the acknowledgement's time";
    EXPECT_LT(took, 2s + 2s * kSlowdown);

    ASSERT_TRUE(KeepsRunning(app));
    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, SecondStartWithoutTheKeyboardWaitsForTheNoDevicePrompt) {
    ASSERT_TRUE(session_.StartKeyboard(false));
    Child first = session_.StartApp();
    ASSERT_TRUE(IconBecomes(first, kIconNoKeyboard));
    ASSERT_TRUE(KeepsRunning(first));
    EXPECT_FALSE(Windows(first).MainShown()) << "opened without a keyboard";

    // The running copy answers the second start with a message box and stays hidden; the
    // second start waits for the box.
    Child second = session_.StartApp();
    std::optional<WindowInfo> box;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto dialogs = Windows(first).dialogs;
            if (!dialogs.empty())
                box = dialogs.front();
            return box.has_value();
        },
        kPatience))
        << "no message box";
    EXPECT_FALSE(second.Wait(300ms)) << "the second start did not wait for the box";
    ASSERT_TRUE(screen().Focus(box->id));
    ASSERT_TRUE(screen().Key("Return"));
    EXPECT_EQ(second.Wait(kPatience), 0);
    EXPECT_TRUE(WaitUntil([&] { return Windows(first).dialogs.empty(); }, kPatience));
    EXPECT_FALSE(Windows(first).MainShown());

    // Plugged in later, the keyboard turns the icon but does not open the window.
    ASSERT_EQ(session_.Keyboard({"plug"}).code, 0);
    EXPECT_TRUE(IconBecomes(first, kIconKeyboard));
    ASSERT_TRUE(KeepsRunning(first));
    EXPECT_FALSE(Windows(first).MainShown());

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(first));
}

TEST_F(Shell, AStartAfterACrashRunsAsTheOnlyCopy) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child crashed;
    ASSERT_TRUE(StartHidden(crashed));
    ASSERT_EQ(::kill(crashed.pid(), SIGKILL), 0);
    ASSERT_TRUE(crashed.Wait(kPatience));
    ASSERT_TRUE(std::filesystem::exists(session_.SocketOf(crashed.pid())));

    // Neither the lock nor the socket it left behind stops the next start.
    Child app = session_.StartApp();
    EXPECT_TRUE(MainShownBecomes(app, true));
    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, KillEndsTheCopyWhileItsPromptIsOpen) {
    ASSERT_TRUE(session_.StartKeyboard(false));
    Child first = session_.StartApp();
    ASSERT_TRUE(IconBecomes(first, kIconNoKeyboard));
    Child second = session_.StartApp();
    ASSERT_TRUE(WaitUntil([&] { return !Windows(first).dialogs.empty(); }, kPatience))
        << "no message box";

    // The box is closed as cancelled; the start that waited for it ends too, and must have
    // ended before no process of the program may remain.
    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_EQ(second.Wait(kPatience), 0);
    EXPECT_TRUE(EndsCleanly(first));
}

TEST_F(Shell, KillEndsTheRunningCopyAndItself) {
    ASSERT_TRUE(session_.StartKeyboard());
    // Off the window: a key's tooltip under a resting pointer would be a window of its own.
    ASSERT_TRUE(screen().MoveTo(0, 0));
    Child app = session_.StartApp();
    ASSERT_TRUE(MainShownBecomes(app, true));
    RootEvents events;
    ASSERT_TRUE(events.Start(screen(), session_.runtime() / "events.log"));

    const Output kill = session_.RunApp({"/Kill"});
    EXPECT_EQ(kill.code, 0);
    EXPECT_TRUE(EndsCleanly(app));
    ASSERT_TRUE(events.Sync());
    EXPECT_EQ(events.Count("MapNotify"), 0) << "\"/Kill\" showed a window:\n"
                                            << ReadAll(session_.runtime() / "events.log");
}

TEST_F(Shell, KillWithoutARunningCopyEndsAtOnceWithoutAWindow) {
    ASSERT_TRUE(session_.StartKeyboard());
    RootEvents events;
    ASSERT_TRUE(events.Start(screen(), session_.runtime() / "events.log"));

    const auto begin = std::chrono::steady_clock::now();
    const Output kill = session_.RunApp({"/Kill"});
    EXPECT_EQ(kill.code, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
    EXPECT_TRUE(session_.AppProcesses().empty());
    // Once the server has destroyed what the process created, all it did is in the log.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return events.Sync() && events.Count("DestroyNotify") == events.Count("CreateNotify");
        },
        kPatience));
    EXPECT_EQ(events.Count("MapNotify"), 0) << "a window was shown";
    EXPECT_EQ(events.Count("ReparentNotify"), 0) << "an icon went into the notification area";
    EXPECT_EQ(session_.HostsConnected(), 0) << "the keyboard was reached";
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::is_empty(session_.runtime() / "brisvane", ec) || ec)
        << "a main window socket was opened";
}

TEST_F(Shell, UnpluggingHidesTheWindowAndReplugDoesNotReopenIt) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app = session_.StartApp();
    ASSERT_TRUE(MainShownBecomes(app, true));
    ASSERT_TRUE(IconBecomes(app, kIconKeyboard));

    ASSERT_EQ(session_.Keyboard({"unplug"}).code, 0);
    EXPECT_TRUE(MainShownBecomes(app, false));
    EXPECT_TRUE(IconBecomes(app, kIconNoKeyboard));

    ASSERT_EQ(session_.Keyboard({"plug"}).code, 0);
    EXPECT_TRUE(IconBecomes(app, kIconKeyboard));
    ASSERT_TRUE(KeepsRunning(app));
    EXPECT_FALSE(Windows(app).MainShown()) << "the window opened again";

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, TrayIconClicksAndTheMenuExit) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app;
    ASSERT_TRUE(StartHidden(app));
    const auto icon = Windows(app).tray;
    ASSERT_TRUE(icon);

    // One click, not followed by a second, shows the profile menu.
    ASSERT_TRUE(screen().Click(icon->x + icon->width / 2, icon->y + icon->height / 2));
    EXPECT_TRUE(WaitUntil([&] { return !Windows(app).menus.empty(); }, kPatience))
        << "a single click showed no menu";
    ASSERT_TRUE(screen().Key("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return Windows(app).menus.empty(); }, kPatience));
    EXPECT_FALSE(Windows(app).MainShown());

    ASSERT_TRUE(DoubleClickTrayIcon(app));
    EXPECT_TRUE(MainShownBecomes(app, true));

    // Open, About, Exit.
    ASSERT_TRUE(ChooseFromTrayMenu(app, 2));
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, EscOnlyHidesAndTheSkinsCloseButtonEnds) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app = session_.StartApp();
    ASSERT_TRUE(MainShownBecomes(app, true));
    ASSERT_TRUE(screen().Focus(Windows(app).main->id));
    // The window's thread has taken the focus in (a key that comes before it has no window
    // to go to), as it has by the time a person presses a key.
    ASSERT_TRUE(KeepsRunning(app));
    ASSERT_TRUE(screen().Key("Escape"));
    EXPECT_TRUE(MainShownBecomes(app, false));
    ASSERT_TRUE(KeepsRunning(app));

    // Open, the first item of the notification-area menu, shows it again.
    ASSERT_TRUE(ChooseFromTrayMenu(app, 0));
    ASSERT_TRUE(MainShownBecomes(app, true));
    const WindowInfo main = *Windows(app).main;
    const ui::SkinRect close =
        ui::ReadSkinRect(BuildRoot() / "Skins" / "Main.ini", u"BUTTONINFO", u"CONTROL_CLOSE");
    ASSERT_GT(close.w, 1) << "the skin has no close button";
    ASSERT_TRUE(screen().Click(main.x + close.x + close.w / 2, main.y + close.y + close.h / 2));
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, ExitClosesTheOpenAboutBox) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app;
    ASSERT_TRUE(StartHidden(app));

    ASSERT_TRUE(ChooseFromTrayMenu(app, 1));
    ASSERT_TRUE(WaitUntil([&] { return Windows(app).dialogs.size() == 1; }, kPatience))
        << "the About box did not open";
    // Chosen again while it is open: still one box.
    ASSERT_TRUE(ChooseFromTrayMenu(app, 1));
    ASSERT_TRUE(KeepsRunning(app));
    EXPECT_EQ(Windows(app).dialogs.size(), 1u);

    ASSERT_TRUE(ChooseFromTrayMenu(app, 2));
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(Shell, RequestsWithoutTheirTagAreIgnored) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app;
    ASSERT_TRUE(StartHidden(app));
    const auto socket = session_.SocketOf(app.pid());

    using namespace platform;
    const struct {
        uint32_t message;
        uint32_t tag;
    } wrong[] = {
        {UM_KILL, 0},
        {UM_KILL, kTagOpen},
        {UM_KILL, 0x4B494C4C /* reversed */},
        {UM_KILL, kTagKill ^ 0x100},
        {UM_OPEN, kTagKill},
        {UM_OPEN, 0},
    };
    for (const auto& request : wrong) {
        SCOPED_TRACE(testing::Message() << std::hex << request.message << " " << request.tag);
        EXPECT_EQ(SendWindowMessage(socket, request.message, request.tag), 1);
        ASSERT_TRUE(KeepsRunning(app));
        EXPECT_FALSE(Windows(app).MainShown());
    }

    // With its tag the same request ends the program.
    EXPECT_EQ(SendWindowMessage(socket, UM_KILL, kTagKill), 1);
    EXPECT_TRUE(EndsCleanly(app));
}

// What a process of another user got from the main window's socket.
enum class Reply { NoEntry, Dropped, Answered, Other };

Reply SendKillAsNobody(const std::filesystem::path& socket) {
    const std::string path = socket.string();
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(10);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        path.copy(addr.sun_path, sizeof addr.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
            _exit(errno == EACCES ? 1 : 11);
        const auto request = platform::EncodeRequest({platform::UM_KILL, platform::kTagKill});
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0)
            _exit(12);
        uint8_t answer[4];
        _exit(::recv(fd, answer, sizeof answer, 0) > 0 ? 3 : 2);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return Reply::Other;
    switch (WEXITSTATUS(status)) {
    case 1:
        return Reply::NoEntry;
    case 2:
        return Reply::Dropped;
    case 3:
        return Reply::Answered;
    default:
        return Reply::Other;
    }
}

TEST_F(Shell, RequestsFromAnotherUserAreIgnored) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to send as another user";
    ASSERT_TRUE(session_.StartKeyboard());
    Child app;
    ASSERT_TRUE(StartHidden(app));
    const auto socket = session_.SocketOf(app.pid());

    // The runtime folder keeps other users out...
    EXPECT_EQ(SendKillAsNobody(socket), Reply::NoEntry);
    ASSERT_TRUE(KeepsRunning(app));

    // ...and where its modes let them in, the window drops their request unanswered.
    for (auto folder = socket.parent_path();
         folder != session_.runtime().parent_path().parent_path(); folder = folder.parent_path())
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0) << folder;
    ASSERT_EQ(::chmod(socket.c_str(), 0777), 0);
    EXPECT_EQ(SendKillAsNobody(socket), Reply::Dropped);
    ASSERT_TRUE(KeepsRunning(app));
    EXPECT_FALSE(Windows(app).MainShown());

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

// A desktop whose notification area comes after the program, as at a login where the
// autostart entry runs before the panel is ready.
class ShellWithLateTray : public Shell {
protected:
    bool WithTray() const override { return false; }
};

// How long a start with "/Start" waits for a host before it opens its window; Qt's coarse
// timer may end it up to 5 % early or late.
constexpr auto kHostWait = 12s;

TEST_F(ShellWithLateTray, StartSwitchWaitsHiddenForTheHostAndFollowsItsRestart) {
    ASSERT_TRUE(session_.StartKeyboard());
    RootEvents events;
    ASSERT_TRUE(events.Start(screen(), session_.runtime() / "events.log"));
    const auto started = std::chrono::steady_clock::now();
    Child app = session_.StartApp({"/Start"});
    std::this_thread::sleep_for(2s);
    ASSERT_TRUE(KeepsRunning(app));

    for (const char* host : {"started late", "restarted"}) {
        SCOPED_TRACE(host);
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_TRUE(session_.StartTrayHost());
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            1s - (std::chrono::steady_clock::now() - begin));
        EXPECT_TRUE(WaitUntil([&] { return Windows(app).tray.has_value(); }, left))
            << "no icon within a second of the host's start";
        EXPECT_TRUE(IconBecomes(app, kIconKeyboard));
        session_.StopTrayHost();
        ASSERT_TRUE(WaitUntil([&] { return !Windows(app).tray; }, kPatience));
    }
    // Nor does the window open when the wait for a host would have ended.
    std::this_thread::sleep_until(started + kHostWait + 1s);
    ASSERT_TRUE(KeepsRunning(app));
    EXPECT_FALSE(Windows(app).MainShown());
    ASSERT_TRUE(events.Sync());
    if (const auto main = Windows(app).main) {
        EXPECT_EQ(events.Count("MapNotify", main->id), 0) << "the window opened";
    }

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(ShellWithLateTray, StartSwitchOpensTheWindowWhenNoHostCameInTime) {
    ASSERT_TRUE(session_.StartKeyboard());
    const auto started = std::chrono::steady_clock::now();
    Child app = session_.StartApp({"/Start"});
    EXPECT_TRUE(MainShownBecomes(app, true)) << "no way in without a notification area";
    EXPECT_GE(std::chrono::steady_clock::now() - started, kHostWait - 1s) << "it did not wait";

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

TEST_F(ShellWithLateTray, WithoutStartTheWindowOpensAtOnceAndALateHostGetsTheIcon) {
    ASSERT_TRUE(session_.StartKeyboard(false));
    Child app = session_.StartApp();
    EXPECT_TRUE(MainShownBecomes(app, true)) << "no way in without a notification area";
    ASSERT_TRUE(session_.StartTrayHost());
    EXPECT_TRUE(IconBecomes(app, kIconNoKeyboard));

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(EndsCleanly(app));
}

} // namespace
