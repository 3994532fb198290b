// The lighting panel against the real virtual keyboard, reached through the real transport
// library: every report the panel sends is judged by the keyboard, and what it wrote is read
// back from the keyboard's memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/Commands.h"
#include "device/Exchange.h"
#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "keys/KeyButtons.h"
#include "keys/KeyboardView.h"
#include "lighting/LightingPanel.h"
#include "support/MemorySettings.h"
#include "support/SuiteKeyboard.h"
#include "ui/AppSettings.h"
#include "ui/IniFile.h"

using namespace lighting;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint16_t kA = 1058, kB = 1075, kSpace = 1090, kRightCtrl = 1089, kRightWin = 1087;

std::string Hex(std::span<const uint8_t> bytes) {
    std::string s;
    char b[4];
    for (uint8_t v : bytes) {
        std::snprintf(b, sizeof b, "%02X", v);
        s += b;
    }
    return s;
}

// The command set, each call written down before it goes to the keyboard.
struct RecordingLink : LightingLink {
    int32_t BeginTransfer() override {
        log.push_back("begin");
        return device.BeginTransfer();
    }
    int32_t EndTransfer() override {
        log.push_back("end");
        return device.EndTransfer();
    }
    int32_t ReadConfig(std::span<uint8_t, 48> config) override {
        log.push_back("config");
        const int32_t result = device.ReadConfig(config);
        // A keyboard of another effect list: the virtual keyboard's own list is fixed.
        if (result == 1 && effectList) {
            std::fill(config.begin() + 16, config.end(), uint8_t{0});
            std::copy(effectList->begin(), effectList->end(), config.begin() + 16);
        }
        return result;
    }
    int32_t ReadParams(std::span<uint8_t, 56> out, uint32_t length, uint32_t position) override {
        log.push_back("read params " + std::to_string(length) + "@" + std::to_string(position));
        return device.ReadParams(out, length, position);
    }
    int32_t WriteParams(std::span<const uint8_t> data, uint32_t position) override {
        log.push_back("params " + std::to_string(position) + ":" + Hex(data));
        return device.WriteParams(data, position);
    }
    int32_t ReadKeyColours(std::span<uint8_t, 56> out, uint32_t length, uint32_t base,
                           uint32_t profile) override {
        log.push_back("read colours " + std::to_string(length) + "@" +
                      std::to_string(profile * 180 + base));
        return device.ReadKeyColours(out, length, base, profile);
    }
    int32_t WriteKeyColours(std::span<const uint8_t> data, uint32_t base,
                            uint32_t profile) override {
        log.push_back("colours " + std::to_string(profile * 180 + base) + ":" + Hex(data));
        return device.WriteKeyColours(data, base, profile);
    }
    // The writes only, without their brackets.
    std::vector<std::string> Writes() const {
        std::vector<std::string> w;
        for (const auto& line : log)
            if (line.rfind("params", 0) == 0 || line.rfind("colours", 0) == 0)
                w.push_back(line);
        return w;
    }

    DeviceLightingLink device;
    std::vector<std::string> log;
    std::optional<std::vector<uint8_t>> effectList;
};

struct FakePanelView : LightingPanelView {
    void ClearEffectList() override { lines.clear(); }
    void AddEffectLine(std::u16string_view name) override { lines.emplace_back(name); }
    void SelectEffectLine(int line) override { effectLine = line; }
    void SelectUserModeLine(int line) override { userModeLine = line; }
    void SetSliderPosition(uint16_t slider, int position) override { sliders[slider] = position; }
    void SetPicture(uint16_t id, std::u16string_view file) override { pictures[id] = file; }
    void ShowControl(uint16_t id, bool show) override { shown[id] = show; }
    void MoveControl(uint16_t id, std::u16string_view key) override { moved[id] = key; }
    void LatchReportRate(int value) override { latched = value; }
    void SetCaption(uint16_t id, std::u16string_view text) override { captions[id] = text; }
    bool SliderDragging() const override { return dragging; }

    std::vector<std::u16string> lines;
    int effectLine = -2;
    int userModeLine = -2;
    std::map<uint16_t, int> sliders;
    std::map<uint16_t, std::u16string> pictures;
    std::map<uint16_t, bool> shown;
    std::map<uint16_t, std::u16string> moved;
    int latched = -1;
    std::map<uint16_t, std::u16string> captions;
    bool dragging = false;
};

// The keyboard picture's buttons: the light marks only.
struct MarkedButtons : keys::KeyButtonPanel {
    void SetAssigned(uint16_t, bool) override {}
    void SetTooltip(uint16_t, std::u16string_view) override {}
    void SetCaption(uint16_t, std::u16string_view) override {}
    void SetEnabled(uint16_t, bool) override {}
    void SetIndicatorFaces(uint16_t, keys::Picture, keys::Picture) override {}
    void SetLightMark(uint16_t id, uint32_t colour, bool on) override { marks[id] = {colour, on}; }
    void SetEditing(uint16_t, bool) override {}
    void PlaceArrow(bool, bool) override {}
    void Redraw(uint16_t) override {}

    // "green", "black" or "off".
    std::string Mark(uint16_t id) const {
        const auto it = marks.find(id);
        if (it == marks.end() || !it->second.second)
            return "off";
        return it->second.first == kLightGreen  ? "green"
               : it->second.first == kLightDark ? "black"
                                                : "other";
    }
    std::map<uint16_t, std::pair<uint32_t, bool>> marks;
};

struct NoKeyData : keys::KeyViewData {
    void WithShownBlock(const std::function<void(std::span<keys::KeyEntry>)>& fn) override {
        std::vector<keys::KeyEntry> block(512);
        fn(block);
    }
    std::u16string MacroName(uint32_t) override { return {}; }
    uint32_t ShownBlock() override { return 0; }
    bool LayerB() override { return false; }
    void SetApplyPending() override {}
};

} // namespace

class LightingPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device::ExchangeTimes().answerTimeout = std::chrono::milliseconds(200);
        device::ExchangeTimes().takeOverPause = std::chrono::milliseconds(200);
        ::setenv("OLVASK_BACKEND", "sim", 1);
        ::setenv("OLVASK_VKBD_SOCKET", Keyboard().Socket().c_str(), 1);
        ASSERT_TRUE(Keyboard().Start(4));
        static device::IgnoredTransportEvents events;
        int32_t count = 0;
        ASSERT_EQ(device::OpenDeviceLink(BRISVANE_BUILD_ROOT, events, &count), device::kBindOk);
        Keyboard().Stop();
    }
    static void TearDownTestSuite() { fs::remove_all(SuiteFolder()); }

    void SetUp() override {
        ASSERT_TRUE(WaitForCount(0));
        ASSERT_TRUE(Keyboard().Start(4));
        ASSERT_TRUE(WaitForCount(1));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::ofstream(folder_ / "Main.ini") << "[Mode]\n5=常亮\n254=自定义\n"
                                            << "[Mode1]\n5=Steady\n254=Custom keys\n"
                                            << "[Control_Name]\nDeng=灯光\nUsb=报告率\n"
                                            << "[Control_Name1]\nDeng=Lighting\nUsb=Report rate\n"
                                            << "Light=Brightness\n";
    }
    void TearDown() override {
        Keyboard().Stop();
        ui::ClearIniCache();
    }

    void Load(int profile) {
        panel.SetShownProfile(profile);
        panel.Reload();
        link.log.clear();
    }
    int LineOf(int effect) const { return ListPositionOfEffect(panel.Effects(), effect); }
    // Lighting mode on with the user-defined effect and a user mode chosen, nothing logged.
    void PaintMode(int profile, int userMode) {
        Load(profile);
        panel.ToggleLightingMode();
        panel.SelectEffect(LineOf(kUserEffect));
        panel.SelectUserMode(userMode);
        link.log.clear();
    }
    static void WriteParamsDirectly(uint32_t position, Bytes data) {
        device::BeginTransfer();
        device::WriteParams(data, static_cast<uint32_t>(data.size()), position);
        device::EndTransfer();
    }
    static Bytes Lighting(int profile) {
        return Keyboard().Dump("lighting" + std::to_string(profile));
    }
    static Bytes KeyColours(size_t from, size_t n) {
        const Bytes all = Keyboard().Dump("keycolours");
        if (all.size() < from + n)
            return {};
        return Bytes(all.begin() + from, all.begin() + from + n);
    }

    const fs::path folder_ = SuiteFolder() / "panel";
    const UserFiles files_{folder_ / "tavrin.ini", folder_ / "UserDengColor_",
                           folder_ / "UserDengColor_"};
    int language_ = 1;
    RecordingLink link;
    FakePanelView view;
    MarkedButtons buttons;
    NoKeyData keyData;
    NoSettings settings;
    keys::KeyboardView keyView{buttons, keyData, settings};
    LightingPanel panel{view, link, keyView,
                        LightingSkin{folder_ / "Main.ini", [this] { return language_; }}, files_};
};

TEST_F(LightingPanelTest, LoadReadsTheKeyLightsBeforeTheThreeRecordsAndShowsTheShownProfile) {
    panel.SetShownProfile(1);
    panel.Reload();

    EXPECT_EQ(link.log, (std::vector<std::string>{
                            "config", "begin", "read colours 54@180", "read colours 54@234",
                            "read colours 54@288", "read colours 54@342", "read params 56@0",
                            "read params 56@42", "read params 56@84", "end"}));
    ASSERT_EQ(panel.Effects().size(), 29u); // effects 1 to 28 and 254
    EXPECT_EQ(panel.Effects().back(), (EffectLine{28, kUserEffect}));
    EXPECT_EQ(panel.State(), DecodeLightingRecord(std::span<const uint8_t, kRecordSize>(
                                 Lighting(1).data(), kRecordSize)));
    EXPECT_EQ(panel.KeyLights(1), kDefaultKeyLights);

    // The list in the skin's names, an effect without one named "1"; the record's effect
    // chosen, the sliders at brightness and 4 - speed, the report rate latched.
    ASSERT_EQ(view.lines.size(), 29u);
    EXPECT_EQ(view.lines[LineOf(5)], u"Steady");
    EXPECT_EQ(view.lines[LineOf(254)], u"Custom keys");
    EXPECT_EQ(view.lines[LineOf(7)], u"1");
    EXPECT_EQ(view.effectLine, LineOf(5));
    EXPECT_EQ(view.sliders[kIdBrightnessSlider], 3);
    EXPECT_EQ(view.pictures[kIdBrightnessSlider], u"3.bmp");
    EXPECT_EQ(view.sliders[kIdSpeedSlider], 3);
    EXPECT_EQ(view.pictures[kIdSpeedSlider], u"8.bmp");
    EXPECT_EQ(view.latched, 0);
    EXPECT_EQ(view.pictures[kIdLightingSwitch], u"dengup.bmp");
    // The lighting mode is off: no effect control shows.
    for (uint16_t id : kEffectControls)
        EXPECT_FALSE(view.shown[id]) << id;

    // The Chinese names for any language but English.
    language_ = 0;
    panel.RefreshLightingPanel();
    EXPECT_EQ(view.lines[LineOf(5)], u"常亮");
}

TEST_F(LightingPanelTest, AKeyboardWithoutKeyLightsIsNeitherReadNorResetThere) {
    link.effectList = std::vector<uint8_t>{1, 0, 5};
    panel.SetShownProfile(2);
    panel.Reload();
    EXPECT_EQ(link.log,
              (std::vector<std::string>{"config", "begin", "read params 56@0", "read params 56@42",
                                        "read params 56@84", "end"}));
    EXPECT_EQ(panel.Effects(), (EffectList{{0, 1}, {1, 5}}));
    EXPECT_EQ(view.lines.size(), 2u);
    EXPECT_EQ(view.effectLine, 1);

    link.log.clear();
    panel.ToggleLightingMode();
    panel.ResetLighting();
    EXPECT_EQ(link.Writes(),
              (std::vector<std::string>{"params 84:05", "params 84:" + Hex(kDefaultRecord)}));

    // Without effect 5 in its list the reset still writes the record that names it.
    link.effectList = std::vector<uint8_t>{1, 2};
    panel.Reload();
    link.log.clear();
    panel.ResetLighting();
    EXPECT_EQ(link.Writes(), (std::vector<std::string>{"params 84:" + Hex(kDefaultRecord)}));
    EXPECT_EQ(view.effectLine, -1);
}

TEST_F(LightingPanelTest, ASliderMovedToTheValueHeldSendsNothing) {
    Load(1);
    ASSERT_EQ(panel.State().brightness, 3);
    panel.MoveLightingSlider(kIdBrightnessSlider, 2);
    link.log.clear();

    panel.MoveLightingSlider(kIdBrightnessSlider, 2);
    EXPECT_TRUE(link.log.empty());
    panel.MoveLightingSlider(kIdBrightnessSlider, 3);
    EXPECT_EQ(link.log, (std::vector<std::string>{"begin", "params 43:03", "end"}));
    EXPECT_EQ(Lighting(1)[1], 3);

    // A drag reports every position it passes, and its release once more: one write per
    // change of value.
    link.log.clear();
    for (int position : {3, 2, 1, 1, 0, 0, 1, 2, 3, 4, 4, 4})
        panel.MoveLightingSlider(kIdBrightnessSlider, position);
    EXPECT_EQ(link.Writes(), (std::vector<std::string>{
                                 "params 43:02", "params 43:01", "params 43:00", "params 43:01",
                                 "params 43:02", "params 43:03", "params 43:04"}));
    EXPECT_EQ(view.pictures[kIdBrightnessSlider], u"4.bmp");
    EXPECT_EQ(Lighting(1)[1], 4);
    EXPECT_EQ(Lighting(0)[1], 3); // other profiles untouched
}

TEST_F(LightingPanelTest, TheSpeedSliderStandsAtFourMinusTheSpeed) {
    Load(0);
    ASSERT_EQ(panel.State().speed, 1);
    EXPECT_EQ(view.sliders[kIdSpeedSlider], 3);

    panel.MoveLightingSlider(kIdSpeedSlider, 1);
    EXPECT_EQ(view.pictures[kIdSpeedSlider], u"6.bmp");
    EXPECT_EQ(Lighting(0)[2], 3);
    panel.MoveLightingSlider(kIdSpeedSlider, 3);
    EXPECT_EQ(link.Writes(), (std::vector<std::string>{"params 2:03", "params 2:01"}));
    EXPECT_EQ(Lighting(0)[2], 1);
    panel.MoveLightingSlider(kIdSpeedSlider, 3);
    EXPECT_EQ(link.Writes().size(), 2u);
}

TEST_F(LightingPanelTest, DirectionPicturesSendTheirValueAndShowPressed) {
    Load(2);
    panel.SetDirection(0x00);
    EXPECT_EQ(link.log, (std::vector<std::string>{"begin", "params 88:00", "end"}));
    EXPECT_EQ(Lighting(2)[4], 0x00);
    EXPECT_EQ(view.pictures[kIdDirectionRight], u"rightdown.bmp");
    EXPECT_EQ(view.pictures[kIdDirectionLeft], u"leftup.bmp");

    panel.ToggleLightingMode();
    panel.SelectEffect(LineOf(15));
    EXPECT_EQ(view.pictures[kIdDirectionRight], u"downdown.bmp");
    panel.SetDirection(0xFF);
    EXPECT_EQ(view.pictures[kIdDirectionLeft], u"updown.bmp");
    EXPECT_EQ(view.pictures[kIdDirectionRight], u"downup.bmp");
    EXPECT_EQ(Lighting(2)[4], 0xFF);
}

TEST_F(LightingPanelTest, ChoosingAnEffectWritesItMovesAndShowsItsControls) {
    Load(0);
    panel.ToggleLightingMode();
    EXPECT_TRUE(link.log.empty()); // the lighting mode is the panel's own
    EXPECT_TRUE(view.shown[kIdEffectList]);
    EXPECT_TRUE(view.shown[kIdBrightnessSlider]);
    EXPECT_FALSE(view.shown[kIdSpeedSlider]); // effect 5: brightness only

    panel.SelectEffect(LineOf(3));
    EXPECT_EQ(link.log, (std::vector<std::string>{"begin", "params 0:03", "end"}));
    EXPECT_EQ(view.moved[kIdDirectionCaption], u"CONTROL_BLFXStatic2");
    EXPECT_EQ(view.moved[kIdDirectionRight], u"CONTROL_BLFXRStaPic2");
    EXPECT_EQ(view.pictures[kIdDirectionLeft], u"kuosandown.bmp"); // direction 0xFF
    EXPECT_EQ(view.pictures[kIdDirectionRight], u"julong.bmp");
    EXPECT_TRUE(view.shown[kIdDirectionRight]);
    EXPECT_TRUE(view.shown[kIdSpeedSlider]);
    EXPECT_FALSE(view.shown[kIdUserModeList]);

    panel.SelectEffect(LineOf(12));
    EXPECT_EQ(view.moved[kIdDirectionLeft], u"CONTROL_BLFXLStaPic3");
    EXPECT_FALSE(view.shown[kIdDirectionLeft]);

    panel.SelectEffect(LineOf(kUserEffect));
    EXPECT_EQ(Lighting(0)[0], kUserEffect);
    EXPECT_EQ(view.moved[kIdDirectionCaption], u"CONTROL_BLFXStatic");
    for (uint16_t id : {kIdUserModeList, kIdToolCaption, kIdPaintTool, kIdEraseTool, kIdSelectAll,
                        kIdSelectAllCaption, kIdClearAll, kIdClearAllCaption, kIdBrightnessSlider})
        EXPECT_TRUE(view.shown[id]) << id;
    EXPECT_FALSE(view.shown[kIdSpeedSlider]);
    // Pattern 0 of the default key lights lights "A" (bit 11), not "B"; Space is never lit.
    EXPECT_EQ(buttons.Mark(kA), "green");
    EXPECT_EQ(buttons.Mark(kB), "black");
    EXPECT_EQ(buttons.Mark(kSpace), "black");
    EXPECT_EQ(buttons.Mark(keys::kFnButtonId), "black");

    // Another effect takes the marks away.
    panel.SelectEffect(LineOf(6));
    EXPECT_EQ(buttons.Mark(kA), "off");
}

TEST_F(LightingPanelTest, TheUserDefinedEffectShowsThePatternOfTheRecordsUserMode) {
    WriteParamsDirectly(3, {2});
    Load(0);
    panel.ToggleLightingMode();
    panel.SelectEffect(LineOf(kUserEffect));
    EXPECT_EQ(view.userModeLine, 2);
    EXPECT_EQ(buttons.Mark(kB), "green"); // bit 52: byte 6 of pattern 2 is 0x10

    WriteParamsDirectly(3, {7}); // a pattern the list does not offer
    panel.Reload();
    EXPECT_EQ(view.userModeLine, -1);
    EXPECT_EQ(buttons.Mark(kB), "black");
}

TEST_F(LightingPanelTest, ResetOnProfileOneWritesTheDefaultsAndTheViewFollowsThem) {
    PaintMode(1, 2);
    panel.MoveLightingSlider(kIdBrightnessSlider, 0);
    panel.SetAllKeyLights(false);
    panel.SetReportRate(3);
    link.log.clear();

    panel.ResetLighting();

    const std::string defaults = Hex(kDefaultRecord);
    ASSERT_EQ(defaults.substr(0, 10), "05030100FF");
    EXPECT_EQ(link.log, (std::vector<std::string>{
                            "begin", "params 42:05", "end", "begin",
                            "colours 180:" + Hex(std::span(kDefaultKeyLights).subspan(0, 45)),
                            "colours 225:" + Hex(std::span(kDefaultKeyLights).subspan(45, 45)),
                            "colours 270:" + Hex(std::span(kDefaultKeyLights).subspan(90, 45)),
                            "colours 315:" + Hex(std::span(kDefaultKeyLights).subspan(135, 45)),
                            "end", "begin", "params 42:" + defaults, "end"}));
    const Bytes record = Lighting(1);
    EXPECT_EQ(Bytes(record.begin(), record.begin() + 35),
              Bytes(kDefaultRecord.begin(), kDefaultRecord.end()));
    EXPECT_EQ(KeyColours(180, 180), Bytes(kDefaultKeyLights.begin(), kDefaultKeyLights.end()));
    EXPECT_EQ(view.effectLine, LineOf(5));
    EXPECT_EQ(view.userModeLine, 0);
    EXPECT_EQ(view.latched, 0);
    EXPECT_EQ(buttons.Mark(kA), "off");

    // The sliders show what the keyboard now holds, and a move is compared with it.
    EXPECT_EQ(view.sliders[kIdBrightnessSlider], 3);
    EXPECT_EQ(view.sliders[kIdSpeedSlider], 3);
    link.log.clear();
    panel.MoveLightingSlider(kIdBrightnessSlider, 3);
    panel.MoveLightingSlider(kIdSpeedSlider, 3);
    EXPECT_TRUE(link.log.empty());
    panel.Reload();
    EXPECT_EQ(panel.State().brightness, 3);
    EXPECT_EQ(panel.State().userMode, 0);
}

TEST_F(LightingPanelTest, PaintingAKeySendsTheOneByteOfItsLight) {
    PaintMode(1, 2);
    panel.SetAllKeyLights(false);
    link.log.clear();

    keyView.KeyButtonClick(kA); // light bit 11: byte 1, bit 3 of pattern 2
    EXPECT_EQ(link.log, (std::vector<std::string>{"begin", "colours 217:08", "end"}));
    EXPECT_EQ(KeyColours(217, 1), Bytes{0x08});
    EXPECT_EQ(buttons.Mark(kA), "green");
    EXPECT_EQ(view.pictures[kIdSelectAll], u"sjsup.bmp");
    EXPECT_EQ(view.pictures[kIdClearAll], u"sjsup.bmp");

    panel.SetKeyLightTool(1);
    EXPECT_EQ(Lighting(1)[16], 1);
    EXPECT_EQ(view.pictures[kIdEraseTool], u"user2down.bmp");
    EXPECT_EQ(view.pictures[kIdPaintTool], u"user1up.bmp");
    keyView.KeyButtonClick(kA);
    EXPECT_EQ(KeyColours(217, 1), Bytes{0x00});
    EXPECT_EQ(buttons.Mark(kA), "black");
    EXPECT_EQ(link.Writes(),
              (std::vector<std::string>{"colours 217:08", "params 58:01", "colours 217:00"}));
}

TEST_F(LightingPanelTest, ButtonsThatShareALightChangeTheSameBit) {
    PaintMode(0, 0);
    panel.SetAllKeyLights(false);
    link.log.clear();

    keyView.KeyButtonClick(kRightCtrl); // bit 61: byte 7, bit 5
    EXPECT_EQ(link.Writes(), (std::vector<std::string>{"colours 7:20"}));
    panel.ShowKeyLights();
    EXPECT_EQ(buttons.Mark(kRightCtrl), "green");
    EXPECT_EQ(buttons.Mark(kRightWin), "green");

    // Special button 7 and a D button both stand for bit 0, the light of Esc; Fn for 45.
    keyView.KeyButtonClick(1141);
    keyView.KeyButtonClick(1016);
    keyView.KeyButtonClick(keys::kFnButtonId);
    keyView.KeyButtonClick(kSpace); // never lit by a click
    EXPECT_EQ(link.Writes(), (std::vector<std::string>{"colours 7:20", "colours 0:01",
                                                       "colours 0:01", "colours 5:20"}));
    panel.ShowKeyLights();
    EXPECT_EQ(buttons.Mark(1022), "green"); // Esc
    EXPECT_EQ(buttons.Mark(kSpace), "black");
}

TEST_F(LightingPanelTest, ClearAndSelectAllWriteTheWholePattern) {
    PaintMode(0, 0);
    panel.SetAllKeyLights(false);
    EXPECT_EQ(link.log,
              (std::vector<std::string>{"begin", "colours 0:" + std::string(36, '0'), "end"}));
    EXPECT_EQ(KeyColours(0, 18), Bytes(18, 0x00));
    for (const keys::KeyButton& k : keys::kKeyButtons)
        EXPECT_EQ(buttons.Mark(k.id), "black") << k.id;
    EXPECT_EQ(buttons.Mark(1000), "black");
    EXPECT_EQ(view.pictures[kIdClearAll], u"sjsdown.bmp");
    EXPECT_EQ(view.pictures[kIdSelectAll], u"sjsup.bmp");

    panel.SetAllKeyLights(true);
    EXPECT_EQ(KeyColours(0, 18), Bytes(18, 0xFF));
    EXPECT_EQ(KeyColours(18, 18), Bytes(kDefaultKeyLights.begin() + 18,
                                        kDefaultKeyLights.begin() + 36)); // pattern 1 kept
    EXPECT_EQ(buttons.Mark(keys::kFnButtonId), "green");
    EXPECT_EQ(view.pictures[kIdSelectAll], u"sjsdown.bmp");
    EXPECT_EQ(view.pictures[kIdClearAll], u"sjsup.bmp");
}

TEST_F(LightingPanelTest, KeyClicksOutsideTheUserDefinedEffectSendNothing) {
    Load(0);
    panel.ToggleLightingMode(); // effect 5
    keyView.KeyButtonClick(kA);
    EXPECT_TRUE(link.log.empty());
    EXPECT_EQ(buttons.Mark(kA), "off");
}

TEST_F(LightingPanelTest, UserModesAreWrittenOnlyWhileTheLightingModeIsOn) {
    Load(0);
    panel.SelectUserMode(3); // lighting mode off
    EXPECT_TRUE(link.log.empty());
    panel.ToggleLightingMode();
    panel.SelectEffect(LineOf(kUserEffect));
    link.log.clear();

    panel.SelectUserMode(1);
    EXPECT_EQ(link.Writes(), (std::vector<std::string>{"params 3:01"}));
    EXPECT_EQ(buttons.Mark(kA), "green"); // pattern 1 lights A
    EXPECT_EQ(buttons.Mark(kB), "black");
    // A mode without a pattern is kept but neither written nor painted into.
    panel.SelectUserMode(12);
    keyView.KeyButtonClick(kA);
    panel.SetAllKeyLights(true);
    EXPECT_EQ(link.Writes().size(), 1u);
    EXPECT_EQ(buttons.Mark(kA), "black");
    EXPECT_EQ(KeyColours(0, 180), Bytes(kDefaultKeyLights.begin(), kDefaultKeyLights.end()));
}

TEST_F(LightingPanelTest, TheReportRateIsWrittenAtOnceAndShownLatched) {
    Load(2);
    panel.SetReportRate(2);
    EXPECT_EQ(link.log, (std::vector<std::string>{"begin", "params 99:02", "end"}));
    EXPECT_EQ(view.latched, 2);
    EXPECT_EQ(Lighting(2)[15], 2);
    panel.SetReportRate(2); // the chosen button sends its value again
    EXPECT_EQ(link.Writes().size(), 2u);

    WriteParamsDirectly(15, {7});
    Load(0);
    EXPECT_EQ(panel.State().reportRate, 3);
    EXPECT_EQ(view.latched, 3);
}

TEST_F(LightingPanelTest, TheKeyboardsNoticeWaitsForADragToEnd) {
    Load(0);
    view.dragging = true;
    WriteParamsDirectly(1, {0}); // another program sets brightness 0
    panel.OnLightingNotice();
    EXPECT_TRUE(link.log.empty());
    EXPECT_TRUE(panel.NoticePending());
    panel.DragEnded(); // still dragging
    EXPECT_TRUE(link.log.empty());

    view.dragging = false;
    panel.DragEnded();
    EXPECT_FALSE(panel.NoticePending());
    EXPECT_EQ(link.log.front(), "config");
    EXPECT_EQ(panel.State().brightness, 0);
    EXPECT_EQ(view.sliders[kIdBrightnessSlider], 0);

    link.log.clear();
    panel.DragEnded(); // nothing waits
    EXPECT_TRUE(link.log.empty());
    WriteParamsDirectly(2, {4});
    panel.OnLightingNotice(); // no drag: at once
    EXPECT_EQ(view.sliders[kIdSpeedSlider], 0);
}

TEST_F(LightingPanelTest, AFailedConfigurationReadEmptiesTheListAndKeepsTheRest) {
    Load(0);
    panel.MoveLightingSlider(kIdBrightnessSlider, 1);
    ASSERT_EQ(Keyboard().Control("fault refuse 20").first, 0);
    panel.Reload();
    Keyboard().Control("fault clear");

    EXPECT_EQ(link.log.back(), "config");
    EXPECT_TRUE(panel.Effects().empty());
    EXPECT_TRUE(view.lines.empty());
    EXPECT_EQ(view.effectLine, -1);
    EXPECT_EQ(panel.State().brightness, 1);
    // No line chosen: no key light can be painted.
    EXPECT_EQ(panel.ChosenEffect(), 0);
}

TEST_F(LightingPanelTest, TheLightingModeLivesInTheSettingsFile) {
    Load(0);
    panel.ToggleLightingMode();
    EXPECT_TRUE(keyView.LightingMode());
    EXPECT_EQ(view.pictures[kIdLightingSwitch], u"dengdown.bmp");
    EXPECT_EQ(ui::GetPrivateProfileString(u"KEYCOLOR", u"DengCheck", u"", 260, files_.settingsFile),
              u"1");

    panel.Reload(); // read back from the file
    EXPECT_TRUE(panel.LightingMode());
    EXPECT_TRUE(view.shown[kIdEffectList]);

    panel.ToggleLightingMode();
    EXPECT_FALSE(keyView.LightingMode());
    EXPECT_EQ(view.pictures[kIdLightingSwitch], u"dengup.bmp");
    EXPECT_EQ(ui::GetPrivateProfileString(u"KEYCOLOR", u"DengCheck", u"", 260, files_.settingsFile),
              u"0");
    for (uint16_t id : kEffectControls)
        EXPECT_FALSE(view.shown[id]) << id;
    EXPECT_EQ(link.Writes().size(), 0u);
}

TEST_F(LightingPanelTest, AProfileButtonShowsItsProfileAndLeavesTheLightingMode) {
    Load(0);
    panel.ToggleLightingMode();
    panel.ProfileButton(2);
    EXPECT_EQ(panel.ShownProfile(), 2);
    EXPECT_EQ(link.log[2], "read colours 54@360");
    EXPECT_TRUE(link.Writes().empty());
    EXPECT_FALSE(panel.LightingMode());
    EXPECT_FALSE(keyView.LightingMode());
    EXPECT_EQ(ui::GetPrivateProfileString(u"KEYCOLOR", u"DengCheck", u"", 260, files_.settingsFile),
              u"0");
    panel.SetReportRate(1);
    EXPECT_EQ(Lighting(2)[15], 1);

    panel.KeyboardConnected(-1); // an unknown active profile keeps the one shown
    EXPECT_EQ(panel.ShownProfile(), 2);
}

TEST_F(LightingPanelTest, CaptionsFollowThePanelsLanguage) {
    panel.ApplyCaptions();
    EXPECT_EQ(view.captions[kIdLightingCaption], u"Lighting");
    EXPECT_EQ(view.captions[kIdReportCaption], u"Report rate");
    EXPECT_EQ(view.captions[kIdBrightnessCaption], u"Brightness");
    EXPECT_EQ(view.captions[kIdSpeedCaption], u""); // missing key: empty
    language_ = 0;
    panel.ApplyCaptions();
    EXPECT_EQ(view.captions[kIdLightingCaption], u"灯光");
    language_ = 2; // neither: left as they are
    view.captions.clear();
    panel.ApplyCaptions();
    EXPECT_TRUE(view.captions.empty());
}
