#pragma once

#include "lib/HidPlatform.h"

namespace olvask {

// hidapi (hidraw) for enumeration, the nodes themselves for I/O; report descriptors from
// sysfs.
class HidapiPlatform final : public HidPlatform {
public:
    HidapiPlatform();
    ~HidapiPlatform() override;
    std::vector<HidEntry> Enumerate(uint16_t vendorId, uint16_t productId) override;
    std::unique_ptr<HidNodeIo> Open(const std::string& path) override;
    std::optional<std::vector<uint8_t>> ReportDescriptor(const std::string& path) override;
};

} // namespace olvask
