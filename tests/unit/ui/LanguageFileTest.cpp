// The language file that ships beside the program.

#include "ui/IniFile.h"
#include "ui/Language.h"
#include "ui/TextTable.h"
#include "ui/Utf.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

const std::filesystem::path kShipped =
    std::filesystem::path(BRISVANE_BUILD_ROOT) / "Skins" / "language.ini";

// Keys that windows read for their own captions, besides the text table.
const char16_t* const kWindowKeys[] = {
    u"PROFILE_1",
    u"PROFILE_2",
    u"PROFILE_3",
    u"PROFILE_MACRO",
    u"PROFILE_DEFAULT",
    u"PROFILE_OK",
    u"PROFILE_CANCLE",
    u"PROFILE_APPLY",
    u"MAIN_MINIMIZE_PROMPT",
    u"MAIN_MENU_PROMPT",
    u"MAIN_CLOSE_PROMPT",
    u"GUANYU_JIESHAO",
    u"GUANYU_BANQUAN",
    u"MSGBOX_OK",
    u"MSGBOX_YES",
    u"MSGBOX_NO",
    u"MSGBOX_REPLACE",
    u"MENU_1",
    u"MENU_2",
    u"MENU_3",
    u"MENU_4",
    u"MENU_5",
    u"PROFILE_LIST_ACTIVE",
    u"PROFILE_LIST_NAME",
    u"PROFILE_LIST_PATH",
    u"MAIN_UPDATE_BACKUP_ASK",
    u"MENU_11",
    u"MENU_22",
    u"MENU_33",
    u"A_BOTTOM",
    u"A_CLEAR",
    u"A_DELETE",
    u"A_DOWN",
    u"A_RECORD",
    u"A_TOP",
    u"A_UP",
    u"COMPOSITE_MACRO_OVER",
    u"COMPOSITE_PROMPT_CLEAR",
    u"COMPOSITE_PROMPT_OSK",
    u"FUNCTION_KEY",
    u"FUNCTION_TISHI",
    u"KEY_SETTING_TISHI",
    u"MACRO_CANCLE",
    u"MACRO_CYCLES",
    u"MACRO_EDIT_TISHI",
    u"MACRO_NAME_SETTING",
    u"MACRO_OK",
    u"MACRO_SETTING",
    u"MEDIA_EDIT_TISHI",
    u"MULTI_MEDIA",
    u"RECORD_DELAY",
    u"SINGLE_KEY",
    u"SINGLE_STATIC",
};

std::vector<std::string> Directives(std::u16string_view text) {
    static const std::regex directive("%[-+ #0]*[0-9]*(\\.[0-9]+)?[a-zA-Z%]");
    std::string utf8 = ui::ToUtf8(text);
    std::vector<std::string> found;
    for (std::sregex_iterator it(utf8.begin(), utf8.end(), directive), end; it != end; ++it) {
        found.push_back(it->str());
    }
    return found;
}

TEST(LanguageFile, HasEveryKeyInBothLanguagesFittingItsSlot) {
    ASSERT_TRUE(std::filesystem::exists(kShipped)) << kShipped;
    EXPECT_EQ(ui::StoredLanguage(kShipped), ui::kLanguageEnglish);
    for (std::u16string_view section : {ui::kEnglishSection, ui::kChineseSection}) {
        for (size_t n = 0; n < ui::kTextKeyCount; ++n) {
            const ui::TextSlotInfo& info = ui::TextSlotInfoOf(ui::TextKeyAt(n));
            std::string where = ui::ToUtf8(section) + "/" + ui::ToUtf8(info.key);
            std::optional<std::u16string> value =
                ui::FindPrivateProfileString(section, info.key, ui::kLanguageReadBuffer, kShipped);
            ASSERT_TRUE(value.has_value()) << where;
            EXPECT_FALSE(value->empty()) << where;
            EXPECT_LT(value->size(), info.capacity) << where;
            // A translation that lost or changed a placeholder would show a wrong message.
            EXPECT_EQ(Directives(*value), Directives(info.builtIn)) << where;
        }
        for (const char16_t* key : kWindowKeys) {
            std::optional<std::u16string> value =
                ui::FindPrivateProfileString(section, key, ui::kLanguageReadBuffer, kShipped);
            ASSERT_TRUE(value.has_value()) << ui::ToUtf8(section) << "/" << ui::ToUtf8(key);
            EXPECT_FALSE(value->empty()) << ui::ToUtf8(section) << "/" << ui::ToUtf8(key);
        }
    }
    // The record-delays option is stored under this text: it must not change with the language.
    EXPECT_EQ(
        ui::GetPrivateProfileString(u"ENGINSH", u"MACRO_ACTION_RECORD_DELAY", u"", 260, kShipped),
        ui::GetPrivateProfileString(u"CHINESE", u"MACRO_ACTION_RECORD_DELAY", u"", 260, kShipped));
}

class ShippedLanguageTest : public TempDirTest {
protected:
    void TearDown() override {
        ui::ResetTextTable();
        ui::ClearIniCache();
        TempDirTest::TearDown();
    }
};

TEST_F(ShippedLanguageTest, LoadsEnglishAndAfterTheCommandChinese) {
    std::filesystem::copy_file(kShipped, File("language.ini"));
    ui::LoadLanguageTable(File("language.ini"));
    EXPECT_EQ(ui::TextOf(ui::TextKey::MAIN_CAPTION), u"Gaming Keyboard Settings");
    EXPECT_EQ(ui::TextOf(ui::TextKey::PROFILE_TIP), u"Current profile: ");
    ASSERT_TRUE(ui::SelectLanguage(File("language.ini"), ui::kLanguageChinese));
    EXPECT_EQ(ui::TextOf(ui::TextKey::MAIN_CAPTION), u"游戏键盘设置");
    EXPECT_EQ(ui::TextOf(ui::TextKey::MEDIA_PREV_TRACK_4), u"上一曲");
    // The command changed one line only.
    std::string before = ReadBytes(kShipped);
    std::string after = ReadBytes(File("language.ini"));
    size_t at = before.find("language=1");
    ASSERT_NE(at, std::string::npos);
    before.replace(at, 10, "language=0");
    EXPECT_EQ(after, before);
}

} // namespace
