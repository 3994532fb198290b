// How long the program's commands take through libolvask.so and the virtual keyboard.
//
// Usage: bench_transport [LATENCY_MS ...]   (default: 1 0)
// For each answer latency it starts olvask-vkbd, opens the device link as the program
// does and prints: one exchange (ReadConfig), a 512-byte key map write (10 reports), the
// largest macro area write (32,640 bytes, 583 reports), both between BeginTransfer and
// EndTransfer, and the cost of the keyboard count that every exchange asks for first.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "device/Commands.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "support/VirtualKeyboard.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool WaitForCount(int32_t expected) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (device::GetDeviceCount() != expected)
        if (Clock::now() > deadline)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) {
        return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))];
    };
    std::printf("  %-34s n=%-4zu median %8.3f ms   p90 %8.3f ms   max %8.3f ms\n", what, ms.size(),
                at(0.5), at(0.9), ms.back());
}

template <typename F> std::vector<double> Time(int n, F&& f) {
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        const auto start = Clock::now();
        if (f() != 1) {
            std::printf("  a command failed\n");
            std::exit(1);
        }
        ms.push_back(Ms(Clock::now() - start));
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> latencies;
    for (int i = 1; i < argc; ++i)
        latencies.push_back(std::atoi(argv[i]));
    if (latencies.empty())
        latencies = {1, 0};

    char pattern[] = "/tmp/olvask-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::string folder = pattern;
    VirtualKeyboard keyboard(std::filesystem::path(BRISVANE_BUILD_ROOT) / "olvask-vkbd", folder);
    setenv("OLVASK_BACKEND", "sim", 1);
    setenv("OLVASK_VKBD_SOCKET", keyboard.Socket().c_str(), 1);
    device::IgnoredTransportEvents events;

    for (int latency : latencies) {
        int32_t count = 0;
        if (!keyboard.Start(255, latency) ||
            device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count) != device::kBindOk ||
            !WaitForCount(1)) {
            std::printf("the virtual keyboard did not come up\n");
            return 1;
        }
        std::printf("answer latency %d ms\n", latency);
        std::array<uint8_t, 48> config{};
        Report("ReadConfig (1 report)", Time(500, [&] { return device::ReadConfig(config); }));
        std::array<uint8_t, 512> map{};
        // Bracketed as the program's downloads are: the keyboard stores once, at the end.
        const auto bracketed = [](auto write) {
            device::BeginTransfer();
            const int32_t result = write();
            return device::EndTransfer() == 1 ? result : 0;
        };
        Report("WriteKeyMap, bracketed (12 rep.)",
               Time(50, [&] { return bracketed([&] { return device::WriteKeyMap(map, 0); }); }));
        std::vector<uint8_t> area(255 * 128, 0x5A);
        Report("WriteMacroArea 32,640 B (585 rep.)", Time(5, [&] {
                   return bracketed([&] {
                       return device::WriteMacroArea(area, static_cast<uint32_t>(area.size()));
                   });
               }));

        constexpr int kCounts = 200000;
        const auto start = Clock::now();
        int32_t sum = 0;
        for (int i = 0; i < kCounts; ++i)
            sum += device::GetDeviceCount();
        std::printf("  %-34s %.0f ns per call (count %d)\n", "GetDeviceCount",
                    Ms(Clock::now() - start) * 1e6 / kCounts, sum / kCounts);

        // Fails the benchmark if the keyboard saw a breach of its command set.
        keyboard.Stop();
        WaitForCount(0);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
