#include "lib/HidapiPlatform.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <hidapi/hidapi.h>

namespace olvask {

namespace {

// A hidapi handle keeps per-handle state (its last error text) that every read and write
// replaces; a reader thread and a writer on one handle would race on it. So each node has
// one handle that only its reader reads from and one that only writers (one at a time)
// write to. Reports are read from one handle only and so arrive once.
class HidapiNode final : public HidNodeIo {
public:
    HidapiNode(hid_device* reader, hid_device* writer) : reader_(reader), writer_(writer) {}
    ~HidapiNode() override {
        hid_close(reader_);
        hid_close(writer_);
    }
    int Read(std::span<uint8_t> buffer, int timeoutMs) override {
        return hid_read_timeout(reader_, buffer.data(), buffer.size(), timeoutMs);
    }
    int Write(std::span<const uint8_t> report) override {
        return hid_write(writer_, report.data(), report.size());
    }

private:
    hid_device* reader_;
    hid_device* writer_;
};

} // namespace

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

std::unique_ptr<HidNodeIo> HidapiPlatform::Open(const std::string& path) {
    hid_device* reader = hid_open_path(path.c_str());
    if (!reader)
        return nullptr;
    hid_device* writer = hid_open_path(path.c_str());
    if (!writer) {
        hid_close(reader);
        return nullptr;
    }
    return std::make_unique<HidapiNode>(reader, writer);
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
