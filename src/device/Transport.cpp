#include "device/Transport.h"

#include <dlfcn.h>
#include <mutex>

#include <olvask/checksum.h>

#include "device/Exchange.h"
#include "device/TransportCallback.h"

namespace device {

namespace {

TransportTable g_table;
std::atomic<bool> g_bound{false};
std::once_flag g_bindOnce;
int g_bindResult = kBindNoLibrary;

std::atomic<uint8_t> g_ledFlags{kLedInitialFlags};
std::atomic<uint32_t> g_ledHandle{0};
std::atomic<uint32_t> g_consumerHandle{0};
std::atomic<uint32_t> g_controlHandle{0};

void* OpenLibrary(const std::filesystem::path& appFolder) {
    if (!appFolder.empty()) {
        const auto beside = appFolder / kTransportLibraryName;
        if (void* module = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
    }
    return dlopen(kTransportLibraryName, RTLD_NOW | RTLD_LOCAL);
}

template <typename Fn> bool Bind(void* module, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(module, name));
    return slot != nullptr;
}

int DoBind(const std::filesystem::path& appFolder) {
    TransportTable table;
    table.module = OpenLibrary(appFolder);
    if (!table.module)
        return kBindNoLibrary;
    // Looked up in this order; the first missing name ends the binding.
    const bool all = Bind(table.module, "Debug", table.Debug) &&
                     Bind(table.module, "Init", table.Init) &&
                     Bind(table.module, "End", table.End) &&
                     Bind(table.module, "RequestGetDeviceCount", table.RequestGetDeviceCount) &&
                     Bind(table.module, "DeleteRequestFromUnitId", table.DeleteRequestFromUnitId) &&
                     Bind(table.module, "DeleteRequestFromHandle", table.DeleteRequestFromHandle) &&
                     Bind(table.module, "RequestWrite", table.RequestWrite) &&
                     Bind(table.module, "RequestWriteOne", table.RequestWriteOne) &&
                     Bind(table.module, "RequestStatusWrite", table.RequestStatusWrite) &&
                     Bind(table.module, "RequestStatusGet", table.RequestStatusGet) &&
                     Bind(table.module, "RequestAsyncRead", table.RequestAsyncRead) &&
                     Bind(table.module, "RequestStatusSetFeature", table.RequestStatusSetFeature);
    if (!all)
        return kBindMissingEntry; // the module stays loaded: it is never released
    if (table.Init(0) <= 0)
        return kBindInitRefused;
    g_table = table;
    g_bound.store(true, std::memory_order_release);
    return kBindOk;
}

uint32_t LowBits(OlvaskCallback callback) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(callback));
}

} // namespace

const TransportTable& Transport() {
    return g_table;
}

bool TransportBound() {
    return g_bound.load(std::memory_order_acquire);
}

uint32_t CallChecksum(const OlvaskUnitDescriptor& unit, OlvaskCallback callback, uint32_t unitCode,
                      std::span<const uint8_t> data) {
    uint32_t sum = olvask_checksum_add(0, &unit, sizeof unit);
    sum = olvask_checksum_add_u32(sum, LowBits(callback));
    sum = olvask_checksum_add_u32(sum, unitCode);
    if (!data.empty())
        sum = olvask_checksum_add(sum, data.data(), data.size());
    return sum;
}

int BindTransport(const std::filesystem::path& appFolder) {
    std::call_once(g_bindOnce, [&] { g_bindResult = DoBind(appFolder); });
    return g_bindResult;
}

int OpenDeviceLink(const std::filesystem::path& appFolder, TransportEvents& events,
                   int32_t* count) {
    if (count)
        *count = 0;
    const int bound = BindTransport(appFolder);
    if (bound != kBindOk)
        return bound;
    SetTransportEvents(&events);
    ResetLedStatus();
    g_ledHandle = 0; // first registered at the first layer switch
    RegisterConsumerChannel();
    PrepareExchange();
    RegisterControlChannel();
    const int32_t found = GetDeviceCount();
    if (count)
        *count = found;
    events.OnKeyboardCountChanged(found);
    return kBindOk;
}

int32_t GetDeviceCount() {
    if (!TransportBound())
        return 0;
    const uint32_t sum = CallChecksum(kCommandUnit, nullptr, 0);
    return g_table.RequestGetDeviceCount(&kCommandUnit, nullptr, 0, sum, nullptr);
}

std::array<uint8_t, 2> LedStatus() {
    return {kLedReportId, g_ledFlags.load()};
}

bool LayerB() {
    return (g_ledFlags.load() & 0x01) != 0;
}

void ResetLedStatus() {
    g_ledFlags = kLedInitialFlags;
}

uint8_t FlipLayer() {
    return static_cast<uint8_t>(g_ledFlags.fetch_xor(0x01) ^ 0x01);
}

uint32_t LedHandle() {
    return g_ledHandle;
}
uint32_t ConsumerHandle() {
    return g_consumerHandle;
}
uint32_t ControlHandle() {
    return g_controlHandle;
}

namespace {

void RegisterAsyncRead(const OlvaskUnitDescriptor& unit, uint32_t unitCode,
                       std::atomic<uint32_t>& handle) {
    if (!TransportBound())
        return;
    g_table.DeleteRequestFromUnitId(handle.load());
    uint32_t fresh = 0;
    const uint32_t sum = CallChecksum(unit, &TransportCallback, unitCode);
    g_table.RequestAsyncRead(&unit, &TransportCallback, unitCode, sum, &fresh);
    handle = fresh;
}

} // namespace

void RegisterConsumerChannel() {
    RegisterAsyncRead(kConsumerUnit, kUnitConsumer, g_consumerHandle);
}

void RegisterControlChannel() {
    RegisterAsyncRead(kControlUnit, kUnitControl, g_controlHandle);
}

void RegisterLedChannel() {
    if (!TransportBound())
        return;
    g_table.DeleteRequestFromUnitId(g_ledHandle.load());
    const auto status = LedStatus();
    uint32_t fresh = 0;
    const uint32_t sum = CallChecksum(kLedUnit, &TransportCallback, kUnitLed, status);
    g_table.RequestStatusWrite(&kLedUnit, &TransportCallback, kUnitLed, status.data(),
                               status.size(), sum, &fresh);
    g_ledHandle = fresh;
}

} // namespace device
