#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "macros/Download.h"
#include "macros/MacroRecord.h"
#include "profiles/ProfileImage.h"
#include "profiles/Snapshot.h"

using namespace profiles;

namespace {

constexpr uint16_t kA = 0x1E; // key index of "A"

// A small default layout: A, left Shift, G1, Mute, an empty slot and an action-5 slot;
// the bytes after the 126 slots are the keyboard's own and must survive.
std::array<uint8_t, 512> Layout() {
    std::array<uint8_t, 512> d{};
    const uint8_t slots[][3] = {{2, 2, 0x04}, {2, 1, 0x02}, {6, 0xA2, 1},
                                {3, 0xE2, 0}, {0, 0, 0},    {5, 7, 7}};
    for (size_t s = 0; s < std::size(slots); ++s)
        for (size_t b = 0; b < 3; ++b)
            d[3 * s + b] = slots[s][b];
    for (size_t i = 378; i < 512; ++i)
        d[i] = static_cast<uint8_t>(i);
    return d;
}

std::array<uint8_t, 512> WithSlot(size_t s, uint8_t action, uint8_t p1, uint8_t p2) {
    auto map = Layout();
    map[3 * s] = action;
    map[3 * s + 1] = p1;
    map[3 * s + 2] = p2;
    return map;
}

struct Block {
    keys::KeyEntry e[kBlockEntries];
    keys::KeyEntry& operator[](size_t i) { return e[i]; }
};

} // namespace

struct DecodeCase {
    uint8_t action, p1, p2;
    uint16_t kind;
    uint32_t value;
};

class DecodeSlotTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeSlotTest, ChangedSlotOfAGivesItsEntry) {
    const DecodeCase& c = GetParam();
    auto block = std::make_unique<Block>();
    DecodeKeyMap(block->e, WithSlot(0, c.action, c.p1, c.p2), Layout());
    EXPECT_EQ((*block)[kA].kind, c.kind);
    EXPECT_EQ((*block)[kA].value, c.value);
    EXPECT_EQ((*block)[kA].code, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, DecodeSlotTest,
    ::testing::Values(DecodeCase{5, 1, 2, 4, 3},        // macro at position 2 has id 3
                      DecodeCase{5, 2, 0, 5, 0},        // stop the macro
                      DecodeCase{5, 5, 10, 8, 10},      // keyboard function 10
                      DecodeCase{5, 9, 9, 1, 0},        // another action 5: disabled
                      DecodeCase{3, 0xCD, 0x00, 7, 1},  // play/pause
                      DecodeCase{3, 0x8A, 0x01, 7, 17}, // mail, the last media function
                      DecodeCase{3, 0x34, 0x12, 1, 0},  // not a media function
                      DecodeCase{2, 2, 0x05, 2, 0x030}, // B
                      DecodeCase{2, 2, 0x00, 1, 0},     // no key for usage 0
                      DecodeCase{2, 1, 0x22, 2, 0x02A}, // lowest modifier bit: Shift
                      DecodeCase{2, 1, 0x80, 2, 0x15C}, // right Win
                      DecodeCase{0, 0, 0, 1, 0},        // nothing
                      DecodeCase{4, 0x81, 0, 1, 0},     // generic desktop stays disabled
                      DecodeCase{6, 0xA2, 3, 1, 0}));   // another special button

TEST(DecodeKeyMap, UnchangedMapGivesTheDefaultBlock) {
    auto block = std::make_unique<Block>();
    auto expected = std::make_unique<Block>();
    for (auto& e : block->e)
        e = {.kind = 9, .code = 9, .value = 9};
    SetDefaultBlock(expected->e);
    DecodeKeyMap(block->e, Layout(), Layout());
    for (size_t i = 0; i < kBlockEntries; ++i)
        EXPECT_EQ((*block)[i], (*expected)[i]) << i;
}

TEST(DecodeKeyMap, KeyAtTwoSlotsTakesTheLaterSlotWithoutTheEarlierValue) {
    // "A" sits at slots 0 and 6; slot 0 gives it B, slot 6 something without a value.
    auto set = [](std::array<uint8_t, 512>& map, size_t s, uint8_t a, uint8_t p1, uint8_t p2) {
        map[3 * s] = a;
        map[3 * s + 1] = p1;
        map[3 * s + 2] = p2;
    };
    auto layout = Layout();
    set(layout, 6, 2, 2, 0x04);
    const struct {
        uint8_t action, p1, p2;
        uint16_t kind;
    } later[] = {
        {0, 0, 0, 1},       // nothing
        {5, 2, 0, 5},       // stop the macro
        {3, 0x34, 0x12, 1}, // not a media function
        {2, 2, 0x00, 1},    // no key for usage 0
    };
    for (const auto& c : later) {
        auto map = layout;
        set(map, 0, 2, 2, 0x05);
        set(map, 6, c.action, c.p1, c.p2);
        auto block = std::make_unique<Block>();
        DecodeKeyMap(block->e, map, layout);
        EXPECT_EQ((*block)[kA].kind, c.kind) << int(c.action) << " " << int(c.p1);
        EXPECT_EQ((*block)[kA].value, 0u) << int(c.action) << " " << int(c.p1);
    }
}

TEST(DecodeKeyMap, SpecialButtonKeepsItsCode) {
    auto block = std::make_unique<Block>();
    DecodeKeyMap(block->e, WithSlot(2, 2, 2, 0x04), Layout());
    EXPECT_EQ((*block)[256].kind, 2);
    EXPECT_EQ((*block)[256].value, 0x1Eu);
    EXPECT_EQ((*block)[256].code, 0x0301);
}

TEST(DecodeKeyMap, SlotsNamingNoKeyAreSkipped) {
    auto block = std::make_unique<Block>();
    DecodeKeyMap(block->e, WithSlot(4, 2, 2, 0x04), Layout());
    DecodeKeyMap(block->e, WithSlot(5, 2, 2, 0x04), Layout());
    EXPECT_EQ((*block)[0].kind, 0);
    EXPECT_EQ((*block)[0].value, 0u);
}

TEST(DecodeKeyMap, EncodedBlockDecodesBackToItself) {
    // The download's key map for a block, read back, gives the block again.
    auto block = std::make_unique<Block>();
    SetDefaultBlock(block->e);
    (*block)[kA] = {.kind = 2, .value = 0x030};
    (*block)[0x2A] = {.kind = 7, .value = 4};
    (*block)[256] = {.kind = 8, .code = 0x0301, .value = 6};
    (*block)[0xA0] = {.kind = 1};
    const auto layout = Layout();
    const auto map = macros::BuildKeyMap(block->e, layout, {});
    for (size_t i = 378; i < 512; ++i)
        EXPECT_EQ(map[i], layout[i]);
    auto back = std::make_unique<Block>();
    DecodeKeyMap(back->e, map, layout);
    for (size_t i = 0; i < kBlockEntries; ++i)
        EXPECT_EQ((*back)[i], (*block)[i]) << i;
}

TEST(BuildKeyMap, MacroKeysPointAtTheirMacrosPosition) {
    auto block = std::make_unique<Block>();
    SetDefaultBlock(block->e);
    (*block)[kA] = {.kind = 4, .code = 3, .value = 9};
    (*block)[0x2A] = {.kind = 4, .value = 42}; // no macro has id 42
    auto macros = std::make_unique<macros::MacroRecord[]>(2);
    macros[0].id = 4;
    macros[1].id = 9;
    const auto map = macros::BuildKeyMap(block->e, Layout(), {macros.get(), 2});
    EXPECT_EQ(map[0], 5);
    EXPECT_EQ(map[1], 1);
    EXPECT_EQ(map[2], 1);
    EXPECT_EQ(map[3], 5);
    EXPECT_EQ(map[4], 1);
    EXPECT_EQ(map[5], 0);
}
