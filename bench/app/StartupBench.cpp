// How long the program takes to come up with the keyboard present, under Xvfb with trayer.
//
// Usage: bench_startup [RUNS]   (default 7)
// Each run has a display, notification area and virtual keyboard of its own. It prints, from
// starting the process: the icon shown in the notification area (mapped inside trayer), the
// main window mapped (it opens by itself when the keyboard is there), and how long "/Kill"
// takes until the process has ended; then the median, the fastest and the slowest run.

#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <poll.h>
#include <string>
#include <vector>

#include "Session.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// Watches the root window's children from before the program starts: the first window of
// normal kind mapped on the root is the main window; a window moved into another one is the
// icon being docked, shown once it is mapped there.
class ArrivalWatch {
public:
    ~ArrivalWatch() {
        if (x_)
            XCloseDisplay(x_);
    }

    bool Open(const std::string& display) {
        x_ = XOpenDisplay(display.c_str());
        if (!x_)
            return false;
        root_ = DefaultRootWindow(x_);
        XSelectInput(x_, root_, SubstructureNotifyMask);
        XSync(x_, False);
        return true;
    }

    // Runs until both arrived or the time is up.
    void Wait(Clock::time_point start, std::chrono::seconds limit) {
        const auto until = Clock::now() + limit;
        while ((!tray || !window) && Clock::now() < until) {
            if (!XPending(x_)) {
                pollfd p{ConnectionNumber(x_), POLLIN, 0};
                poll(&p, 1, 50);
                continue;
            }
            XEvent e;
            XNextEvent(x_, &e);
            const auto now = Ms(Clock::now() - start).count();
            if (e.type == MapNotify && e.xmap.event == root_ && !e.xmap.override_redirect &&
                !window) {
                window = now;
            } else if (e.type == ReparentNotify && e.xreparent.parent != root_ && !docked_) {
                docked_ = e.xreparent.window;
                XSelectInput(x_, docked_, StructureNotifyMask);
                XWindowAttributes a;
                if (XGetWindowAttributes(x_, docked_, &a) && a.map_state == IsViewable)
                    tray = now;
            } else if (e.type == MapNotify && e.xmap.window == docked_ && docked_ && !tray) {
                tray = now;
            }
        }
    }

    std::optional<double> tray;
    std::optional<double> window;

private:
    ::Display* x_ = nullptr;
    Window root_ = 0;
    Window docked_ = 0;
};

struct Figures {
    std::vector<double> tray, window, exit;
};

void Print(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("  %-34s no result\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("  %-34s median %7.1f ms   min %7.1f   max %7.1f   (%zu runs)\n", what,
                values[values.size() / 2], values.front(), values.back(), values.size());
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    if (const auto missing = e2e::Session::MissingPrograms(); !missing.empty()) {
        std::fprintf(stderr, "bench_startup: needs %s (scripts/deps installs it)\n",
                     missing.front().c_str());
        return 2;
    }
    Figures f;
    for (int run = 0; run < runs; ++run) {
        e2e::Session session;
        ArrivalWatch watch;
        if (!session.Start() || !session.StartKeyboard() ||
            !watch.Open(session.Env().at("DISPLAY"))) {
            std::fprintf(stderr, "bench_startup: the display or the keyboard did not start\n");
            return 1;
        }
        const auto start = Clock::now();
        e2e::Child app = session.StartApp();
        watch.Wait(start, std::chrono::seconds(30));
        if (watch.tray)
            f.tray.push_back(*watch.tray);
        if (watch.window)
            f.window.push_back(*watch.window);
        std::printf("run %d: icon %s ms, window %s ms", run + 1,
                    watch.tray ? std::to_string(int(*watch.tray)).c_str() : "-",
                    watch.window ? std::to_string(int(*watch.window)).c_str() : "-");

        const auto kill = Clock::now();
        session.RunApp({"/Kill"});
        if (app.Wait(std::chrono::seconds(30)) == 0) {
            f.exit.push_back(Ms(Clock::now() - kill).count());
            std::printf(", /Kill to exit %d ms\n", int(f.exit.back()));
        } else {
            std::printf(", did not end after /Kill\n");
        }
    }
    std::printf("Start-up of brisvane with the keyboard present (Xvfb + trayer):\n");
    Print("start to icon in the tray", f.tray);
    Print("start to main window mapped", f.window);
    Print("/Kill started to process ended", f.exit);
    return f.tray.size() == static_cast<size_t>(runs) && f.window.size() == f.tray.size() ? 0 : 1;
}
