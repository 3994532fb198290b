#include "Session.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/MainWindowChannel.h"
#include "support/VirtualKeyboard.h"
#include "ui/IniFile.h"
#include "ui/Utf.h"

namespace e2e {

namespace fs = std::filesystem;

int IconIn(const Picture& picture) {
    int green = 0; // the connected keyboard's light
    int dark = 0;  // the keyboard's body
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        const int r = picture.rgb[i], g = picture.rgb[i + 1], b = picture.rgb[i + 2];
        if (g >= 170 && r <= 110 && b <= 150 && g - r >= 80)
            ++green;
        if (r < 70 && g < 70 && b < 80)
            ++dark;
    }
    if (dark < 10)
        return kNoIcon;
    return green >= 4 ? kIconKeyboard : kIconNoKeyboard;
}

std::vector<std::string> Session::MissingPrograms() {
    std::vector<std::string> missing;
    for (const char* program : {"Xvfb", "trayer", "xdotool", "xwininfo", "xprop", "xev", "import"})
        if (!HaveProgram(program))
            missing.push_back(program);
    return missing;
}

Session::Session() = default;

Session::~Session() {
    if (keyboard_.pid() > 0)
        ExpectNoViolations(BuildRoot() / "olvask-vkbd", keyboardSocket_);
    keyboard_.Terminate();
}

bool Session::Start(bool withTray) {
    if (folder_.path().empty())
        return false;
    runtime_ = folder_.path() / "runtime";
    home_ = folder_.path() / "home";
    keyboardSocket_ = runtime_ / "vkbd.sock";
    std::error_code ec;
    fs::create_directories(runtime_, ec);
    fs::create_directories(home_, ec);
    if (ec || ::chmod(runtime_.c_str(), 0700) != 0)
        return false;
    if (!InstallApp())
        return false;

    const fs::path language = BuildRoot() / "Skins" / "language.ini";
    mainCaptions_ = {"Gaming Keyboard Settings"};
    for (const char16_t* section : {u"ENGINSH", u"CHINESE"})
        if (const auto caption =
                ui::FindPrivateProfileString(section, u"MAIN_CAPTION", 260, language))
            mainCaptions_.push_back(ui::ToUtf8(*caption));

    if (!display_.Start(withTray, folder_.path()))
        return false;
    screen_.emplace(Env());
    return true;
}

bool Session::InstallApp() {
    // The program finds its library, skin and help beside its own file.
    const fs::path folder = folder_.path() / "app";
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (const char* entry : {"libolvask.so", "Skins", "Help", "Package"})
        if (fs::exists(BuildRoot() / entry))
            fs::create_symlink(BuildRoot() / entry, folder / entry, ec);
    // The folder's own unique suffix makes the name unique.
    const std::string folderName = folder_.path().filename().string();
    appFile_ = folder / ("brisvane-e2e-" + folderName.substr(folderName.rfind('.') + 1));
    fs::create_hard_link(BuildRoot() / "brisvane", appFile_, ec);
    if (ec) {
        ec.clear();
        fs::copy_file(BuildRoot() / "brisvane", appFile_, ec);
    }
    return !ec;
}

std::map<std::string, std::string> Session::Env() const {
    auto env = display_.Env();
    env["XDG_RUNTIME_DIR"] = runtime_.string();
    env["HOME"] = home_.string();
    env["XDG_CONFIG_HOME"] = (home_ / ".config").string();
    env["XDG_DATA_HOME"] = (home_ / ".local/share").string();
    env["XDG_STATE_HOME"] = (home_ / ".local/state").string();
    env["XDG_CACHE_HOME"] = (home_ / ".cache").string();
    env["OLVASK_BACKEND"] = "sim";
    env["OLVASK_VKBD_SOCKET"] = keyboardSocket_.string();
    env["QT_QPA_PLATFORM"] = "xcb";
    // No session bus: the icon is an XEmbed one in trayer, whatever the desktop around runs.
    env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (runtime_ / "no-bus").string();
    env["LC_ALL"] = "C.UTF-8";
    return env;
}

bool Session::StartKeyboard(bool plugged, int latencyMs, bool traceReports) {
    std::vector<std::string> argv = {(BuildRoot() / "olvask-vkbd").string(),
                                     "serve",
                                     "--socket",
                                     keyboardSocket_.string(),
                                     "--state",
                                     (folder_.path() / "vkbd.state").string(),
                                     "--latency",
                                     std::to_string(latencyMs),
                                     "--reset"};
    if (!plugged)
        argv.push_back("--unplugged");
    if (traceReports)
        argv.push_back("--verbose");
    if (!keyboard_.Start(argv, Env(), folder_.path() / "keyboard.log"))
        return false;
    return WaitUntil([&] { return HostsConnected() >= 0; }, std::chrono::seconds(10));
}

std::vector<std::string> Session::ReportsReceived() const {
    std::vector<std::string> reports;
    std::istringstream log(ReadAll(folder_.path() / "keyboard.log"));
    for (std::string line; std::getline(log, line);)
        if (line.rfind("-> ", 0) == 0)
            reports.push_back(line.substr(3));
    return reports;
}

Output Session::Keyboard(const std::vector<std::string>& command) const {
    std::vector<std::string> argv = {(BuildRoot() / "olvask-vkbd").string(), "--socket",
                                     keyboardSocket_.string()};
    argv.insert(argv.end(), command.begin(), command.end());
    return Run(argv, Env());
}

int Session::HostsConnected() const {
    const Output status = Keyboard({"status"});
    constexpr std::string_view label = "hosts connected:";
    const size_t at = status.text.find(label);
    if (status.code != 0 || at == std::string::npos)
        return -1;
    return std::atoi(status.text.c_str() + at + label.size());
}

Child Session::StartApp(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {appFile_.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Child child;
    child.Start(argv, Env(), folder_.path() / ("app-" + std::to_string(++started_) + ".log"));
    return child;
}

Output Session::RunApp(const std::vector<std::string>& arguments,
                       std::chrono::milliseconds timeout) {
    std::vector<std::string> argv = {appFile_.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return Run(argv, Env(), timeout);
}

std::vector<pid_t> Session::AppProcesses() const {
    std::vector<pid_t> pids;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        pid_t pid = 0;
        const auto [end, err] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (err != std::errc() || end != name.data() + name.size())
            continue;
        std::error_code linkError;
        if (fs::read_symlink(entry.path() / "exe", linkError) == appFile_)
            pids.push_back(pid);
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

fs::path Session::SocketOf(pid_t pid) const {
    return runtime_ / "brisvane" / ("main-" + std::to_string(pid));
}

bool Session::Ping(pid_t pid, std::chrono::milliseconds timeout) const {
    const std::string path = SocketOf(pid).string();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return false;
    path.copy(addr.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool answered = false;
    // No window message is 0: the window reads the request, ignores it and answers.
    const auto request = platform::EncodeRequest({0, 0});
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        uint8_t answer[8]; // the acknowledgement, then the answer
        size_t got = 0;
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (got < sizeof answer) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            const ssize_t r = ::recv(fd, answer + got, sizeof answer - got, 0);
            if (r <= 0)
                break;
            got += static_cast<size_t>(r);
        }
        answered = got == sizeof answer;
    }
    ::close(fd);
    return answered;
}

AppWindows Session::Windows(pid_t pid) const {
    AppWindows found;
    for (const WindowInfo& w : screen_->WindowsOf(pid)) {
        const bool isMain =
            w.topLevel && !w.overrideRedirect &&
            std::find(mainCaptions_.begin(), mainCaptions_.end(), w.name) != mainCaptions_.end();
        if (isMain) {
            found.main = w;
        } else if (!w.topLevel) {
            if (w.viewable)
                found.tray = w;
        } else if (w.viewable && w.overrideRedirect) {
            // Qt's menus carry no menu type here; its tool tips do carry theirs.
            if (screen_->WindowType(w.id) != "TOOLTIP")
                found.menus.push_back(w);
        } else if (w.viewable) {
            found.dialogs.push_back(w);
        }
    }
    return found;
}

int Session::TrayIcon(pid_t pid) const {
    const AppWindows windows = Windows(pid);
    if (!windows.tray)
        return kNoIcon;
    const auto picture = screen_->Capture(*windows.tray);
    return picture ? IconIn(*picture) : kNoIcon;
}

std::optional<WindowInfo> Session::OpenTrayMenu(pid_t pid) const {
    const AppWindows before = Windows(pid);
    if (!before.tray)
        return std::nullopt;
    const WindowInfo& icon = *before.tray;
    std::optional<WindowInfo> menu;
    // A click that reaches the tray while it is still busy with the icon's last change can be
    // lost on a loaded machine; a person would click once more.
    for (int attempt = 0; attempt < 2 && !menu; ++attempt) {
        if (!screen_->Click(icon.x + icon.width / 2, icon.y + icon.height / 2, 3))
            return std::nullopt;
        WaitUntil(
            [&] {
                const AppWindows now = Windows(pid);
                if (!now.menus.empty())
                    menu = now.menus.front();
                return menu.has_value();
            },
            std::chrono::seconds(5));
    }
    return menu;
}

bool Session::ChooseMenuRow(const WindowInfo& menu, int row, int rows) const {
    return screen_->Click(menu.x + menu.width / 2,
                          menu.y + menu.height * (2 * row + 1) / (2 * rows));
}

std::string Session::Logs() const {
    std::ostringstream all;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder_.path(), ec)) {
        if (entry.path().extension() != ".log")
            continue;
        // Read whole: streaming an empty file's buffer would fail the stream and silence
        // every log after it.
        all << "--- " << entry.path().filename().string() << "\n" << ReadAll(entry.path()) << "\n";
    }
    return all.str();
}

std::string Session::HangReport(pid_t pid) const {
    std::string report = std::string("--- process ") + std::to_string(pid) + ": window thread " +
                         (Ping(pid, 2s) ? "answers" : "does not answer") + "\n";
    if (!HaveProgram("gdb"))
        return report + "(no gdb for the threads' stacks)\n";
    return report +
           Run({"gdb", "-p", std::to_string(pid), "-batch", "-nx", "-ex", "thread apply all bt 30"},
               {}, 60s)
               .text;
}

} // namespace e2e
