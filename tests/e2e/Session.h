#pragma once

// One test's private world: a runtime folder (mode 0700) and a home of its own, a virtual
// keyboard on its own socket and state file, an X display with a notification area, and the
// program installed in a folder of its own under a name no other process carries, so that
// the single-instance search never meets a copy that some other test or the user runs.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "Harness.h"
#include "Screen.h"

namespace e2e {

// Icons of the notification area as a person tells them apart.
inline constexpr int kNoIcon = 0;
inline constexpr int kIconNoKeyboard = 128; // the keyboard
inline constexpr int kIconKeyboard = 141;   // the keyboard with its green light

// The icon a picture of the notification-area icon shows, kNoIcon when none of them.
int IconIn(const Picture& picture);

// The windows of one running copy.
struct AppWindows {
    std::optional<WindowInfo> main;  // the main window, mapped or not
    std::optional<WindowInfo> tray;  // the icon, embedded in the notification area
    std::vector<WindowInfo> menus;   // pop-up menus on screen
    std::vector<WindowInfo> dialogs; // other windows on screen: About box, message boxes

    bool MainShown() const { return main && main->viewable; }
};

class Session {
public:
    // The programs a session runs that are not on PATH; empty when all are there.
    static std::vector<std::string> MissingPrograms();

    Session();
    ~Session();
    bool Start(bool withTray = true);

    // The notification-area host started late, or ended, while the session runs.
    bool StartTrayHost() { return display_.StartTray(folder_.path() / "trayer-late.log"); }
    void StopTrayHost() { display_.StopTray(); }

    // The environment of every program of the session.
    std::map<std::string, std::string> Env() const;
    const std::filesystem::path& runtime() const { return runtime_; }
    const Screen& screen() const { return *screen_; }

    // The virtual keyboard, with its factory content, answering after latencyMs; with
    // traceReports it writes down every report it receives (ReportsReceived).
    bool StartKeyboard(bool plugged = true, int latencyMs = 0, bool traceReports = false);
    // The reports the traced keyboard received so far, in hexadecimal, in their order.
    std::vector<std::string> ReportsReceived() const;
    Output Keyboard(const std::vector<std::string>& command) const;
    int HostsConnected() const; // -1 when the virtual keyboard does not answer

    // The program: started in the background, or run to its end.
    Child StartApp(const std::vector<std::string>& arguments = {});
    Output RunApp(const std::vector<std::string>& arguments,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));
    const std::filesystem::path& appFile() const { return appFile_; }
    // Every process that runs the session's copy of the program.
    std::vector<pid_t> AppProcesses() const;

    // The local socket of a copy's main window, and a request that it ignores, answered
    // only once the window's thread has handled what was queued before it.
    std::filesystem::path SocketOf(pid_t pid) const;
    bool Ping(pid_t pid, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

    AppWindows Windows(pid_t pid) const;
    int TrayIcon(pid_t pid) const;

    // Opens the notification-area menu of a copy with a right click on its icon and returns
    // the menu's window once it is on screen.
    std::optional<WindowInfo> OpenTrayMenu(pid_t pid) const;
    // Clicks the row-th item (from 0) of a menu of rows of equal height.
    bool ChooseMenuRow(const WindowInfo& menu, int row, int rows) const;

    // What the programs of the session wrote, for a failing test's report.
    std::string Logs() const;
    // Where each thread of a process that should have ended stands (gdb), and whether its
    // window's thread still answers, for a failing test's report.
    std::string HangReport(pid_t pid) const;

private:
    bool InstallApp();

    TempFolder folder_;
    std::filesystem::path runtime_;
    std::filesystem::path home_;
    std::filesystem::path appFile_;
    std::filesystem::path keyboardSocket_;
    std::vector<std::string> mainCaptions_;
    Display display_;
    std::optional<Screen> screen_;
    Child keyboard_;
    int started_ = 0;
};

} // namespace e2e
