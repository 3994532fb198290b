// The library's start and end in processes of their own: every backend starts, an unknown
// one is refused, and a process that never calls End still ends at once.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "VkbdProcess.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

struct ProbeRun {
    std::string line;
    std::chrono::milliseconds took{};
};

// Runs the probe with OLVASK_BACKEND (and the socket) set as given.
ProbeRun Probe(const std::string& backend, const std::string& mode,
               const std::string& socket = "") {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "OLVASK_", 7) != 0)
            env.emplace_back(*e);
    env.push_back("OLVASK_BACKEND=" + backend);
    if (!socket.empty())
        env.push_back("OLVASK_VKBD_SOCKET=" + socket);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string probe = OLVASK_PROBE, library = OLVASK_LIBRARY, how = mode;
    char* argv[] = {probe.data(), library.data(), how.data(), nullptr};

    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    ProbeRun run;
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    char buffer[256];
    ssize_t n = 0;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        run.line.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    waitpid(pid, nullptr, 0);
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    while (!run.line.empty() && run.line.back() == '\n')
        run.line.pop_back();
    return run;
}

TEST(LibraryLife, TheHidrawBackendStartsWithoutAKeyboardAndEnds) {
    const ProbeRun withEnd = Probe("hidraw", "end");
    EXPECT_EQ(withEnd.line, "init=1 count=0 end=1");
    const ProbeRun atExit = Probe("hidraw", "exit");
    EXPECT_EQ(atExit.line, "init=1 count=0 end=-1");
    EXPECT_LT(atExit.took, 2s);
}

TEST(LibraryLife, AnUnknownBackendIsRefused) {
    EXPECT_EQ(Probe("usb-over-carrier-pigeon", "end").line, "init=0 count=-1 end=0");
}

TEST(LibraryLife, TheSimBackendCountsAtInitAndStopsAtExit) {
    transport_test::TempFolder folder;
    const std::string socket = (folder.Path() / "k.sock").string();
    EXPECT_EQ(Probe("sim", "end", socket).line, "init=1 count=0 end=1");
    transport_test::VirtualKeyboardProcess keyboard(socket, folder.Path() / "state");
    ASSERT_TRUE(keyboard.Start());
    EXPECT_EQ(Probe("sim", "end", socket).line, "init=1 count=1 end=1");
    const ProbeRun atExit = Probe("sim", "exit", socket);
    EXPECT_EQ(atExit.line, "init=1 count=1 end=-1");
    EXPECT_LT(atExit.took, 2s);
}

} // namespace
