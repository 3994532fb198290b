#pragma once

// The olvask-vkbd command line: serve, or a control command to a running virtual keyboard.

#include <string>
#include <vector>

namespace vkbd {

extern const char kUsage[];

int RunCommandLine(const std::vector<std::string>& args);

} // namespace vkbd
