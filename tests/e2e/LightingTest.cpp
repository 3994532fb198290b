// The lighting panel seen from outside: the lighting switch, an effect chosen from the list,
// a key painted on the picture, the brightness slider dragged across every position, a
// report rate, and the switch off again; each change is found in the keyboard's memory, and
// the reports the keyboard received are counted. The keyboard's own lighting notice makes the
// panel show what another program wrote.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Session.h"
#include "Shared.h"
#include "ui/IniFile.h"
#include "ui/SkinRect.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

ui::SkinRect Main(const char16_t* key) {
    return Layout("Main.ini", key);
}

// A command report as the keyboard received it.
struct Report {
    uint8_t code = 0;
    uint8_t length = 0;
    uint16_t position = 0;
    std::vector<uint8_t> data;
};

std::vector<Report> Commands(const std::vector<std::string>& hex) {
    std::vector<Report> reports;
    for (const std::string& line : hex) {
        const std::vector<uint8_t> b = Bytes(line);
        if (b.size() != 64 || b[0] != 0x04)
            continue;
        Report r{b[3], b[4], static_cast<uint16_t>(b[5] | b[6] << 8), {}};
        r.data.assign(b.begin() + 8, b.begin() + 8 + std::min<int>(r.length, 56));
        reports.push_back(r);
    }
    return reports;
}

constexpr uint8_t kWriteParams = 0x06, kWriteKeyColours = 0x11;

// Pixels of a colour family within a rectangle of a window's picture.
int CountPixels(const Picture& p, const ui::SkinRect& r, bool (*match)(int, int, int)) {
    int n = 0;
    for (int y = r.y; y < r.y + r.h && y < p.height; ++y)
        for (int x = r.x; x < r.x + r.w && x < p.width; ++x) {
            const size_t i = (static_cast<size_t>(y) * p.width + x) * 3;
            if (match(p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]))
                ++n;
        }
    return n;
}
bool Green(int r, int g, int b) {
    return g >= 200 && r <= 60 && b <= 60;
}
bool Cyan(int r, int g, int b) {
    return b >= 200 && g >= 150 && r <= 120;
}
bool Amber(int r, int g, int b) {
    return r >= 200 && g >= 120 && g <= 200 && b <= 90;
}

class Lighting : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Session::MissingPrograms().empty())
            GTEST_SKIP() << "needs the programs that scripts/deps installs";
        ASSERT_TRUE(session_.Start(true)) << "no X display";
        ASSERT_TRUE(session_.StartKeyboard(true, 0, true));
        app_ = session_.StartApp();
        ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app_.pid()).MainShown(); }, kPatience));
        ASSERT_TRUE(WaitUntil([&] { return session_.HostsConnected() == 1; }, kPatience));
        ASSERT_TRUE(session_.Ping(app_.pid()));
        main_ = *session_.Windows(app_.pid()).main;
        const std::vector<uint8_t> config = Dump("config");
        ASSERT_GT(config.size(), 10u);
        profile_ = config[10];
    }
    void TearDown() override {
        if (HasFailure())
            std::cerr << session_.Logs();
    }

    std::vector<uint8_t> Dump(const std::string& memory) const {
        return Bytes(session_.Keyboard({"dump", memory, "--plain"}).text);
    }
    std::vector<uint8_t> Record() const { return Dump("lighting" + std::to_string(profile_)); }

    bool ClickAt(const WindowInfo& window, const ui::SkinRect& r) const {
        return session_.screen().Click(window.x + r.x + r.w / 2, window.y + r.y + r.h / 2);
    }
    // Clicks a control of the main window and waits until the window has handled it.
    void Click(const char16_t* key) {
        ASSERT_TRUE(ClickAt(main_, Main(key)));
        ASSERT_TRUE(session_.Ping(app_.pid()));
    }
    bool Xdotool(std::vector<std::string> args) const {
        args.insert(args.begin(), "xdotool");
        return e2e::Run(args, session_.Env()).code == 0;
    }

    // The writes the keyboard received since the last call.
    std::vector<Report> NewWrites() {
        const std::vector<Report> all = Commands(session_.ReportsReceived());
        std::vector<Report> writes;
        for (size_t i = seen_; i < all.size(); ++i)
            if (all[i].code == kWriteParams || all[i].code == kWriteKeyColours)
                writes.push_back(all[i]);
        seen_ = all.size();
        return writes;
    }

    std::filesystem::path SettingsFile() const {
        return session_.runtime().parent_path() / "home" / "Documents" / "Brisvane" / "tavrin.ini";
    }
    std::u16string LightingModeSetting() const {
        return ui::GetPrivateProfileString(u"KEYCOLOR", u"DengCheck", u"missing", 260,
                                           SettingsFile());
    }
    std::optional<Picture> Look() const {
        return session_.screen().Capture(*session_.Windows(app_.pid()).main);
    }

    Session session_;
    Child app_;
    WindowInfo main_;
    int profile_ = 0;
    size_t seen_ = 0;
};

TEST_F(Lighting, EveryControlReachesTheKeyboardWithItsOwnWrites) {
    NewWrites(); // what the arrival read
    const uint16_t record = static_cast<uint16_t>(profile_ * 42);

    // The switch: only the settings file learns of it.
    Click(u"CONTROL_DengStaPic");
    EXPECT_EQ(LightingModeSetting(), u"1");
    EXPECT_TRUE(NewWrites().empty());

    // The user-defined effect, the last line of the list.
    ASSERT_TRUE(ClickAt(main_, Main(u"CONTROL_XGcombox")));
    ASSERT_TRUE(WaitUntil([&] { return !session_.Windows(app_.pid()).menus.empty(); }, kPatience))
        << "the effect list did not open";
    session_.screen().Key("End");
    session_.screen().Key("Return");
    ASSERT_TRUE(session_.Ping(app_.pid()));
    ASSERT_TRUE(WaitUntil([&] { return Record().at(0) == 254; }, kPatience));
    std::vector<Report> writes = NewWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].code, kWriteParams);
    EXPECT_EQ(writes[0].position, record);
    EXPECT_EQ(writes[0].data, std::vector<uint8_t>{254});

    // "A" is lit in user mode 0 of the factory patterns (light bit 11: byte 1, bit 3): the
    // eraser darkens it, the brush lights it again.
    const auto keyColourByte = [&] { return Dump("keycolours").at(profile_ * 180 + 1); };
    ASSERT_EQ(keyColourByte() & 0x08, 0x08);
    Click(u"CONTROL_USERgjStaPic2");
    Click(u"KEY_01E");
    EXPECT_EQ(keyColourByte() & 0x08, 0);
    Click(u"CONTROL_USERgjStaPic1");
    Click(u"KEY_01E");
    EXPECT_EQ(keyColourByte() & 0x08, 0x08);
    writes = NewWrites();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0].position, record + 16); // the tool
    EXPECT_EQ(writes[1].code, kWriteKeyColours);
    EXPECT_EQ(writes[1].position, profile_ * 180 + 1);
    EXPECT_EQ(writes[1].length, 1);
    EXPECT_EQ(writes[3].code, kWriteKeyColours);
    const auto look = Look();
    ASSERT_TRUE(look);
    EXPECT_GT(CountPixels(*look, Main(u"KEY_01E"), Green), 40) << "A shows no green frame";
    // Space is never lit by a click.
    Click(u"KEY_039");
    EXPECT_TRUE(NewWrites().empty());

    // The brightness slider pressed at its left end and dragged step by step to its right
    // end: one write where the press moves it, one for each position passed, none for the
    // release.
    const ui::SkinRect slider = Main(u"CONTROL_LightSlider");
    const int y = main_.y + slider.y + slider.h / 2;
    const int left = main_.x + slider.x + 11, right = main_.x + slider.x + slider.w - 11;
    ASSERT_TRUE(Xdotool({"mousemove", std::to_string(left), std::to_string(y), "mousedown", "1"}));
    for (int x = left; x <= right; x += 6) {
        ASSERT_TRUE(Xdotool({"mousemove", std::to_string(x), std::to_string(y)}));
        std::this_thread::sleep_for(30ms);
    }
    ASSERT_TRUE(Xdotool({"mousemove", std::to_string(right), std::to_string(y), "mouseup", "1"}));
    ASSERT_TRUE(session_.Ping(app_.pid()));
    writes = NewWrites();
    ASSERT_EQ(writes.size(), 5u);
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].position, record + 1) << i;
        EXPECT_EQ(writes[i].data, std::vector<uint8_t>{static_cast<uint8_t>(i)}) << i;
    }
    EXPECT_EQ(Record().at(1), 4);

    // The third report rate.
    Click(u"FUNC_REPORT3");
    writes = NewWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].position, record + 15);
    EXPECT_EQ(Record().at(15), 2);

    // The switch off: a click on a key opens the key dialog again, and nothing was written.
    Click(u"CONTROL_DengStaPic");
    EXPECT_EQ(LightingModeSetting(), u"0");
    ASSERT_TRUE(ClickAt(main_, Main(u"KEY_01E")));
    ASSERT_TRUE(WaitUntil([&] { return !session_.Windows(app_.pid()).dialogs.empty(); }, kPatience))
        << "no key dialog opened";
    const WindowInfo dialog = session_.Windows(app_.pid()).dialogs.front();
    ASSERT_TRUE(ClickAt(dialog, Layout("Composite.ini", u"CONTROL_CANCEL")));
    ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app_.pid()).dialogs.empty(); }, kPatience));
    EXPECT_TRUE(NewWrites().empty());

    const Output violations = session_.Keyboard({"violations"});
    EXPECT_EQ(violations.code, 0) << violations.text;
    EXPECT_EQ(violations.text, "");
}

TEST_F(Lighting, AProfileButtonShowsItsProfilesLightingAndLeavesTheLightingMode) {
    ASSERT_EQ(profile_, 0);
    Click(u"CONTROL_DengStaPic");
    ASSERT_EQ(LightingModeSetting(), u"1");
    NewWrites();
    const size_t before = Commands(session_.ReportsReceived()).size();

    Click(u"FUNC_PROFILE2");
    EXPECT_EQ(LightingModeSetting(), u"0");
    ASSERT_TRUE(WaitUntil([&] { return Dump("config").at(10) == 1; }, kPatience));
    // The key lights read back are those of profile 1.
    const std::vector<Report> all = Commands(session_.ReportsReceived());
    std::vector<uint16_t> keyLightReads;
    for (size_t i = before; i < all.size(); ++i)
        if (all[i].code == 0x10)
            keyLightReads.push_back(all[i].position);
    EXPECT_EQ(keyLightReads, (std::vector<uint16_t>{180, 234, 288, 342}));
    EXPECT_TRUE(NewWrites().empty());

    // The panel now edits profile 1's record.
    Click(u"FUNC_REPORT4");
    const std::vector<Report> writes = NewWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].position, 42 + 15);
    EXPECT_EQ(Dump("lighting1").at(15), 3);
    EXPECT_EQ(Dump("lighting0").at(15), 0);
}

TEST_F(Lighting, TheKeyboardsNoticeShowsWhatAnotherProgramWrote) {
    Click(u"CONTROL_DengStaPic"); // effect 5: brightness only
    auto look = Look();
    ASSERT_TRUE(look);
    EXPECT_EQ(CountPixels(*look, Main(u"CONTROL_SpeedSlider"), Cyan), 0);
    const int amberBefore = CountPixels(*look, Main(u"CONTROL_LightSlider"), Amber);
    ASSERT_GT(amberBefore, 0);

    // Wave at brightness 0, written by another program; the keyboard reports a change.
    const Output wrote =
        e2e::Run({PARAMS_WRITER, std::to_string(profile_ * 42), "01", "00"}, session_.Env());
    ASSERT_EQ(wrote.code, 0);
    ASSERT_EQ(session_.Keyboard({"lighting-changed"}).code, 0);
    ASSERT_TRUE(WaitUntil(
        [&] {
            look = Look();
            return look && CountPixels(*look, Main(u"CONTROL_SpeedSlider"), Cyan) > 20;
        },
        kPatience))
        << "the speed slider of the new effect did not appear";
    EXPECT_LT(CountPixels(*look, Main(u"CONTROL_LightSlider"), Amber), amberBefore);
}

} // namespace
