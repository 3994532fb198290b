#pragma once

// Runs the real programs for end-to-end tests: child processes, a private X display with a
// notification-area host, and helpers to wait for what a person would see.

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// How many times slower the programs under test run than a plain build (the sanitizers).
inline constexpr int kSlowdown = BRISVANE_SLOWDOWN;

// The build root, where every program lies.
std::filesystem::path BuildRoot();

// True when the named program is on PATH.
bool HaveProgram(const std::string& name);

class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    ~Child();

    // Starts argv[0] (a path, or a name looked up on PATH) with the environment of this
    // process plus extra. Output goes to logFile when given, else is discarded.
    bool Start(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& extra = {},
               const std::filesystem::path& logFile = {});
    // The exit code once the child ended within timeout (128 + signal for a signal).
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    bool Running();
    void Terminate(std::chrono::milliseconds grace = 2000ms);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct Output {
    int code = -1;
    std::string text;
};
// Runs a command to its end and returns its exit code and standard output; its error output
// is discarded. A command that outlives timeout is killed and reported with code -1.
Output Run(const std::vector<std::string>& argv,
           const std::map<std::string, std::string>& extra = {},
           std::chrono::milliseconds timeout = 10000ms);

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step = 20ms);

// What a file holds (empty when it cannot be read), and how often a text stands in another.
std::string ReadAll(const std::filesystem::path& file);
size_t Count(const std::string& text, const std::string& what);

// A folder of its own, removed with all it holds.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Xvfb on a free display number, and optionally trayer as notification-area host.
class Display {
public:
    ~Display();
    // Returns once the server accepts clients and, with the tray, once trayer owns the
    // system tray selection, so that a program started next finds a notification area.
    // The servers' output goes to logFolder when given.
    bool Start(bool withTray, const std::filesystem::path& logFolder = {});
    const std::string& name() const { return name_; }
    std::map<std::string, std::string> Env() const { return {{"DISPLAY", name_}}; }

    // Starts trayer (again, after StopTray) on the running server; returns once it owns
    // the system tray selection.
    bool StartTray(const std::filesystem::path& log = {});
    void StopTray() { tray_.Terminate(); }

private:
    bool StartServer(const std::filesystem::path& log);
    void Stop();

    Child xvfb_;
    Child tray_;
    std::string name_;
};

} // namespace e2e
