#include "lib/HidapiPlatform.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <hidapi/hidapi.h>

#include "lib/HidrawNode.h"

namespace olvask {

HidapiPlatform::HidapiPlatform() {
    hid_init();
}

HidapiPlatform::~HidapiPlatform() {
    hid_exit();
}

std::vector<HidEntry> HidapiPlatform::Enumerate(uint16_t vendorId, uint16_t productId) {
    std::vector<HidEntry> entries;
    hid_device_info* all = hid_enumerate(vendorId, productId);
    for (const hid_device_info* d = all; d; d = d->next)
        entries.push_back({d->path ? d->path : "", d->vendor_id, d->product_id, d->usage_page,
                           d->usage, d->interface_number});
    hid_free_enumeration(all);
    return entries;
}

// Read and written without hidapi: its handles keep per-handle state (the last error
// text) that every read and write replaces, and its reads cannot be woken except by a
// time-out. One descriptor serves both directions, since read(2) and write(2) may run on
// it at once; the node's one writer thread writes, and the descriptor is closed only once
// its reader has been joined and a write under way on it has returned.
std::unique_ptr<HidNodeIo> HidapiPlatform::Open(const std::string& path) {
    return HidrawNode::Open(path);
}

std::optional<std::vector<uint8_t>> HidapiPlatform::ReportDescriptor(const std::string& path) {
    // hidapi's hidraw paths are /dev/hidrawN; the descriptor is an attribute of that node.
    const std::filesystem::path sysfs = std::filesystem::path("/sys/class/hidraw") /
                                        std::filesystem::path(path).filename() / "device" /
                                        "report_descriptor";
    std::ifstream in(sysfs, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}

} // namespace olvask
