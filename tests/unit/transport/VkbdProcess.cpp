#include "VkbdProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/SimProtocol.h"
#include "support/VirtualKeyboard.h"
#include "vkbd/Hex.h"

extern char** environ;

namespace transport_test {

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

} // namespace

std::filesystem::path BuildRoot() {
    return BRISVANE_BUILD_ROOT;
}

std::filesystem::path VkbdProgram() {
    return BuildRoot() / "olvask-vkbd";
}

CommandResult RunVkbd(const std::vector<std::string>& args) {
    std::vector<std::string> all = {VkbdProgram().string()};
    all.insert(all.end(), args.begin(), args.end());
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    auto argv = Argv(all);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    CommandResult result;
    if (spawned == 0) {
        // Small outputs: stdout first, then stderr, without filling either pipe.
        std::thread errReader([&] { result.err = Drain(err[0]); });
        result.out = Drain(out[0]);
        errReader.join();
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(out[0]);
    close(err[0]);
    return result;
}

std::optional<std::vector<uint8_t>> SendAsHost(const std::string& socket,
                                               const std::vector<std::vector<uint8_t>>& reports) {
    namespace sim = olvask::sim;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket.size() >= sizeof address.sun_path)
        return std::nullopt;
    socket.copy(address.sun_path, socket.size());
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::nullopt;
    std::vector<uint8_t> buffer(sim::kMaxPacket);
    // The next packet of the type, within a second.
    const auto receive = [&](sim::Message type) {
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0)
                return false;
            const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                return false;
            if (static_cast<sim::Message>(buffer[0]) == type)
                return true;
        }
    };
    const auto send = [&](sim::Message type, std::span<const uint8_t> payload) {
        const std::vector<uint8_t> packet = sim::Packet(type, payload);
        return ::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(packet.size());
    };
    const uint8_t version = sim::kProtocolVersion;
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              send(sim::Message::HostHello, {&version, 1}) && receive(sim::Message::Plugged);
    std::vector<uint8_t> statuses;
    for (const auto& report : reports) {
        if (!ok)
            break;
        ok = send(sim::Message::OutputReport, report);
        if (ok && !report.empty() && report[0] == 0x04) {
            ok = receive(sim::Message::InputReport);
            // Packet type, then the report: its status is report byte 7.
            if (ok)
                statuses.push_back(buffer[1 + 7]);
        }
    }
    close(fd);
    if (!ok)
        return std::nullopt;
    return statuses;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "olvask-test-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

bool VirtualKeyboardProcess::Start(const std::vector<std::string>& options) {
    std::vector<std::string> all = {VkbdProgram().string(), "serve", "--socket", socket_, "--state",
                                    state_.string()};
    all.insert(all.end(), options.begin(), options.end());
    auto argv = Argv(all);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        return false;
    }
    // Listening once a status command is answered.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Control({"status"}).exitCode == 0)
            return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int VirtualKeyboardProcess::Stop() {
    if (pid_ <= 0)
        return -1;
    ExpectNoViolations(VkbdProgram(), socket_);
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void VirtualKeyboardProcess::Kill() {
    if (pid_ <= 0)
        return;
    ExpectNoViolations(VkbdProgram(), socket_);
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool VirtualKeyboardProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string VirtualKeyboardProcess::TakeViolations() const {
    const std::string listing = Control({"violations"}).out;
    Control({"violations", "clear"});
    return listing;
}

CommandResult VirtualKeyboardProcess::Control(const std::vector<std::string>& args) const {
    std::vector<std::string> all = {"--socket", socket_};
    all.insert(all.end(), args.begin(), args.end());
    return RunVkbd(all);
}

std::vector<uint8_t> VirtualKeyboardProcess::Dump(const std::string& memory, bool working) const {
    std::vector<std::string> args = {"dump", memory, "--plain"};
    if (working)
        args.push_back("--working");
    const CommandResult r = Control(args);
    std::string hex = r.out;
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == ' '))
        hex.pop_back();
    if (r.exitCode != 0)
        return {};
    return vkbd::FromHex(hex).value_or(std::vector<uint8_t>{});
}

long VirtualKeyboardProcess::StatusNumber(const std::string& label) const {
    const std::string text = Control({"status"}).out;
    const size_t at = text.find(label + ": ");
    if (at == std::string::npos)
        return -1;
    return std::strtol(text.c_str() + at + label.size() + 2, nullptr, 10);
}

} // namespace transport_test
