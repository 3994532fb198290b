#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "macros/MacroArea.h"
#include "ui/TextTable.h"

using namespace macros;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

// Records live on the heap: each is 16.5 KB.
struct Records {
    explicit Records(size_t n) : storage(new MacroRecord[n]()), count(n) {}
    MacroRecord& operator[](size_t i) { return storage[i]; }
    std::span<MacroRecord> span() { return {storage.get(), count}; }
    std::unique_ptr<MacroRecord[]> storage;
    size_t count;
};

void Fill(MacroRecord& m, std::u16string_view name, uint8_t cycles,
          std::initializer_list<MacroAction> actions) {
    std::memset(&m, 0, sizeof m);
    SetName(m, name);
    m.cycles = cycles;
    m.actionCount = static_cast<uint16_t>(actions.size());
    size_t i = 0;
    for (const MacroAction& a : actions)
        m.actions[i++] = a;
}

constexpr uint16_t kLeftShift = 0x02A;
constexpr uint16_t kKeyA = 0x01E; // keyboard usage 0x04

} // namespace

struct ActionCase {
    MacroAction action;
    std::vector<uint8_t> packed;
    uint32_t delayBack; // delays are kept in 10-ms units
};

class PackedActionTest : public ::testing::TestWithParam<ActionCase> {};

TEST_P(PackedActionTest, PacksToGoldenBytesAndReadsBack) {
    const ActionCase& c = GetParam();
    auto packed = PackAction(c.action);
    EXPECT_EQ(std::vector<uint8_t>(packed.begin(), packed.end()), c.packed);
    MacroAction back = UnpackAction(std::span<const uint8_t, 4>(packed));
    EXPECT_EQ(back.delayMs, c.delayBack);
    EXPECT_EQ(back.keyCode, c.action.keyCode);
    EXPECT_EQ(back.state, c.action.state);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, PackedActionTest,
    ::testing::Values(
        // a modifier goes as kind keyboard, byte 2 = 1 and its mask bit
        ActionCase{{120, kLeftShift, kStatePress}, Bytes({0x0C, 0xA0, 0x01, 0x02}), 120},
        ActionCase{{0, kLeftShift, kStateRelease}, Bytes({0x00, 0x20, 0x01, 0x02}), 0},
        ActionCase{{40000, kKeyA, kStatePress}, Bytes({0xA0, 0xAF, 0x02, 0x04}), 40000},
        // the remainder below 10 ms is dropped
        ActionCase{{15, kKeyA, kStateRelease}, Bytes({0x01, 0x20, 0x02, 0x04}), 10},
        // right Win: the highest modifier bit
        ActionCase{{10, 0x15C, kStatePress}, Bytes({0x01, 0xA0, 0x01, 0x80}), 10},
        // Mute (0x120) is a consumer usage 0x00E2 written as a 16-bit value
        ActionCase{{0, 0x120, kStatePress}, Bytes({0x00, 0xB0, 0xE2, 0x00}), 0},
        // Power (0x15E) is generic desktop 0x81
        ActionCase{{20, 0x15E, kStateRelease}, Bytes({0x02, 0x40, 0x81, 0x00}), 20}));

TEST(PackedAction, KeyWithoutUsageGoesAsKindNone) {
    auto packed = PackAction({30, 0x164, kStatePress});
    EXPECT_EQ(std::vector<uint8_t>(packed.begin(), packed.end()), Bytes({0x03, 0x80, 0, 0}));
    EXPECT_EQ(UnpackAction(std::span<const uint8_t, 4>(packed)).keyCode, 0);
}

TEST(PackedAction, DelaysBeyondTwelveBitsWrap) {
    // 41,000 ms is 4100 units of 10 ms: only the low 12 bits (4) survive.
    auto packed = PackAction({41000, kKeyA, kStateRelease});
    EXPECT_EQ(packed[0], 0x04);
    EXPECT_EQ(packed[1], 0x20);
}

TEST(MacroArea, EmptyListIsTheBareHeader) {
    EXPECT_EQ(MeasureMacroArea({}).withNames, 16u);
    EXPECT_EQ(MeasureMacroArea({}).withoutNames, 16u);
    std::vector<uint8_t> area(16, 0xEE);
    ASSERT_EQ(PackMacros(area, 16, true, {}), 1);
    EXPECT_EQ(area, Bytes({0xAA, 0x55, 16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

class TwoActionMacro : public ::testing::Test {
protected:
    void SetUp() override {
        Fill(records[0], u"Macro1", 3,
             {{120, kLeftShift, kStatePress}, {0, kLeftShift, kStateRelease}});
    }
    Records records{1};
};

TEST_F(TwoActionMacro, MeasuresThirtyBytesWithoutNamesAndFortyTwoWith) {
    AreaSizes sizes = MeasureMacroArea(records.span());
    EXPECT_EQ(sizes.withoutNames, 30u);
    EXPECT_EQ(sizes.withNames, 42u);
}

TEST_F(TwoActionMacro, PacksWithoutNames) {
    std::vector<uint8_t> area(30);
    ASSERT_EQ(PackMacros(area, 30, false, records.span()), 1);
    EXPECT_EQ(area, Bytes({0xAA, 0x55, 30,   0,    1,    0,    0,    0,
                           0,    0,    0,    0,    0,    0,    0,    0, // header
                           18,   0,                                     // offset
                           2,    0,    3,    0,                         // block
                           0x0C, 0xA0, 0x01, 0x02, 0x00, 0x20, 0x01, 0x02}));
}

TEST_F(TwoActionMacro, PacksWithNames) {
    std::vector<uint8_t> area(42);
    ASSERT_EQ(PackMacros(area, 42, true, records.span()), 1);
    EXPECT_EQ(area, Bytes({0xAA, 0x55, 42,  0, 1,   0, 1,   0, 0,    0,    0,    0,    0,    0,
                           0,    0,    18,  0, 2,   0, 3,   6, 0x0C, 0xA0, 0x01, 0x02, 0x00, 0x20,
                           0x01, 0x02, 'M', 0, 'a', 0, 'c', 0, 'r',  0,    'o',  0,    '1',  0}));
}

TEST_F(TwoActionMacro, RefusesABufferSmallerThanTheArea) {
    std::vector<uint8_t> area(41, 0x77);
    EXPECT_EQ(PackMacros(area, 42, true, records.span()), 0);
    EXPECT_EQ(area, std::vector<uint8_t>(41, 0x77));
}

TEST(MacroArea, ListRoundTripsThroughTheArea) {
    Records in(3);
    Fill(in[0], u"Copy paste", 1, {{50, 0x01D, kStatePress}, {10, 0x02E, kStatePress}});
    Fill(in[1], u"", 255, {});
    Fill(in[2], u"Volume \u97f3\u91cf", 7,
         {{0, 0x130, kStatePress}, {40000, 0x130, kStateRelease}, {990, 0x11C, kStatePress}});
    in[1].actionCount = 2000;
    for (size_t j = 0; j < 2000; ++j)
        in[1].actions[j] = {static_cast<uint32_t>(10 * (j % 4000)), kKeyA,
                            static_cast<uint16_t>(j % 2)};

    AreaSizes sizes = MeasureMacroArea(in.span());
    std::vector<uint8_t> area(sizes.withNames);
    ASSERT_EQ(PackMacros(area, static_cast<uint16_t>(sizes.withNames), true, in.span()), 1);
    ASSERT_EQ(AreaMacroCount(area), 3);

    Records out(3);
    ASSERT_EQ(UnpackMacros(out.span(), area), 1);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(out[i].id, i + 1);
        EXPECT_EQ(out[i].cycles, in[i].cycles);
        EXPECT_EQ(out[i].isNew, 0);
        EXPECT_EQ(out[i].actionCount, in[i].actionCount);
        for (size_t j = 0; j < in[i].actionCount; ++j) {
            EXPECT_EQ(out[i].actions[j].delayMs, in[i].actions[j].delayMs);
            EXPECT_EQ(out[i].actions[j].keyCode, in[i].actions[j].keyCode);
            EXPECT_EQ(out[i].actions[j].state, in[i].actions[j].state);
        }
    }
    EXPECT_EQ(NameOf(out[0]), u"Copy paste");
    // an empty name travels as length 0 and comes back as the default name by position
    EXPECT_EQ(NameOf(out[1]), std::u16string(ui::TextOf(ui::TextKey::MACRO_NEW_PREFIX)) + u"2");
    EXPECT_EQ(NameOf(out[2]), u"Volume \u97f3\u91cf");
}

TEST(MacroArea, AreaWithoutNamesDecodesToDefaultNamesAndIdsByPosition) {
    Records in(2);
    Fill(in[0], u"First", 1, {{10, kKeyA, kStatePress}});
    Fill(in[1], u"Second", 2, {});
    std::vector<uint8_t> area(MeasureMacroArea(in.span()).withoutNames);
    ASSERT_EQ(PackMacros(area, static_cast<uint16_t>(area.size()), false, in.span()), 1);
    Records out(2);
    ASSERT_EQ(UnpackMacros(out.span(), area), 1);
    EXPECT_EQ(NameOf(out[0]), u"Macro1");
    EXPECT_EQ(NameOf(out[1]), u"Macro2");
    EXPECT_EQ(out[0].id, 1);
    EXPECT_EQ(out[1].id, 2);
}

namespace {

// One macro of one action named "Ab": header, offset 18, block at 18.
std::vector<uint8_t> SmallArea() {
    return Bytes({0xAA, 0x55, 30, 0, 1, 0, 1, 0,    0,    0,    0,    0,   0, 0,   0,
                  0,    18,   0,  1, 0, 1, 2, 0x01, 0xA0, 0x02, 0x04, 'A', 0, 'b', 0});
}

} // namespace

struct BadArea {
    const char* what;
    size_t records; // how many the caller expects
    std::vector<uint8_t> area;
};

class DamagedAreaTest : public ::testing::TestWithParam<BadArea> {};

TEST_P(DamagedAreaTest, IsRefusedAndLeavesNothingBehind) {
    const BadArea& c = GetParam();
    Records out(c.records);
    for (size_t i = 0; i < c.records; ++i)
        std::memset(&out[i], 0x5A, sizeof(MacroRecord));
    EXPECT_EQ(UnpackMacros(out.span(), c.area), 0) << c.what;
    for (size_t i = 0; i < c.records; ++i) {
        EXPECT_EQ(out[i].actionCount, 0) << c.what;
        EXPECT_EQ(out[i].name[0], 0) << c.what;
    }
}

std::vector<uint8_t> With(std::vector<uint8_t> area, size_t at, uint8_t value) {
    area[at] = value;
    return area;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> area, size_t size) {
    area.resize(size);
    return area;
}

std::vector<uint8_t> ManyActions(uint16_t count) {
    std::vector<uint8_t> area = Bytes({0xAA,
                                       0x55,
                                       0,
                                       0,
                                       1,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       18,
                                       0,
                                       static_cast<int>(count & 0xFF),
                                       count >> 8,
                                       1,
                                       0});
    area.resize(area.size() + 4 * size_t{count}, 0);
    return area;
}

std::vector<uint8_t> ManyMacros(uint16_t n) {
    std::vector<uint8_t> area =
        Bytes({0xAA, 0x55, 0, 0, n & 0xFF, n >> 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const size_t first = 16 + 2 * size_t{n};
    for (size_t i = 0; i < n; ++i) {
        area.push_back(static_cast<uint8_t>(first + 4 * i));
        area.push_back(static_cast<uint8_t>((first + 4 * i) >> 8));
    }
    for (size_t i = 0; i < n; ++i)
        area.insert(area.end(), {0, 0, 1, 0});
    return area;
}

INSTANTIATE_TEST_SUITE_P(
    Areas, DamagedAreaTest,
    ::testing::Values(BadArea{"shorter than a header", 0, Cut(SmallArea(), 15)},
                      BadArea{"count differs from the records", 2, SmallArea()},
                      BadArea{"offset table beyond the area", 1, Cut(SmallArea(), 17)},
                      BadArea{"offset beyond the area", 1, With(SmallArea(), 16, 40)},
                      BadArea{"offset inside the offset table", 1, With(SmallArea(), 16, 4)},
                      BadArea{"actions beyond the area", 1, With(SmallArea(), 18, 4)},
                      BadArea{"name beyond the area", 1, With(SmallArea(), 21, 3)},
                      BadArea{"name longer than 249 units", 1,
                              [] {
                                  auto a = With(SmallArea(), 21, 250);
                                  a.resize(26 + 500, 'x');
                                  return a;
                              }()},
                      BadArea{"more than 2000 actions", 1, ManyActions(2001)},
                      BadArea{"more than 100 macros", 101, ManyMacros(101)}));

TEST(MacroArea, LimitsThemselvesAreAccepted) {
    Records one(1);
    EXPECT_EQ(UnpackMacros(one.span(), ManyActions(2000)), 1);
    EXPECT_EQ(one[0].actionCount, 2000);
    Records hundred(100);
    EXPECT_EQ(UnpackMacros(hundred.span(), ManyMacros(100)), 1);
    EXPECT_EQ(hundred[99].id, 100);
    Records small(1);
    ASSERT_EQ(UnpackMacros(small.span(), SmallArea()), 1);
    EXPECT_EQ(NameOf(small[0]), u"Ab");
    EXPECT_EQ(small[0].cycles, 1);
    EXPECT_EQ(small[0].actions[0].keyCode, kKeyA);
}

TEST(MacroArea, RandomlyDamagedAreasDecodeOnlyIntoRecordsThatFit) {
    Records in(3);
    Fill(in[0], u"One", 1, {{10, kKeyA, kStatePress}, {20, kKeyA, kStateRelease}});
    Fill(in[1], u"Two", 2, {{30, kLeftShift, kStatePress}});
    Fill(in[2], u"", 3, {});
    std::vector<uint8_t> good(MeasureMacroArea(in.span()).withNames);
    ASSERT_EQ(PackMacros(good, static_cast<uint16_t>(good.size()), true, in.span()), 1);

    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> area = good;
        for (int k = 1 + next() % 4; k > 0; --k)
            area[next() % area.size()] = static_cast<uint8_t>(next() >> 16);
        if (next() % 4 == 0)
            area.resize(next() % (area.size() + 1));
        const uint16_t n = area.size() >= 6 ? static_cast<uint16_t>(area[4] | area[5] << 8) : 0;
        if (n > kMaxMacros)
            continue;
        Records out(n);
        if (UnpackMacros(out.span(), area) != 1)
            continue;
        ++accepted;
        for (size_t i = 0; i < n; ++i) {
            ASSERT_LE(out[i].actionCount, kMaxActions);
            ASSERT_LE(NameLength(out[i]), kMaxNameLength);
            ASSERT_EQ(out[i].id, i + 1);
        }
    }
    EXPECT_GT(accepted, 0); // some damage (in delays or key bytes) still decodes
}
