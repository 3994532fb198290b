#include "Harness.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <X11/Xlib.h>

extern char** environ;

namespace e2e {

std::filesystem::path BuildRoot() {
    return BRISVANE_BUILD_ROOT;
}

bool HaveProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

namespace {

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        const size_t eq = entry.find('=');
        if (eq != std::string::npos)
            all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [k, v] : extra)
        all[k] = v;
    std::vector<std::string> out;
    for (const auto& [k, v] : all)
        out.push_back(k + "=" + v);
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

int DecodeStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

Child::Child(Child&& other) noexcept : pid_(other.pid_), status_(other.status_) {
    other.pid_ = -1;
}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        Terminate();
        pid_ = other.pid_;
        status_ = other.status_;
        other.pid_ = -1;
    }
    return *this;
}

Child::~Child() {
    Terminate();
}

bool Child::Start(const std::vector<std::string>& argv,
                  const std::map<std::string, std::string>& extra,
                  const std::filesystem::path& logFile) {
    std::vector<std::string> args = argv;
    std::vector<std::string> env = MergedEnvironment(extra);
    auto argp = Pointers(args);
    auto envp = Pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = logFile.empty() ? "/dev/null" : logFile.string();
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int rc =
        posix_spawnp(&pid_, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    status_.reset();
    if (rc != 0)
        pid_ = -1;
    return rc == 0;
}

std::optional<int> Child::Wait(std::chrono::milliseconds timeout) {
    if (status_)
        return status_;
    if (pid_ < 0)
        return std::nullopt;
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = DecodeStatus(status);
            return status_;
        }
        if (r < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= until)
            return std::nullopt;
        std::this_thread::sleep_for(5ms);
    }
}

bool Child::Running() {
    return pid_ > 0 && !Wait(0ms);
}

void Child::Terminate(std::chrono::milliseconds grace) {
    if (pid_ <= 0 || status_)
        return;
    kill(pid_, SIGTERM);
    if (!Wait(grace)) {
        kill(pid_, SIGKILL);
        Wait(2000ms);
    }
}

Output Run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra,
           std::chrono::milliseconds timeout) {
    Output out;
    int fds[2];
    if (pipe(fds) != 0)
        return out;
    std::vector<std::string> args = argv;
    std::vector<std::string> env = MergedEnvironment(extra);
    auto argp = Pointers(args);
    auto envp = Pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return out;
    }
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    const auto until = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    int status = 0;
    bool done = false;
    while (!done) {
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
            out.text.append(buffer, static_cast<size_t>(n));
        if (waitpid(pid, &status, WNOHANG) == pid) {
            done = true;
            while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
                out.text.append(buffer, static_cast<size_t>(n));
            out.code = DecodeStatus(status);
        } else if (std::chrono::steady_clock::now() >= until) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            done = true;
        } else {
            std::this_thread::sleep_for(2ms);
        }
    }
    close(fds[0]);
    return out;
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

TempFolder::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brisvane-e2e.XXXXXX";
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempFolder::~TempFolder() {
    if (path_.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

namespace {

// True when a client can connect to the display.
bool Connectable(const std::string& display) {
    ::Display* x = XOpenDisplay(display.c_str());
    if (x)
        XCloseDisplay(x);
    return x != nullptr;
}

// True once some client owns the system tray selection of screen 0.
bool TrayOwned(const std::string& display) {
    ::Display* x = XOpenDisplay(display.c_str());
    if (!x)
        return false;
    const Atom selection = XInternAtom(x, "_NET_SYSTEM_TRAY_S0", False);
    const bool owned = XGetSelectionOwner(x, selection) != None;
    XCloseDisplay(x);
    return owned;
}

} // namespace

Display::~Display() {
    Stop();
}

void Display::Stop() {
    tray_.Terminate();
    xvfb_.Terminate();
    name_.clear();
}

bool Display::Start(bool withTray, const std::filesystem::path& logFolder) {
    for (int attempt = 1; attempt <= 5; ++attempt) {
        const auto log = [&](const char* name) {
            return logFolder.empty() ? std::filesystem::path()
                                     : logFolder / (name + std::to_string(attempt) + ".log");
        };
        if (StartServer(log("xvfb")) && WaitUntil([&] { return Connectable(name_); }, 5000ms) &&
            (!withTray || StartTray(log("trayer"))))
            return true;
        Stop();
    }
    return false;
}

bool Display::StartServer(const std::filesystem::path& log) {
    // A number at random from a range of our own rather than the first free one, which
    // every server started with -displayfd alone goes for. Given explicitly, it makes Xvfb
    // hold the display's lock file and refuse a number that is in use.
    static std::mt19937 random(std::random_device{}());
    int number = 0;
    for (int tries = 0; tries < 100 && number == 0; ++tries) {
        const int n = std::uniform_int_distribution<int>(200, 999)(random);
        const std::string s = std::to_string(n);
        if (!std::filesystem::exists("/tmp/.X" + s + "-lock") &&
            !std::filesystem::exists("/tmp/.X11-unix/X" + s))
            number = n;
    }
    if (number == 0)
        return false;
    // Xvfb writes the number to the descriptor once it accepts clients. Without -noreset it
    // resets whenever its last client leaves, and closes the connections that come in
    // meanwhile: each of our short checks would be such a last client.
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(fds[1]);
    const bool started =
        xvfb_.Start({"Xvfb", ":" + std::to_string(number), "-displayfd", fd, "-screen", "0",
                     "1600x1000x24", "-nolisten", "tcp", "-noreset"},
                    {}, log);
    close(fds[1]);
    std::string reported;
    char c;
    while (started && read(fds[0], &c, 1) == 1 && c != '\n')
        reported += c;
    close(fds[0]);
    if (reported != std::to_string(number))
        return false;
    name_ = ":" + reported;
    return true;
}

bool Display::StartTray(const std::filesystem::path& log) {
    if (!tray_.Start({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                      "--height", "32", "--SetDockType", "true", "--transparent", "false"},
                     Env(), log))
        return false;
    return WaitUntil([&] { return TrayOwned(name_) || !tray_.Running(); }, 10000ms, 10ms) &&
           TrayOwned(name_);
}

} // namespace e2e
