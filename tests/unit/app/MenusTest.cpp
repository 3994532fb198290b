#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "app/Menus.h"
#include "ui/IniFile.h"
#include "ui/Language.h"

namespace fs = std::filesystem;

namespace {

fs::path WriteLanguageFile(const char* text) {
    const auto file = fs::temp_directory_path() / ("menus-" + std::to_string(getpid()) + ".ini");
    std::ofstream(file) << text;
    return file;
}

TEST(MenusTest, LabelsComeFromTheStoredLanguageAndAMissingKeyIsASpace) {
    const auto file = WriteLanguageFile("[LANGUAGE]\nlanguage=1\n"
                                        "[ENGINSH]\nMENU_11=Open\nMENU_33=Exit\n"
                                        "[CHINESE]\nMENU_11=打开\nMENU_22=关于\nMENU_33=退出\n");
    EXPECT_EQ(app::MenuLabels(app::kTrayMenu, file),
              (std::vector<std::u16string>{u"Open", u" ", u"Exit"}));
    ui::WritePrivateProfileString(u"LANGUAGE", u"language", u"0", file);
    EXPECT_EQ(app::MenuLabels(app::kTrayMenu, file),
              (std::vector<std::u16string>{u"打开", u"关于", u"退出"}));
    EXPECT_EQ(app::MenuLabels(app::kWindowMenu, file),
              (std::vector<std::u16string>{u" ", u" ", u" ", u" "}));
    fs::remove(file);
}

TEST(MenusTest, ProfileNamesAndBoxButtonsFollowTheLanguageWithEnglishForMissingKeys) {
    const auto file = WriteLanguageFile("[LANGUAGE]\nlanguage=1\n"
                                        "[ENGINSH]\nPROFILE_1=Game\nPROFILE_3=\nMSGBOX_NO=Nope\n"
                                        "[CHINESE]\nPROFILE_1=配置1\nPROFILE_2=配置2\n"
                                        "PROFILE_3=配置3\nMSGBOX_OK=确定\nMSGBOX_YES=是(&Y)\n"
                                        "MSGBOX_NO=否(&N)\nMSGBOX_REPLACE=替换 %s？\n");
    // Every name differs: the menu's three items must tell the profiles apart.
    EXPECT_EQ(app::ProfileName(0, file), u"Game");
    EXPECT_EQ(app::ProfileName(1, file), u"Profile 2");
    EXPECT_EQ(app::ProfileName(2, file), u"Profile 3") << "an empty value is no name";
    EXPECT_EQ(app::ProfileName(3, file), u"");
    app::BoxButtonLabels labels = app::BoxButtons(file);
    EXPECT_EQ(labels.ok, u"OK");
    EXPECT_EQ(labels.yes, u"&Yes");
    EXPECT_EQ(labels.no, u"Nope");
    EXPECT_EQ(app::ReplaceQuestion(u"a.bvx", file),
              u"a.bvx already exists. Do you want to replace it?");

    ui::WritePrivateProfileString(u"LANGUAGE", u"language", u"0", file);
    EXPECT_EQ(app::ProfileName(0, file), u"配置1");
    EXPECT_EQ(app::ProfileName(2, file), u"配置3");
    labels = app::BoxButtons(file);
    EXPECT_EQ(labels.ok, u"确定");
    EXPECT_EQ(labels.yes, u"是(&Y)");
    EXPECT_EQ(labels.no, u"否(&N)");
    EXPECT_EQ(app::ReplaceQuestion(u"a.bvx", file), u"替换 a.bvx？");
    fs::remove(file);
}

TEST(TrayClicksTest, XEmbedSingleClickWaitsForTheDoubleClickTime) {
    app::TrayClicks clicks(app::TrayClicks::Host::XEmbed);
    EXPECT_EQ(clicks.LeftClick(), 0u);
    EXPECT_TRUE(clicks.clickPending());
    EXPECT_EQ(clicks.ClickTimeout(), app::kCmdProfileMenu);
    EXPECT_EQ(clicks.ClickTimeout(), 0u) << "one menu per click";

    EXPECT_EQ(clicks.LeftClick(), 0u);
    EXPECT_EQ(clicks.DoubleClick(), app::kCmdOpen);
    EXPECT_EQ(clicks.ClickTimeout(), 0u) << "a double click clears the pending click";
    EXPECT_EQ(clicks.MiddleClick(), 0u);
}

TEST(TrayClicksTest, StatusNotifierOpensOnLeftAndShowsProfilesOnMiddle) {
    app::TrayClicks clicks(app::TrayClicks::Host::StatusNotifier);
    EXPECT_EQ(clicks.LeftClick(), app::kCmdOpen);
    EXPECT_FALSE(clicks.clickPending());
    EXPECT_EQ(clicks.MiddleClick(), app::kCmdProfileMenu);
}

} // namespace
