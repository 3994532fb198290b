#pragma once

#include <string>
#include <vector>

#include "common/SimProtocol.h"

namespace vkbd {

namespace sim = olvask::sim;

// Sends one control command to the virtual keyboard at the socket and waits for its reply.
// Fails (exit code 3, with the reason) when no virtual keyboard answers there.
sim::ControlReply SendControl(const std::string& socketPath, const std::vector<std::string>& args);

} // namespace vkbd
