// The firmware update's hand-over: which file may be handed the keyboard, the backup
// before it, and the order of its steps, with the updater start and the boot-loader
// command recorded instead of carried out.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <optional>

#include "profiles/ProfileFile.h"
#include "support/FakePrompts.h"
#include "support/StoreFixture.h"
#include "ui/TextTable.h"
#include "update/UpdateDialog.h"

using namespace update;

namespace {

struct RecordingView : UpdateView {
    void ShowPath(std::u16string_view path) override { shown.emplace_back(path); }
    void CloseDialog() override { ++closed; }
    std::vector<std::u16string> shown;
    int closed = 0;
};

std::u16string Text(ui::TextKey key) {
    return std::u16string(ui::TextOf(key));
}

} // namespace

class Update : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        std::filesystem::create_directory(File("Package"));
        startedDir_ = std::filesystem::current_path();
    }
    void TearDown() override {
        std::filesystem::current_path(startedDir_);
        StoreTest::TearDown();
    }

    std::filesystem::path Script(const std::string& name, mode_t mode) {
        const auto path = File("Package/" + name);
        std::ofstream(path) << "#!/bin/sh\nexit 0\n";
        ::chmod(path.c_str(), mode);
        return path;
    }
    void Choose(const std::filesystem::path& path) {
        prompts.chosenFile = path;
        Dialog().Open();
        prompts.chosenFile.reset();
    }

    FakePrompts prompts;
    RecordingView view;
    std::vector<std::string> steps; // the hand-over's steps in order
    bool starts = true;
    int32_t bootResult = 1;
    // The dialog needs the test's folder, made in SetUp.
    UpdateDialog& Dialog() {
        if (!dialog_)
            dialog_.emplace(prompts, view,
                            HandOver{[this] {
                                         steps.push_back("boot loader");
                                         return bootResult;
                                     },
                                     [this](const std::filesystem::path& p) {
                                         steps.push_back("start " + p.filename().string());
                                         return starts;
                                     }},
                            File("Package"), File("no-language.ini"));
        return *dialog_;
    }
    std::optional<UpdateDialog> dialog_;
    std::filesystem::path startedDir_;
};

TEST_F(Update, OpenOffersEveryFileFromThePackageFolderAndMakesItTheCurrentDirectory) {
    const auto updater = Script("flash-tool", 0755);
    Dialog().Opened();
    Choose(updater);
    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_FALSE(prompts.choices[0].save);
    EXPECT_EQ(prompts.choices[0].directory, File("Package"));
    EXPECT_EQ(prompts.choices[0].filter, u"(*)|*||");
    EXPECT_EQ(Dialog().Path(), updater);
    EXPECT_EQ(view.shown.back(), updater.u16string());
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), File("Package")));

    // Cancelled: the earlier choice is forgotten; the directory is set all the same.
    std::filesystem::current_path(startedDir_);
    Dialog().Open();
    EXPECT_TRUE(Dialog().Path().empty());
    EXPECT_EQ(view.shown.back(), u"");
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), File("Package")));
}

TEST_F(Update, OnlyAnExecutableFileIsStartedAndTheKeyboardFollowsOnlyAStartedUpdater) {
    struct Case {
        const char* what;
        std::function<std::filesystem::path()> choose;
        bool starts;
        int32_t boot;
        std::vector<std::string> steps;
        std::optional<ui::TextKey> message;
        bool closed;
        bool pathKept;
    };
    const Case cases[] = {
        {"no file",
         [] { return std::filesystem::path(); },
         true,
         1,
         {},
         ui::TextKey::MAIN_UPDATE_ERROR_TEXT,
         false,
         true},
        {"a file that vanished",
         [this] {
             const auto p = Script("gone", 0755);
             std::filesystem::remove(p);
             return p;
         },
         true,
         1,
         {},
         ui::TextKey::MAIN_UPDATE_ERROR_TEXT,
         false,
         true},
        {"not executable",
         [this] { return Script("plain", 0644); },
         true,
         1,
         {},
         ui::TextKey::MAIN_UPDATE_ERROR_TEXT,
         false,
         true},
        {"a folder",
         [this] {
             std::filesystem::create_directory(File("Package/dir"));
             return File("Package/dir");
         },
         true,
         1,
         {},
         ui::TextKey::MAIN_UPDATE_ERROR_TEXT,
         false,
         true},
        {"the updater does not start",
         [this] { return Script("broken", 0755); },
         false,
         1,
         {"start broken"},
         ui::TextKey::MAIN_SHELL_ERROR_TEXT,
         false,
         false},
        {"the boot loader refused",
         [this] { return Script("tool", 0755); },
         true,
         0,
         {"start tool", "boot loader"},
         ui::TextKey::MAIN_BOOT_ERROR_TEXT,
         false,
         false},
        {"handed over",
         [this] { return Script("tool", 0755); },
         true,
         1,
         {"start tool", "boot loader"},
         std::nullopt,
         true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        steps.clear();
        prompts.messages.clear();
        prompts.questions.clear();
        view.closed = 0;
        starts = c.starts;
        bootResult = c.boot;
        Dialog().Opened();
        Choose(c.choose());
        const auto chosen = Dialog().Path();
        prompts.answers = {false}; // no backup
        Dialog().Update();
        EXPECT_EQ(steps, c.steps);
        if (c.message)
            EXPECT_EQ(prompts.messages, std::vector<std::u16string>{Text(*c.message)});
        else
            EXPECT_TRUE(prompts.messages.empty());
        // The backup is offered only for a file that can be handed over.
        EXPECT_EQ(prompts.questions.size(), c.steps.empty() ? 0u : 1u);
        EXPECT_EQ(view.closed, c.closed ? 1 : 0);
        EXPECT_EQ(Dialog().Path(), c.pathKept ? chosen : std::filesystem::path());
    }
}

TEST_F(Update, YesBacksUpFirstAndOnlyADoneBackupLetsTheUpdateGoOn) {
    const auto tool = Script("tool", 0755);
    Dialog().Opened();
    Choose(tool);
    Entry(1, 0x1E) = {.kind = 2, .value = 0x30};
    ASSERT_EQ(profiles::SetEntryText(3 * 512 + 7, u"kept"), 1);
    Entry(3, 7) = {.kind = 3};

    // The backup cannot be written: nothing is handed over.
    prompts.answers = {true};
    prompts.chosenFile = File("no-such-folder/backup.bvx");
    Dialog().Update();
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(prompts.messages,
              std::vector<std::u16string>{Text(ui::TextKey::MAIN_UPDATE_BACKUP_NG)});
    EXPECT_FALSE(Dialog().BackupDone());
    EXPECT_EQ(Dialog().Path(), tool);

    prompts.messages.clear();
    prompts.answers = {true};
    prompts.chosenFile = File("backup.bvx");
    Dialog().Update();
    EXPECT_EQ(prompts.messages,
              std::vector<std::u16string>{Text(ui::TextKey::MAIN_UPDATE_BACKUP_OK)});
    EXPECT_EQ(steps, (std::vector<std::string>{"start tool", "boot loader"}));
    EXPECT_EQ(view.closed, 1);
    // The backup is the store, and can be imported again.
    EXPECT_EQ(profiles::ValidateProfileFile(File("backup.bvx"), prompts), 1);
    profiles::ResetStoreToDefault();
    ASSERT_EQ(profiles::LoadProfileFile(File("backup.bvx")), 1);
    EXPECT_EQ(Entry(1, 0x1E).value, 0x30u);
    EXPECT_EQ(Store().texts->entries[3 * 512 + 7].View(), u"kept");

    // Asked again only in a new opening.
    steps.clear();
    prompts.questions.clear();
    Choose(tool);
    Dialog().Update();
    EXPECT_TRUE(prompts.questions.empty());
    Dialog().Opened();
    Choose(tool);
    Dialog().Update();
    EXPECT_EQ(prompts.questions.size(), 1u);
}

TEST_F(Update, BackupTellsWhetherTheFileHoldsTheStore) {
    prompts.chosenFile.reset();
    EXPECT_FALSE(Dialog().Backup()); // cancelled: no message
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_TRUE(prompts.choices[0].save);
    EXPECT_TRUE(prompts.choices[0].confirmOverwrite);
    EXPECT_EQ(prompts.choices[0].defaultExtension, u"bvx");

    prompts.chosenFile = File("b.bvx");
    EXPECT_TRUE(Dialog().Backup());
    EXPECT_TRUE(profiles::FileHoldsStore(File("b.bvx")));
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30}; // the store moves on; the file does not
    EXPECT_FALSE(profiles::FileHoldsStore(File("b.bvx")));

    prompts.chosenFile = File("missing/b.bvx");
    EXPECT_FALSE(Dialog().Backup());
    EXPECT_EQ(prompts.messages,
              (std::vector<std::u16string>{Text(ui::TextKey::MAIN_UPDATE_BACKUP_OK),
                                           Text(ui::TextKey::MAIN_UPDATE_BACKUP_NG)}));
}

TEST_F(Update, CancelUpdateForgetsTheChoiceAndCloses) {
    Choose(Script("tool", 0755));
    Dialog().CancelUpdate();
    EXPECT_TRUE(Dialog().Path().empty());
    EXPECT_EQ(view.shown.back(), u"");
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(steps.empty());
}
