#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/AppPaths.h"

TEST(AppPathsTest, EveryEntryHangsOffTheProgramFolder) {
    const auto p = platform::ComputeAppPaths("/opt/brisvane/brisvane");
    EXPECT_EQ(p.programFileName, "brisvane");
    EXPECT_EQ(p.appFolder, "/opt/brisvane");
    EXPECT_EQ(p.helpFolder, "/opt/brisvane/Help");
    EXPECT_EQ(p.mainSkinFile, "/opt/brisvane/Skins/Main.ini");
    EXPECT_EQ(p.mainSkinFolder, "/opt/brisvane/Skins");
    EXPECT_EQ(p.userColourPrefix, "/opt/brisvane/Brisvane/UserDengColor_");
    EXPECT_EQ(p.profileSkinFile, "/opt/brisvane/Skins/Profile.ini");
    EXPECT_EQ(p.updateSkinFile, "/opt/brisvane/Skins/UpdateDlg.ini");
    EXPECT_EQ(p.updatePackage, "/opt/brisvane/Package");
    EXPECT_EQ(p.skinUserColourPrefix, "/opt/brisvane/Skins/UserDengColor_");
    EXPECT_EQ(p.compositeSkinFile, "/opt/brisvane/Skins/Composite.ini");
    EXPECT_EQ(p.daemonPath, "/opt/brisvane/pemrode");
}

TEST(AppPathsTest, ProgramFileIsThisTestProgram) {
    EXPECT_EQ(platform::ProgramFilePath().filename(), "unit_platform");
}

TEST(AppPathsTest, UserConfigFolderFollowsTheDesktopsVariables) {
    struct Case {
        const char* configHome; // nullptr: unset
        const char* home;
        const char* expected;
    } cases[] = {
        {"/cfg", "/home/u", "/cfg/Brisvane_Quandril"},
        {nullptr, "/home/u", "/home/u/.config/Brisvane_Quandril"},
        // A relative value is invalid by the base directory rules and is ignored.
        {"cfg", "/home/u", "/home/u/.config/Brisvane_Quandril"},
        {nullptr, nullptr, ""},
    };
    const std::string savedConfig =
        std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const Case& c : cases) {
        c.configHome ? ::setenv("XDG_CONFIG_HOME", c.configHome, 1) : ::unsetenv("XDG_CONFIG_HOME");
        c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(platform::UserConfigFolder(), c.expected) << (c.configHome ? c.configHome : "-");
        EXPECT_EQ(platform::PersonalLanguageFile(),
                  *c.expected ? std::filesystem::path(c.expected) / "language.ini" : "");
    }
    savedConfig.empty() ? ::unsetenv("XDG_CONFIG_HOME")
                        : ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}
