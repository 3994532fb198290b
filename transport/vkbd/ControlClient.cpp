#include "vkbd/ControlClient.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "vkbd/Keyboard.h"

namespace vkbd {

namespace {

constexpr int kReplyTimeoutMs = 5000;

sim::ControlReply Unreachable(const std::string& text) {
    const std::string line = text + "\n";
    return {kExitUnreachable, sim::ReplyKind::Text, {line.begin(), line.end()}};
}

} // namespace

sim::ControlReply SendControl(const std::string& socketPath, const std::vector<std::string>& args) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path)
        return Unreachable("the socket path is empty or too long: " + socketPath);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Unreachable(std::string("cannot make a socket: ") + std::strerror(errno));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const std::string reason = std::strerror(errno);
        close(fd);
        return Unreachable("no virtual keyboard at " + socketPath + " (" + reason +
                           "); start one with: olvask-vkbd serve --socket " + socketPath);
    }
    const std::vector<uint8_t> packet =
        sim::Packet(sim::Message::Control, sim::EncodeControl(args));
    if (send(fd, packet.data(), packet.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(packet.size())) {
        close(fd);
        return Unreachable("the virtual keyboard at " + socketPath + " did not take the command");
    }
    pollfd p{fd, POLLIN, 0};
    std::vector<uint8_t> buffer(sim::kMaxPacket);
    ssize_t n = -1;
    if (poll(&p, 1, kReplyTimeoutMs) > 0)
        n = recv(fd, buffer.data(), buffer.size(), 0);
    close(fd);
    if (n <= 1 || static_cast<sim::Message>(buffer[0]) != sim::Message::ControlReply)
        return Unreachable("the virtual keyboard at " + socketPath + " did not answer");
    const auto reply =
        sim::DecodeReply(std::span<const uint8_t>(buffer.data() + 1, static_cast<size_t>(n - 1)));
    if (!reply)
        return Unreachable("the virtual keyboard at " + socketPath +
                           " gave a reply that makes no sense");
    return *reply;
}

} // namespace vkbd
