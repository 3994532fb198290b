#include <gtest/gtest.h>

#include <cstring>

#include "macros/MacroList.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/StoreFixture.h"
#include "ui/TextTable.h"

using namespace macros;

namespace {

constexpr uint16_t kMacroKind = static_cast<uint16_t>(keys::KeyKind::Macro);

std::unique_ptr<MacroRecord> Stored(uint16_t id, std::u16string_view name = u"m") {
    auto r = CreateMacroRecord(name, {});
    r->id = id;
    r->isNew = 0;
    return r;
}

} // namespace

class MacroListTest : public StoreTest {
protected:
    // Makes the store's list hold copies of these records.
    void StoreList(const MacroList& list) {
        FakeMainView quiet;
        MacroList copies;
        for (const auto& r : list) {
            copies.push_back(std::make_unique<MacroRecord>());
            std::memcpy(copies.back().get(), r.get(), sizeof(MacroRecord));
        }
        CommitMacroList(copies, quiet);
    }
    void MacroKey(size_t block, size_t index, uint32_t id) {
        Entry(block, index) = {.kind = kMacroKind, .code = 3, .value = id};
    }

    FakeMainView view;
    FakePrompts prompts;
};

TEST_F(MacroListTest, CommittingAnEmptyListResetsEveryMacroKey) {
    MacroList list;
    list.push_back(Stored(1));
    list.push_back(Stored(2));
    StoreList(list);
    MacroKey(0, 0x1E, 1);
    MacroKey(2, 0x30, 2);
    MacroKey(3, 0x100, 1); // block 3 and special buttons count too

    CommitMacroList({}, view);

    EXPECT_EQ(Store().macroCount, 0);
    EXPECT_EQ(Store().macros, nullptr);
    EXPECT_EQ(Entry(0, 0x1E).kind, 0);
    EXPECT_EQ(Entry(2, 0x30).kind, 0);
    EXPECT_EQ(Entry(3, 0x100).kind, 0);
    EXPECT_EQ(view.resetButtons, (std::vector<uint32_t>{0x1E, 2 * 512 + 0x30, 3 * 512 + 0x100}));
    EXPECT_TRUE(view.applyPending);
}

TEST_F(MacroListTest, AnIdFreedAndTakenAgainInTheEditorDoesNotPlayTheNewMacro) {
    MacroList stored;
    for (uint16_t id = 1; id <= 3; ++id)
        stored.push_back(Stored(id));
    StoreList(stored);
    MacroKey(0, 0x10, 3);
    MacroKey(1, 0x11, 2);

    // The editor deletes macro 3 and adds a new one, which takes the freed id 3.
    MacroList editor;
    editor.push_back(Stored(1));
    editor.push_back(Stored(2));
    editor.push_back(CreateMacroRecord(u"new", editor));
    ASSERT_EQ(editor.back()->id, 3);

    CommitMacroList(editor, view);

    EXPECT_EQ(Entry(0, 0x10).kind, 0);
    EXPECT_EQ(Entry(1, 0x11).kind, kMacroKind);
    EXPECT_EQ(Entry(1, 0x11).value, 2u);
    EXPECT_EQ(view.resetButtons, std::vector<uint32_t>{0x10});
    // the commit clears isNew in the editor's copies and in the stored list
    EXPECT_EQ(editor.back()->isNew, 0);
    ASSERT_EQ(Store().macroCount, 3);
    EXPECT_EQ(Store().macros[2].isNew, 0);
    EXPECT_EQ(NameOf(Store().macros[2]), u"new");
}

TEST_F(MacroListTest, AMacroKeyWithoutAnIdTakesTheFirstMacro) {
    MacroKey(0, 0x20, 0);
    MacroList editor;
    editor.push_back(Stored(7));
    editor.push_back(Stored(4));
    CommitMacroList(editor, view);
    EXPECT_EQ(Entry(0, 0x20).kind, kMacroKind);
    EXPECT_EQ(Entry(0, 0x20).value, 7u);
    EXPECT_TRUE(view.applyPending);
    EXPECT_TRUE(view.resetButtons.empty());
}

TEST_F(MacroListTest, KeysOfKeptMacrosAndOtherKindsAreLeftAlone) {
    MacroKey(0, 0x20, 4);
    Entry(0, 0x21) = {.kind = 2, .value = 4};
    MacroList editor;
    editor.push_back(Stored(4));
    CommitMacroList(editor, view);
    EXPECT_EQ(Entry(0, 0x20).value, 4u);
    EXPECT_EQ(Entry(0, 0x21).kind, 2);
    EXPECT_FALSE(view.applyPending);
    // the stored list follows the editor's order
    ASSERT_EQ(Store().macroCount, 1);
    EXPECT_EQ(Store().macros[0].id, 4);
}

TEST_F(MacroListTest, LookupsByIdAndByIndex) {
    MacroList list;
    list.push_back(Stored(5));
    list.push_back(Stored(9));
    list.push_back(Stored(9));
    StoreList(list);
    EXPECT_EQ(FindMacroIndexById(9), 1);
    EXPECT_EQ(FindMacroIndexById(5), 0);
    EXPECT_EQ(FindMacroIndexById(42), 0); // a miss reads as the first position
    EXPECT_EQ(GetMacroIdByIndex(2), 9);
    EXPECT_EQ(GetMacroIdByIndex(-1), 0);
    EXPECT_EQ(GetMacroIdByIndex(3), 0);
}

TEST_F(MacroListTest, IdsAreTheSmallestFreeOnesOfTheEditorsList) {
    MacroList list;
    EXPECT_EQ(AllocateMacroId(list), 1);
    list.push_back(Stored(1));
    list.push_back(Stored(3));
    list.push_back(Stored(0));   // out of range: not taken into account
    list.push_back(Stored(250)); // out of range
    EXPECT_EQ(AllocateMacroId(list), 2);
    list.clear();
    for (uint16_t id = 1; id <= 100; ++id)
        list.push_back(Stored(id));
    EXPECT_EQ(AllocateMacroId(list), 0);
}

TEST_F(MacroListTest, NewRecordsStartAsTheEditorsNewMacros) {
    auto r = CreateMacroRecord(std::u16string(300, u'x'), {});
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(NameLength(*r), kMaxNameLength);
    EXPECT_EQ(r->name[kMaxNameLength], 0);
    EXPECT_EQ(r->cycles, 1);
    EXPECT_EQ(r->isNew, 1);
    EXPECT_EQ(r->playMode, kPlayOnce);
    EXPECT_EQ(r->id, 1);
    EXPECT_EQ(r->actionCount, 0);
}

TEST_F(MacroListTest, DefaultNamesSkipEveryPrefixOfAnExistingName) {
    MacroList list;
    list.push_back(Stored(1, u"Macro1"));
    list.push_back(Stored(2, u"mACRO12"));
    DefaultMacroNamer namer;
    EXPECT_EQ(namer.Next(list, u"Macro"), u"Macro2");
    list.push_back(Stored(3, u"Macro3 copy"));
    EXPECT_EQ(namer.Next(list, u"Macro"), u"Macro4");
    // the counter starts again when the list is empty
    EXPECT_EQ(namer.Next({}, u"Macro"), u"Macro1");
}

TEST_F(MacroListTest, AddingTheHundredAndFirstMacroIsRefusedWithTheMessage) {
    MacroList list;
    DefaultMacroNamer namer;
    for (int i = 0; i < 100; ++i)
        ASSERT_NE(AddMacro(list, namer, prompts), nullptr);
    EXPECT_EQ(NameOf(*list[99]), u"Macro100");
    EXPECT_EQ(list[99]->id, 100);
    EXPECT_TRUE(prompts.messages.empty());

    EXPECT_EQ(AddMacro(list, namer, prompts), nullptr);
    EXPECT_EQ(list.size(), 100u);
    EXPECT_EQ(prompts.messages,
              std::vector<std::u16string>{u"The maximum number of macro: 100   "});
}

TEST_F(MacroListTest, DeletingAMacroThatKeysPlayAsksFirst) {
    MacroList list;
    list.push_back(Stored(6));
    StoreList(list);
    MacroKey(1, 0x1E, 6);

    prompts.answers = {false};
    EXPECT_FALSE(ConfirmMacroDelete(*list[0], prompts));
    prompts.answers = {true};
    EXPECT_TRUE(ConfirmMacroDelete(*list[0], prompts));
    ASSERT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(prompts.questions[0], ui::TextOf(ui::TextKey::MACRO_DELETE_CONFIRM_OF_KEYS));

    // nothing to ask for a macro no key plays, or one that exists only in the editor
    auto unused = Stored(8);
    EXPECT_TRUE(ConfirmMacroDelete(*unused, prompts));
    auto fresh = CreateMacroRecord(u"x", {});
    fresh->id = 6;
    EXPECT_TRUE(ConfirmMacroDelete(*fresh, prompts));
    EXPECT_EQ(prompts.questions.size(), 2u);
}
