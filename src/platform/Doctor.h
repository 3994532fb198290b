#pragma once

// The checks of "brisvane-cli doctor": every reason the keyboard may be out of the program's
// reach, or the program out of the user's, each with the command that mends it.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/KeyboardAccess.h"

namespace platform {

enum class Verdict {
    Ok,
    Problem, // keeps the keyboard or the program from working: the doctor fails
    Note,    // worth knowing, works as well as it can
};

struct Finding {
    std::string id; // "udev-rule", "keyboard", "nodes", "seat", "tray", "session",
                    // "autostart", "documents", "sandbox"
    Verdict verdict = Verdict::Ok;
    std::string summary;
    std::string fix; // shell commands or steps; empty when there is nothing to do
};

// What the session offers for a notification-area icon, as seen from the session's buses.
struct TrayFacts {
    bool busConnected = false;   // a session bus answered
    bool watcher = false;        // org.kde.StatusNotifierWatcher on it
    bool hostRegistered = false; // the watcher says a host shows the items
    bool xDisplay = false;       // an X display could be opened
    bool xembed = false;         // the screen's system tray selection has an owner
};

// Everything the checks read besides the files under root.
struct DoctorFacts {
    std::filesystem::path root = "/";
    uid_t uid = 0;
    std::filesystem::path home;
    std::filesystem::path configHome;              // $XDG_CONFIG_HOME or ~/.config
    std::vector<std::filesystem::path> configDirs; // $XDG_CONFIG_DIRS or /etc/xdg, under root
    std::string sessionType;                       // $XDG_SESSION_TYPE
    bool x11Display = false;                       // $DISPLAY set
    bool waylandDisplay = false;                   // $WAYLAND_DISPLAY set
    std::filesystem::path documentsFolder;         // the program's folder of profile files
    TrayFacts tray;
};

// Fills root, uid and the variables of the environment; the tray and the documents folder
// are left to the caller, which has the session's bus and the desktop's folders.
DoctorFacts FactsFromEnvironment();

std::vector<Finding> Examine(const DoctorFacts& facts);

// The checks about the keyboard's nodes (rule, keyboard, nodes, seat, sandbox), which the
// program also makes when it cannot open a plugged-in keyboard.
std::vector<Finding> ExamineKeyboardAccess(const DoctorFacts& facts, const KeyboardAccess& access);

// 0 when no finding is a problem, 1 otherwise.
int DoctorExitCode(const std::vector<Finding>& findings);

std::string FindingsAsText(const std::vector<Finding>& findings);
std::string FindingsAsJson(const std::vector<Finding>& findings);

// What the program tells the user, once, when the keyboard is plugged in but its nodes
// cannot be opened: empty when that is not so.
std::string BlockedKeyboardAdvice(const DoctorFacts& facts, const KeyboardAccess& access);

} // namespace platform
