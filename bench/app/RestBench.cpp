// How often the idle program wakes up: started with "/Start" (window hidden) under Xvfb with
// trayer and the virtual keyboard connected, then left alone.
//
// Usage: bench_idle_wakeups [SECONDS [SETTLE]]   (default 60 s, after 2 s of settling)
// Counts the context switches (voluntary + involuntary) of every thread of the process over
// the period, from /proc/PID/task/*/status, and prints them per thread with the thread's
// name and where in the kernel it waits, so that the source of any wake-up is visible, and
// the total per minute. The goal is none. SETTLE is how long the program is left alone after
// the keyboard showed as connected before counting starts.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "Session.h"

namespace {

struct ThreadCount {
    std::string name;
    std::string waitsIn; // the kernel function it sleeps in
    long switches = 0;
};

long Field(const std::string& status, const std::string& label) {
    const size_t at = status.find(label);
    return at == std::string::npos ? 0 : std::atol(status.c_str() + at + label.size());
}

std::string ReadLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::map<int, ThreadCount> Threads(pid_t pid) {
    std::map<int, ThreadCount> threads;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        const std::string status = ReadLine(task.path() / "status");
        threads[std::atoi(task.path().filename().c_str())] = {
            ReadLine(task.path() / "comm"), ReadLine(task.path() / "wchan"),
            Field(status, "voluntary_ctxt_switches:") +
                Field(status, "nonvoluntary_ctxt_switches:")};
    }
    return threads;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int settle = argc > 2 ? std::max(0, std::atoi(argv[2])) : 2;
    if (const auto missing = e2e::Session::MissingPrograms(); !missing.empty()) {
        std::fprintf(stderr, "bench_idle_wakeups: needs %s (scripts/deps installs it)\n",
                     missing.front().c_str());
        return 2;
    }
    e2e::Session session;
    if (!session.Start() || !session.StartKeyboard()) {
        std::fprintf(stderr, "bench_idle_wakeups: the display or the keyboard did not start\n");
        return 1;
    }
    e2e::Child app = session.StartApp({"/Start"});
    if (!e2e::WaitUntil([&] { return session.TrayIcon(app.pid()) == e2e::kIconKeyboard; },
                        std::chrono::seconds(30))) {
        std::fprintf(stderr, "bench_idle_wakeups: the keyboard never showed as connected\n");
        return 1;
    }
    // Let start-up finish: the connection thread, the first paints, the library's set-up.
    std::this_thread::sleep_for(std::chrono::seconds(settle));

    const auto before = Threads(app.pid());
    std::printf("Idle brisvane (hidden, keyboard connected), %d s from %d s after start-up:\n",
                seconds, settle);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto after = Threads(app.pid());

    long total = 0;
    std::printf("  %-8s %-16s %-34s %9s %11s\n", "thread", "name", "waits in", "wake-ups",
                "per minute");
    for (const auto& [tid, now] : after) {
        const auto was = before.find(tid);
        const long woke = now.switches - (was == before.end() ? 0 : was->second.switches);
        total += woke;
        std::printf("  %-8d %-16s %-34s %9ld %11.1f%s\n", tid, now.name.c_str(),
                    now.waitsIn.c_str(), woke, woke * 60.0 / seconds,
                    was == before.end() ? "  (new)" : "");
    }
    for (const auto& [tid, was] : before)
        if (!after.count(tid))
            std::printf("  %-8d %-16s ended during the period\n", tid, was.name.c_str());
    std::printf("  total %ld wake-ups, %.1f per minute\n", total, total * 60.0 / seconds);

    session.RunApp({"/Kill"});
    app.Wait(std::chrono::seconds(30));
    return 0;
}
