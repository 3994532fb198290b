#pragma once

// The real virtual keyboard program, started for a test on a socket and state file of its
// own, and driven through its command line.
//
// The keyboard judges every report the program sends; a test or a benchmark that made it
// record a breach fails when the keyboard stops (ExpectNoViolations below), whatever the
// test itself checked.

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Runs a command of the virtual keyboard's command line against the keyboard at the socket;
// returns its exit code and what it printed.
inline std::pair<int, std::string> RunKeyboardCommand(const std::filesystem::path& program,
                                                      const std::filesystem::path& socket,
                                                      const std::string& command) {
    std::string line =
        "'" + program.string() + "' --socket '" + socket.string() + "' " + command + " 2>&1";
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe)
        return {-1, {}};
    std::string out;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// Fails the running test when the keyboard at the socket recorded a breach of its command
// set; outside a test (a benchmark, or after the last test) the program ends with exit code
// 1. A keyboard that no longer answers (it ended itself) is not judged.
inline void ExpectNoViolations(const std::filesystem::path& program,
                               const std::filesystem::path& socket) {
    constexpr int kUnreachable = 3;
    const auto [code, listing] = RunKeyboardCommand(program, socket, "violations");
    if ((code == 0 && listing.empty()) || code == kUnreachable)
        return;
    const std::string message = "the virtual keyboard at " + socket.string() +
                                " recorded breaches of its command set (exit code " +
                                std::to_string(code) + "):\n" + listing;
    if (::testing::UnitTest::GetInstance()->current_test_info()) {
        ADD_FAILURE() << message;
        return;
    }
    std::fprintf(stderr, "%s", message.c_str());
    std::fflush(nullptr);
    std::_Exit(1);
}

class VirtualKeyboard {
public:
    VirtualKeyboard(std::filesystem::path program, std::filesystem::path folder)
        : program_(std::move(program)), socket_(folder / "vkbd.sock"),
          state_(folder / "vkbd.state"), log_(folder / "vkbd.log") {}
    ~VirtualKeyboard() { Stop(); }

    const std::filesystem::path& Socket() const { return socket_; }

    // The file in which it keeps its memory while it is stopped.
    const std::filesystem::path& StateFile() const { return state_; }

    // Starts it with the factory content (or, without reset, with what its state file
    // holds); macroUnits sets the macro space in 128-byte units. Answers come at once unless
    // a latency is given.
    bool Start(int macroUnits, int latencyMs = 0, bool reset = true) {
        std::vector<std::string> args = {program_.string(), "serve",
                                         "--socket",        socket_.string(),
                                         "--state",         state_.string(),
                                         "--latency",       std::to_string(latencyMs),
                                         "--macro-space",   std::to_string(macroUnits)};
        if (reset)
            args.push_back("--reset");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ < 0)
            return false;
        if (pid_ == 0) {
            // A test that dies must not leave its keyboard running.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            // What it says goes to a log beside its state, not into the test's output.
            const int log = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
            if (log >= 0) {
                ::dup2(log, 1);
                ::dup2(log, 2);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        for (int i = 0; i < 500; ++i) {
            if (Control("status").first == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    pid_t Pid() const { return pid_; }

    // Judges what the keyboard recorded (ExpectNoViolations), then stops it.
    void Stop() {
        if (pid_ > 0) {
            ExpectNoViolations(program_, socket_);
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    // Runs a control command; returns its exit code and what it printed.
    std::pair<int, std::string> Control(const std::string& command) const {
        return RunKeyboardCommand(program_, socket_, command);
    }

    // For a test that commits a breach on purpose: the violations listed so far, which the
    // keyboard then forgets.
    std::string TakeViolations() {
        const std::string listing = Control("violations").second;
        Control("violations clear");
        return listing;
    }

    // A memory's permanent content; empty when the dump fails.
    std::vector<uint8_t> Dump(const std::string& memory) const {
        auto [code, text] = Control("dump " + memory + " --plain");
        std::vector<uint8_t> bytes;
        if (code != 0)
            return bytes;
        std::string digits;
        for (char c : text) {
            if (std::isxdigit(static_cast<unsigned char>(c)))
                digits.push_back(c);
        }
        for (size_t i = 0; i + 1 < digits.size(); i += 2)
            bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
        return bytes;
    }

private:
    std::filesystem::path program_;
    std::filesystem::path socket_;
    std::filesystem::path state_;
    std::filesystem::path log_;
    pid_t pid_ = -1;
};
