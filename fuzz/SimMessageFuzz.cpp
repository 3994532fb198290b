// The payloads of the sim socket's messages, decoded by either side; what decodes encodes back
// to the same meaning.

#include <span>

#include "common/SimProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::span<const uint8_t> payload(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        if (auto info = olvask::sim::DecodePlugged(payload))
            if (!olvask::sim::DecodePlugged(olvask::sim::EncodePlugged(*info)))
                __builtin_trap();
        break;
    case 1: {
        const auto args = olvask::sim::DecodeControl(payload);
        if (olvask::sim::DecodeControl(olvask::sim::EncodeControl(args)) != args)
            __builtin_trap();
        break;
    }
    default:
        if (auto reply = olvask::sim::DecodeReply(payload))
            if (!olvask::sim::DecodeReply(olvask::sim::EncodeReply(*reply)))
                __builtin_trap();
        break;
    }
    return 0;
}
