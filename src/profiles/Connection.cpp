#include "profiles/Connection.h"

#include <array>
#include <mutex>

#include "device/Commands.h"
#include "macros/Download.h"
#include "profiles/ProfileStore.h"

namespace profiles {

ConnectionReads ReadKeyboardOnConnection() {
    ConnectionReads reads;
    std::array<uint8_t, 512> layout{};
    reads.defaultLayout = device::ReadDefaultLayout(layout);
    if (reads.defaultLayout == 1) {
        ProfileStore& store = GetProfileStore();
        std::lock_guard lock(store.lock);
        store.defaultLayout = layout;
    }
    std::array<uint8_t, device::kConfigSize> config{};
    reads.config = device::ReadConfig(config);
    if (reads.config == 1)
        macros::SetMacroSpace(uint32_t{config[device::kConfigMacroUnits]} * 128);
    return reads;
}

} // namespace profiles
