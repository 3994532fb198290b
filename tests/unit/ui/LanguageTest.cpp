#include "ui/Language.h"

#include "TempDir.h"
#include "support/OrdinaryUser.h"
#include "ui/IniFile.h"
#include "ui/TextTable.h"
#include "ui/Utf.h"

#include <gtest/gtest.h>

#include <optional>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using ui::TextKey;
using ui::TextOf;

class LanguageTest : public TempDirTest {
protected:
    void TearDown() override {
        ui::ResetTextTable();
        ui::ClearIniCache();
        TempDirTest::TearDown();
    }
    std::filesystem::path LanguageFile() const { return File("language.ini"); }
};

TEST_F(LanguageTest, MissingFileKeepsEveryBuiltInText) {
    ui::LoadLanguageTable(LanguageFile());
    for (size_t n = 0; n < ui::kTextKeyCount; ++n) {
        TextKey key = ui::TextKeyAt(n);
        EXPECT_EQ(TextOf(key), ui::TextSlotInfoOf(key).builtIn) << n;
    }
    EXPECT_EQ(TextOf(TextKey::UNKNOWN_KEY), u"Unknown Key: %03x");
}

TEST_F(LanguageTest, StoredLanguagePicksTheSection) {
    struct Case {
        const char* stored; // nullptr: no "language" value
        int value;
        std::u16string_view expectedText;
    } cases[] = {
        {"1", 1, u"Open"},    {"0", 0, u"打开"},   {"2", 2, u"打开"},
        {"1abc", 1, u"Open"}, {"abc", 0, u"打开"}, {" 01 ", 1, u"Open"},
        {"-1", -1, u"打开"},  {"", 0, u"打开"},    {nullptr, 0, u"打开"},
    };
    for (const Case& c : cases) {
        std::string file = "[ENGINSH]\nFUNC_KEY_DESC1=Open\n[CHINESE]\nFUNC_KEY_DESC1=打开\n";
        if (c.stored != nullptr) {
            file += std::string("[LANGUAGE]\nlanguage=") + c.stored + "\n";
        }
        WriteBytes(LanguageFile(), file);
        ui::ClearIniCache();
        EXPECT_EQ(ui::StoredLanguage(LanguageFile()), c.value) << (c.stored ? c.stored : "none");
        ui::LoadLanguageTable(LanguageFile());
        EXPECT_EQ(TextOf(TextKey::FUNC_KEY_DESC1), c.expectedText)
            << (c.stored ? c.stored : "none");
    }
}

TEST_F(LanguageTest, MissingKeyKeepsItsDefaultAndEmptyValueEmptiesTheSlot) {
    WriteBytes(LanguageFile(), "[LANGUAGE]\nlanguage=1\n"
                               "[ENGINSH]\n"
                               "MACRO_NEW_PREFIX=\n"
                               "MACRO_ERR_MAX = \"At most %d macros \"\n"
                               "unknown_key=Key %03X?\n");
    ui::SetText(TextKey::MACRO_ERR_RECORD, u"left over from the other language");
    ui::LoadLanguageTable(LanguageFile());
    EXPECT_EQ(TextOf(TextKey::MACRO_NEW_PREFIX), u"");
    EXPECT_EQ(TextOf(TextKey::MACRO_ERR_MAX), u"At most %d macros ");
    EXPECT_EQ(TextOf(TextKey::UNKNOWN_KEY), u"Key %03X?");
    EXPECT_EQ(TextOf(TextKey::MACRO_ERR_RECORD), u"Please stop the macro record first! ");
    EXPECT_EQ(TextOf(TextKey::MAIN_CAPTION), u"Gaming Keyboard Settings");
}

TEST_F(LanguageTest, LongValuesAreCutByTheReadAndByTheSlot) {
    std::string longValue(300, 'x');
    WriteBytes(LanguageFile(), "[CHINESE]\nEXTRA_MACRO_TOO_LONG=" + longValue + "\nMAIN_CAPTION=" +
                                   longValue + "\nMAIN_UPDATE_BACKUP_OK=备份成功了!\n");
    ui::LoadLanguageTable(LanguageFile());
    EXPECT_EQ(TextOf(TextKey::EXTRA_MACRO_TOO_LONG), std::u16string(259, u'x'));
    EXPECT_EQ(TextOf(TextKey::MAIN_CAPTION), std::u16string(107, u'x'));
    EXPECT_EQ(TextOf(TextKey::MAIN_UPDATE_BACKUP_OK), u"备份成功了");
}

TEST_F(LanguageTest, LanguageCommandStoresTheChoiceAndReloads) {
    WriteBytes(LanguageFile(), "; texts\r\n[LANGUAGE]\r\nlanguage=0\r\n\r\n"
                               "[ENGINSH]\r\nMENU_1=Import\r\nMAIN_CAPTION=Keyboard\r\n"
                               "[CHINESE]\r\nMENU_1=导入\r\nMAIN_CAPTION=键盘设置\r\n");
    ui::LoadLanguageTable(LanguageFile());
    EXPECT_EQ(TextOf(TextKey::MAIN_CAPTION), u"键盘设置");

    ASSERT_TRUE(ui::SelectLanguage(LanguageFile(), ui::kLanguageEnglish));
    EXPECT_EQ(ui::ChosenLanguage(), ui::kLanguageEnglish);
    EXPECT_EQ(ui::StoredLanguage(LanguageFile()), 1);
    EXPECT_EQ(TextOf(TextKey::MAIN_CAPTION), u"Keyboard");
    EXPECT_EQ(ReadBytes(LanguageFile()), "; texts\r\n[LANGUAGE]\r\nlanguage=1\r\n\r\n"
                                         "[ENGINSH]\r\nMENU_1=Import\r\nMAIN_CAPTION=Keyboard\r\n"
                                         "[CHINESE]\r\nMENU_1=导入\r\nMAIN_CAPTION=键盘设置\r\n");

    // After a command, windows follow the choice whatever the file says.
    ASSERT_TRUE(ui::WritePrivateProfileString(u"LANGUAGE", u"language", u"0", LanguageFile()));
    EXPECT_EQ(ui::WindowTextSection(LanguageFile()), ui::kEnglishSection);
    ASSERT_TRUE(ui::SelectLanguage(LanguageFile(), ui::kLanguageChinese));
    EXPECT_EQ(TextOf(TextKey::MAIN_CAPTION), u"键盘设置");
    EXPECT_EQ(ui::WindowTextSection(LanguageFile()), ui::kChineseSection);
    ASSERT_TRUE(ui::WritePrivateProfileString(u"LANGUAGE", u"language", u"1", LanguageFile()));
    EXPECT_EQ(ui::WindowTextSection(LanguageFile()), ui::kChineseSection);
}

TEST_F(LanguageTest, LanguageCommandCreatesAMissingFile) {
    EXPECT_TRUE(ui::SelectLanguage(LanguageFile(), ui::kLanguageEnglish));
    EXPECT_EQ(ReadBytes(LanguageFile()), "[language]\nlanguage=1\n");
    EXPECT_EQ(TextOf(TextKey::MAIN_CAPTION), u"Gaming Keyboard Settings");
    EXPECT_FALSE(ui::SelectLanguage(File("missing/language.ini"), ui::kLanguageChinese));
    EXPECT_EQ(ui::ChosenLanguage(), ui::kLanguageChinese);
}

TEST_F(LanguageTest, LanguageCommandSwitchesTheTextsWhenTheFileCannotBeWritten) {
    // As installed, the program's folder is not the user's to write.
    WriteBytes(LanguageFile(),
               "[LANGUAGE]\nlanguage=1\n"
               "[ENGINSH]\nMAIN_CAPTION=Keyboard\n[CHINESE]\nMAIN_CAPTION=键盘设置\n");
    ui::LoadLanguageTable(LanguageFile());
    ASSERT_EQ(TextOf(TextKey::MAIN_CAPTION), u"Keyboard");
    std::filesystem::permissions(dir_, std::filesystem::perms(0555));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A user other than root, whom the folder's permissions bind.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        if (ui::SelectLanguage(LanguageFile(), ui::kLanguageChinese))
            ::_exit(1);
        ::_exit(TextOf(TextKey::MAIN_CAPTION) == u"键盘设置" &&
                        ui::WindowTextSection(LanguageFile()) == ui::kChineseSection
                    ? 0
                    : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::filesystem::permissions(dir_, std::filesystem::perms(0755));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the file was written; 2: the texts stayed English";
    EXPECT_EQ(ui::StoredLanguage(LanguageFile()), 1);
}

TEST_F(LanguageTest, ChoiceSurvivesARestartInAReadOnlyProgramFolder) {
    // Installed: the program's folder is root's, the configuration folder the user's.
    const auto program = File("program");
    const auto config = File("config");
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(config);
    const std::string shipped =
        "[LANGUAGE]\nlanguage=0\n"
        "[ENGINSH]\nMAIN_CAPTION=Keyboard\n[CHINESE]\nMAIN_CAPTION=键盘设置\n";
    const auto programFile = program / "language.ini";
    WriteBytes(programFile, shipped);
    ASSERT_EQ(::chown(config.c_str(), OrdinaryUid(), static_cast<gid_t>(-1)), 0);
    std::filesystem::permissions(dir_, std::filesystem::perms(0755));
    std::filesystem::permissions(program, std::filesystem::perms(0555));
    const auto personal = config / "Brisvane_Quandril" / "language.ini";

    // One run of the program: starts, shows its texts, maybe takes a language command.
    const auto run = [&](std::optional<uint16_t> command, std::u16string_view expected) {
        return RunAsOrdinaryUser([&] {
            ui::ClearIniCache();
            ui::SetPersonalLanguageFile(personal);
            ui::LoadLanguageTable(programFile);
            if (command && !ui::SelectLanguage(programFile, *command))
                return 1;
            if (TextOf(TextKey::MAIN_CAPTION) != expected)
                return 2;
            return ui::WindowTextSection(programFile) ==
                           (expected == u"Keyboard" ? ui::kEnglishSection : ui::kChineseSection)
                       ? 0
                       : 3;
        });
    };
    ASSERT_EQ(run(std::nullopt, u"键盘设置"), 0);
    ASSERT_EQ(run(ui::kLanguageEnglish, u"Keyboard"), 0) << "1: no file kept the choice";
    EXPECT_EQ(ReadBytes(programFile), shipped);
    EXPECT_EQ(ReadBytes(personal), "[language]\nlanguage=1\n");
    EXPECT_EQ(run(std::nullopt, u"Keyboard"), 0) << "the choice was lost at the restart";

    // Once the program's file can be written again, a newer choice there still wins over
    // the older one of the user's file.
    std::filesystem::permissions(program, std::filesystem::perms(0777));
    std::filesystem::permissions(programFile, std::filesystem::perms(0666));
    ASSERT_EQ(run(ui::kLanguageChinese, u"键盘设置"), 0);
    EXPECT_EQ(run(std::nullopt, u"键盘设置"), 0);
    EXPECT_EQ(ReadBytes(personal), "[language]\nlanguage=0\n");
}

} // namespace
