// The twelve exported entry points. Everything else in the library is hidden.

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include <olvask/olvask.h>

#include "lib/BackendFactory.h"
#include "lib/Core.h"
#include "lib/Log.h"

#define OLVASK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using olvask::Core;

constexpr std::chrono::milliseconds kStopGrace{2000};

std::mutex g_mutex;
std::shared_ptr<Core> g_core;

std::shared_ptr<Core> Current() {
    std::lock_guard lock(g_mutex);
    return g_core;
}

// A Core whose dispatch thread is stuck in a callback is kept for the rest of the process.
void Retire(std::shared_ptr<Core> core) {
    // A process that ends from inside a callback cannot wait for that callback to return.
    const auto grace = core->OnDispatchThread() ? std::chrono::milliseconds(0) : kStopGrace;
    if (!core->Stop(grace))
        new std::shared_ptr<Core>(std::move(core)); // deliberately never freed
}

// The program never calls End; the threads are stopped and joined when the library is
// unloaded or the process exits.
struct ExitStop {
    ~ExitStop() {
        std::shared_ptr<Core> core;
        {
            std::lock_guard lock(g_mutex);
            core = std::move(g_core);
        }
        if (core)
            Retire(std::move(core));
    }
} g_exitStop;

} // namespace

OLVASK_EXPORT int32_t Debug(int32_t level) {
    return olvask::g_logLevel.exchange(level < 0 ? 0 : level);
}

OLVASK_EXPORT int32_t Init(int32_t) {
    std::lock_guard lock(g_mutex);
    if (g_core)
        return 1;
    if (const char* level = std::getenv("OLVASK_DEBUG"); level && *level)
        olvask::g_logLevel = std::atoi(level);
    std::string name;
    auto backend = olvask::BackendFromEnvironment(&name);
    if (!backend) {
        olvask::Log(0, "unknown backend \"%s\" in OLVASK_BACKEND (use hidraw or sim)",
                    name.c_str());
        return 0;
    }
    auto core = std::make_shared<Core>(std::move(backend));
    if (!core->Start()) {
        olvask::Log(0, "the %s backend could not start", name.c_str());
        return 0;
    }
    olvask::Log(1, "started with the %s backend", name.c_str());
    g_core = std::move(core);
    return 1;
}

OLVASK_EXPORT int32_t End(void) {
    std::shared_ptr<Core> core;
    {
        std::lock_guard lock(g_mutex);
        if (!g_core || g_core->OnDispatchThread())
            return 0; // a callback cannot wait for its own thread
        core = std::move(g_core);
    }
    Retire(std::move(core));
    return 1;
}

OLVASK_EXPORT int32_t RequestGetDeviceCount(const OlvaskUnitDescriptor* unit,
                                            OlvaskCallback callback, uint32_t unit_code,
                                            uint32_t checksum, uint32_t*) {
    const auto core = Current();
    return core ? core->GetDeviceCount(unit, callback, unit_code, checksum) : 0;
}

OLVASK_EXPORT int32_t DeleteRequestFromUnitId(uint32_t handle) {
    const auto core = Current();
    return core ? core->Delete(handle) : 0;
}

OLVASK_EXPORT int32_t DeleteRequestFromHandle(uint32_t handle) {
    const auto core = Current();
    return core ? core->Delete(handle) : 0;
}

OLVASK_EXPORT int32_t RequestWrite(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                                   uint32_t unit_code, const uint8_t* data, uint32_t length,
                                   uint32_t checksum, uint32_t*) {
    const auto core = Current();
    return core ? core->Write(unit, callback, unit_code, data, length, checksum, true) : 0;
}

OLVASK_EXPORT int32_t RequestWriteOne(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                                      uint32_t unit_code, const uint8_t* data, uint32_t length,
                                      uint32_t checksum, uint32_t*) {
    const auto core = Current();
    return core ? core->Write(unit, callback, unit_code, data, length, checksum, false) : 0;
}

OLVASK_EXPORT int32_t RequestStatusWrite(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                                         uint32_t unit_code, const uint8_t* data, uint32_t length,
                                         uint32_t checksum, uint32_t* handle) {
    const auto core = Current();
    return core ? core->StatusWrite(unit, callback, unit_code, data, length, checksum, handle) : 0;
}

// No collection of the keyboard has a status to read back.
OLVASK_EXPORT int32_t RequestStatusGet(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t,
                                       uint8_t*, uint32_t, uint32_t, uint32_t*) {
    return 0;
}

OLVASK_EXPORT int32_t RequestAsyncRead(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                                       uint32_t unit_code, uint32_t checksum, uint32_t* handle) {
    const auto core = Current();
    return core ? core->AsyncRead(unit, callback, unit_code, checksum, handle) : 0;
}

// The keyboard has no feature reports.
OLVASK_EXPORT int32_t RequestStatusSetFeature(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t,
                                              const uint8_t*, uint32_t, uint32_t, uint32_t*) {
    return 0;
}
