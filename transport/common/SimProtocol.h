#pragma once

// Messages between the transport's sim backend (a host) or a control client and the virtual
// keyboard, one message per SOCK_SEQPACKET packet; byte 0 is the message type.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace olvask::sim {

inline constexpr uint8_t kProtocolVersion = 1;

enum class Message : uint8_t {
    HostHello = 1,    // host -> keyboard: version. Answered with Plugged or Unplugged.
    Plugged = 2,      // keyboard -> host: on the bus; vendor id, product id, report descriptor
    Unplugged = 3,    // keyboard -> host: off the bus
    InputReport = 4,  // keyboard -> host: one input report, byte 0 = report id
    OutputReport = 5, // host -> keyboard: one output report, byte 0 = report id
    Control = 6,      // control client -> keyboard: arguments separated by NUL
    ControlReply = 7, // keyboard -> control client: exit code, reply kind, payload
};

enum class ReplyKind : uint8_t { Text = 0, Bytes = 1 };

// The largest packet either side sends (a dump of the whole macro area and its header).
inline constexpr size_t kMaxPacket = 40 * 1024;

std::vector<uint8_t> Packet(Message type, std::span<const uint8_t> payload = {});

struct PluggedInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::vector<uint8_t> descriptor;
};
std::vector<uint8_t> EncodePlugged(const PluggedInfo& info);
std::optional<PluggedInfo> DecodePlugged(std::span<const uint8_t> payload);

std::vector<uint8_t> EncodeControl(const std::vector<std::string>& args);
std::vector<std::string> DecodeControl(std::span<const uint8_t> payload);

struct ControlReply {
    int exitCode = 0;
    ReplyKind kind = ReplyKind::Text;
    std::vector<uint8_t> payload;
};
std::vector<uint8_t> EncodeReply(const ControlReply& reply);
std::optional<ControlReply> DecodeReply(std::span<const uint8_t> payload);

// OLVASK_VKBD_SOCKET, else $XDG_RUNTIME_DIR/olvask-vkbd.sock, else /tmp/olvask-vkbd-<uid>.sock.
std::string DefaultSocketPath();

// The socket paths the sim backend follows: OLVASK_VKBD_SOCKET may list several, separated
// by ':', one virtual keyboard each.
std::vector<std::string> SocketPathsFromEnvironment();

} // namespace olvask::sim
