// The lighting record codec, the effect list, the panel's tables and the per-user files.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "lighting/LightingPanel.h"
#include "lighting/LightingRecord.h"
#include "lighting/UserFiles.h"
#include "profiles/Paths.h"
#include "ui/IniFile.h"

using namespace lighting;
namespace fs = std::filesystem;

namespace {

std::array<uint8_t, kRecordSize> RecordOf(std::initializer_list<std::pair<uint32_t, uint8_t>> set,
                                          bool fromDefault = true) {
    std::array<uint8_t, kRecordSize> r{};
    if (fromDefault)
        std::copy(kDefaultRecord.begin(), kDefaultRecord.end(), r.begin());
    for (auto [offset, value] : set)
        r[offset] = value;
    return r;
}

std::array<uint8_t, 48> ConfigWithEffects(std::initializer_list<uint8_t> effects) {
    std::array<uint8_t, 48> config{};
    config[10] = 1; // the active profile: not an effect
    std::copy(effects.begin(), effects.end(), config.begin() + 16);
    return config;
}

} // namespace

TEST(LightingRecord, TheDefaultRecordDecodesToItsNamedValues) {
    const LightingRecord r = DecodeLightingRecord(RecordOf({}));
    EXPECT_EQ(r.effect, 5);
    EXPECT_EQ(r.brightness, 3);
    EXPECT_EQ(r.speed, 1);
    EXPECT_EQ(r.userMode, 0);
    EXPECT_EQ(r.direction, 0xFF);
    EXPECT_EQ(r.colour, 0x0000FFu); // red, as 0x00BBGGRR
    EXPECT_EQ(r.baseColour, 0xFFFFFFu);
    EXPECT_EQ(r.secondColour, 0x0000FFu);
    EXPECT_EQ(r.reportRate, 0);
    EXPECT_EQ(r.keyLightTool, 0); // written as 0xFF, read back as paint
    EXPECT_EQ(r.colourChoice, 0);
    EXPECT_EQ(r.stoneColour, 0xFFFFFFu);
    EXPECT_EQ(r.ribbonColour, 0xFFFFFFu);
    EXPECT_EQ(r.stoneRainbow, 0);
    EXPECT_EQ(r.ribbonRainbow, 0);
}

TEST(LightingRecord, FieldsComeFromTheirOffsetsAndAreKeptToTheControlsValues) {
    const LightingRecord r = DecodeLightingRecord(RecordOf({{5, 0x12},
                                                            {6, 0x34},
                                                            {7, 0x56},
                                                            {15, 7},
                                                            {16, 2},
                                                            {17, 3},
                                                            {18, 9},
                                                            {19, 1},
                                                            {25, 0xAA},
                                                            {26, 0xBB},
                                                            {27, 0xCC},
                                                            {28, 0x80},
                                                            {30, 1},
                                                            {31, 2},
                                                            {32, 3},
                                                            {33, 1}},
                                                           false));
    EXPECT_EQ(r.colour, 0x563412u);
    EXPECT_EQ(r.reportRate, 3);   // above 3 taken as 3
    EXPECT_EQ(r.keyLightTool, 0); // above 1 taken as 0
    EXPECT_EQ(r.colourChoice, 3);
    EXPECT_EQ(r.rainbow, 1);
    EXPECT_EQ(r.trigger, 1);
    EXPECT_EQ(r.stoneColour, 0xCCBBAAu);
    EXPECT_EQ(r.stoneRainbow, 1);
    EXPECT_EQ(r.ribbonColour, 0x030201u);
    EXPECT_EQ(r.ribbonRainbow, 1);
    EXPECT_EQ(DecodeLightingRecord(RecordOf({{15, 2}, {16, 1}})).reportRate, 2);
    EXPECT_EQ(DecodeLightingRecord(RecordOf({{15, 2}, {16, 1}})).keyLightTool, 1);

    std::array<uint8_t, 3> rgb{};
    WriteColour(rgb, 0, 0x00FF00);
    EXPECT_EQ(rgb, (std::array<uint8_t, 3>{0x00, 0xFF, 0x00}));
}

TEST(EffectList, NonZeroEffectBytesInTheirOrderNumberedFromZero) {
    const EffectList list = BuildEffectList(ConfigWithEffects({5, 1}));
    EXPECT_EQ(list, (EffectList{{0, 5}, {1, 1}}));
    EXPECT_EQ(ListPositionOfEffect(list, 1), 1);
    EXPECT_EQ(ListPositionOfEffect(list, 3), -1);

    // A gap is no line; the last byte of the block counts.
    auto config = ConfigWithEffects({7, 0, 254});
    config[47] = 12;
    EXPECT_EQ(BuildEffectList(config), (EffectList{{0, 7}, {1, 254}, {2, 12}}));
    EXPECT_TRUE(BuildEffectList(ConfigWithEffects({})).empty());
}

TEST(LightingTables, EachEffectShowsItsControls) {
    struct Case {
        int effect;
        bool list, brightness, speed, direction, userKeys;
    };
    const Case cases[] = {
        {1, true, true, true, true, false},      {3, true, true, true, true, false},
        {15, true, true, true, true, false},     {28, true, true, true, true, false},
        {6, true, true, true, false, false},     {12, true, true, true, false, false},
        {26, true, true, true, false, false},    {5, true, true, false, false, false},
        {25, true, true, false, false, false},   {254, true, true, false, false, true},
        {29, false, false, false, false, false}, {0, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effect);
        EXPECT_EQ(EffectShows(c.effect, kIdEffectList), c.list);
        EXPECT_EQ(EffectShows(c.effect, kIdBrightnessSlider), c.brightness);
        EXPECT_EQ(EffectShows(c.effect, kIdBrightnessCaption), c.brightness);
        EXPECT_EQ(EffectShows(c.effect, kIdSpeedSlider), c.speed);
        EXPECT_EQ(EffectShows(c.effect, kIdDirectionRight), c.direction);
        EXPECT_EQ(EffectShows(c.effect, kIdDirectionCaption), c.direction);
        for (uint16_t id : {kIdUserModeList, kIdPaintTool, kIdToolCaption, kIdSelectAll,
                            kIdSelectAllCaption, kIdClearAll, kIdClearAllCaption})
            EXPECT_EQ(EffectShows(c.effect, id), c.userKeys) << id;
    }
}

TEST(LightingTables, DirectionPicturesAndPlacesFollowTheEffect) {
    EXPECT_EQ(DirectionPicture(3, true, false), u"kuosan.bmp");
    EXPECT_EQ(DirectionPicture(3, false, true), u"julongdown.bmp");
    EXPECT_EQ(DirectionPicture(15, true, true), u"updown.bmp");
    EXPECT_EQ(DirectionPicture(15, false, false), u"downup.bmp");
    EXPECT_EQ(DirectionPicture(1, true, true), u"leftdown.bmp");
    EXPECT_EQ(DirectionPicture(27, false, false), u"rightup.bmp");
    for (int e : {1, 2, 3})
        EXPECT_EQ(DirectionLayoutSuffix(e), u"2");
    EXPECT_EQ(DirectionLayoutSuffix(12), u"3");
    for (int e : {4, 15, 254})
        EXPECT_EQ(DirectionLayoutSuffix(e), u"");
}

TEST(LightingTables, LightBitsOfTheButtons) {
    EXPECT_EQ(LightBitOf(1058), 11); // A
    EXPECT_EQ(LightBitOf(1089), 61); // Right Ctrl
    EXPECT_EQ(LightBitOf(1087), 61); // Right Win: the same light
    EXPECT_EQ(LightBitOf(1002), 22); // G3
    EXPECT_EQ(LightBitOf(1141), 0);  // G7: the bit of Esc
    EXPECT_EQ(LightBitOf(1016), 0);  // D1
    EXPECT_EQ(LightBitOf(1174), 45); // Fn
}

class UserFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lighting-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        fs::create_directories(root_ / "Skins");
        fs::create_directories(root_ / "Brisvane");
        files_ = {root_ / "Brisvane" / "tavrin.ini", root_ / "Skins" / "UserDengColor_",
                  root_ / "Brisvane" / "UserDengColor_"};
    }
    void TearDown() override {
        ui::ClearIniCache();
        fs::remove_all(root_);
    }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    std::u16string Check() const {
        return ui::GetPrivateProfileString(u"KEYCOLOR", u"usermodeCheck", u"missing", 260,
                                           files_.settingsFile);
    }

    fs::path root_;
    UserFiles files_;
};

TEST_F(UserFilesTest, UserFilesAreCopiesOfTemplateThreeMadeOnce) {
    Write(root_ / "Skins" / "UserDengColor_3.userd", "colours\n3\x01\xFF\r\n");
    Write(root_ / "Skins" / "UserDengColor_0.userd", "not this one");

    EXPECT_EQ(PrepareUserFiles(files_), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Read(ColourFile(files_.userPrefix, i)), "colours\n3\x01\xFF\r\n") << i;
    EXPECT_EQ(Check(), u"1");

    // A second start copies nothing: the user's files stay as they are.
    Write(ColourFile(files_.userPrefix, 2), "edited");
    EXPECT_EQ(PrepareUserFiles(files_), 0);
    EXPECT_EQ(Read(ColourFile(files_.userPrefix, 2)), "edited");
}

TEST_F(UserFilesTest, AMissingTemplateLeavesEmptyFilesAndTheCheckIsWritten) {
    EXPECT_EQ(PrepareUserFiles(files_), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(fs::exists(ColourFile(files_.userPrefix, i)));
        EXPECT_EQ(fs::file_size(ColourFile(files_.userPrefix, i)), 0u);
    }
    EXPECT_EQ(Check(), u"1");
}

TEST_F(UserFilesTest, AFirstStartPreparesTheFilesOnceTheUserDataFolderIsMade) {
    profiles::SetDocumentsFolder(root_ / "Documents");
    const UserFiles files = UserFilesFor(root_ / "Skins" / "UserDengColor_");
    EXPECT_EQ(files.settingsFile, root_ / "Documents" / "Brisvane" / "tavrin.ini");
    Write(root_ / "Skins" / "UserDengColor_3.userd", "template");

    PrepareUserFilesNowAndWhenFolderIsMade(files); // no folder yet: nothing to write into
    EXPECT_FALSE(fs::exists(ColourFile(files.userPrefix, 0)));
    ASSERT_EQ(profiles::EnsureUserDataFolder(), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Read(ColourFile(files.userPrefix, i)), "template") << i;
    EXPECT_EQ(
        ui::GetPrivateProfileString(u"KEYCOLOR", u"usermodeCheck", u"", 260, files.settingsFile),
        u"1");
    ForgetUserFiles();
    profiles::SetDocumentsFolder({});
}

TEST_F(UserFilesTest, LightingModeIsOnExactlyWhenTheValueReadsAsOne) {
    EXPECT_FALSE(ReadLightingMode(files_)); // no file
    const std::pair<const char16_t*, bool> cases[] = {{u"1", true},   {u" 01", true}, {u"1x", true},
                                                      {u"0", false},  {u"2", false},  {u"", false},
                                                      {u"on", false}, {u"-1", false}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(ui::WritePrivateProfileString(u"KEYCOLOR", u"DengCheck", cases[i].first,
                                                  files_.settingsFile));
        EXPECT_EQ(ReadLightingMode(files_), cases[i].second) << "case " << i;
    }
    EXPECT_TRUE(WriteLightingMode(files_, true));
    EXPECT_EQ(ui::GetPrivateProfileString(u"KEYCOLOR", u"DengCheck", u"", 260, files_.settingsFile),
              u"1");
    EXPECT_TRUE(ReadLightingMode(files_));
    EXPECT_TRUE(WriteLightingMode(files_, false));
    EXPECT_FALSE(ReadLightingMode(files_));
}
