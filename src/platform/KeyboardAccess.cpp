#include "platform/KeyboardAccess.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kVendor = "0c45";
constexpr const char* kProduct = "6515";
// HID_ID of the HID device: bus 0003 (USB), vendor, product, each in upper-case hex.
constexpr const char* kHidId = "HID_ID=0003:00000C45:00006515";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

bool HasLine(const std::filesystem::path& file, const std::string& wanted) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (Lower(line) == Lower(wanted))
            return true;
    return false;
}

bool Access(const std::filesystem::path& file, int mode) {
    return ::faccessat(AT_FDCWD, file.c_str(), mode, AT_EACCESS) == 0;
}

std::vector<std::filesystem::path> Entries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

std::filesystem::path SystemRoot() {
    const char* root = std::getenv("BRISVANE_SYSTEM_ROOT");
    return root && *root ? std::filesystem::path(root) : std::filesystem::path("/");
}

std::filesystem::path Under(const std::filesystem::path& root, const std::filesystem::path& path) {
    return root / path.relative_path();
}

bool KeyboardAccess::Reachable() const {
    return !nodes.empty() &&
           std::all_of(nodes.begin(), nodes.end(), [](const KeyboardNode& n) { return n.Open(); });
}

std::string KeyboardAccess::BlockedNodes() const {
    std::string list;
    for (const KeyboardNode& node : nodes)
        if (!node.Open())
            list += (list.empty() ? "" : ", ") + node.device;
    return list;
}

KeyboardAccess ProbeKeyboardAccess(const std::filesystem::path& root) {
    KeyboardAccess access;
    for (const auto& device : Entries(Under(root, "/sys/bus/usb/devices")))
        if (Lower(FirstLine(device / "idVendor")) == kVendor &&
            Lower(FirstLine(device / "idProduct")) == kProduct)
            access.onUsb = true;
    for (const auto& hidraw : Entries(Under(root, "/sys/class/hidraw"))) {
        if (!HasLine(hidraw / "device" / "uevent", kHidId))
            continue;
        KeyboardNode node;
        node.device = "/dev/" + hidraw.filename().string();
        const auto file = Under(root, node.device);
        std::error_code error;
        node.exists = std::filesystem::exists(file, error);
        node.readable = node.exists && Access(file, R_OK);
        node.writable = node.exists && Access(file, W_OK);
        access.nodes.push_back(node);
    }
    return access;
}

} // namespace platform
