#include "ui/TextTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using ui::TextKey;

class TextTableTest : public ::testing::Test {
protected:
    void TearDown() override { ui::ResetTextTable(); }
};

TEST_F(TextTableTest, EverySlotStartsWithItsBuiltInTextAndHasAUniqueKey) {
    std::set<std::u16string_view> keys;
    for (size_t n = 0; n < ui::kTextKeyCount; ++n) {
        const ui::TextSlotInfo& info = ui::TextSlotInfoOf(ui::TextKeyAt(n));
        EXPECT_TRUE(keys.insert(info.key).second) << n;
        EXPECT_LT(info.builtIn.size(), info.capacity) << n;
        EXPECT_EQ(ui::TextOf(ui::TextKeyAt(n)), info.builtIn) << n;
        EXPECT_EQ(ui::TextPointer(ui::TextKeyAt(n))[info.builtIn.size()], 0) << n;
    }
    EXPECT_EQ(ui::kTextKeyCount, 87u);
}

TEST_F(TextTableTest, SlotsKeepTheirKeysDefaultsAndCapacities) {
    struct Case {
        TextKey key;
        std::u16string_view name, builtIn;
        uint16_t capacity;
    } cases[] = {
        {TextKey::MACRO_ACTION_RECORD_DELAY, u"MACRO_ACTION_RECORD_DELAY", u"RecordDelay", 108},
        {TextKey::MACRO_ERR_MAX, u"MACRO_ERR_MAX", u"The maximum number of macro: %d   ", 108},
        {TextKey::UNKNOWN_KEY, u"UNKNOWN_KEY", u"Unknown Key: %03x", 108},
        {TextKey::MEDIA_Next_TRACK_5, u"MEDIA_Next_TRACK_5", u"Hello world", 108},
        {TextKey::FUNC_KEY_DESC11, u"FUNC_KEY_DESC11", u"Zoom+", 108},
        {TextKey::PROFILE_SEELCT_PROMPT2, u"PROFILE_SEELCT_PROMPT2",
         u"When fast switch scene mode, you must first close the editor dialog box.", 108},
        {TextKey::PROFILE_NEW, u"PROFILE_NEW", u"\\The new contextual  mode", 108},
        {TextKey::MAIN_UPDATE_ERROR_TEXT, u"MAIN_UPDATE_ERROR_TEXT", u"请选择正确的更新文件! ", 13},
        {TextKey::MAIN_BOOT_ERROR_TEXT, u"MAIN_BOOT_ERROR_TEXT", u"无法进入Boot模式! ", 13},
        {TextKey::MAIN_SHELL_ERROR_TEXT, u"MAIN_SHELL_ERROR_TEXT", u"无法执行更新文件! ", 11},
        {TextKey::MAIN_UPDATE_BACKUP_OK, u"MAIN_UPDATE_BACKUP_OK", u"备份成功!", 6},
        {TextKey::MAIN_UPDATE_BACKUP_NG, u"MAIN_UPDATE_BACKUP_NG", u"备份失败,请重新备份!", 12},
        {TextKey::MAIN_BUTTON_MIRQEL_VER, u"MAIN_BUTTON_MIRQEL_VER", u"", 108},
        {TextKey::MAIN_PROMPT_DRIVER_TEXT, u"MAIN_PROMPT_DRIVER_TEXT",
         u"Detects that the driver is not installed keyboard, \r\npress [OK] to start the driver "
         u"installation!",
         108},
        {TextKey::MAIN_NO_DEVICE_PROMPT, u"MAIN_NO_DEVICE_PROMPT",
         u"Device is not detected，the key settings can not be displayed! ", 108},
    };
    for (const Case& c : cases) {
        const ui::TextSlotInfo& info = ui::TextSlotInfoOf(c.key);
        EXPECT_EQ(info.key, c.name);
        EXPECT_EQ(info.builtIn, c.builtIn);
        EXPECT_EQ(info.capacity, c.capacity);
    }
    // Its capacity holds at least its own text; the slot takes a longer translation.
    EXPECT_GE(ui::TextSlotInfoOf(TextKey::EXTRA_MACRO_TOO_LONG).capacity, 119);
    EXPECT_EQ(ui::TextSlotInfoOf(TextKey::EXTRA_MACRO_TOO_LONG).builtIn.size(), 118u);
}

TEST_F(TextTableTest, ALongerTextIsCutToItsSlot) {
    ui::SetText(TextKey::MACRO_ERR_MAX, std::u16string(300, u'a'));
    EXPECT_EQ(ui::TextOf(TextKey::MACRO_ERR_MAX), std::u16string(107, u'a'));
    ui::SetText(TextKey::MAIN_UPDATE_BACKUP_OK, u"Backup done");
    EXPECT_EQ(ui::TextOf(TextKey::MAIN_UPDATE_BACKUP_OK), u"Backu");
    EXPECT_EQ(ui::TextPointer(TextKey::MAIN_UPDATE_BACKUP_OK)[5], 0);
    // The neighbouring slot is untouched.
    EXPECT_EQ(ui::TextOf(TextKey::MAIN_UPDATE_BACKUP_NG), u"备份失败,请重新备份!");
    ui::SetText(TextKey::MAIN_UPDATE_BACKUP_OK, u"abcd\U0001F3AE");
    EXPECT_EQ(ui::TextOf(TextKey::MAIN_UPDATE_BACKUP_OK), u"abcd");
    ui::SetText(TextKey::MACRO_ERR_MAX, u"");
    EXPECT_EQ(ui::TextOf(TextKey::MACRO_ERR_MAX), u"");
    ui::ResetTextTable();
    EXPECT_EQ(ui::TextOf(TextKey::MAIN_UPDATE_BACKUP_OK), u"备份成功!");
}

} // namespace
