#pragma once

// Puts a Keyboard on a SOCK_SEQPACKET socket: hosts (the transport library) and control
// clients connect there. One thread, one poll loop.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vkbd {

struct ServeOptions {
    std::string socketPath;
    std::filesystem::path statePath;
    std::chrono::milliseconds latency{1}; // a full-speed USB interrupt interval
    std::optional<uint8_t> macroUnits;
    bool startUnplugged = false;
    bool reset = false;
    bool verbose = false;
    bool lenient = false; // breaches are recorded, not refused
};

// Runs until SIGINT, SIGTERM or the quit command; returns the exit code.
int Serve(const ServeOptions& options);

} // namespace vkbd
