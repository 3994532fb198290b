#include <gtest/gtest.h>

#include <set>

#include "keys/KeyButtons.h"
#include "keys/KeyCodes.h"

namespace {

TEST(KeyButtonsTest, EveryButtonIsOneListedKeyWithItsOwnIdAndLight) {
    std::set<uint16_t> ids, codes, indexes;
    std::multiset<uint8_t> lights;
    for (const keys::KeyButton& b : keys::kKeyButtons) {
        ids.insert(b.id);
        codes.insert(b.code);
        const uint16_t index = keys::KeyIndexOf(b.code);
        EXPECT_NE(keys::ListPositionOf(b.code), keys::kNotListed) << std::hex << b.code;
        indexes.insert(index);
        lights.insert(b.lightBit);
    }
    EXPECT_EQ(ids.size(), keys::kKeyButtons.size());
    EXPECT_EQ(codes.size(), keys::kKeyButtons.size());
    EXPECT_EQ(indexes.size(), keys::kKeyButtons.size()) << "two buttons edit one entry";
    // Right Ctrl and Right Win share light 61; every other light is a button's own.
    EXPECT_EQ(lights.count(61), 2u);
    EXPECT_EQ(std::set<uint8_t>(lights.begin(), lights.end()).size(), keys::kKeyButtons.size() - 1);
    for (const keys::SpecialButton& s : keys::kSpecialButtonTable)
        EXPECT_EQ(ids.count(s.id), 0u);
}

} // namespace
