// What the program costs while it runs all day: started with "/Start" (window hidden) under
// Xvfb with trayer and the virtual keyboard connected, then looked at in the states a user
// leaves it in.
//
// Usage: bench_rest [SECONDS [SETTLE]]   (default 30 s of idling per state, 2 s of settling)
// Prints how long a second start takes to show the hidden window (after the pause in which
// its pictures are let go, so decoded again), the resident (RSS) and proportional (PSS) memory and
// the anonymous part of it, from /proc/PID/smaps_rollup: hidden after start, shown, shown and
// hidden again, and after each window of the program was opened once and closed. Counts the
// wake-ups (voluntary and involuntary context switches of every thread, /proc/PID/task/*/status)
// over SECONDS with the window hidden and with it shown, and names each thread that woke and where
// it waits, so that the source of any wake-up is visible. The goal is none.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "Session.h"
#include "Shared.h"
#include "ui/SkinSurfacePause.h"

namespace {

using namespace std::chrono_literals;

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

long Field(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? 0 : std::atol(text.c_str() + at + label.size());
}

struct ThreadCount {
    std::string name;
    std::string waitsIn; // the kernel function it sleeps in
    long switches = 0;
};

std::map<int, ThreadCount> Threads(pid_t pid) {
    std::map<int, ThreadCount> threads;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        const std::string status = ReadText(task.path() / "status");
        threads[std::atoi(task.path().filename().c_str())] = {
            ReadText(task.path() / "comm"), ReadText(task.path() / "wchan"),
            Field(status, "voluntary_ctxt_switches:") +
                Field(status, "nonvoluntary_ctxt_switches:")};
    }
    return threads;
}

void PrintMemory(pid_t pid, const char* state) {
    const std::string r = ReadText("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::printf("  %-40s RSS %6.1f MB   PSS %6.1f MB   anonymous %6.1f MB\n", state,
                Field(r, "\nRss:") / 1024.0, Field(r, "\nPss:") / 1024.0,
                Field(r, "\nAnonymous:") / 1024.0);
    std::fflush(stdout);
}

void PrintWakeups(pid_t pid, const char* state, int seconds) {
    const auto before = Threads(pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto after = Threads(pid);
    long total = 0;
    std::string lines;
    for (const auto& [tid, now] : after) {
        const auto was = before.find(tid);
        const long woke = now.switches - (was == before.end() ? 0 : was->second.switches);
        total += woke;
        if (woke == 0)
            continue;
        char line[200];
        std::snprintf(line, sizeof line, "      thread %-8d %-16s waits in %-28s %6ld%s\n", tid,
                      now.name.c_str(), now.waitsIn.c_str(), woke,
                      was == before.end() ? "  (new)" : "");
        lines += line;
    }
    std::printf("  %-40s %6.1f wake-ups per minute (%ld in %d s)\n", state, total * 60.0 / seconds,
                total, seconds);
    std::printf("%s", lines.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const auto settle = std::chrono::seconds(argc > 2 ? std::max(0, std::atoi(argv[2])) : 2);
    const auto fail = [](const char* why) {
        std::fprintf(stderr, "bench_rest: %s\n", why);
        return 1;
    };
    if (const auto missing = e2e::Session::MissingPrograms(); !missing.empty()) {
        std::fprintf(stderr, "bench_rest: needs %s (scripts/deps installs it)\n",
                     missing.front().c_str());
        return 2;
    }
    e2e::Session session;
    if (!session.Start() || !session.StartKeyboard())
        return fail("the display or the keyboard did not start");
    e2e::Child app = session.StartApp({"/Start"});
    const pid_t pid = app.pid();
    if (!e2e::WaitUntil([&] { return session.TrayIcon(pid) == e2e::kIconKeyboard; }, 30s))
        return fail("the keyboard never showed as connected");
    // Start-up's own work (the connection thread, first paints) is not what is measured.
    std::this_thread::sleep_for(settle);

    const auto shownBecomes = [&](bool shown) {
        return e2e::WaitUntil([&] { return session.Windows(pid).MainShown() == shown; }, 20s);
    };
    const auto main = [&] { return *session.Windows(pid).main; };
    const auto click = [&](const e2e::WindowInfo& w, const char* file, const char16_t* key) {
        const ui::SkinRect r = e2e::Layout(file, key);
        session.screen().Click(w.x + r.x + r.w / 2, w.y + r.y + r.h / 2);
    };
    const auto dialogCountBecomes = [&](size_t n) {
        return e2e::WaitUntil([&] { return session.Windows(pid).dialogs.size() == n; }, 20s);
    };
    // A second start asks the running copy to show its window; timed to the window's map.
    const auto show = [&] {
        const auto start = std::chrono::steady_clock::now();
        session.RunApp({});
        const bool shown =
            e2e::WaitUntil([&] { return session.Windows(pid).MainShown(); }, 20s, 1ms);
        std::printf(
            "  %-40s %6.1f ms\n", "second start to the window shown",
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        return shown;
    };
    // Hidden, and left so until the pictures have been let go.
    const auto hide = [&] {
        click(main(), "Main.ini", u"CONTROL_CANCEL");
        const bool hidden = shownBecomes(false);
        std::this_thread::sleep_for(ui::kSurfacesSleepAfter);
        return hidden;
    };
    // Opens a window of the program, waits for it, closes it: its Cancel where it takes the
    // keys for itself, else Escape.
    const auto openAndClose = [&](const std::function<void()>& open, const char* layout) {
        open();
        if (!dialogCountBecomes(1))
            return false;
        std::this_thread::sleep_for(500ms); // drawn
        if (layout)
            click(session.Windows(pid).dialogs.front(), layout, u"CONTROL_CANCEL");
        else
            session.screen().Key("Escape");
        return dialogCountBecomes(0);
    };
    const auto fromWindowMenu = [&](int row) {
        return [&, row] {
            click(main(), "Main.ini", u"CONTROL_MENU");
            e2e::WaitUntil([&] { return !session.Windows(pid).menus.empty(); }, 20s);
            for (int i = 0; i <= row; ++i)
                session.screen().Key("Down");
            session.screen().Key("Return");
        };
    };

    std::printf("brisvane at rest (Xvfb + trayer, virtual keyboard connected), %lld s after "
                "each change, wake-ups over %d s:\n",
                static_cast<long long>(settle.count()), seconds);
    PrintMemory(pid, "hidden after start");
    PrintWakeups(pid, "hidden", seconds);

    if (!show())
        return fail("the window did not open");
    std::this_thread::sleep_for(settle);
    PrintMemory(pid, "shown");
    PrintWakeups(pid, "shown (lighting panel and all)", seconds);

    if (!hide())
        return fail("the window did not hide");
    std::this_thread::sleep_for(settle);
    PrintMemory(pid, "shown, then hidden");

    if (!show())
        return fail("the window did not open again");
    const struct {
        const char* name;
        std::function<void()> open;
        const char* layout; // where its Cancel is, when Escape does not close it
    } windows[] = {
        {"key assignment dialog", [&] { click(main(), "Main.ini", u"KEY_01E"); }, "Composite.ini"},
        {"profile manager", [&] { click(main(), "Main.ini", u"FUNC_PROFILES"); }, nullptr},
        {"firmware update dialog", fromWindowMenu(2), nullptr},
        {"About box", fromWindowMenu(3), nullptr},
    };
    for (const auto& w : windows) {
        if (!openAndClose(w.open, w.layout))
            return fail((std::string("the ") + w.name + " did not open and close").c_str());
        std::this_thread::sleep_for(settle);
        PrintMemory(pid, (std::string("shown, after the ") + w.name).c_str());
    }
    if (!hide())
        return fail("the window did not hide");
    std::this_thread::sleep_for(settle);
    PrintMemory(pid, "every window opened once, hidden");
    PrintWakeups(pid, "hidden again", seconds);

    session.RunApp({"/Kill"});
    app.Wait(30s);
    return 0;
}
