#include "common/SimProtocol.h"

#include <cstdlib>
#include <unistd.h>

namespace olvask::sim {

std::vector<uint8_t> Packet(Message type, std::span<const uint8_t> payload) {
    std::vector<uint8_t> packet;
    packet.reserve(payload.size() + 1);
    packet.push_back(static_cast<uint8_t>(type));
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

std::vector<uint8_t> EncodePlugged(const PluggedInfo& info) {
    std::vector<uint8_t> out = {
        static_cast<uint8_t>(info.vendorId), static_cast<uint8_t>(info.vendorId >> 8),
        static_cast<uint8_t>(info.productId), static_cast<uint8_t>(info.productId >> 8)};
    out.insert(out.end(), info.descriptor.begin(), info.descriptor.end());
    return out;
}

std::optional<PluggedInfo> DecodePlugged(std::span<const uint8_t> payload) {
    if (payload.size() < 4)
        return std::nullopt;
    PluggedInfo info;
    info.vendorId = static_cast<uint16_t>(payload[0] | payload[1] << 8);
    info.productId = static_cast<uint16_t>(payload[2] | payload[3] << 8);
    info.descriptor.assign(payload.begin() + 4, payload.end());
    return info;
}

std::vector<uint8_t> EncodeControl(const std::vector<std::string>& args) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            out.push_back(0);
        out.insert(out.end(), args[i].begin(), args[i].end());
    }
    return out;
}

std::vector<std::string> DecodeControl(std::span<const uint8_t> payload) {
    std::vector<std::string> args;
    if (payload.empty())
        return args;
    std::string current;
    for (uint8_t b : payload) {
        if (b == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(b));
        }
    }
    args.push_back(current);
    return args;
}

std::vector<uint8_t> EncodeReply(const ControlReply& reply) {
    std::vector<uint8_t> out = {static_cast<uint8_t>(reply.exitCode),
                                static_cast<uint8_t>(reply.kind)};
    out.insert(out.end(), reply.payload.begin(), reply.payload.end());
    return out;
}

std::optional<ControlReply> DecodeReply(std::span<const uint8_t> payload) {
    if (payload.size() < 2 || payload[1] > static_cast<uint8_t>(ReplyKind::Bytes))
        return std::nullopt;
    ControlReply reply;
    reply.exitCode = payload[0];
    reply.kind = static_cast<ReplyKind>(payload[1]);
    reply.payload.assign(payload.begin() + 2, payload.end());
    return reply;
}

std::string DefaultSocketPath() {
    if (const char* env = std::getenv("OLVASK_VKBD_SOCKET"); env && *env) {
        const std::string paths = env;
        return paths.substr(0, paths.find(':'));
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/olvask-vkbd.sock";
    return "/tmp/olvask-vkbd-" + std::to_string(getuid()) + ".sock";
}

std::vector<std::string> SocketPathsFromEnvironment() {
    std::vector<std::string> paths;
    if (const char* env = std::getenv("OLVASK_VKBD_SOCKET"); env && *env) {
        std::string all = env;
        size_t start = 0;
        while (start <= all.size()) {
            const size_t end = all.find(':', start);
            std::string one =
                all.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!one.empty())
                paths.push_back(one);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    if (paths.empty())
        paths.push_back(DefaultSocketPath());
    return paths;
}

} // namespace olvask::sim
