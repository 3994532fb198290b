#pragma once

// The one virtual keyboard of a test program that talks to it through the device link: a
// folder for its socket and state made once for the program, and a wait for the link to see
// it come or go.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "device/Transport.h"
#include "support/VirtualKeyboard.h"

inline std::filesystem::path SuiteFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vkbd-XXXXXX").string();
        return std::filesystem::path(::mkdtemp(pattern.data()));
    }();
    return folder;
}

inline VirtualKeyboard& Keyboard() {
    static VirtualKeyboard keyboard(std::filesystem::path(BRISVANE_BUILD_ROOT) / "olvask-vkbd",
                                    SuiteFolder());
    return keyboard;
}

// True once the link counts the wanted number of keyboards, false after 5 s.
inline bool WaitForCount(int32_t wanted) {
    for (int i = 0; i < 500; ++i) {
        if (device::GetDeviceCount() == wanted)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
