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

TEST(KeyButtonsTest, OnlyTheShownBlockAndLayerHaveAButtonForAnEntry) {
    struct Case {
        uint32_t globalEntry, shownBlock;
        bool layerB;
        uint16_t id;
    };
    const uint32_t a = keys::KeyIndexOf(0x01E); // "A", button 1058
    const Case cases[] = {
        {a, 0, false, 1058},        {512 + a, 1, false, 1058},  {2 * 512 + a, 2, true, 1058},
        {512 + a, 0, false, 0},                                 // another profile's block
        {a, 1, false, 0},           {3 * 512 + a, 0, false, 0}, // the block that is never shown
        {256, 0, false, 1000},                                  // G1, layer A
        {512 + 265, 1, true, 1000},                             // G1, layer B
        {265, 0, false, 0},                                     // the other layer
        {256 + 8, 0, false, 1143},                              // G9
        {512 + 256, 0, false, 0},   {0x054, 0, false, 0},       // a key that is not on the picture
        {300, 0, false, 0},                                     // unused entry
    };
    for (const Case& c : cases)
        EXPECT_EQ(keys::ButtonShowingEntry(c.globalEntry, c.shownBlock, c.layerB), c.id)
            << c.globalEntry << " in block " << c.shownBlock;
}

} // namespace
