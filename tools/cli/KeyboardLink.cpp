#include "KeyboardLink.h"

#include <chrono>
#include <thread>

#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "profiles/Connection.h"

namespace cli {

std::string ConnectKeyboard(const std::filesystem::path& programFolder) {
    static device::IgnoredTransportEvents events;
    int32_t count = 0;
    if (device::OpenDeviceLink(programFolder, events, &count) != device::kBindOk)
        return "the transport library libolvask.so cannot be loaded";
    // A keyboard that is being plugged in, or a virtual one just started, shows up shortly.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (count <= 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        count = device::GetDeviceCount();
    }
    if (count <= 0)
        return "no keyboard found";
    const profiles::ConnectionReads reads = profiles::ReadKeyboardOnConnection();
    if (reads.defaultLayout != 1)
        return "the keyboard does not answer (reading its default layout failed)";
    if (reads.config != 1)
        return "the keyboard does not answer (reading its configuration failed)";
    return {};
}

} // namespace cli
