// The profile operations with no keyboard present: every keyboard command fails, as when
// the keyboard has been unplugged.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "profiles/CurrentProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileSession.h"
#include "support/FakeMainView.h"
#include "support/FakePrompts.h"
#include "support/StoreFixture.h"
#include "ui/TextTable.h"

using namespace profiles;

class SessionWithoutKeyboard : public StoreTest {
protected:
    FakePrompts prompts;
    FakeMainView view;
    ProfileSession session{prompts, view};
};

TEST_F(SessionWithoutKeyboard, ReloadBuildsADefaultProfileAndClearsUnsavedChanges) {
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    view.applyPending = true;
    EXPECT_EQ(session.ReloadProfileFromKeyboard(false), 1);
    EXPECT_EQ(Entry(0, 0x1E).kind, 0);
    EXPECT_FALSE(view.applyPending);
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_TRUE(view.heldLockOnRefresh);
    EXPECT_TRUE(std::filesystem::is_directory(UserDataFolder()));
    EXPECT_FALSE(std::filesystem::exists(SnapshotPath(0)));
}

TEST_F(SessionWithoutKeyboard, SwitchIsRefusedWhileTheKeyEditorIsOpenBeforeAnyQuestion) {
    view.keyEditorOpen = true;
    view.applyPending = true;
    EXPECT_EQ(session.SwitchProfile(1), 0);
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(prompts.messages, std::vector<std::u16string>{std::u16string(
                                    ui::TextOf(ui::TextKey::PROFILE_SEELCT_PROMPT2))});
    EXPECT_EQ(view.refreshes, 0);
    EXPECT_EQ(view.menuRebuilds, 0);
}

TEST_F(SessionWithoutKeyboard, AnsweringNoWithTheProfileUnknownOnlyDropsThePendingState) {
    ASSERT_EQ(EnsureUserDataFolder(), 1);
    Entry(2, 0x20) = {.kind = 8, .value = 1};
    ASSERT_EQ(SaveProfileFile(true, SnapshotPath(0)), 1);
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    Entry(2, 0x20) = {.kind = 1};
    view.applyPending = true;
    // Without a keyboard the profile stays unknown, and no snapshot belongs to it.
    ASSERT_EQ(GetCurrentProfile(), kUnknownProfile);
    prompts.answers = {false};
    EXPECT_EQ(session.SwitchProfile(1), 1);
    EXPECT_FALSE(view.applyPending);
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(Entry(0, 0x1E).kind, 2);
    EXPECT_EQ(view.refreshes, 1);
}

TEST_F(SessionWithoutKeyboard, ApplyWithoutKeyboardKeepsTheChangesPending) {
    ASSERT_EQ(EnsureUserDataFolder(), 1);
    ASSERT_EQ(CreateDefaultProfile(SnapshotPath(0), 0, false), 1);
    macros::SetMacroSpace(1024);
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    view.applyPending = true;
    session.ApplyChanges();
    // The snapshot was saved, but the download had no profile to write.
    EXPECT_TRUE(view.applyPending);
    EXPECT_EQ(view.busyShown, (std::vector<bool>{true, false}));
    ResetStoreToDefault();
    ASSERT_EQ(LoadProfileFile(SnapshotPath(0)), 1);
    EXPECT_EQ(Entry(0, 0x1E).value, 0x30u);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SessionWithoutKeyboard, DownloadsBeforeAnyKeyboardConnectedTellTheSpaceIsTooSmall) {
    // No keyboard has reported its macro space yet: it is 0, and the space message explains
    // why nothing goes out, before the missing layout or the unknown profile are noticed.
    ASSERT_EQ(EnsureUserDataFolder(), 1);
    ASSERT_EQ(CreateDefaultProfile(SnapshotPath(0), 0, false), 1);
    ASSERT_EQ(SaveProfileFile(true, File("in.bvx")), 1);
    const std::u16string space(ui::TextOf(ui::TextKey::EXTRA_MACRO_TOO_LONG));

    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    view.applyPending = true;
    session.ApplyChanges(); // the current profile only
    EXPECT_EQ(prompts.messages, std::vector<std::u16string>{space});
    EXPECT_TRUE(view.applyPending);

    prompts.messages.clear();
    prompts.chosenFile = File("in.bvx");
    session.ImportProfile(); // all three profiles
    EXPECT_EQ(prompts.messages, std::vector<std::u16string>{space});
}

TEST_F(SessionWithoutKeyboard, ApplyWithNothingPendingDoesNothing) {
    ASSERT_EQ(EnsureUserDataFolder(), 1);
    ASSERT_EQ(CreateDefaultProfile(SnapshotPath(0), 0, false), 1);
    const auto before = ReadBytes(SnapshotPath(0));
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    session.ApplyChanges();
    EXPECT_EQ(ReadBytes(SnapshotPath(0)), before);
}

TEST_F(SessionWithoutKeyboard, ImportOfAnInvalidFileShowsBothMessagesAndKeepsTheStore) {
    WriteBytes(File("bad.bvx"), std::vector<uint8_t>(40000, 0x11));
    Entry(1, 0x1E) = {.kind = 7, .value = 3};
    view.applyPending = true;
    prompts.chosenFile = File("bad.bvx");
    session.ImportProfile();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1], u"File format error, import failed! ");
    EXPECT_EQ(Entry(1, 0x1E).kind, 7);
    EXPECT_TRUE(view.applyPending);
    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_FALSE(prompts.choices[0].save);
    EXPECT_EQ(prompts.choices[0].defaultExtension, u"bvx");
    EXPECT_EQ(prompts.choices[0].initialName, u"*.bvx");
    EXPECT_EQ(prompts.choices[0].filter, u"(*.bvx)|*.bvx|(*.*)|*.*||");
}

TEST_F(SessionWithoutKeyboard, ImportOfADamagedFileThatPassesTheHeaderChecksKeepsTheStore) {
    // A valid header whose text entry points past the text block.
    Entry(0, 5).kind = 3;
    ASSERT_EQ(SetEntryText(5, u"x"), 1);
    ASSERT_EQ(SaveProfileFile(true, File("damaged.bvx")), 1);
    auto bytes = ReadBytes(File("damaged.bvx"));
    bytes[0x40 + 5 * 16 + 4] = 0x40; // the text offset
    WriteBytes(File("damaged.bvx"), bytes);
    ResetStoreToDefault();
    Entry(1, 0x1E) = {.kind = 7, .value = 3};

    prompts.chosenFile = File("damaged.bvx");
    session.ImportProfile();
    EXPECT_EQ(prompts.messages, std::vector<std::u16string>{u"File format error, import failed! "});
    EXPECT_EQ(Entry(1, 0x1E).kind, 7);
    EXPECT_EQ(Entry(0, 5).kind, 0);
}

TEST_F(SessionWithoutKeyboard, ImportReplacesTheStoreAndExportWritesIt) {
    Entry(2, 0x30) = {.kind = 5};
    prompts.chosenFile = File("out.bvx");
    session.ExportProfile();
    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_TRUE(prompts.choices[0].save);
    EXPECT_TRUE(prompts.choices[0].confirmOverwrite);
    ASSERT_EQ(ValidateProfileFile(File("out.bvx"), prompts), 1);

    ResetStoreToDefault();
    view.applyPending = true;
    macros::SetMacroSpace(1024);
    prompts.chosenFile = File("out.bvx");
    session.ImportProfile();
    EXPECT_EQ(Entry(2, 0x30).kind, 5);
    EXPECT_FALSE(view.applyPending);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(view.heldLockOnRefresh);
}

TEST_F(SessionWithoutKeyboard, AFailedExportSaysWhyInBothLanguages) {
    std::filesystem::create_directory(File("folder.bvx"));
    ASSERT_EQ(::mkfifo(File("pipe.bvx").c_str(), 0600), 0);
    struct Case {
        const char* file;
        std::u16string reason;
    };
    for (const Case& c :
         {Case{"folder.bvx", u"Is a directory"}, Case{"pipe.bvx", u"not a regular file"},
          Case{"missing/out.bvx", u"No such file or directory"}}) {
        prompts.messages.clear();
        prompts.chosenFile = File(c.file);
        session.ExportProfile();
        ASSERT_EQ(prompts.messages.size(), 1u) << c.file;
        EXPECT_EQ(prompts.messages[0], u"The profile cannot be exported to " +
                                           File(c.file).u16string() + u": " + c.reason)
            << c.file;
        EXPECT_EQ(prompts.kinds.back(), ui::MessageKind::Plain);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(File("pipe.bvx")));

    ui::SetText(ui::TextKey::PROFILE_EXPORT_ERROR, u"无法导出配置文件到 %s：%s");
    prompts.messages.clear();
    session.ExportProfile();
    ui::ResetTextTable();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], u"无法导出配置文件到 " + File("missing/out.bvx").u16string() +
                                       u"：No such file or directory");
}

TEST_F(SessionWithoutKeyboard, CancelledFileDialogsDoNothing) {
    prompts.chosenFile.reset();
    session.ImportProfile();
    session.ExportProfile();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                            std::filesystem::directory_iterator()),
              0);
}
