#pragma once

// What a person sees on an X display and what they do with mouse and keys, through the
// command-line tools xdotool, xwininfo, xprop and import.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "Harness.h"

namespace e2e {

using WindowId = unsigned long;

struct WindowInfo {
    WindowId id = 0;
    std::string name;
    bool topLevel = false; // a child of the root window, not embedded in another program
    bool viewable = false;
    bool overrideRedirect = false;
    int x = 0; // screen coordinates of the upper-left corner
    int y = 0;
    int width = 0;
    int height = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // width * height * 3 bytes, row by row
};

class Screen {
public:
    explicit Screen(std::map<std::string, std::string> env) : env_(std::move(env)) {}

    // Every window of the process that carries its pid, mapped or not.
    std::vector<WindowInfo> WindowsOf(pid_t pid) const;
    std::optional<WindowInfo> Describe(WindowId id) const;
    // The children of the root window, the top-most first.
    std::vector<WindowId> Stacking() const;
    WindowId Focused() const;
    // _NET_WM_WINDOW_TYPE without its prefix, such as "POPUP_MENU" or "TOOLTIP".
    std::string WindowType(WindowId id) const;

    bool Click(int x, int y, int button = 1, int count = 1) const;
    bool Focus(WindowId id) const;
    bool MoveTo(int x, int y) const;
    bool Key(const std::string& key) const;
    std::optional<Picture> Capture(const WindowInfo& window) const;

    const std::map<std::string, std::string>& env() const { return env_; }

private:
    std::map<std::string, std::string> env_;
};

// What happens to the root window's children (created, mapped, reparented into another
// program, destroyed), as xev reports it: how a test sees that a program put nothing on
// screen.
class RootEvents {
public:
    // Returns once xev reports events.
    bool Start(const Screen& screen, const std::filesystem::path& log);
    // Returns once every event the server sent before this call is in the log.
    bool Sync();
    // Events of a kind ("MapNotify", "CreateNotify", ...), of one window or of any (0).
    int Count(const std::string& kind, WindowId window = 0) const;

private:
    bool Mark();
    int Marks() const;

    const Screen* screen_ = nullptr;
    std::filesystem::path log_;
    Child xev_;
};

} // namespace e2e
