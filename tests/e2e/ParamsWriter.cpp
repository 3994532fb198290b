// Another program that sets the keyboard's lighting: writes bytes into its parameter area,
// bracketed as every writer must, through the transport library beside the programs.
//
//   params_writer POSITION BYTE...   (decimal position, bytes in hexadecimal)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "device/Commands.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: params_writer POSITION BYTE...\n");
        return 2;
    }
    const auto position = static_cast<uint32_t>(std::stoul(argv[1]));
    std::vector<uint8_t> data;
    for (int i = 2; i < argc; ++i)
        data.push_back(static_cast<uint8_t>(std::stoul(argv[i], nullptr, 16)));

    device::IgnoredTransportEvents events;
    int32_t count = 0;
    if (device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count) != device::kBindOk)
        return 1;
    for (int i = 0; i < 200 && device::GetDeviceCount() < 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    device::BeginTransfer();
    const int32_t result = device::WriteParams(data, static_cast<uint32_t>(data.size()), position);
    device::EndTransfer();
    return result == 1 ? 0 : 1;
}
