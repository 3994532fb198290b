#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "keys/KeyButtons.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"
#include "keys/KeyboardView.h"
#include "support/FakePrompts.h"
#include "support/MemorySettings.h"
#include "ui/AppSettings.h"
#include "ui/TextTable.h"

namespace {

using keys::KeyEntry;
using keys::Picture;

constexpr uint16_t kA = 1058, kSpace = 1090, kFn = 1174, kEnter = 1070, kF1 = 1010, kF5 = 1014;
constexpr uint16_t kG1 = 1000, kG3 = 1002, kG9 = 1143, kD1 = 1016, kD6 = 1021;

struct FakePanel : keys::KeyButtonPanel {
    struct Faces {
        Picture faces, latched;
    };
    void SetAssigned(uint16_t id, bool on) override { assigned[id] = on; }
    void SetTooltip(uint16_t id, std::u16string_view text) override { tooltips[id] = text; }
    void SetCaption(uint16_t id, std::u16string_view text) override { captions[id] = text; }
    void SetEnabled(uint16_t id, bool on) override { enabled[id] = on; }
    void SetIndicatorFaces(uint16_t id, Picture f, Picture l) override { faces[id] = {f, l}; }
    void SetLightMark(uint16_t id, uint32_t colour, bool on) override {
        marks[id] = on ? std::optional<uint32_t>(colour) : std::nullopt;
    }
    void SetEditing(uint16_t id, bool on) override { editing[id] = on; }
    void PlaceArrow(bool left, bool up) override { arrows.push_back({left, up}); }
    void Redraw(uint16_t id) override { redrawn.push_back(id); }

    std::map<uint16_t, bool> assigned, enabled, editing;
    std::map<uint16_t, std::u16string> tooltips, captions;
    std::map<uint16_t, Faces> faces;
    std::map<uint16_t, std::optional<uint32_t>> marks;
    std::vector<std::pair<bool, bool>> arrows;
    std::vector<uint16_t> redrawn;
};

struct FakeData : keys::KeyViewData {
    void WithShownBlock(const std::function<void(std::span<KeyEntry>)>& fn) override { fn(block); }
    std::u16string MacroName(uint32_t id) override {
        const auto it = macros.find(id);
        return it == macros.end() ? std::u16string() : it->second;
    }
    uint32_t ShownBlock() override { return shownBlock; }
    bool LayerB() override { return layerB; }
    void SetApplyPending() override {
        ++pendingSets;
        log->push_back("pending");
    }

    std::array<KeyEntry, keys::kKeyBlockEntries> block{};
    std::map<uint32_t, std::u16string> macros;
    uint32_t shownBlock = 0;
    bool layerB = false;
    int pendingSets = 0;
    std::vector<std::string>* log = nullptr;
};

struct FakeEditor : keys::KeyEditor {
    int OpenForKey(int id) override {
        opened.push_back(id);
        return 1;
    }
    std::vector<int> opened;
};

struct FakeLights : keys::KeyLights {
    void KeyLightClick(uint16_t id) override { clicks.push_back(id); }
    void ResetLighting() override { log->push_back("lighting"); }
    std::vector<uint16_t> clicks;
    std::vector<std::string>* log = nullptr;
};

class KeyboardViewTest : public ::testing::Test {
protected:
    KeyboardViewTest() {
        data.log = &log;
        lights.log = &log;
        view.SetEditor(&editor);
        view.SetLights(&lights);
    }
    KeyEntry& EntryOfKey(uint16_t code) { return data.block[keys::KeyIndexOf(code)]; }

    std::vector<std::string> log;
    FakePanel panel;
    FakeData data;
    MemorySettings settings;
    FakeEditor editor;
    FakeLights lights;
    keys::KeyboardView view{panel, data, settings};
};

TEST_F(KeyboardViewTest, AClickOpensTheEditorOrSwitchesALightByTheLightingMode) {
    struct Case {
        bool lightingMode, layerB;
        uint16_t id;
        int editorId; // 0: no editor
        int lightId;  // 0: no light click
    };
    const Case cases[] = {
        {false, false, kA, kA, 0},  {false, false, kSpace, kSpace, 0},
        {false, false, kFn, 0, 0},  {false, false, kD1, 0, 0},
        {false, false, kD6, 0, 0},  {false, false, kG3, kG3, 0},
        {false, true, kG3, kG3, 0}, {false, true, kG9, kG9, 0},
        {false, false, 1138, 0, 0}, // the Default button is no key
        {true, false, kA, 0, kA},   {true, false, kSpace, 0, 0},
        {true, false, kFn, 0, kFn}, {true, true, kG1, 0, kG1},
    };
    for (const Case& c : cases) {
        editor.opened.clear();
        lights.clicks.clear();
        view.SetLightingMode(c.lightingMode);
        data.layerB = c.layerB;
        view.KeyButtonClick(c.id);
        const std::vector<int> opened =
            c.editorId ? std::vector<int>{c.editorId} : std::vector<int>{};
        const std::vector<uint16_t> lit =
            c.lightId ? std::vector<uint16_t>{uint16_t(c.lightId)} : std::vector<uint16_t>{};
        EXPECT_EQ(editor.opened, opened) << c.id << " lighting " << c.lightingMode;
        EXPECT_EQ(lights.clicks, lit) << c.id << " lighting " << c.lightingMode;
    }
}

TEST_F(KeyboardViewTest, TheLayerSetsTheIndicatorAndTheSpecialCaptions) {
    for (bool layerB : {true, false}) {
        data.layerB = layerB;
        view.ShowLayer();
        const char16_t letter = layerB ? u'B' : u'A';
        for (uint16_t n = 1; n <= 9; ++n) {
            const std::u16string expected =
                n <= 5 ? std::u16string{letter, char16_t(u'0' + n)} : u"";
            EXPECT_EQ(panel.captions.at(keys::kSpecialButtonTable[n - 1].id), expected) << n;
        }
        const auto& faces = panel.faces.at(keys::kLayerIndicatorId);
        EXPECT_EQ(faces.faces, layerB ? Picture::Over : Picture::Normal);
        EXPECT_EQ(faces.latched, layerB ? Picture::Normal : Picture::Over);
    }
}

TEST_F(KeyboardViewTest, FlipIsReadStoredAtOnceAndSwapsF1ToF4ForTheDButtons) {
    auto expectFlip = [this](int flip) {
        EXPECT_EQ(view.Flip(), flip);
        for (uint16_t id = kF1; id < kF1 + 4; ++id)
            EXPECT_EQ(panel.enabled.at(id), flip == 0) << id;
        EXPECT_EQ(panel.enabled.count(kF5), 0u);
        for (uint16_t id = kD1; id <= kD6; ++id)
            EXPECT_EQ(panel.enabled.at(id), flip == 1) << id;
        const auto& faces = panel.faces.at(keys::kFlipIndicatorId);
        EXPECT_EQ(faces.faces, flip ? Picture::NormalCopy : Picture::Normal);
        EXPECT_EQ(faces.latched, Picture::Disable);
    };
    view.LoadFlip(); // nothing stored: 0
    expectFlip(0);
    view.ToggleFlip();
    expectFlip(1);
    EXPECT_EQ(settings.values.at(u"PROFILES/Flip"), u"1");
    view.ToggleFlip();
    expectFlip(0);
    EXPECT_EQ(settings.values.at(u"PROFILES/Flip"), u"0");

    settings.values[u"PROFILES/Flip"] = u"1";
    keys::KeyboardView restarted(panel, data, settings);
    restarted.LoadFlip();
    EXPECT_EQ(restarted.Flip(), 1);
    for (uint16_t id = kD1; id <= kD6; ++id)
        EXPECT_TRUE(panel.enabled.at(id));
}

TEST_F(KeyboardViewTest, TheArrowsFollowFlipAtTheNextNormalDrawingOfTheirFlipButton) {
    using Arrows = std::vector<std::pair<bool, bool>>; // left, up
    view.LoadFlip();
    view.ArrowState(keys::kFlipButton1Id, false); // hover or pressed: no face changes
    EXPECT_TRUE(panel.arrows.empty());
    view.ArrowState(keys::kFlipButton1Id, true);
    view.ArrowState(keys::kFlipButton2Id, true);
    EXPECT_EQ(panel.arrows, (Arrows{{true, false}, {false, false}}));

    view.ToggleFlip();
    view.ArrowState(keys::kFlipButton2Id, false);
    EXPECT_EQ(panel.arrows.size(), 2u) << "the arrow waits for the normal face";
    view.ButtonDrawn(keys::kFlipButton2Id, true); // the state notification reaches the arrows
    view.ArrowState(keys::kFlipButton2Id, true);  // a repaint in the same state changes nothing
    EXPECT_EQ(panel.arrows, (Arrows{{true, false}, {false, false}, {false, true}}));
    view.ArrowState(kA, true); // other buttons drive no arrow
    EXPECT_EQ(panel.arrows.size(), 3u);
}

TEST_F(KeyboardViewTest, ADrawnButtonRedrawsItsNeighboursOncePerFaceAndState) {
    using Ids = std::vector<uint16_t>;
    view.ButtonDrawn(kEnter, true);
    EXPECT_EQ(panel.redrawn, Ids{1055});
    view.ButtonDrawn(kEnter, true); // repainted because "]" was: no loop
    EXPECT_EQ(panel.redrawn, Ids{1055});
    view.ButtonDrawn(kEnter, false);
    EXPECT_EQ(panel.redrawn, (Ids{1055, 1055}));

    panel.redrawn.clear();
    view.ButtonDrawn(keys::kLayerIndicatorId, false);
    EXPECT_EQ(panel.redrawn, (Ids{1000, 1001, 1002, 1003, 1004, 1140, 1141, 1142, 1143}));
    panel.redrawn.clear();
    data.layerB = true; // a new layer redraws again
    view.ButtonDrawn(keys::kLayerIndicatorId, false);
    EXPECT_EQ(panel.redrawn.size(), 9u);

    panel.redrawn.clear();
    view.ButtonDrawn(keys::kFlipIndicatorId, false);
    EXPECT_EQ(panel.redrawn, (Ids{1010, 1011, 1012, 1013, kF5, 1130, 1131}));
    panel.redrawn.clear();
    view.ToggleFlip();
    view.ButtonDrawn(keys::kFlipIndicatorId, false);
    EXPECT_EQ(panel.redrawn, (Ids{1016, 1017, 1018, 1019, 1020, 1021, kF5, 1130, 1131}));

    panel.redrawn.clear();
    view.ButtonDrawn(kA, true);
    EXPECT_TRUE(panel.redrawn.empty());
}

TEST(KeyTooltipTest, EveryKindNamesWhatTheKeyWasGiven) {
    const std::u16string set(ui::TextOf(ui::TextKey::KEY_PROMPT_SET));
    const std::u16string mediaName = keys::GetKeyName(keys::MediaFunctionTable[1].keyCode);
    auto macroName = [](uint32_t id) { return id == 5 ? std::u16string(u"Combo") : u""; };
    struct Case {
        KeyEntry entry;
        std::u16string expected;
    };
    const Case cases[] = {
        {{0, 0, 0x030, 0, 0}, u"A"}, // the default function: the name alone
        {{0, 0x0301, 0, 0, 0}, u"A"},
        {{1, 0, 0, 0, 0}, u"A" + set},
        {{2, 0, 0x030, 0, 0}, u"A" + set + u"Key(B)"},
        {{2, 0, 0x15B, 0, 0}, u"A" + set + u"Key(" + keys::GetKeyName(0x15B) + u")"},
        {{3, 0, 12, 0, 0}, u"A" + set},
        {{4, 3, 5, 0, 0}, u"A" + set + u"Macro(Combo)"},
        {{4, 1, 9, 0, 0}, u"A" + set + u"Macro()"}, // no macro with that id
        {{5, 0, 0, 0, 0}, u"A" + set},
        {{6, 0, 12, 0, 0}, u"A" + set},
        {{7, 0, 1, 0, 0}, u"A" + set + u"Media(" + mediaName + u")"},
        {{7, 0, 18, 0, 0}, u"A" + set + u"Media()"}, // past the table, from a damaged file
        {{8, 0, 0, 0, 0}, u"A" + set + u"Function(Open)"},
        {{8, 0, 10, 0, 0}, u"A" + set + u"Function(Zoom+)"},
        {{8, 0, 11, 0, 0}, u"A" + set + u"Function()"},
        {{9, 0, 1, 0, 0}, u"A" + set},
    };
    ASSERT_FALSE(mediaName.empty());
    for (const Case& c : cases)
        EXPECT_EQ(keys::KeyTooltipText(u"A", c.entry, macroName), c.expected)
            << "kind " << c.entry.kind << " value " << c.entry.value;
}

TEST_F(KeyboardViewTest, RefreshShowsTheShownLayersSpecialEntriesAndEveryKey) {
    const std::u16string set(ui::TextOf(ui::TextKey::KEY_PROMPT_SET));
    data.block[258] = {2, 0x0303, 0x01E, 0, 0}; // G3, layer A
    data.block[267] = {8, 0x1303, 3, 0, 0};     // G3, layer B
    EntryOfKey(0x01E) = {4, 2, 7, 0, 0};        // "A": macro 7
    data.macros[7] = u"Fire";
    data.layerB = true;
    view.RefreshKeyButtons();

    EXPECT_EQ(panel.tooltips.size(), 114u);
    EXPECT_EQ(panel.tooltips.at(kG3), u"G3" + set + u"Function(Save)");
    EXPECT_TRUE(panel.assigned.at(kG3));
    EXPECT_EQ(panel.tooltips.at(kG1), u"G1");
    EXPECT_FALSE(panel.assigned.at(kG1));
    EXPECT_EQ(panel.tooltips.at(kA), u"A" + set + u"Macro(Fire)");
    EXPECT_TRUE(panel.assigned.at(kA));
    EXPECT_EQ(panel.tooltips.at(kSpace), keys::GetKeyName(0x039));
    EXPECT_FALSE(panel.assigned.at(kSpace));
    EXPECT_TRUE(panel.enabled.at(kF1)) << "a refresh applies Flip";

    data.layerB = false;
    view.RefreshKeyTooltips();
    EXPECT_EQ(panel.tooltips.at(kG3), u"G3" + set + u"Key(A)");
}

TEST_F(KeyboardViewTest, ResetKeyButtonShowsTheDefaultOnlyForAnEntryOnThePicture) {
    data.shownBlock = 1;
    data.layerB = true;
    for (uint16_t id : {kA, kG1, kG3}) {
        panel.assigned[id] = true;
        panel.tooltips[id] = u"old";
    }
    view.ResetKeyButton(512 + keys::KeyIndexOf(0x01E));
    view.ResetKeyButton(512 + 265); // G1, layer B
    view.ResetKeyButton(512 + 258); // G3 of the layer not shown
    view.ResetKeyButton(258);       // another block
    EXPECT_EQ(panel.tooltips.at(kA), u"A");
    EXPECT_FALSE(panel.assigned.at(kA));
    EXPECT_EQ(panel.tooltips.at(kG1), u"G1");
    EXPECT_FALSE(panel.assigned.at(kG1));
    EXPECT_EQ(panel.tooltips.at(kG3), u"old");
    EXPECT_TRUE(panel.assigned.at(kG3));
}

TEST_F(KeyboardViewTest, ResetProfileKeysClearsTheShownLayerAndThePicturesKeysOnly) {
    for (uint16_t e = 0; e < keys::kKeyBlockEntries; ++e)
        data.block[e] = {2, 0, 0x030, 7, 0};
    for (uint16_t n = 1; n <= 9; ++n) {
        data.block[keys::SpecialButtonEntry(n, false)].code = keys::SpecialButtonCode(n, false);
        data.block[keys::SpecialButtonEntry(n, true)].code = keys::SpecialButtonCode(n, true);
    }
    data.layerB = true;
    view.ResetProfileKeys();

    std::vector<bool> cleared(keys::kKeyBlockEntries, false);
    for (const keys::KeyButton& k : keys::kKeyButtons)
        cleared[keys::KeyIndexOf(k.code)] = true;
    for (uint16_t e = 265; e <= 273; ++e)
        cleared[e] = true;
    for (uint16_t e = 0; e < keys::kKeyBlockEntries; ++e) {
        const KeyEntry kept{2, e >= 256 && e <= 264 ? uint16_t(0x0301 + e - 256) : uint16_t(0),
                            0x030, 7, 0};
        EXPECT_EQ(data.block[e], cleared[e] ? KeyEntry{} : kept) << "entry " << e;
    }
    EXPECT_EQ(std::count(cleared.begin(), cleared.end(), true), 114);
    EXPECT_EQ(data.pendingSets, 1);
    EXPECT_EQ(panel.tooltips.at(kG1), u"G1");
    EXPECT_FALSE(panel.assigned.at(kG1));
    EXPECT_FALSE(panel.assigned.at(kA));
}

TEST_F(KeyboardViewTest, RestoreDefaultKeysAsksThenResetsAndApplies) {
    for (bool yes : {false, true}) {
        for (bool lightingMode : {false, true}) {
            log.clear();
            data.block.fill(KeyEntry{7, 0, 2, 0, 0});
            FakePrompts prompts;
            prompts.answers = {yes};
            view.SetLightingMode(lightingMode);
            view.RestoreDefaultKeys(prompts, [this] { log.push_back("apply"); });

            ASSERT_EQ(prompts.questions.size(), 1u);
            EXPECT_EQ(prompts.questions[0], ui::TextOf(ui::TextKey::MAIN_PROMPT_DEFAULT));
            std::vector<std::string> expected;
            if (yes) {
                expected = {"pending"};
                if (lightingMode)
                    expected.push_back("lighting");
                expected.push_back("apply");
            }
            EXPECT_EQ(log, expected) << "yes " << yes << " lighting " << lightingMode;
            EXPECT_EQ(EntryOfKey(0x01E), (yes ? KeyEntry{} : KeyEntry{7, 0, 2, 0, 0}));
        }
    }
}

TEST_F(KeyboardViewTest, LightMarksAreSetSinglyAndClearedEverywhere) {
    view.SetLightMark(kA, 0x0000FF);
    view.SetLightMark(kFn, 0x00FF00);
    panel.assigned[kG9] = true;
    EXPECT_EQ(panel.marks.at(kA), 0x0000FFu);
    view.ClearLightMarks();
    EXPECT_EQ(panel.marks.size(), 115u); // 105 keys, 9 special buttons, Fn
    for (const auto& [id, mark] : panel.marks)
        EXPECT_FALSE(mark.has_value()) << id;
    EXPECT_FALSE(panel.assigned.at(kG9));
    EXPECT_EQ(panel.marks.count(kD1), 0u);
}

} // namespace
