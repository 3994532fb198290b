#include "ui/SkinRect.h"

#include "TempDir.h"
#include "ui/IniFile.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using ui::ParseSkinRect;
using ui::SkinRect;

struct ParseCase {
    std::u16string_view text;
    SkinRect expected;
};

TEST(SkinRectTest, ParsesAsScanfWithUnparsedFieldsAtOne) {
    const ParseCase cases[] = {
        {u"100,40,60,20", {100, 40, 60, 20}},
        {u"1,1,1,1,x", {1, 1, 1, 1}},             // what a missing key reads as
        {u" 5, 6,\t7, 8 trailing", {5, 6, 7, 8}}, // blanks before each number are skipped
        {u"-3,+4,0,0", {-3, 4, 0, 0}},
        {u"5 ,6,7,8", {5, 1, 1, 1}}, // a blank before the comma stops the read
        {u"12,abc,3,4", {12, 1, 1, 1}},
        {u"7,8", {7, 8, 1, 1}},
        {u"", {1, 1, 1, 1}},
        {u"x,2,3,4", {1, 1, 1, 1}},
        {u"99999999999,-99999999999,0,0", {INT_MAX, INT_MIN, 0, 0}},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(ParseSkinRect(c.text), c.expected) << std::string(c.text.begin(), c.text.end());
}

TEST(SkinRectTest, OnlyOneOneMarksAMissingKey) {
    EXPECT_FALSE(ui::DisablesImageButton({0, 0, 10, 10}));
    EXPECT_TRUE(ui::DisablesImageButton({1, 1, 60, 20}));
    EXPECT_FALSE(ui::DisablesImageButton({1, 0, 1, 1}));
    EXPECT_FALSE(ui::DisablesImageButton({0, 1, 1, 1}));
    EXPECT_FALSE(ui::DisablesImageButton({2, 1, 1, 1}));
}

TEST(SkinRectTest, FacesAreCutOnePixelUpAndLeft) {
    EXPECT_EQ(ui::FaceCutPoint({100, 40, 60, 20}), (ui::SkinPoint{99, 39}));
    EXPECT_EQ(ui::FaceCutPoint({0, 0, 5, 5}), (ui::SkinPoint{-1, -1}));
}

TEST(SkinRectTest, NamesKeysFromNumbers) {
    EXPECT_EQ(ui::KeyButtonLayoutKey(0x2A), u"KEY_02A");
    EXPECT_EQ(ui::KeyButtonLayoutKey(0xC5), u"KEY_0C5");
    EXPECT_EQ(ui::KeyButtonLayoutKey(0x01), u"KEY_001");
    EXPECT_EQ(ui::KeyButtonLayoutKey(0x105), u"KEY_105");
    EXPECT_EQ(ui::KeyButtonLayoutKey(0x1234), u"KEY_1234");
    EXPECT_EQ(ui::SpecialButtonLayoutKey(9), u"FUNC_G9");
    EXPECT_EQ(ui::ArrowFaceKey(true, 1), u"UP_ARROW_LEFT1");
    EXPECT_EQ(ui::ArrowFaceKey(false, 1), u"UP_ARROW_RIGHT1");
    EXPECT_EQ(ui::ArrowFaceKey(true, 0), u"DOWN_ARROW_LEFT1");
    EXPECT_EQ(ui::ArrowFaceKey(false, 0), u"DOWN_ARROW_RIGHT1");
}

class SkinRectFileTest : public TempDirTest {
protected:
    void TearDown() override {
        ui::ClearIniCache();
        TempDirTest::TearDown();
    }
};

TEST_F(SkinRectFileTest, ReadsKeysAndFallsBackForMissingOnes) {
    WriteBytes(File("Main.ini"), "[BUTTONINFO]\nKEY_02A=100,40,60,20\nCORNER=0,0,30,30\n"
                                 "[BUTTONINFO2]\nUP_ARROW_LEFT1=5,6,7,8\n");
    EXPECT_EQ(ui::ReadSkinRect(File("Main.ini"), u"BUTTONINFO", u"key_02a"),
              (SkinRect{100, 40, 60, 20}));
    EXPECT_EQ(ui::ReadSkinRect(File("Main.ini"), u"BUTTONINFO", u"CORNER"),
              (SkinRect{0, 0, 30, 30}));
    EXPECT_EQ(ui::ReadSkinRect(File("Main.ini"), u"BUTTONINFO2", u"UP_ARROW_LEFT1"),
              (SkinRect{5, 6, 7, 8}));
    EXPECT_EQ(ui::ReadSkinRect(File("Main.ini"), u"BUTTONINFO", u"KEY_02B"), SkinRect{});
    EXPECT_EQ(ui::ReadSkinRect(File("none.ini"), u"BUTTONINFO", u"KEY_02A"), SkinRect{});
}

} // namespace
