#pragma once

// Whether the keyboard is plugged in and whether this user may open its hidraw nodes, read
// from sysfs and /dev as the kernel and udev leave them.

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// The root under which /sys, /dev, /run, /etc and /usr are looked up: "/", unless
// BRISVANE_SYSTEM_ROOT names a stand-in tree (the tests' fake systems).
std::filesystem::path SystemRoot();

// A path of the system under root: Under("/x", "/dev/hidraw0") is /x/dev/hidraw0.
std::filesystem::path Under(const std::filesystem::path& root, const std::filesystem::path& path);

struct KeyboardNode {
    std::string device; // as the user sees it: /dev/hidraw3
    bool exists = false;
    bool readable = false;
    bool writable = false;
    bool Open() const { return exists && readable && writable; }
};

struct KeyboardAccess {
    bool onUsb = false;              // a USB device 0C45:6515 is listed
    std::vector<KeyboardNode> nodes; // its hidraw nodes, in name order

    bool Present() const { return onUsb || !nodes.empty(); }
    // Nodes there and every one of them open to this user.
    bool Reachable() const;
    // The nodes this user cannot open, as "/dev/hidraw3, /dev/hidraw4".
    std::string BlockedNodes() const;
};

// Reads root/sys/bus/usb/devices/*/id{Vendor,Product} and the HID_ID of
// root/sys/class/hidraw/*/device/uevent, and checks each node's access for the effective
// user.
KeyboardAccess ProbeKeyboardAccess(const std::filesystem::path& root);

} // namespace platform
