#pragma once

// The real virtual keyboard program, started for a test on a socket and state file of its
// own, and driven through its command line.

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

    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

    // Runs a control command; returns its exit code and what it printed.
    std::pair<int, std::string> Control(const std::string& command) const {
        std::string line =
            "'" + program_.string() + "' --socket '" + socket_.string() + "' " + command + " 2>&1";
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
