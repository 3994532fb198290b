#include "profiles/StoreKeyData.h"

#include <mutex>

#include "device/Transport.h"
#include "macros/MacroRecord.h"
#include "profiles/CurrentProfile.h"
#include "profiles/ProfileStore.h"
#include "ui/MainView.h"

namespace profiles {

void StoreKeyData::WithShownBlock(const std::function<void(std::span<keys::KeyEntry>)>& fn) {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    if (store.image)
        fn(std::span<keys::KeyEntry>(store.image->blocks[ShownBlock()], kBlockEntries));
}

std::u16string StoreKeyData::MacroName(uint32_t id) {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    for (const macros::MacroRecord& macro : store.Macros())
        if (macro.id == id)
            return std::u16string(macros::NameOf(macro));
    return {};
}

uint32_t StoreKeyData::ShownBlock() {
    const int profile = CachedCurrentProfile();
    return profile < 0 || profile >= static_cast<int>(kProfileCount)
               ? 0u
               : static_cast<uint32_t>(profile);
}

bool StoreKeyData::LayerB() {
    return device::LayerB();
}

void StoreKeyData::SetApplyPending() {
    view_.SetApplyPending(true);
}

} // namespace profiles
