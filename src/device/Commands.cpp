#include "device/Commands.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "device/CommandReport.h"
#include "device/Exchange.h"

namespace device {

namespace {

// Seals and exchanges one request; maps the answer's refusal status.
int32_t Exchange(CommandReport& request, CommandReport& answer) {
    SealReport(request);
    uint32_t received = 0;
    const int32_t result = ExchangeReport(request, answer, &received);
    if (result != kExchangeDone)
        return result;
    if (answer[kOffStatus] == 0xFF)
        return kCmdRefusedFF;
    if (answer[kOffStatus] == 0xFE)
        return kCmdRefusedFE;
    return kExchangeDone;
}

int32_t Simple(uint8_t code, uint32_t length, uint32_t position, std::span<const uint8_t> data,
               std::span<uint8_t> out) {
    CommandReport request = NewRequest();
    request[kOffCode] = code;
    SetLengthAndPosition(request, length, position);
    if (!data.empty())
        std::memcpy(&request[kOffData], data.data(), std::min<size_t>(data.size(), kChunkSize));
    CommandReport answer{};
    const int32_t result = Exchange(request, answer);
    if (result == kExchangeDone && !out.empty())
        std::memcpy(out.data(), &answer[kOffData], std::min<size_t>(out.size(), kChunkSize));
    return result;
}

// A transfer of total bytes from start, cut into 56-byte chunks. The request is cleared
// once: a short last chunk leaves the previous chunk's tail in place, as the keyboard
// has always received it.
int32_t Chunked(uint8_t code, uint32_t total, uint32_t start, const uint8_t* in, uint8_t* out) {
    CommandReport request = NewRequest();
    request[kOffCode] = code;
    for (uint32_t offset = 0; offset < total; offset += kChunkSize) {
        const uint32_t chunk = offset + kChunkSize < total ? kChunkSize : total - offset;
        SetLengthAndPosition(request, chunk, start + offset);
        if (in)
            std::memcpy(&request[kOffData], in + offset, chunk);
        CommandReport answer{};
        const int32_t result = Exchange(request, answer);
        if (result != kExchangeDone)
            return result;
        if (out)
            std::memcpy(out + offset, &answer[kOffData], chunk);
    }
    return kExchangeDone;
}

} // namespace

int32_t BeginTransfer() {
    return Simple(kCmdBeginTransfer, 0, 0, {}, {});
}

int32_t EndTransfer() {
    std::this_thread::sleep_for(ExchangeTimes().endTransferDelay);
    return Simple(kCmdEndTransfer, 0, 0, {}, {});
}

int32_t ReadConfig(std::span<uint8_t, 48> config) {
    return Simple(kCmdReadConfig, kConfigSize, 0, {}, config);
}

int32_t WriteConfig(std::span<const uint8_t, 48> config) {
    return Simple(kCmdWriteConfig, kConfigSize, 0, config, {});
}

int32_t ReadParams(std::span<uint8_t, 56> out, uint32_t length, uint32_t position) {
    return Simple(kCmdReadParams, length, position, {}, out);
}

int32_t WriteParams(std::span<const uint8_t> data, uint32_t length, uint32_t position) {
    return Simple(kCmdWriteParams, length, position,
                  data.first(std::min<size_t>(length, data.size())), {});
}

int32_t ReadKeyMap(std::span<uint8_t, 512> out, uint32_t page) {
    if (page >= kKeyMapPages)
        return kCmdBadPage;
    return Chunked(kCmdReadKeyMap, kKeyMapSize, page * kKeyMapSize, nullptr, out.data());
}

int32_t WriteKeyMap(std::span<const uint8_t, 512> map, uint32_t page) {
    if (page >= kKeyMapPages)
        return kCmdBadPage;
    return Chunked(kCmdWriteKeyMap, kKeyMapSize, page * kKeyMapSize, map.data(), nullptr);
}

int32_t ReadMacroArea(std::span<uint8_t> out, uint32_t n) {
    if (n == 0)
        return kExchangeDone;
    n = std::min<uint32_t>(n, static_cast<uint32_t>(out.size()));
    return Chunked(kCmdReadMacroArea, n, 0, nullptr, out.data());
}

int32_t WriteMacroArea(std::span<const uint8_t> area, uint32_t n) {
    if (n == 0)
        return kExchangeDone;
    n = std::min<uint32_t>(n, static_cast<uint32_t>(area.size()));
    return Chunked(kCmdWriteMacroArea, n, 0, area.data(), nullptr);
}

int32_t ReadDefaultLayout(std::span<uint8_t, 512> out) {
    return Chunked(kCmdReadDefaultLayout, kKeyMapSize, 0, nullptr, out.data());
}

int32_t ReadKeyColours(std::span<uint8_t, 56> out, uint32_t length, uint32_t base,
                       uint32_t profile) {
    return Simple(kCmdReadKeyColours, length, profile * kKeyColourProfileStride + base, {}, out);
}

int32_t WriteKeyColours(std::span<const uint8_t> data, uint32_t length, uint32_t base,
                        uint32_t profile) {
    return Simple(kCmdWriteKeyColours, length, profile * kKeyColourProfileStride + base,
                  data.first(std::min<size_t>(length, data.size())), {});
}

int32_t EnterBootLoader() {
    CommandReport request = NewRequest();
    request[3] = kCmdBootLoader;
    request[4] = kCmdBootLoader;
    return SendReport(request);
}

} // namespace device
