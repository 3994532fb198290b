#include <gtest/gtest.h>

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
