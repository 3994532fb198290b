// How often a process that holds the transport open wakes up while nothing happens.
//
// Usage: bench_idle [SECONDS]   (default: 20)
// Each case runs in a child process of its own: it opens the device link as the program
// does (or, for the node case, runs the hidraw backend over one fake node), lets it settle
// for a second, then counts the context switches of every thread but the measuring one
// over the idle period. An idle process should show none.
//   sim:         libolvask.so with the sim backend, against a running olvask-vkbd
//   sim-nofolder: the sim backend with no keyboard, whose socket's folder does not exist
//   hidraw:      libolvask.so with the hidraw backend and no keyboard present
//   hidraw-node: the hidraw backend with one open node (a socket pair standing in for the
//                hidraw node) whose far end stays silent

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "lib/Core.h"
#include "lib/HidrawBackend.h"
#include "lib/HidrawNode.h"
#include "support/VirtualKeyboard.h"
#include "vkbd/FactoryContent.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

long Field(const std::string& statusFile, const std::string& name) {
    std::ifstream in(statusFile);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, name.size(), name) == 0 && line.size() > name.size() &&
            line[name.size()] == ':')
            return std::atol(line.c_str() + name.size() + 1);
    return 0;
}

long Switches(const std::string& statusFile) {
    return Field(statusFile, "voluntary_ctxt_switches") +
           Field(statusFile, "nonvoluntary_ctxt_switches");
}

// Context switches per thread of a process.
std::map<long, long> ThreadSwitches(pid_t pid) {
    std::map<long, long> out;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(tasks)) {
        const long tid = std::atol(entry.path().filename().c_str());
        out[tid] = Switches((entry.path() / "status").string());
    }
    return out;
}

// Counts the switches of the other threads of this process (and of a helper process) over
// the idle period, and prints them.
void MeasureIdle(const char* what, int seconds, pid_t helper = -1) {
    std::this_thread::sleep_for(std::chrono::seconds(1)); // settle
    const long self = static_cast<long>(syscall(SYS_gettid));
    const auto before = ThreadSwitches(getpid());
    const long helperBefore =
        helper > 0 ? Switches("/proc/" + std::to_string(helper) + "/status") : 0;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto after = ThreadSwitches(getpid());
    const long helperAfter =
        helper > 0 ? Switches("/proc/" + std::to_string(helper) + "/status") : 0;

    long total = 0;
    std::string detail;
    int threads = 0;
    for (const auto& [tid, n] : after) {
        if (tid == self)
            continue;
        const auto was = before.find(tid);
        const long d = n - (was == before.end() ? 0 : was->second);
        total += d;
        ++threads;
        detail += " " + std::to_string(d);
    }
    std::printf("%-12s %2d s idle: %6ld context switches in %d other thread(s) (%.1f/s) [per "
                "thread:%s]",
                what, seconds, total, threads, static_cast<double>(total) / seconds,
                detail.c_str());
    if (helper > 0)
        std::printf("; olvask-vkbd %ld", helperAfter - helperBefore);
    std::printf("\n");
    std::fflush(stdout);
}

bool WaitForCount(int32_t expected) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (device::GetDeviceCount() != expected) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

int SimCase(int seconds) {
    char pattern[] = "/tmp/olvask-idle-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string folder = pattern;
    VirtualKeyboard keyboard(std::filesystem::path(BRISVANE_BUILD_ROOT) / "olvask-vkbd", folder);
    setenv("OLVASK_BACKEND", "sim", 1);
    setenv("OLVASK_VKBD_SOCKET", keyboard.Socket().c_str(), 1);
    const bool started = keyboard.Start(vkbd::kDefaultMacroUnits, 1);
    device::IgnoredTransportEvents events;
    int32_t count = 0;
    int rc = 0;
    if (!started ||
        device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count) != device::kBindOk ||
        !WaitForCount(1)) {
        std::printf("sim: the virtual keyboard did not come up\n");
        rc = 1;
    } else {
        MeasureIdle("sim", seconds, keyboard.Pid());
    }
    keyboard.Stop();
    std::filesystem::remove_all(folder);
    return rc;
}

// No keyboard yet, and its socket's folder does not exist either (the keyboard makes it
// when it starts).
int SimNoFolderCase(int seconds) {
    char pattern[] = "/tmp/olvask-idle-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string folder = pattern;
    setenv("OLVASK_BACKEND", "sim", 1);
    setenv("OLVASK_VKBD_SOCKET", (folder + "/later/vkbd.sock").c_str(), 1);
    device::IgnoredTransportEvents events;
    int32_t count = -1;
    int rc = 0;
    if (device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count) != device::kBindOk) {
        std::printf("sim-nofolder: the library did not start\n");
        rc = 1;
    } else {
        MeasureIdle("sim-nofolder", seconds);
    }
    std::filesystem::remove_all(folder);
    return rc;
}

int HidrawCase(int seconds) {
    setenv("OLVASK_BACKEND", "hidraw", 1);
    device::IgnoredTransportEvents events;
    int32_t count = -1;
    if (device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count) != device::kBindOk) {
        std::printf("hidraw: the library did not start\n");
        return 1;
    }
    MeasureIdle(count == 0 ? "hidraw" : "hidraw (kbd)", seconds);
    return 0;
}

class OneNodePlatform final : public olvask::HidPlatform {
public:
    std::vector<olvask::HidEntry> Enumerate(uint16_t, uint16_t) override {
        return {{"/dev/hidraw0", 0x0C45, 0x6515, 0xFF1C, 0x0092, 1}};
    }
    std::unique_ptr<olvask::HidNodeIo> Open(const std::string&) override {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
            return nullptr;
        farEnd = pair[1];
        return olvask::HidrawNode::Adopt(pair[0]);
    }
    std::optional<std::vector<uint8_t>> ReportDescriptor(const std::string&) override {
        const auto d = vkbd::ReportDescriptor();
        return std::vector<uint8_t>(d.begin(), d.end());
    }
    int farEnd = -1;
};

int HidrawNodeCase(int seconds) {
    auto platform = std::make_unique<OneNodePlatform>();
    olvask::Core core(std::make_unique<olvask::HidrawBackend>(std::move(platform), nullptr));
    if (!core.Start()) {
        std::printf("hidraw-node: the backend did not start\n");
        return 1;
    }
    MeasureIdle("hidraw-node", seconds);
    core.Stop(std::chrono::seconds(2));
    return 0;
}

int InChild(int (*run)(int), int seconds) {
    const pid_t pid = fork();
    if (pid == 0)
        std::_Exit(run(seconds));
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    int failed = 0;
    failed += InChild(SimCase, seconds);
    failed += InChild(SimNoFolderCase, seconds);
    failed += InChild(HidrawCase, seconds);
    failed += InChild(HidrawNodeCase, seconds);
    return failed ? 1 : 0;
}
