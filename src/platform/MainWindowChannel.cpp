#include "platform/MainWindowChannel.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/InstanceLock.h"
#include "platform/WindowMessages.h"

namespace platform {

namespace {

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Reads exactly n bytes; with a time-out, gives up when the whole of it has passed.
bool ReadAll(int fd, uint8_t* p, size_t n, std::optional<std::chrono::milliseconds> timeout) {
    const auto until =
        std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds(0));
    while (n > 0) {
        if (timeout) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd pfd{fd, POLLIN, 0};
            const int ready =
                left.count() > 0 ? ::poll(&pfd, 1, static_cast<int>(left.count())) : 0;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return false;
        }
        const ssize_t r = ::recv(fd, p, n, 0);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

} // namespace

std::array<uint8_t, 8> EncodeRequest(const WindowRequest& request) {
    std::array<uint8_t, 8> bytes{};
    PutU32(bytes.data(), request.message);
    PutU32(bytes.data() + 4, request.tag);
    return bytes;
}

std::optional<WindowRequest> DecodeRequest(const uint8_t* bytes, size_t length) {
    if (length != 8)
        return std::nullopt;
    return WindowRequest{GetU32(bytes), GetU32(bytes + 4)};
}

std::filesystem::path MainWindowSocketFolder() {
    const auto folder = RuntimeFolder() / "brisvane";
    ::mkdir(folder.c_str(), 0700);
    ::chmod(folder.c_str(), 0700);
    return folder;
}

std::filesystem::path MainWindowSocketPath(pid_t pid) {
    return MainWindowSocketFolder() / ("main-" + std::to_string(pid));
}

void RemoveStaleWindowSockets() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(MainWindowSocketFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("main-"))
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + 5, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry.path(), ec);
    }
}

int SendWindowMessage(pid_t pid, uint32_t message, uint32_t tag) {
    return SendWindowMessage(MainWindowSocketPath(pid), message, tag);
}

int SendWindowMessage(const std::filesystem::path& socket, uint32_t message, uint32_t tag,
                      std::chrono::milliseconds acknowledgeTimeout) {
    const std::string path = socket.string();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return 0;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    int seen = 0;
    const auto request = EncodeRequest({message, tag});
    std::array<uint8_t, 4> reply{};
    // Without a socket, or without the acknowledgement in time, there is no window to wait
    // for. Once the request is read the wait is synchronous: the running copy answers once
    // its handler has returned, which may be after the user closed a message box.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
        WriteAll(fd, request.data(), request.size()) &&
        ReadAll(fd, reply.data(), reply.size(), acknowledgeTimeout) && reply == kRequestRead) {
        seen = 1;
        ReadAll(fd, reply.data(), reply.size(), std::nullopt);
    }
    ::close(fd);
    return seen;
}

int SendToMainWindow(pid_t pid, int choice) {
    return choice == kChoiceKill ? SendWindowMessage(pid, UM_KILL, kTagKill)
                                 : SendWindowMessage(pid, UM_OPEN, kTagOpen);
}

} // namespace platform
