// What the virtual keyboard holds from the factory, and its state file.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "VkbdProcess.h"
#include "vkbd/FactoryContent.h"
#include "vkbd/Hex.h"
#include "vkbd/MacroArea.h"
#include "vkbd/StateFile.h"

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
    std::string compact;
    for (char c : text)
        if (c != ' ')
            compact.push_back(c);
    return vkbd::FromHex(compact).value();
}

TEST(FactoryContent, ConfigurationListsEffectsOneTo28And254) {
    const vkbd::MemoryImage image = vkbd::FactoryImage();
    EXPECT_EQ(image.config[10], 0);
    EXPECT_EQ(image.config[11], 128);
    std::vector<uint8_t> effects(image.config.begin() + 16, image.config.end());
    std::vector<uint8_t> expected;
    for (int e = 1; e <= 28; ++e)
        expected.push_back(static_cast<uint8_t>(e));
    expected.insert(expected.end(), {254, 0, 0, 0});
    EXPECT_EQ(effects, expected);
}

TEST(FactoryContent, LightingAndKeyLightsAreInTheirDefaultStateForEveryProfile) {
    const std::vector<uint8_t> record = Hex(
        "05 03 01 00 FF FF 00 00 08 FF FF FF FF 00 00 00 FF 00 00 00 00 FF FF 00 00 FF FF FF 00 "
        "00 FF FF FF 00 00");
    const std::vector<uint8_t> pattern0 =
        Hex("00 08 0C 08 00 00 00 00 20 20 20 00 00 10 00 00 00 00");
    const std::vector<uint8_t> pattern9 =
        Hex("00 00 00 00 00 00 00 00 00 00 02 00 00 00 00 00 00 00");
    const vkbd::MemoryImage image = vkbd::FactoryImage();
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        EXPECT_TRUE(std::equal(record.begin(), record.end(), image.params.begin() + 42 * p));
        EXPECT_TRUE(
            std::equal(pattern0.begin(), pattern0.end(), image.keyColours.begin() + 180 * p));
        EXPECT_TRUE(
            std::equal(pattern9.begin(), pattern9.end(), image.keyColours.begin() + 180 * p + 162));
        EXPECT_TRUE(std::equal(image.keyMaps.begin() + 512 * p,
                               image.keyMaps.begin() + 512 * (p + 1),
                               vkbd::DefaultLayout().begin()));
    }
    EXPECT_TRUE(std::all_of(image.macroArea.begin(), image.macroArea.end(),
                            [](uint8_t b) { return b == 0; }));
}

TEST(FactoryContent, DefaultLayoutNamesEachKeyOnceAndTheGKeysAsAction6) {
    std::set<std::string> keys;
    std::set<std::vector<uint8_t>> actions;
    int gKeys = 0;
    for (const vkbd::LayoutSlot& s : vkbd::DefaultLayoutSlots()) {
        if (!s.key) {
            EXPECT_EQ(s.action | s.p1 | s.p2, 0);
            continue;
        }
        EXPECT_TRUE(keys.insert(s.key).second) << s.key << " twice";
        EXPECT_TRUE(actions.insert({s.action, s.p1, s.p2}).second) << s.key << " shares its action";
        if (s.action == 6) {
            ++gKeys;
            EXPECT_EQ(s.p1, 0xA2);
            EXPECT_EQ(std::string(s.key), "G" + std::to_string(s.p2));
        }
    }
    EXPECT_EQ(keys.size(), 115u); // 105 keys, nine G keys, Fn
    EXPECT_EQ(gKeys, 9);
    // The bytes are the slots, then zeros.
    const auto layout = vkbd::DefaultLayout();
    EXPECT_EQ(layout[3 * 125 + 2], 0);
    EXPECT_TRUE(std::all_of(layout.begin() + 378, layout.end(), [](uint8_t b) { return b == 0; }));
}

TEST(StateFile, KeepsEveryMemoryAcrossASaveAndALoad) {
    transport_test::TempFolder folder;
    const auto path = folder.Path() / "state";
    vkbd::MemoryImage image = vkbd::FactoryImage(12);
    image.config[10] = 1;
    image.params[255] = 0x77;
    image.keyMaps[1535] = 0x66;
    image.keyColours[767] = 0x55;
    image.macroArea[255 * 128 - 1] = 0x44;
    std::string error;
    ASSERT_TRUE(vkbd::SaveState(path, image, &error)) << error;
    vkbd::MemoryImage loaded;
    ASSERT_EQ(vkbd::LoadState(path, &loaded, &error), vkbd::LoadResult::Loaded) << error;
    EXPECT_TRUE(loaded == image);
    // Nothing is left beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(StateFile, AMissingFileIsNotDamageAndADamagedOneIsNotLoaded) {
    transport_test::TempFolder folder;
    vkbd::MemoryImage image = vkbd::FactoryImage();
    std::string error;
    EXPECT_EQ(vkbd::LoadState(folder.Path() / "none", &image, &error), vkbd::LoadResult::Missing);

    const auto path = folder.Path() / "state";
    ASSERT_TRUE(vkbd::SaveState(path, image, &error));
    std::string text;
    {
        std::ifstream in(path);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::pair<const char*, std::string> damages[] = {
        {"another header", "something else\n" + text.substr(text.find('\n') + 1)},
        {"a short memory", text.substr(0, text.find("params ") + 9) + "\n"},
        {"not hexadecimal", text + "params zz\n"},
    };
    for (const auto& [what, damaged] : damages) {
        SCOPED_TRACE(what);
        std::ofstream(path, std::ios::trunc) << damaged;
        vkbd::MemoryImage target = vkbd::FactoryImage(3);
        EXPECT_EQ(vkbd::LoadState(path, &target, &error), vkbd::LoadResult::Damaged);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(target.config[11], 3); // untouched
    }
}

TEST(MacroArea, PlaybackLastsThePausesTimesTheCycles) {
    // Header, one offset, one block: 2 actions (120 ms, 30 ms), 3 cycles.
    std::vector<uint8_t> area = Hex("AA 55 1E 00 01 00 00 00 0000000000000000 12 00 "
                                    "02 00 03 00 0C 80 02 04 03 00 02 04");
    area.resize(128);
    std::string error;
    const auto macro = vkbd::MacroAt(area, 0, &error);
    ASSERT_TRUE(macro) << error;
    EXPECT_EQ(macro->actions, 2);
    EXPECT_EQ(macro->cycles, 3);
    EXPECT_EQ(macro->durationMs, 450u);

    EXPECT_FALSE(vkbd::MacroAt(area, 1, &error));
    EXPECT_NE(error.find("none at position 1"), std::string::npos);
    area[16] = 0x7F; // the block's offset points past the area's size
    EXPECT_FALSE(vkbd::MacroAt(area, 0, &error));
    EXPECT_FALSE(vkbd::MacroAt(std::vector<uint8_t>(64, 0), 0, &error)); // no magic
}

} // namespace
