#pragma once

// The operating system's side of the hidraw backend, behind an interface so that the
// backend's logic runs against fake nodes in tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace olvask {

// One row of the HID enumeration: hidapi lists one per usage pair of a node (nested
// collections included), all with the node's path.
struct HidEntry {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int interfaceNumber = -1;
};

// One opened node. Read, Wake and Write may run on different threads at once.
class HidNodeIo {
public:
    virtual ~HidNodeIo() = default;
    // Waits for the next input report, at most timeoutMs (< 0: without a time-out). > 0: bytes
    // read (byte 0 = report id on numbered nodes); 0: woken by Wake or the time ran out;
    // < 0: the node is gone.
    virtual int Read(std::span<uint8_t> buffer, int timeoutMs) = 0;
    // Makes the Read that waits now, and every later one, return 0 at once.
    virtual void Wake() = 0;
    // Bytes written, < 0 on failure. May wait as long as the kernel lets a transfer take.
    virtual int Write(std::span<const uint8_t> report) = 0;
};

class HidPlatform {
public:
    virtual ~HidPlatform() = default;
    virtual std::vector<HidEntry> Enumerate(uint16_t vendorId, uint16_t productId) = 0;
    virtual std::unique_ptr<HidNodeIo> Open(const std::string& path) = 0;
    // The node's HID report descriptor, nothing when it cannot be read.
    virtual std::optional<std::vector<uint8_t>> ReportDescriptor(const std::string& path) = 0;
};

// Tells the backend that nodes may have come or gone.
class HotplugSource {
public:
    virtual ~HotplugSource() = default;
    // Starts listening; called before the first enumeration so that nothing is missed.
    virtual bool Prepare() = 0;
    // From here on calls onChange (on its own thread) after every burst of changes.
    virtual void Start(std::function<void()> onChange) = 0;
    // Asks for one onChange call soon (a node was lost without a hot-plug event yet).
    virtual void Kick() = 0;
    virtual void Stop() = 0;
    // True when no device manager sets up new nodes: opening them may need a moment.
    virtual bool NodesMaySettleLate() const = 0;
};

} // namespace olvask
