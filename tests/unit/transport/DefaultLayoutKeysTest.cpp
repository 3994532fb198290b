// The virtual keyboard's default layout, read through the program's key tables.

#include <gtest/gtest.h>

#include <set>

#include "keys/KeyCodes.h"
#include "ui/Utf.h"
#include "vkbd/FactoryContent.h"

namespace {

constexpr uint16_t kBreak = 0x146; // listed, but not a key of its own on this keyboard

TEST(DefaultLayoutKeys, EverySlotDecodesToTheKeyItIsMeantFor) {
    std::set<uint16_t> keysSeen;
    std::set<uint16_t> gKeys;
    for (const vkbd::LayoutSlot& s : vkbd::DefaultLayoutSlots()) {
        const uint16_t code = keys::KeyCodeOfSlot(s.action, s.p1, s.p2);
        if (!s.key) {
            EXPECT_EQ(code, 0);
            continue;
        }
        SCOPED_TRACE(s.key);
        if (s.action == 6) {
            gKeys.insert(code);
            continue;
        }
        if (s.action == 5) { // Fn, the keyboard's own: no key map ever changes it
            EXPECT_EQ(code, 0);
            continue;
        }
        ASSERT_NE(code, 0);
        EXPECT_EQ(keys::GetKeyName(code), ui::FromUtf8(s.key));
        EXPECT_TRUE(keysSeen.insert(code).second);
    }
    EXPECT_EQ(gKeys,
              (std::set<uint16_t>{0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x206, 0x207, 0x208}));

    // The keys of the keyboard are those the key selection list offers, Break aside.
    std::set<uint16_t> listed;
    for (uint16_t p = 0; p < keys::kListSize; ++p)
        if (keys::KeyCodeAtListPosition(p) != kBreak)
            listed.insert(keys::KeyCodeAtListPosition(p));
    EXPECT_EQ(listed.size(), 105u);
    EXPECT_EQ(keysSeen, listed);
}

} // namespace
