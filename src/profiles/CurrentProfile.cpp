#include "profiles/CurrentProfile.h"

#include <array>
#include <atomic>
#include <cstdint>

#include "device/Commands.h"
#include "profiles/ProfileImage.h"

namespace profiles {
namespace {

std::atomic<int> g_currentProfile{kUnknownProfile};

} // namespace

int CachedCurrentProfile() {
    return g_currentProfile.load();
}
void ForgetCurrentProfile() {
    g_currentProfile.store(kUnknownProfile);
}

int GetCurrentProfile() {
    int cached = g_currentProfile.load();
    if (cached != kUnknownProfile)
        return cached;
    std::array<uint8_t, device::kConfigSize> config{};
    if (device::ReadConfig(config) != 1)
        return kUnknownProfile;
    // A number that names none of the three profiles (erased or damaged memory) is no
    // profile: callers take the current profile for a key block and a key map page.
    const int n = config[device::kConfigActiveProfile];
    if (n >= static_cast<int>(kProfileCount))
        return kUnknownProfile;
    g_currentProfile.store(n);
    return n;
}

void SetCurrentProfile(int n) {
    if (n < 0)
        return;
    std::array<uint8_t, device::kConfigSize> config{};
    if (device::ReadConfig(config) != 1)
        return;
    config[device::kConfigActiveProfile] = static_cast<uint8_t>(n);
    g_currentProfile.store(device::WriteConfig(config) == 1 ? n : kUnknownProfile);
}

} // namespace profiles
