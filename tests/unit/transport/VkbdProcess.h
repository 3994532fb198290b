#pragma once

// Runs the real olvask-vkbd from the build root: a serving keyboard, and control commands
// to it.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace transport_test {

std::filesystem::path BuildRoot();
std::filesystem::path VkbdProgram();

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs olvask-vkbd with the arguments and waits for it.
CommandResult RunVkbd(const std::vector<std::string>& args);

// Speaks to the keyboard at the socket as the sim backend does: greets it, sends each
// report and, for a command report, waits for its answer; then leaves. The status bytes of
// the answers; nothing when the keyboard could not be reached or did not answer.
std::optional<std::vector<uint8_t>> SendAsHost(const std::string& socket,
                                               const std::vector<std::vector<uint8_t>>& reports);

// A folder of its own under the temporary directory, removed when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

class VirtualKeyboardProcess {
public:
    VirtualKeyboardProcess(std::string socket, std::filesystem::path state)
        : socket_(std::move(socket)), state_(std::move(state)) {}
    ~VirtualKeyboardProcess() { Stop(); }

    // Starts serve with the options and waits until it listens. False if it did not.
    bool Start(const std::vector<std::string>& options = {"--latency", "0"});
    // Judges what the keyboard recorded (ExpectNoViolations), then SIGTERM and a wait;
    // returns the exit status.
    int Stop();
    // Judged too, then SIGKILL: gone without cleaning up, as a crash.
    void Kill();
    // For a test that commits a breach on purpose: the violations listed so far, which the
    // keyboard then forgets.
    std::string TakeViolations() const;
    // Waits for the process to end by itself.
    bool WaitForExit(std::chrono::milliseconds timeout);
    bool Running() const { return pid_ > 0; }

    CommandResult Control(const std::vector<std::string>& args) const;
    // The memory's bytes, from dump --plain; empty on failure.
    std::vector<uint8_t> Dump(const std::string& memory, bool working = false) const;
    // A number from the status text ("commands received: 7" -> 7), -1 if absent.
    long StatusNumber(const std::string& label) const;

    const std::string& Socket() const { return socket_; }

private:
    std::string socket_;
    std::filesystem::path state_;
    pid_t pid_ = -1;
};

} // namespace transport_test
