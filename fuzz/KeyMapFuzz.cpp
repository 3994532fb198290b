// A key map and a default layout as the keyboard returns them, decoded into a profile block.

#include <array>
#include <cstring>

#include "profiles/Snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::array<uint8_t, 512> keyMap{};
    std::array<uint8_t, 512> layout{};
    std::memcpy(keyMap.data(), data, std::min<size_t>(size, 512));
    if (size > 512)
        std::memcpy(layout.data(), data + 512, std::min<size_t>(size - 512, 512));
    static keys::KeyEntry block[profiles::kBlockEntries];
    profiles::DecodeKeyMap(block, keyMap, layout);
    return 0;
}
