#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "keys/KeyButtons.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTable.h"
#include "macros/CompositeDialog.h"
#include "macros/MacroList.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/MemorySettings.h"
#include "support/StoreFixture.h"
#include "ui/IniFile.h"
#include "ui/Language.h"
#include "ui/TextTable.h"

using namespace macros;

namespace {

constexpr uint16_t kA = 0x01E, kB = 0x030;
constexpr int kButtonA = 1058;
constexpr uint32_t kRelease = 1u << 31, kRepeat = 1u << 30;

// The desktop key message of a key: its virtual key and its scan code with the extended bit.
struct Message {
    uint8_t vk;
    uint32_t lParam;
};
Message Press(uint16_t code) {
    return {keys::KeyTable[keys::KeyIndexOf(code)].virtualKey, uint32_t{code} << 16};
}

Choice Choose(int kind, uint16_t entry, uint16_t captured = 0,
              std::optional<uint16_t> macro = std::nullopt, std::u16string_view cycles = u"1",
              int mediaRow = 0, int functionRow = 0) {
    return {kind, entry, captured, macro, cycles, mediaRow, functionRow};
}

class FakeCompositeView : public CompositeView {
public:
    void ShowTab(Tab t) override { tab = t; }
    void SetKeyText(std::u16string_view text) override { keyText = text; }
    void SetApplyEnabled(bool enabled) override { applyEnabled = enabled; }
    void SetCapture(bool on) override { capture = on; }
    void SelectMediaRow(int row) override { mediaRow = row; }
    void SelectFunctionRow(int row) override { functionRow = row; }
    void SetMacroOnly(bool on) override { macroOnly = on; }
    void MacroTabChanged(unsigned parts) override { macroParts |= parts; }

    std::optional<Tab> tab;
    std::u16string keyText;
    bool applyEnabled = false;
    bool capture = false;
    int mediaRow = -1;
    int functionRow = -1;
    bool macroOnly = false;
    unsigned macroParts = 0;
};

} // namespace

TEST(CompositeEntries, ButtonsEditTheirEntryInTheShownLayer) {
    struct Case {
        int id;
        bool layerB;
        int entry;
    };
    const Case cases[] = {
        {1000, false, 256},     {1000, true, 265},   {1002, false, 258},
        {1002, true, 267},      {1004, true, 269},   {1140, false, 261},
        {1143, false, 264},     {1143, true, 273},   {kButtonA, false, 0x1E},
        {kButtonA, true, 0x1E}, {1090, false, 0x39}, {1016, false, -1}, // D1: no key and no entry
        {1174, false, -1},                                              // Fn
        {1006, false, -1}, // a main window button that is no key
        {0, false, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EntryOfButton(c.id, c.layerB), c.entry) << c.id << " layer B " << c.layerB;
    for (const keys::KeyButton& k : keys::kKeyButtons)
        EXPECT_EQ(EntryOfButton(k.id, true), keys::KeyIndexOf(k.code)) << k.id;
}

TEST(CompositeEntries, SpecialButtonsStartWithTheirFixedCode) {
    const std::pair<uint16_t, uint16_t> cases[] = {
        {256, 0x0301}, {264, 0x0309}, {265, 0x1301}, {273, 0x1309}, {255, 0}, {274, 0}, {0x1E, 0}};
    for (const auto& [entry, code] : cases)
        EXPECT_EQ(StartCodeOf(entry), code) << entry;
}

TEST(CompositePlacement, FirstPlacementInsideTheScreen) {
    const Rect screen{0, 0, 1920, 1080};
    const int w = 460, h = 430;
    struct Case {
        const char* where;
        Rect button;
        Rect expected;
    };
    const Case cases[] = {
        {"middle", {800, 400, 40, 40}, {840, 440, w, h}},
        {"bottom edge", {800, 900, 40, 40}, {840, 470, w, h}},
        {"right edge", {1850, 100, 40, 40}, {1390, 140, w, h}},
        {"bottom-right corner", {1850, 1000, 40, 40}, {1390, 570, w, h}},
        {"top-left corner", {0, 0, 40, 40}, {40, 40, w, h}},
        // Exactly at the edge still fits.
        {"flush", {1420, 610, 40, 40}, {1460, 650, w, h}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceBeside(c.button, w, h, screen), c.expected) << c.where;

    // A screen to the right of another: its own edges count.
    const Rect second{1920, 0, 1280, 1024};
    EXPECT_EQ(PlaceBeside({3150, 950, 40, 40}, w, h, second), (Rect{2690, 520, w, h}));
    EXPECT_EQ(PlaceBeside({1930, 10, 40, 40}, w, h, second), (Rect{1970, 50, w, h}));
    // Nowhere fits: the first.
    EXPECT_EQ(PlaceBeside({100, 100, 40, 40}, w, h, {0, 0, 400, 300}), (Rect{140, 140, w, h}));
}

TEST(CompositeOnScreenKeyboard, FirstInstalledInOrder) {
    EXPECT_EQ(ChooseOnScreenKeyboard([](std::string_view) { return true; }), "onboard");
    EXPECT_EQ(ChooseOnScreenKeyboard([](std::string_view p) { return p != "onboard"; }),
              "florence");
    EXPECT_EQ(ChooseOnScreenKeyboard([](std::string_view p) { return p == "matchbox-keyboard"; }),
              "matchbox-keyboard");
    EXPECT_EQ(ChooseOnScreenKeyboard([](std::string_view) { return false; }), "");
}

TEST(CompositeAssignment, EveryRowOfTheEntryTable) {
    struct Case {
        const char* row;
        Choice choice;
        keys::KeyEntry expected;
    };
    const uint16_t g3a = 258, g3b = 267;
    const Case cases[] = {
        {"key captured", Choose(2, kA, kB), {2, 0, kB}},
        {"key captured, special button", Choose(2, g3b, kB), {2, 0x1303, kB}},
        {"the key itself captured", Choose(2, kA, kA), {0, 0, kA}},
        {"nothing captured", Choose(2, kA, 0), {0, 0, 0}},
        {"nothing captured, special button", Choose(2, g3a, 0), {0, 0x0303, 0}},
        {"macro", {4, kA, 0, uint16_t{5}, u"3"}, {4, 3, 5}},
        {"macro, special button: the cycles replace the code",
         {4, g3b, 0, uint16_t{7}, u"12"},
         {4, 12, 7}},
        {"macro, cycles not a number", {4, kA, 0, uint16_t{5}, u"x"}, {4, 0, 5}},
        {"no macro", Choose(4, kA, 0, std::nullopt, u"3"), {0, 0, 0}},
        {"no macro, special button", Choose(4, g3a, 0, std::nullopt, u"3"), {0, 0x0303, 0}},
        {"media", Choose(7, kA, 0, std::nullopt, u"1", 8), {7, 0, 8}},
        {"media, special button", Choose(7, g3b, 0, std::nullopt, u"1", 17), {7, 0x1303, 17}},
        {"function", Choose(8, kA, 0, std::nullopt, u"1", 0, 10), {8, 0, 10}},
        {"default", Choose(0, kA, kB), {0, 0, 0}},
        {"default, special button", Choose(0, g3a, kB), {0, 0x0303, 0}},
        {"no function", Choose(1, kA), {1, 0, 0}},
        {"program", Choose(3, kA), {3, 0, 0}},
        {"stop macro", Choose(5, g3b), {5, 0x1303, 0}},
        {"text", Choose(6, kA), {6, 0, 0}},
        {"unknown kind", Choose(12, kA), {12, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildAssignment(c.choice), c.expected) << c.row;
}

TEST(CompositeTexts, EveryTextIsRealInBothLanguages) {
    const std::filesystem::path file =
        std::filesystem::path(BRISVANE_SOURCE_DIR) / "data" / "Skins" / "language.ini";
    ASSERT_TRUE(std::filesystem::exists(file));
    for (std::u16string_view key : kCompositeTextKeys) {
        const std::string name(key.begin(), key.end());
        const std::u16string_view builtIn = ui::WindowTextBuiltIn(key);
        EXPECT_FALSE(builtIn.empty()) << name;
        EXPECT_EQ(builtIn.find(u"hello"), std::u16string_view::npos) << name;
        for (std::u16string_view section : {ui::kEnglishSection, ui::kChineseSection}) {
            const auto text = ui::FindPrivateProfileString(section, key, 260, file);
            ASSERT_TRUE(text) << name;
            EXPECT_FALSE(text->empty()) << name;
            EXPECT_EQ(text->find(u"hello"), std::u16string::npos) << name;
        }
    }
}

TEST(CompositeTexts, TheFileWinsAndTheBuiltInFillsIn) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("composite-texts-" + std::to_string(::getpid()) + ".ini");
    {
        std::ofstream out(file);
        out << "[LANGUAGE]\nlanguage=1\n[ENGINSH]\nSINGLE_KEY=One key\nMACRO_OK=\n";
    }
    EXPECT_EQ(CompositeText(file, u"SINGLE_KEY"), u"One key");
    EXPECT_EQ(CompositeText(file, u"MACRO_OK"), u""); // present and empty
    EXPECT_EQ(CompositeText(file, u"MULTI_MEDIA"), u"Multimedia");
    std::filesystem::remove(file);
}

class CompositeDialogTest : public StoreTest {
protected:
    CompositeDialog& Dialog() { return dialog_; }
    keys::KeyEntry& Current(size_t entry) { return Entry(block_, entry); }

    void Open(int buttonId, bool layerB = false) {
        ASSERT_EQ(dialog_.OpenForKey(buttonId, layerB), 1);
        dialog_.Initialise();
    }
    bool Send(Message m, uint32_t extraBits = 0) {
        return dialog_.KeyMessage(m.vk, m.lParam | extraBits);
    }
    void StoreMacros(std::initializer_list<std::pair<uint16_t, std::u16string_view>> macros) {
        auto& store = Store();
        store.macros = std::make_unique<MacroRecord[]>(macros.size());
        store.macroCount = static_cast<uint16_t>(macros.size());
        size_t i = 0;
        for (const auto& [id, name] : macros) {
            auto r = CreateMacroRecord(name, {});
            r->id = id;
            std::memcpy(&store.macros[i++], r.get(), sizeof(MacroRecord));
        }
    }

    int block_ = 1;
    FakeCompositeView view_;
    FakeMainView main_;
    FakePrompts prompts_;
    MemorySettings settings_;
    uint32_t space_ = 8192;
    CompositeDialog dialog_{
        view_, main_, prompts_, &settings_, [this] { return block_; }, [this] { return space_; }};
};

TEST_F(CompositeDialogTest, UnknownButtonOpensNothing) {
    EXPECT_EQ(Dialog().OpenForKey(1016, false), -1);
    EXPECT_EQ(Dialog().OpenForKey(1174, true), -1);
    EXPECT_EQ(Dialog().OpenCount(), 0);
}

TEST_F(CompositeDialogTest, CapturedKeyIsWrittenToTheCurrentBlock) {
    Open(kButtonA);
    EXPECT_EQ(view_.tab, Tab::Key);
    EXPECT_TRUE(view_.capture);
    EXPECT_FALSE(view_.applyEnabled);
    EXPECT_EQ(Dialog().OpenCount(), 1);

    EXPECT_TRUE(Send(Press(kB)));
    EXPECT_EQ(view_.keyText, u"B");
    EXPECT_TRUE(view_.applyEnabled);

    EXPECT_EQ(Dialog().ApplyAssignment(), 1);
    EXPECT_EQ(Current(kA), (keys::KeyEntry{2, 0, kB}));
    EXPECT_EQ(Entry(0, kA), keys::KeyEntry{}); // other profiles untouched
    EXPECT_EQ(main_.tooltipRefreshes, 1);
    EXPECT_TRUE(main_.applyPending);
    EXPECT_FALSE(view_.applyEnabled);

    Dialog().CloseEditor();
    EXPECT_EQ(Dialog().OpenCount(), 0);
    EXPECT_FALSE(view_.capture);
    ASSERT_FALSE(main_.editingLooks.empty());
    EXPECT_EQ(main_.editingLooks.back(), std::make_pair(kButtonA, false));
}

TEST_F(CompositeDialogTest, LayerBSpecialButtonEditsItsOwnEntry) {
    const keys::KeyEntry layerA = Current(258);
    Open(1002, true);
    EXPECT_EQ(Dialog().KeyIndex(), 267);
    Send(Press(kB));
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(267), (keys::KeyEntry{2, 0x1303, kB}));
    EXPECT_EQ(Current(258), layerA);
}

TEST_F(CompositeDialogTest, RepeatsAndReleasesAreSwallowedWithoutCapture) {
    Open(kButtonA);
    Send(Press(0x02C)); // Z
    EXPECT_TRUE(Send(Press(kB), kRepeat));
    EXPECT_TRUE(Send(Press(kB), kRepeat | kRelease));
    EXPECT_TRUE(Send(Press(kB), kRelease));
    EXPECT_EQ(Dialog().CapturedKey(), 0x02C);
    EXPECT_EQ(view_.keyText, u"Z");
}

TEST_F(CompositeDialogTest, SpecialKeysOfTheCapture) {
    Open(kButtonA);
    // A multimedia key keeps its desktop function and is not captured.
    const uint16_t playPause = keys::MediaFunctionTable[1].keyCode;
    EXPECT_FALSE(Send(Press(playPause)));
    EXPECT_EQ(Dialog().CapturedKey(), 0);
    EXPECT_FALSE(view_.applyEnabled);
    // Print Screen is captured even from its release.
    EXPECT_TRUE(Send(Press(0x137), kRelease));
    EXPECT_EQ(Dialog().CapturedKey(), 0x137);
    // The Windows key.
    EXPECT_TRUE(Send(Press(0x15B)));
    EXPECT_EQ(Dialog().CapturedKey(), 0x15B);
    // Nothing reaches the model once another tab is shown.
    Dialog().TabClicked(Tab::Media);
    EXPECT_FALSE(view_.capture);
    EXPECT_FALSE(Send(Press(kB)));
    EXPECT_EQ(Dialog().CapturedKey(), 0x15B);
}

TEST_F(CompositeDialogTest, CapturingTheKeyItselfRestoresItsDefault) {
    Current(kA) = {2, 0, kB};
    Open(kButtonA);
    EXPECT_EQ(view_.keyText, u"B");
    Send(Press(kA));
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), (keys::KeyEntry{0, 0, kA}));
}

TEST_F(CompositeDialogTest, ClearThenOkWritesTheDefault) {
    Current(kA) = {2, 0, kB};
    Open(kButtonA);
    Dialog().Clear();
    EXPECT_EQ(Dialog().EditKind(), 0);
    EXPECT_EQ(view_.keyText, u"");
    EXPECT_TRUE(view_.applyEnabled);
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), keys::KeyEntry{});

    // From the media tab Clear returns to the key tab first.
    Current(kA) = {7, 0, 3};
    Open(kButtonA);
    EXPECT_EQ(view_.tab, Tab::Media);
    EXPECT_EQ(view_.mediaRow, 3);
    Dialog().Clear();
    EXPECT_EQ(view_.tab, Tab::Key);
    EXPECT_TRUE(view_.capture);
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), keys::KeyEntry{});
}

TEST_F(CompositeDialogTest, TabsFollowTheKindAndMarkTheDialogModified) {
    Open(kButtonA);
    Dialog().TabClicked(Tab::Key); // kind 0 already shows the key tab
    EXPECT_FALSE(view_.applyEnabled);
    Dialog().TabClicked(Tab::Function);
    EXPECT_EQ(view_.tab, Tab::Function);
    EXPECT_EQ(Dialog().EditKind(), 8);
    EXPECT_TRUE(view_.applyEnabled);
    Dialog().FunctionRowChosen(4);
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), (keys::KeyEntry{8, 0, 4}));

    Current(0x30) = {8, 0, 99}; // a row past the list opens on row 0
    Open(1075);
    EXPECT_EQ(view_.functionRow, 0);
    Dialog().TabClicked(Tab::Media);
    Dialog().MediaRowChosen(17);
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(0x30), (keys::KeyEntry{7, 0, 17}));
}

TEST_F(CompositeDialogTest, MacroKeyOpensOnItsMacro) {
    StoreMacros({{2, u"first"}, {5, u"combo"}});
    Current(kA) = {4, 3, 5};
    Open(kButtonA);
    EXPECT_EQ(view_.tab, Tab::Macro);
    EXPECT_FALSE(view_.capture);
    Dialog().CyclesTyped(u"3");
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), (keys::KeyEntry{4, 3, 5}));

    // A macro that no longer exists: the first one is chosen.
    Current(kA) = {4, 1, 9};
    Open(kButtonA);
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), (keys::KeyEntry{4, 1, 2}));
}

TEST_F(CompositeDialogTest, MacroTabWithoutMacrosRestoresTheDefault) {
    Current(kA) = {2, 0, kB};
    Open(kButtonA);
    Dialog().TabClicked(Tab::Macro);
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), keys::KeyEntry{});
}

TEST_F(CompositeDialogTest, MacroOnlyButtonOffersTheMacroTabAlone) {
    Open(1143, true);
    EXPECT_TRUE(Dialog().MacroOnly());
    EXPECT_TRUE(view_.macroOnly);
    EXPECT_EQ(view_.tab, Tab::Macro);
    EXPECT_EQ(Dialog().EditKind(), 4);
    EXPECT_EQ(Dialog().KeyIndex(), 273);
    for (Tab t : {Tab::Key, Tab::Media, Tab::Function})
        Dialog().TabClicked(t);
    Dialog().Clear();
    EXPECT_EQ(view_.tab, Tab::Macro);
    EXPECT_EQ(Dialog().EditKind(), 4);

    Dialog().CloseEditor();
    Open(1142);
    EXPECT_FALSE(Dialog().MacroOnly());
    EXPECT_FALSE(view_.macroOnly);
    EXPECT_EQ(view_.tab, Tab::Key);
}

TEST_F(CompositeDialogTest, EntriesTheDialogCannotShowAreKeptWhenNothingChanged) {
    const uint32_t global = static_cast<uint32_t>(block_) * 512 + kA;
    for (uint16_t kind : {1, 3, 5, 6}) {
        Current(kA) = {kind, 0, 40, 7};
        profiles::SetEntryText(global, kind == 3 || kind == 6 ? u"notepad" : u"");
        const uint32_t textBytes = Store().textBytes;
        main_.applyPending = false;
        Open(kButtonA);
        EXPECT_EQ(Dialog().ApplyAssignment(), 0) << kind;
        EXPECT_EQ(Current(kA), (keys::KeyEntry{kind, 0, 40, 7})) << kind;
        EXPECT_EQ(Store().texts->entries[global].View(), kind == 3 || kind == 6 ? u"notepad" : u"")
            << kind;
        EXPECT_EQ(Store().textBytes, textBytes) << kind;
        EXPECT_FALSE(main_.applyPending) << kind;
        Dialog().CloseEditor();
    }
}

TEST_F(CompositeDialogTest, ChangingAProgramKeyReleasesItsText) {
    const uint32_t global = static_cast<uint32_t>(block_) * 512 + kA;
    Current(kA) = {3, 0, 0};
    profiles::SetEntryText(global, u"notepad");
    const uint32_t before = Store().textBytes;
    ASSERT_GT(before, 0u);
    Open(kButtonA);
    Send(Press(kB));
    Dialog().ApplyAssignment();
    EXPECT_EQ(Current(kA), (keys::KeyEntry{2, 0, kB}));
    EXPECT_EQ(Store().texts->entries[global].length, 0u);
    EXPECT_EQ(Store().textBytes, before - 16); // "notepad" and its terminator
}

TEST_F(CompositeDialogTest, UnknownProfileWritesNothing) {
    block_ = -1;
    Open(kButtonA);
    Send(Press(kB));
    EXPECT_EQ(Dialog().ApplyAssignment(), 0);
    for (size_t b = 0; b < 4; ++b)
        EXPECT_EQ(Entry(b, kA), keys::KeyEntry{}) << b;
    EXPECT_TRUE(view_.applyEnabled); // the choice is still there to apply
    EXPECT_FALSE(main_.applyPending);
}
