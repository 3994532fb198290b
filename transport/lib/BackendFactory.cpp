#include "lib/BackendFactory.h"

#include <cstdlib>

#include "common/SimProtocol.h"
#include "lib/HidapiPlatform.h"
#include "lib/HidrawBackend.h"
#include "lib/SimBackend.h"
#include "lib/UdevHotplug.h"

namespace olvask {

std::unique_ptr<Backend> BackendFromEnvironment(std::string* name) {
    const char* env = std::getenv("OLVASK_BACKEND");
    const std::string chosen = env && *env ? env : "hidraw";
    if (name)
        *name = chosen;
    if (chosen == "hidraw")
        return std::make_unique<HidrawBackend>(std::make_unique<HidapiPlatform>(),
                                               std::make_unique<UdevHotplug>());
    if (chosen == "sim")
        return std::make_unique<SimBackend>(sim::SocketPathsFromEnvironment());
    return nullptr;
}

} // namespace olvask
