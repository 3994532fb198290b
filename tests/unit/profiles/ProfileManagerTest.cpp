// The profile manager's list with no keyboard present: rows added, loaded, deleted and
// checked, and what Apply records and asks.

#include <gtest/gtest.h>

#include <map>

#include "profiles/ProfileFile.h"
#include "profiles/ProfileManager.h"
#include "profiles/ProfileSession.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/MemorySettings.h"
#include "support/StoreFixture.h"
#include "ui/AppSettings.h"
#include "ui/TextTable.h"

using namespace profiles;

namespace {

const std::array<std::u16string, 3> kNames{u"Profile 1", u"Profile 2", u"Profile 3"};

std::u16string U(const std::filesystem::path& p) {
    return std::u16string(p.u16string());
}

} // namespace

class ProfileManagerWithoutKeyboard : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        manager.Open(kNames);
    }
    // Appends a file row through Load.
    void LoadRow(const std::string& name) {
        prompts.chosenFile = File(name);
        manager.Load();
    }

    FakePrompts prompts;
    FakeMainView view;
    MemorySettings settings;
    ProfileSession session{prompts, view};
    ProfileManager manager{{prompts, view, session, settings}};
};

TEST_F(ProfileManagerWithoutKeyboard,
       OpensWithTheThreeOnBoardProfilesAndNothingCheckedWhenUnknown) {
    ASSERT_EQ(manager.Rows().size(), 3u);
    const std::u16string folder = U(UserDataFolder()) + u"/";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(manager.Rows()[i].name, kNames[i]);
        EXPECT_EQ(manager.Rows()[i].folder, folder);
        EXPECT_EQ(manager.Rows()[i].onBoard, i);
    }
    EXPECT_EQ(manager.CheckedRow(), -1);
    EXPECT_FALSE(manager.ApplyEnabled());
    EXPECT_EQ(manager.OpenCount(), 1);
    manager.Close();
    EXPECT_EQ(manager.OpenCount(), 0);
}

TEST_F(ProfileManagerWithoutKeyboard, AddNewWritesADefaultProfileFileAndAppendsItsRow) {
    prompts.chosenFile = File("Brisvane/Racing.bvx");
    manager.AddNew();
    ASSERT_EQ(prompts.choices.size(), 1u);
    const ui::FileChoice& choice = prompts.choices[0];
    EXPECT_TRUE(choice.save);
    EXPECT_TRUE(choice.confirmOverwrite);
    EXPECT_EQ(choice.defaultExtension, u"bvx");
    EXPECT_EQ(choice.directory, UserDataFolder());
    // The language's "\The new contextual  mode", as a name inside the data folder.
    EXPECT_EQ(choice.initialName, U(UserDataFolder() / "The new contextual  mode"));

    EXPECT_EQ(ValidateProfileFile(File("Brisvane/Racing.bvx"), prompts), 1);
    ASSERT_EQ(manager.Rows().size(), 4u);
    EXPECT_EQ(manager.Rows()[3].name, u"Racing");
    EXPECT_EQ(manager.Rows()[3].folder, U(File("Brisvane")) + u"/");
    EXPECT_EQ(manager.Rows()[3].onBoard, -1);
    EXPECT_TRUE(manager.ApplyEnabled());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ProfileManagerWithoutKeyboard, AddNewThatCannotWriteTellsWhyAndAddsNoRow) {
    prompts.chosenFile = File("no-such-folder/x.bvx");
    manager.AddNew();
    EXPECT_EQ(manager.Rows().size(), 3u);
    EXPECT_FALSE(manager.ApplyEnabled());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find(U(File("no-such-folder/x.bvx"))), std::u16string::npos);
}

TEST_F(ProfileManagerWithoutKeyboard, LoadAddsARowWithoutReadingTheFileAndCancelAddsNothing) {
    prompts.chosenFile.reset();
    manager.Load();
    manager.AddNew();
    EXPECT_EQ(manager.Rows().size(), 3u);
    EXPECT_FALSE(manager.ApplyEnabled());

    LoadRow("elsewhere/old.profile.dat"); // neither there nor a profile file
    ASSERT_EQ(manager.Rows().size(), 4u);
    EXPECT_EQ(manager.Rows()[3].name, u"old.profile");
    EXPECT_EQ(manager.Rows()[3].file, File("elsewhere/old.profile.dat"));
    EXPECT_EQ(prompts.choices.back().initialName, u"*.bvx");
    EXPECT_FALSE(prompts.choices.back().save);
    EXPECT_TRUE(manager.ApplyEnabled());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ProfileManagerWithoutKeyboard, OnlyOnBoardRowsCanBeChecked) {
    LoadRow("a.bvx");
    struct Step {
        const char* what;
        std::vector<bool> shown; // the list's checks after the user's click
        bool changed;
        int checked;
    };
    const Step steps[] = {
        {"an on-board row", {false, true, false, false}, true, 1},
        {"another one unchecks the first", {false, false, true, false}, true, 2},
        {"a file row is refused", {false, false, false, true}, false, 2},
        {"no change", {false, false, true, false}, false, 2},
        {"unchecking the checked row", {false, false, false, false}, true, -1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(manager.ChecksChanged(s.shown), s.changed);
        EXPECT_EQ(manager.CheckedRow(), s.checked);
    }
}

TEST_F(ProfileManagerWithoutKeyboard, ARefusedCheckLeavesApplyAsItWas) {
    LoadRow("a.bvx");
    manager.Switched(0); // Apply disabled, row 0 checked
    ASSERT_FALSE(manager.ApplyEnabled());
    EXPECT_FALSE(manager.ChecksChanged({false, false, false, true}));
    EXPECT_FALSE(manager.ApplyEnabled());
    EXPECT_EQ(manager.CheckedRow(), 0);
}

TEST_F(ProfileManagerWithoutKeyboard, DeleteSelectsANeighbourAndKeepsTheCheckOnItsProfile) {
    LoadRow("a.bvx");
    LoadRow("b.bvx");
    manager.ChecksChanged({false, false, true, false, false});
    manager.Switched(2); // Apply disabled, to see what Delete does to it

    EXPECT_EQ(manager.Delete(-1), -1); // nothing selected
    EXPECT_EQ(manager.Rows().size(), 5u);
    EXPECT_FALSE(manager.ApplyEnabled());

    EXPECT_EQ(manager.Delete(0), 0); // the row after it
    EXPECT_TRUE(manager.ApplyEnabled());
    EXPECT_EQ(manager.CheckedRow(), 1);
    EXPECT_EQ(manager.Rows()[manager.CheckedRow()].onBoard, 2);
    EXPECT_EQ(manager.Delete(3), 2); // the last: the one before it
    EXPECT_EQ(manager.Rows().back().name, u"a");
    EXPECT_EQ(manager.Delete(1), 1); // the checked row
    EXPECT_EQ(manager.CheckedRow(), -1);
    EXPECT_EQ(manager.Delete(1), 0);
    EXPECT_EQ(manager.Delete(0), -1); // nothing left
    EXPECT_TRUE(manager.Rows().empty());
}

TEST_F(ProfileManagerWithoutKeyboard, ASwitchElsewhereChecksItsProfilesRowOnlyWhileOpen) {
    manager.Delete(0);
    manager.ChecksChanged({true, false});
    ASSERT_TRUE(manager.ApplyEnabled());
    manager.Switched(2);
    EXPECT_EQ(manager.CheckedRow(), 1); // the row of profile 2, not row 2
    EXPECT_FALSE(manager.ApplyEnabled());
    manager.Close();
    manager.Switched(1);
    EXPECT_EQ(manager.CheckedRow(), 1);
}

TEST_F(ProfileManagerWithoutKeyboard, ApplyRecordsEveryRowAndTheirCount) {
    LoadRow("mine/a.bvx");
    manager.Apply();
    EXPECT_EQ(settings.values[u"PROFILES/PROFILE00"], u"4");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(settings.values[u"PROFILES/PROFILE0" + std::u16string(1, u'1' + i)],
                  U(SnapshotPath(i)));
    EXPECT_EQ(settings.values[u"PROFILES/PROFILE04"], U(File("mine/a.bvx")));
    EXPECT_FALSE(manager.ApplyEnabled());
    EXPECT_EQ(view.menuRebuilds, 1);
    EXPECT_EQ(view.refreshes, 1); // the store rebuilt (here: a default profile)
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(manager.OpenCount(), 1);
    manager.Ok();
    EXPECT_EQ(manager.OpenCount(), 0);
    EXPECT_EQ(view.menuRebuilds, 2); // OK applies even with Apply disabled
}

TEST_F(ProfileManagerWithoutKeyboard, ApplyAsksAboutTheMainWindowsEditsBeforeRebuildingTheStore) {
    const std::u16string question(ui::TextOf(ui::TextKey::PROFILE_SELECT_PROMPT));
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    view.applyPending = true;
    manager.ChecksChanged({false, true, false});

    // Yes, but the edits cannot be saved: nothing is switched or rebuilt, nothing lost.
    prompts.answers = {true};
    manager.Apply();
    EXPECT_EQ(prompts.questions, std::vector<std::u16string>{question});
    EXPECT_TRUE(view.applyPending);
    EXPECT_TRUE(manager.ApplyEnabled());
    EXPECT_EQ(view.menuRebuilds, 0);
    EXPECT_EQ(Entry(0, 0x1E).kind, 2);

    // No drops them.
    prompts.answers = {false};
    manager.Apply();
    EXPECT_EQ(prompts.questions.size(), 2u);
    EXPECT_FALSE(view.applyPending);
    EXPECT_FALSE(manager.ApplyEnabled());
    EXPECT_EQ(Entry(0, 0x1E).kind, 0);
    EXPECT_EQ(view.menuRebuilds, 1);
}
