#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "keys/KeyCodes.h"
#include "macros/MacroEditor.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/StoreFixture.h"
#include "ui/TextTable.h"

using namespace macros;

namespace {

constexpr uint16_t kA = 0x1E, kB = 0x30, kC = 0x2E;

std::unique_ptr<MacroRecord> Record(uint16_t id, std::u16string_view name,
                                    std::initializer_list<MacroAction> actions = {},
                                    uint8_t cycles = 1) {
    auto r = CreateMacroRecord(name, {});
    r->id = id;
    r->isNew = 0;
    r->cycles = cycles;
    for (const MacroAction& a : actions)
        r->actions[r->actionCount++] = a;
    return r;
}

std::vector<uint16_t> Keys(const std::vector<MacroAction>& rows) {
    std::vector<uint16_t> keys;
    for (const MacroAction& a : rows)
        keys.push_back(a.keyCode);
    return keys;
}

std::vector<uint32_t> Delays(const std::vector<MacroAction>& rows) {
    std::vector<uint32_t> delays;
    for (const MacroAction& a : rows)
        delays.push_back(a.delayMs);
    return delays;
}

} // namespace

class MacroEditorTest : public StoreTest {
protected:
    // The store holds these macros; the editor opens on them.
    void Open(MacroList stored) {
        FakeMainView quiet;
        CommitMacroList(stored, quiet);
        editor.Fill();
        modifications = 0;
    }
    // Three rows A, B, C with delays 10, 20, 30 in one stored macro, shown.
    void OpenOnThreeRows() {
        MacroList list;
        list.push_back(Record(1, u"abc", {{10, kA, 0}, {20, kB, 1}, {30, kC, 0}}));
        Open(std::move(list));
        editor.ShowTab(true, 1);
        modifications = 0;
    }
    std::u16string StoredName(size_t i) { return std::u16string(NameOf(Store().Macros()[i])); }

    FakePrompts prompts;
    FakeMainView view;
    int modifications = 0;
    MacroEditor editor{prompts, [this] { ++modifications; }};
};

TEST_F(MacroEditorTest, AddNamesTheMacroAfterTheFirstFreeNumberAndShowsIt) {
    const struct {
        std::vector<std::u16string> existing;
        std::u16string added;
    } cases[] = {
        {{}, u"Macro1"},
        {{u"Macro1", u"Macro3"}, u"Macro2"},
        {{u"macro1", u"Macro12", u"Macro2"}, u"Macro3"}, // case and prefixes count
    };
    for (const auto& c : cases) {
        MacroList list;
        uint16_t id = 1;
        for (const auto& name : c.existing)
            list.push_back(Record(id++, name, {{100, kA, 0}}));
        Open(std::move(list));
        MacroEditor fresh(prompts, [] {});
        fresh.Fill();
        fresh.ShowTab(true, 0);

        fresh.Add();

        ASSERT_EQ(fresh.Macros().size(), c.existing.size() + 1);
        const MacroRecord& added = *fresh.Macros().back();
        EXPECT_EQ(NameOf(added), c.added);
        EXPECT_EQ(added.isNew, 1);
        EXPECT_EQ(added.id, c.existing.size() + 1);
        EXPECT_EQ(fresh.Current(), static_cast<int>(c.existing.size()));
        EXPECT_TRUE(fresh.Rows().empty());
        EXPECT_EQ(fresh.CyclesText(), u"1");
    }
}

TEST_F(MacroEditorTest, TypingIntoTheEmptyBoxCreatesAMacroAndFurtherTypingRenamesIt) {
    Open({});
    editor.NameTyped(u"J");
    ASSERT_EQ(editor.Macros().size(), 1u);
    EXPECT_EQ(editor.Current(), 0);
    EXPECT_EQ(editor.Macros()[0]->id, 1);
    EXPECT_TRUE(editor.ActionButtonsEnabled());

    editor.NameTyped(u"Jump");
    ASSERT_EQ(editor.Macros().size(), 1u);
    EXPECT_EQ(NameOf(*editor.Macros()[0]), u"Jump");
    EXPECT_EQ(modifications, 3); // two names and the shown cycle count
}

TEST_F(MacroEditorTest, DeleteSelectsThePreviousMacroOrTheNewFirstOne) {
    const struct {
        int deleted;
        std::vector<std::u16string> left;
        int current;
    } cases[] = {
        {0, {u"B", u"C"}, 0},
        {2, {u"A", u"B"}, 1},
    };
    for (const auto& c : cases) {
        MacroList list;
        list.push_back(Record(1, u"A", {{1, kA, 0}}));
        list.push_back(Record(2, u"B", {{2, kB, 0}}));
        list.push_back(Record(3, u"C", {{3, kC, 0}}));
        Open(std::move(list));
        editor.ShowTab(true, static_cast<uint32_t>(c.deleted + 1));

        editor.Delete();

        std::vector<std::u16string> left;
        for (const auto& m : editor.Macros())
            left.emplace_back(NameOf(*m));
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(editor.Current(), c.current);
        // The rows are the selected macro's, not the deleted one's.
        EXPECT_EQ(Keys(editor.Rows()),
                  std::vector<uint16_t>{editor.Macros()[c.current]->actions[0].keyCode});
    }
}

TEST_F(MacroEditorTest, DeletingTheOnlyMacroEmptiesTheTab) {
    MacroList list;
    list.push_back(Record(1, u"A", {{1, kA, 0}}));
    Open(std::move(list));
    editor.ShowTab(true, 1);

    editor.Delete();

    EXPECT_TRUE(editor.Macros().empty());
    EXPECT_EQ(editor.Current(), -1);
    EXPECT_TRUE(editor.Rows().empty());
    EXPECT_FALSE(editor.ActionButtonsEnabled());
    EXPECT_FALSE(editor.CurrentMacroId());
}

TEST_F(MacroEditorTest, DeletingAMacroThatAKeyPlaysNeedsYes) {
    MacroList list;
    list.push_back(Record(1, u"A"));
    Open(std::move(list));
    Store().image->blocks[0][0x1E] = {.kind = 4, .code = 1, .value = 1};
    editor.ShowTab(true, 1);

    editor.Delete(); // No is the default answer
    EXPECT_EQ(editor.Macros().size(), 1u);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], ui::TextOf(ui::TextKey::MACRO_DELETE_CONFIRM_OF_KEYS));

    prompts.answers = {true};
    editor.Delete();
    EXPECT_TRUE(editor.Macros().empty());
}

TEST_F(MacroEditorTest, MovesAndDeletesCarryEachRowsDelayWithIt) {
    const struct {
        const char* what;
        int selected;
        void (MacroEditor::*op)();
        std::vector<uint16_t> keys;
        int selectedAfter;
    } cases[] = {
        {"top", 2, &MacroEditor::MoveTop, {kC, kA, kB}, 0},
        {"up", 1, &MacroEditor::MoveUp, {kB, kA, kC}, 0},
        {"up at the top", 0, &MacroEditor::MoveUp, {kA, kB, kC}, 0},
        {"down", 0, &MacroEditor::MoveDown, {kB, kA, kC}, 1},
        {"down at the bottom", 2, &MacroEditor::MoveDown, {kA, kB, kC}, 2},
        {"bottom", 0, &MacroEditor::MoveBottom, {kB, kC, kA}, 2},
        {"bottom without a selection", -1, &MacroEditor::MoveBottom, {kA, kB, kC}, -1},
        {"delete", 1, &MacroEditor::DeleteRow, {kA, kC}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenOnThreeRows();
        editor.SelectRow(c.selected);

        (editor.*c.op)();

        EXPECT_EQ(Keys(editor.Rows()), c.keys);
        std::vector<uint32_t> delays;
        for (uint16_t key : c.keys)
            delays.push_back(key == kA ? 10 : key == kB ? 20 : 30);
        EXPECT_EQ(Delays(editor.Rows()), delays);
        EXPECT_EQ(editor.SelectedRow(), c.selectedAfter);
        EXPECT_EQ(modifications, 1);
    }
}

TEST_F(MacroEditorTest, ClearAllAsksFirst) {
    OpenOnThreeRows();
    editor.ClearRows();
    EXPECT_EQ(editor.Rows().size(), 3u);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], ui::TextOf(ui::TextKey::MACRO_ACTION_CLEAR_CONFIRM));

    prompts.answers = {true};
    editor.ClearRows();
    EXPECT_TRUE(editor.Rows().empty());
    editor.ClearRows(); // nothing left to ask about
    EXPECT_EQ(prompts.questions.size(), 2u);
}

TEST_F(MacroEditorTest, StateEditsChangeOnlyTheState) {
    OpenOnThreeRows();
    editor.EditState(0, kStateRelease);
    editor.EditState(1, kStatePress);
    editor.EditState(2, kStatePress); // unchanged
    editor.EditState(2, 7);           // not a state

    const auto& rows = editor.Rows();
    EXPECT_EQ(rows[0].state, kStateRelease);
    EXPECT_EQ(rows[1].state, kStatePress);
    EXPECT_EQ(rows[2].state, kStatePress);
    EXPECT_EQ(Keys(rows), (std::vector<uint16_t>{kA, kB, kC}));
    EXPECT_EQ(Delays(rows), (std::vector<uint32_t>{10, 20, 30}));
    EXPECT_EQ(modifications, 2);
    EXPECT_EQ(StateText(rows[0].state), u"  \u2191");
    EXPECT_EQ(StateText(5), u"\u2193");
}

TEST_F(MacroEditorTest, KeyEditsTakeTheKeyOfTheChosenListPosition) {
    OpenOnThreeRows();
    const uint16_t position = keys::ListPositionOf(0x11C); // keypad Enter
    ASSERT_NE(position, keys::kNotListed);
    ASSERT_LT(position, keys::kListSize);

    editor.EditKey(1, position);
    editor.EditKey(1, position);        // the same again: no change
    editor.EditKey(1, keys::kListSize); // beyond the list

    EXPECT_EQ(editor.Rows()[1].keyCode, 0x11C);
    EXPECT_EQ(editor.KeyChoiceOf(1), position);
    EXPECT_EQ(editor.Rows()[1].delayMs, 20u);
    EXPECT_EQ(modifications, 1);
}

TEST_F(MacroEditorTest, DelayEditsAreCappedAndRoundedDownToTens) {
    const struct {
        std::u16string typed;
        uint32_t delay;
        bool message;
    } cases[] = {
        {u"40005", 40000, true}, {u"1234", 1230, false},           {u"", 20, false},
        {u"7", 0, false},        {u"40000", 40000, false},         {u"40001", 40000, true},
        {u"12a", 20, false},     {u"99999999999999", 40000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed.begin(), c.typed.end()));
        OpenOnThreeRows();
        prompts.messages.clear();

        editor.EditDelay(1, c.typed);

        EXPECT_EQ(editor.Rows()[1].delayMs, c.delay);
        if (c.message) {
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0], u"Maximum delay time is: 40000(ms) ");
        } else {
            EXPECT_TRUE(prompts.messages.empty());
        }
    }
}

TEST_F(MacroEditorTest, CycleCountsAreClampedAndSaved) {
    const struct {
        std::u16string typed;
        std::u16string shown;
        uint8_t saved;
    } cases[] = {
        {u"0", u"1", 1},    {u"256", u"255", 255}, {u"99999999999", u"255", 255},
        {u"abc", u"1", 1},  {u"", u"1", 1},        {u"-3", u"1", 1},
        {u"12", u"12", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed.begin(), c.typed.end()));
        OpenOnThreeRows();
        EXPECT_EQ(editor.CyclesTyped(c.typed), c.shown);
        editor.SaveMacroFromList(0);
        EXPECT_EQ(editor.Macros()[0]->cycles, c.saved);
    }
}

TEST_F(MacroEditorTest, SwitchingMacrosKeepsUnappliedEdits) {
    MacroList list;
    list.push_back(Record(1, u"A", {{10, kA, 0}, {20, kB, 1}}, 3));
    list.push_back(Record(2, u"B", {{50, kC, 0}}, 9));
    Open(std::move(list));
    editor.ShowTab(true, 1);

    editor.SelectRow(0);
    editor.DeleteRow();
    editor.EditDelay(0, u"550");
    editor.CyclesTyped(u"7");
    editor.Select(1);
    EXPECT_EQ(Keys(editor.Rows()), std::vector<uint16_t>{kC});
    EXPECT_EQ(editor.CyclesText(), u"9");
    editor.Select(0);

    EXPECT_EQ(Keys(editor.Rows()), std::vector<uint16_t>{kB});
    EXPECT_EQ(Delays(editor.Rows()), std::vector<uint32_t>{550});
    EXPECT_EQ(editor.CyclesText(), u"7");
    // Nothing reached the store.
    EXPECT_EQ(Store().Macros()[0].actionCount, 2);
    EXPECT_EQ(Store().Macros()[0].cycles, 3);
}

TEST_F(MacroEditorTest, CancelDropsEverythingSinceTheLastApply) {
    MacroList list;
    list.push_back(Record(1, u"A", {{10, kA, 0}}));
    Open(std::move(list));
    editor.ShowTab(true, 1);

    editor.Add();
    editor.Free(); // Cancel
    EXPECT_EQ(Store().macroCount, 1);

    editor.Fill();
    editor.ShowTab(true, 1);
    editor.Add();
    editor.Apply(view);
    editor.Add();
    editor.EditDelay(-1, u"5"); // no row: nothing
    editor.Free();

    ASSERT_EQ(Store().macroCount, 2);
    EXPECT_EQ(StoredName(0), u"A");
    // The name counter lives as long as the dialog: Macro1 went with the Cancel.
    EXPECT_EQ(StoredName(1), u"Macro2");
    EXPECT_EQ(Store().Macros()[1].isNew, 0);
}

TEST_F(MacroEditorTest, ApplyStoresTheShownMacrosEdits) {
    OpenOnThreeRows();
    editor.SelectRow(2);
    editor.MoveTop();
    editor.CyclesTyped(u"4");

    editor.Apply(view);

    const MacroRecord& stored = Store().Macros()[0];
    EXPECT_EQ(stored.cycles, 4);
    ASSERT_EQ(stored.actionCount, 3);
    EXPECT_EQ(stored.actions[0].keyCode, kC);
    EXPECT_EQ(stored.actions[0].delayMs, 30u);
    EXPECT_EQ(editor.CurrentMacroId(), std::optional<uint16_t>(1));
}

TEST_F(MacroEditorTest, TheFirstShowingSelectsTheKeysMacroAndALaterOneTheFirst) {
    const auto three = [] {
        MacroList list;
        for (uint16_t id = 1; id <= 3; ++id)
            list.push_back(Record(id, u"m", {{id, kA, 0}}));
        return list;
    };
    Open(three());
    editor.ShowTab(true, 3);
    EXPECT_EQ(editor.Current(), 2);
    EXPECT_EQ(Delays(editor.Rows()), std::vector<uint32_t>{3});

    Open(three());
    editor.ShowTab(true, 42); // no such macro
    EXPECT_EQ(editor.Current(), 0);

    // Opened on another tab: the first switch to the macro tab selects the first macro,
    // later switches leave the selection alone.
    Open(three());
    editor.ShowTab(false, 0);
    EXPECT_EQ(editor.Current(), 0);
    editor.Select(1);
    editor.ShowTab(false, 0);
    EXPECT_EQ(editor.Current(), 1);
}
