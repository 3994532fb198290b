#include "platform/Doctor.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

namespace fs = std::filesystem;

// udev applies "uaccess" in 73-seat-late.rules: a rule file that sorts after it tags the
// nodes too late.
constexpr const char* kSeatLateRules = "73-seat-late.rules";
constexpr const char* kRuleName = "70-brisvane.rules";
constexpr const char* kSeatRule =
    R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="0c45", ATTRS{idProduct}=="6515", TAG+="uaccess")";
constexpr const char* kGroupRule =
    R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="0c45", ATTRS{idProduct}=="6515", MODE="0660", GROUP="plugdev")";
constexpr const char* kRetrigger = "sudo udevadm control --reload && "
                                   "sudo udevadm trigger --action=add --subsystem-match=hidraw";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(std::string text) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
    text.erase(std::find_if_not(text.rbegin(), text.rend(), blank).base(), text.end());
    return text;
}

std::string Quote(const fs::path& path) {
    std::string quoted = "'";
    for (char c : path.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

bool Access(const fs::path& path, int mode) {
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// "KEY=VALUE" lines (logind's state files), or the entries of one group of a desktop or
// key file when group is given.
std::map<std::string, std::string> ReadKeys(const fs::path& file,
                                            std::optional<std::string> group = std::nullopt) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file);
    bool inGroup = !group;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = group && line == "[" + *group + "]";
            continue;
        }
        const auto equals = line.find('=');
        if (inGroup && equals != std::string::npos)
            keys.emplace(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return keys;
}

// --- the udev rule --------------------------------------------------------------------------

struct RuleState {
    enum Kind { Missing, Late, Seat, Group } kind = Missing;
    fs::path file; // as the system names it
};

RuleState FindRule(const fs::path& root) {
    // udev reads every file name once, from the first of these folders that has it.
    static const char* const kFolders[] = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                           "/usr/local/lib/udev/rules.d", "/usr/lib/udev/rules.d",
                                           "/lib/udev/rules.d"};
    std::map<std::string, fs::path> files;
    for (const char* folder : kFolders)
        for (const auto& entry : Entries(Under(root, folder)))
            if (entry.extension() == ".rules")
                files.emplace(entry.filename().string(), fs::path(folder) / entry.filename());
    RuleState found;
    for (const auto& [name, file] : files) {
        std::ifstream in(Under(root, file));
        for (std::string line; std::getline(in, line);) {
            line = Lower(Trim(line));
            if (line.empty() || line[0] == '#' || line.find("hidraw") == std::string::npos ||
                line.find("0c45") == std::string::npos || line.find("6515") == std::string::npos)
                continue;
            RuleState state{RuleState::Missing, file};
            if (line.find("uaccess") != std::string::npos)
                state.kind = name < kSeatLateRules ? RuleState::Seat : RuleState::Late;
            else if (line.find("mode=") != std::string::npos ||
                     line.find("group=") != std::string::npos)
                state.kind = RuleState::Group;
            else
                continue;
            // A rule that works beats one that does not.
            if (found.kind == RuleState::Missing || found.kind == RuleState::Late)
                found = state;
        }
    }
    return found;
}

std::string InstallRuleCommand() {
    return std::string("echo '") + kSeatRule + "' | sudo tee /etc/udev/rules.d/" + kRuleName +
           " && " + kRetrigger;
}

std::string GroupRuleCommand() {
    return std::string("echo '") + kGroupRule +
           "' | sudo tee /etc/udev/rules.d/70-brisvane-group.rules && sudo usermod -aG plugdev "
           "\"$USER\" && " +
           kRetrigger + "\n(then log out and in again, so that the group applies)";
}

Finding CheckRule(const RuleState& rule) {
    Finding f{"udev-rule", Verdict::Ok, {}, {}};
    switch (rule.kind) {
    case RuleState::Seat:
        f.summary = "udev rule " + rule.file.string() +
                    " gives the user at the seat the keyboard's nodes (uaccess)";
        break;
    case RuleState::Group:
        f.summary = "udev rule " + rule.file.string() + " gives a group the keyboard's nodes";
        break;
    case RuleState::Late: {
        f.verdict = Verdict::Problem;
        f.summary = "udev rule " + rule.file.string() + " tags the nodes \"uaccess\" after " +
                    kSeatLateRules + " has run, so it has no effect: its number must be below 73";
        const bool packaged =
            rule.file.string().starts_with("/usr/") || rule.file.string().starts_with("/lib/");
        f.fix = std::string(packaged ? "sudo cp " : "sudo mv ") + Quote(rule.file) +
                " /etc/udev/rules.d/" + kRuleName + " && " + kRetrigger;
        break;
    }
    case RuleState::Missing:
        f.verdict = Verdict::Problem;
        f.summary = "no udev rule gives users the keyboard's nodes (USB 0C45:6515): only root "
                    "may open them";
        f.fix = InstallRuleCommand();
        break;
    }
    return f;
}

// --- the login seat -------------------------------------------------------------------------

struct SeatState {
    bool logind = false;     // logind keeps seats
    bool active = false;     // a session of the user on a seat is the active one
    std::string sessionId;   // the user's session on a seat, active or not
    std::string sessionType; // its TYPE (x11, wayland, tty)
};

SeatState FindSeat(const fs::path& root, uid_t uid) {
    SeatState seat;
    seat.logind = Exists(Under(root, "/run/systemd/seats"));
    for (const auto& file : Entries(Under(root, "/run/systemd/sessions"))) {
        if (file.extension() == ".ref")
            continue;
        auto keys = ReadKeys(file);
        if (keys["UID"] != std::to_string(uid) || keys["SEAT"].empty())
            continue;
        const bool active = keys["ACTIVE"] == "1";
        if (seat.sessionId.empty() || (active && !seat.active)) {
            seat.sessionId = file.filename().string();
            seat.sessionType = keys["TYPE"];
        }
        seat.active = seat.active || active;
    }
    return seat;
}

Finding CheckSeat(const SeatState& seat, const RuleState& rule, const KeyboardAccess& access) {
    Finding f{"seat", Verdict::Ok, {}, {}};
    if (seat.active) {
        f.summary = "session " + seat.sessionId +
                    " at the seat is active: udev gives it the nodes of the \"uaccess\" rule";
        return f;
    }
    f.summary = !seat.logind ? "no login seats (logind does not run): a \"uaccess\" rule gives "
                               "nobody the keyboard's nodes"
                : !seat.sessionId.empty()
                    ? "this user's session " + seat.sessionId +
                          " at the seat is not the active one: the nodes belong to the active "
                          "session's user"
                    : "this user has no session at a seat (logged in over ssh or a service?): a "
                      "\"uaccess\" rule gives the nodes only to the user at the seat";
    if (access.Reachable() || rule.kind == RuleState::Group) {
        f.verdict = Verdict::Note;
        f.summary += access.Reachable() ? "; the nodes are reachable another way"
                                        : "; a group rule gives the nodes instead";
        return f;
    }
    f.verdict = Verdict::Problem;
    if (seat.logind && !seat.sessionId.empty())
        f.fix = "loginctl activate " + seat.sessionId + "\nor let a group have the nodes:\n";
    else if (seat.logind)
        f.fix = "log in on the desktop of this computer, or let a group have the nodes:\n";
    f.fix += GroupRuleCommand();
    return f;
}

// --- the keyboard and its nodes ---------------------------------------------------------------

struct SandboxState {
    bool flatpak = false;
    bool devices = false; // the sandbox lets the program see every device
    std::string app;
};

SandboxState FindSandbox(const fs::path& root) {
    SandboxState box;
    const fs::path info = Under(root, "/.flatpak-info");
    box.flatpak = Exists(info);
    if (!box.flatpak)
        return box;
    box.app = ReadKeys(info, "Application")["name"];
    const std::string devices = ReadKeys(info, "Context")["devices"];
    size_t start = 0;
    while (start <= devices.size()) {
        const size_t end = std::min(devices.find(';', start), devices.size());
        box.devices = box.devices || devices.substr(start, end - start) == "all";
        start = end + 1;
    }
    return box;
}

std::string SandboxFix(const SandboxState& box) {
    return "flatpak override --user --device=all " + (box.app.empty() ? "APP-ID" : box.app) +
           "\n(then start the program again)";
}

Finding CheckSandbox(const SandboxState& box) {
    Finding f{"sandbox", Verdict::Ok, "not in a sandbox", {}};
    if (!box.flatpak)
        return f;
    if (box.devices) {
        f.summary = "in a Flatpak sandbox that shows every device";
        return f;
    }
    f.verdict = Verdict::Problem;
    f.summary = "in a Flatpak sandbox that hides /dev/hidraw*: the keyboard cannot be reached";
    f.fix = SandboxFix(box);
    return f;
}

Finding CheckKeyboard(const KeyboardAccess& access) {
    Finding f{"keyboard", Verdict::Ok, {}, {}};
    if (!access.Present()) {
        f.verdict = Verdict::Problem;
        f.summary = "no keyboard USB 0C45:6515 is plugged in";
        f.fix = "plug the keyboard in (\"lsusb -d 0c45:6515\" lists it once the system sees it); "
                "try another port or cable";
    } else if (access.nodes.empty()) {
        f.verdict = Verdict::Problem;
        f.summary = "the keyboard is on USB, but the kernel made no hidraw node for it";
        f.fix = "sudo modprobe hidraw; sudo modprobe usbhid\nthen plug the keyboard in again "
                "(\"sudo dmesg\" tells what the kernel thought of it)";
    } else {
        f.summary = "the keyboard USB 0C45:6515 is plugged in";
    }
    return f;
}

Finding CheckNodes(const KeyboardAccess& access, const RuleState& rule, const SeatState& seat,
                   const SandboxState& box) {
    Finding f{"nodes", Verdict::Ok, {}, {}};
    if (access.nodes.empty()) {
        f.verdict = Verdict::Note;
        f.summary = "no hidraw node of the keyboard to check";
        return f;
    }
    if (access.Reachable()) {
        std::string all;
        for (const auto& node : access.nodes)
            all += (all.empty() ? "" : ", ") + node.device;
        f.summary = all + ": this user may read and write them";
        return f;
    }
    f.verdict = Verdict::Problem;
    std::string why;
    for (const auto& node : access.nodes) {
        if (node.Open())
            continue;
        const char* what = !node.exists     ? "missing"
                           : !node.readable ? (node.writable ? "not readable"
                                                             : "not readable "
                                                               "or writable")
                                            : "not writable";
        why += (why.empty() ? "" : ", ") + node.device + " " + what;
    }
    f.summary = "this user cannot open the keyboard's nodes: " + why;
    if (box.flatpak && !box.devices)
        f.fix = SandboxFix(box);
    else if (rule.kind == RuleState::Missing || rule.kind == RuleState::Late)
        f.fix = InstallRuleCommand();
    else if (rule.kind == RuleState::Seat && !seat.active)
        f.fix = "see \"seat\" below: " +
                std::string(seat.logind ? "make your session at the seat "
                                          "the active one, or "
                                        : "") +
                "let a group have the nodes";
    else if (rule.kind == RuleState::Group)
        f.fix = "sudo usermod -aG plugdev \"$USER\" && " + std::string(kRetrigger) +
                "\n(then log out and in again; the rule's group must be one of yours)";
    else
        f.fix = std::string(kRetrigger) + "\n(or plug the keyboard in again)";
    return f;
}

// --- the desktop ----------------------------------------------------------------------------

Finding CheckTray(const TrayFacts& tray) {
    Finding f{"tray", Verdict::Ok, {}, {}};
    if (tray.watcher && tray.hostRegistered) {
        f.summary = "a StatusNotifierWatcher with a host is on the session bus: the icon shows "
                    "in the notification area";
        return f;
    }
    if (tray.xembed) {
        f.summary = "an XEmbed notification area holds the X display's system tray";
        return f;
    }
    f.verdict = Verdict::Problem;
    const std::string appIndicator =
        "on GNOME: sudo apt install gnome-shell-extension-appindicator, log out and in, then "
        "gnome-extensions enable ubuntu-appindicators@ubuntu.com\nelsewhere: add the "
        "notification area (system tray) to the panel";
    if (!tray.busConnected && !tray.xDisplay) {
        f.summary = "no session bus and no X display: the doctor does not run in the desktop "
                    "session";
        f.fix = "run \"brisvane-cli doctor\" in a terminal of the desktop";
    } else if (tray.watcher) {
        f.summary = "a StatusNotifierWatcher is on the session bus, but no host shows its items: "
                    "the program opens its window instead of an icon";
        f.fix = appIndicator;
    } else {
        f.summary = "no notification area (no StatusNotifierWatcher on the session bus, no XEmbed "
                    "system tray): the program opens its window instead of an icon";
        f.fix = appIndicator;
    }
    return f;
}

Finding CheckSession(const DoctorFacts& facts, const SeatState& seat) {
    Finding f{"session", Verdict::Ok, {}, {}};
    std::string type = Lower(facts.sessionType);
    if (type.empty())
        type = facts.waylandDisplay ? "wayland"
               : facts.x11Display   ? "x11"
                                    : Lower(seat.sessionType);
    if (type == "x11") {
        f.summary = "X11 session: key capture grabs the keyboard, so Super, Menu, Print Screen, "
                    "Alt+F4 and Alt+Tab are captured";
    } else if (type == "wayland") {
        f.verdict = Verdict::Note;
        f.summary = "Wayland session: key capture gets only the keys the compositor gives the "
                    "window (not Super, Alt+Tab, Print Screen or the desktop's shortcuts)";
        f.fix = "to capture those keys too, choose an X11 session at the login screen (such as "
                "\"GNOME on Xorg\")";
    } else {
        f.verdict = Verdict::Note;
        f.summary = "no graphical session (" + (type.empty() ? std::string("none") : type) +
                    "): the program needs the desktop";
        f.fix = "run the program and the doctor in the desktop session";
    }
    return f;
}

Finding CheckAutostart(const DoctorFacts& facts) {
    Finding f{"autostart", Verdict::Ok, {}, {}};
    const fs::path user = facts.configHome / "autostart" / "brisvane.desktop";
    const std::string write =
        "mkdir -p " + Quote(user.parent_path()) +
        " && printf '[Desktop Entry]\\nType=Application\\nName=Brisvane\\nExec=brisvane "
        "/Start\\nIcon=brisvane\\n' > " +
        Quote(user);
    std::vector<fs::path> candidates{user};
    for (const auto& dir : facts.configDirs)
        candidates.push_back(dir / "autostart" / "brisvane.desktop");
    const auto entry = std::find_if(candidates.begin(), candidates.end(),
                                    [](const fs::path& p) { return Exists(p); });
    if (entry == candidates.end()) {
        f.verdict = Verdict::Problem;
        f.summary = "no autostart entry: the program does not start at login";
        f.fix = write;
        return f;
    }
    auto keys = ReadKeys(*entry, "Desktop Entry");
    if (Lower(keys["Hidden"]) == "true" || Lower(keys["X-GNOME-Autostart-enabled"]) == "false") {
        f.verdict = Verdict::Note;
        f.summary = entry->string() + " turns the start at login off";
        // Removing the user's own entry brings the system's back, where there is one.
        const bool systemEntry = std::any_of(candidates.begin() + 1, candidates.end(),
                                             [](const fs::path& p) { return Exists(p); });
        f.fix = *entry == user && systemEntry ? "rm " + Quote(user) : write;
        return f;
    }
    const std::string exec = keys["Exec"];
    if (exec.find("brisvane") == std::string::npos || exec.find("/Start") == std::string::npos) {
        f.verdict = Verdict::Problem;
        f.summary = entry->string() + " does not start \"brisvane /Start\" (Exec=" + exec + ")";
        f.fix = write;
        return f;
    }
    f.summary = entry->string() + " starts the program hidden at login";
    return f;
}

Finding CheckDocuments(const DoctorFacts& facts) {
    Finding f{"documents", Verdict::Ok, {}, {}};
    const fs::path& folder = facts.documentsFolder;
    if (folder.empty()) {
        f.verdict = Verdict::Problem;
        f.summary = "no documents folder (HOME is not set)";
        f.fix = "run the program as a user with a home folder";
        return f;
    }
    std::error_code error;
    if (fs::exists(folder, error)) {
        if (fs::is_directory(folder, error) && Access(folder, W_OK | X_OK)) {
            f.summary = folder.string() + " keeps the profile files and the snapshot";
            return f;
        }
        f.verdict = Verdict::Problem;
        f.summary = folder.string() + " cannot be written by this user: profile files and the "
                                      "snapshot are not kept";
        f.fix = "sudo chown -R \"$USER\": " + Quote(folder) + " && chmod u+rwx " + Quote(folder);
        return f;
    }
    fs::path parent = folder.parent_path();
    while (!parent.empty() && parent != parent.root_path() && !fs::exists(parent, error))
        parent = parent.parent_path();
    if (Access(parent, W_OK | X_OK)) {
        f.summary = folder.string() + " is made at the first save";
        return f;
    }
    f.verdict = Verdict::Problem;
    f.summary =
        folder.string() + " cannot be made: " + parent.string() + " cannot be written by this user";
    f.fix = "sudo mkdir -p " + Quote(folder) + " && sudo chown \"$USER\": " + Quote(folder);
    return f;
}

const char* VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Ok:
        return "ok";
    case Verdict::Problem:
        return "problem";
    case Verdict::Note:
        return "note";
    }
    return "?";
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

DoctorFacts FactsFromEnvironment() {
    DoctorFacts facts;
    facts.root = SystemRoot();
    facts.uid = ::geteuid();
    facts.home = Env("HOME");
    const fs::path configHome = Env("XDG_CONFIG_HOME");
    facts.configHome = configHome.is_absolute() ? configHome : facts.home / ".config";
    const std::string dirs = Env("XDG_CONFIG_DIRS");
    size_t start = 0;
    while (start < dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        if (const fs::path dir = dirs.substr(start, end - start); dir.is_absolute())
            facts.configDirs.push_back(dir);
        start = end + 1;
    }
    if (facts.configDirs.empty())
        facts.configDirs.push_back(Under(facts.root, "/etc/xdg"));
    facts.sessionType = Env("XDG_SESSION_TYPE");
    facts.x11Display = !Env("DISPLAY").empty();
    facts.waylandDisplay = !Env("WAYLAND_DISPLAY").empty();
    return facts;
}

std::vector<Finding> ExamineKeyboardAccess(const DoctorFacts& facts, const KeyboardAccess& access) {
    const RuleState rule = FindRule(facts.root);
    const SeatState seat = FindSeat(facts.root, facts.uid);
    const SandboxState box = FindSandbox(facts.root);
    return {CheckRule(rule), CheckKeyboard(access), CheckNodes(access, rule, seat, box),
            CheckSeat(seat, rule, access), CheckSandbox(box)};
}

std::vector<Finding> Examine(const DoctorFacts& facts) {
    std::vector<Finding> findings = ExamineKeyboardAccess(facts, ProbeKeyboardAccess(facts.root));
    const SeatState seat = FindSeat(facts.root, facts.uid);
    findings.push_back(CheckTray(facts.tray));
    findings.push_back(CheckSession(facts, seat));
    findings.push_back(CheckAutostart(facts));
    findings.push_back(CheckDocuments(facts));
    return findings;
}

int DoctorExitCode(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.verdict == Verdict::Problem; })
               ? 1
               : 0;
}

std::string FindingsAsText(const std::vector<Finding>& findings) {
    std::string text;
    size_t problems = 0;
    for (const Finding& f : findings) {
        const char* mark = f.verdict == Verdict::Ok        ? "[ ok ] "
                           : f.verdict == Verdict::Problem ? "[FAIL] "
                                                           : "[note] ";
        problems += f.verdict == Verdict::Problem;
        std::string id = f.id;
        id.resize(std::max<size_t>(id.size(), 10), ' ');
        text += mark + id + " " + f.summary + "\n";
        if (f.fix.empty())
            continue;
        std::string indent = "       fix: ";
        size_t start = 0;
        while (start < f.fix.size()) {
            const size_t end = std::min(f.fix.find('\n', start), f.fix.size());
            text += indent + f.fix.substr(start, end - start) + "\n";
            indent = "            ";
            start = end + 1;
        }
    }
    text += problems == 0 ? "All is well.\n"
                          : std::to_string(problems) + (problems == 1 ? " problem" : " problems") +
                                " keep the keyboard or the program from working.\n";
    return text;
}

std::string FindingsAsJson(const std::vector<Finding>& findings) {
    std::string json = "{\"ok\":";
    json += DoctorExitCode(findings) == 0 ? "true" : "false";
    json += ",\"checks\":[";
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        json += (i ? ",\n" : "\n");
        json += "{\"check\":" + JsonString(f.id) + ",\"status\":\"" + VerdictName(f.verdict) +
                "\",\"summary\":" + JsonString(f.summary) + ",\"fix\":" + JsonString(f.fix) + "}";
    }
    return json + "\n]}\n";
}

std::string BlockedKeyboardAdvice(const DoctorFacts& facts, const KeyboardAccess& access) {
    if (!access.Present() || access.Reachable())
        return {};
    std::string text = access.nodes.empty()
                           ? "The keyboard is plugged in, but the system made no hidraw node for "
                             "it."
                           : "The keyboard is plugged in, but this user may not open " +
                                 access.BlockedNodes() + ".";
    for (const Finding& f : ExamineKeyboardAccess(facts, access)) {
        if (f.verdict != Verdict::Problem || (f.id == "keyboard" && !access.nodes.empty()))
            continue;
        text += "\n\n" + f.summary + ".";
        if (!f.fix.empty())
            text += "\nTo mend it, run in a terminal:\n" + f.fix;
    }
    text += "\n\n\"brisvane-cli doctor\" checks everything the program needs.";
    return text;
}

} // namespace platform
