// The key assignment dialog seen from outside: a click on a key of the picture opens it
// beside the key, Escape and Enter leave it open, a multimedia function chosen in it reaches
// the keyboard's key map after OK and the main window's Apply.

#include <gtest/gtest.h>

#include <cctype>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Session.h"
#include "ui/SkinRect.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

constexpr auto kPatience = 20s;

std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

ui::SkinRect Layout(const char* file, const char16_t* key) {
    return ui::ReadSkinRect(std::filesystem::path(BRISVANE_BUILD_ROOT) / "Skins" / file,
                            u"BUTTONINFO", key);
}

class KeyEditor : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Session::MissingPrograms().empty())
            GTEST_SKIP() << "needs the programs that scripts/deps installs";
        ASSERT_TRUE(session_.Start(true)) << "no X display";
    }
    void TearDown() override {
        if (HasFailure())
            std::cerr << session_.Logs();
    }

    std::vector<uint8_t> Dump(const std::string& memory) const {
        return Bytes(session_.Keyboard({"dump", memory, "--plain"}).text);
    }

    // Clicks the middle of a control of a window placed by a layout key.
    bool ClickAt(const WindowInfo& window, const ui::SkinRect& r) const {
        return session_.screen().Click(window.x + r.x + r.w / 2, window.y + r.y + r.h / 2);
    }

    std::optional<WindowInfo> DialogOf(const Child& app) const {
        std::optional<WindowInfo> found;
        WaitUntil(
            [&] {
                const auto dialogs = session_.Windows(app.pid()).dialogs;
                if (!dialogs.empty())
                    found = dialogs.front();
                return found.has_value();
            },
            kPatience);
        return found;
    }

    Session session_;
};

TEST_F(KeyEditor, MultimediaFunctionOnKeyAReachesTheKeyMap) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app = session_.StartApp();
    ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app.pid()).MainShown(); }, kPatience));
    ASSERT_TRUE(WaitUntil([&] { return session_.HostsConnected() == 1; }, kPatience));
    ASSERT_TRUE(session_.Ping(app.pid()));
    const WindowInfo main = *session_.Windows(app.pid()).main;

    // The position of A in the keyboard's layout, and the profile its key map belongs to.
    const std::vector<uint8_t> layout = Dump("default-layout");
    ASSERT_GE(layout.size(), 126u * 3);
    int slotA = -1;
    for (int s = 0; s < 126 && slotA < 0; ++s)
        if (layout[s * 3] == 2 && layout[s * 3 + 1] == 2 && layout[s * 3 + 2] == 0x04)
            slotA = s;
    ASSERT_GE(slotA, 0);
    const std::vector<uint8_t> config = Dump("config");
    ASSERT_GT(config.size(), 10u);
    const int profile = config[10];
    const std::vector<uint8_t> before = Dump("keymap" + std::to_string(profile));
    ASSERT_GE(before.size(), 512u);
    ASSERT_NE(std::vector<uint8_t>(before.begin() + slotA * 3, before.begin() + slotA * 3 + 3),
              (std::vector<uint8_t>{0x03, 0xCD, 0x00}));

    const ui::SkinRect keyA = Layout("Main.ini", u"KEY_01E");
    ASSERT_TRUE(ClickAt(main, keyA));
    const auto dialog = DialogOf(app);
    ASSERT_TRUE(dialog) << "no dialog opened";
    // Beside the key: its top-left corner at the key's bottom-right one.
    EXPECT_EQ(dialog->x, main.x + keyA.x + keyA.w);
    EXPECT_EQ(dialog->y, main.y + keyA.y + keyA.h);

    session_.screen().Key("Escape");
    session_.screen().Key("Return");
    ASSERT_TRUE(session_.Ping(app.pid()));
    EXPECT_FALSE(session_.Windows(app.pid()).dialogs.empty()) << "Escape or Enter closed it";

    // Multimedia tab, second function (Play/Pause), OK.
    ASSERT_TRUE(ClickAt(*dialog, Layout("Composite.ini", u"CONTROL_MEDIA")));
    ASSERT_TRUE(session_.Ping(app.pid()));
    ASSERT_TRUE(ClickAt(*dialog, Layout("Composite.ini", u"FUNC_MEDIA_SELECT")));
    ASSERT_TRUE(WaitUntil([&] { return !session_.Windows(app.pid()).menus.empty(); }, kPatience))
        << "the list did not open";
    session_.screen().Key("Down");
    session_.screen().Key("Return");
    ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app.pid()).menus.empty(); }, kPatience));
    ASSERT_TRUE(ClickAt(*dialog, Layout("Composite.ini", u"CONTROL_OK")));
    ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app.pid()).dialogs.empty(); }, kPatience))
        << "OK did not close the dialog";

    ASSERT_TRUE(ClickAt(main, Layout("Main.ini", u"CONTROL2_APPLY")));
    const std::vector<uint8_t> want = {0x03, 0xCD, 0x00};
    std::vector<uint8_t> got;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::vector<uint8_t> map = Dump("keymap" + std::to_string(profile));
            if (map.size() < 512)
                return false;
            got.assign(map.begin() + slotA * 3, map.begin() + slotA * 3 + 3);
            return got == want;
        },
        kPatience))
        << "A's action is " << int(got.size() > 0 ? got[0] : -1) << " "
        << int(got.size() > 1 ? got[1] : -1) << " " << int(got.size() > 2 ? got[2] : -1);

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    EXPECT_TRUE(app.Wait(kPatience).has_value());
}

} // namespace

namespace {

TEST_F(KeyEditor, ExitWhileTheDialogIsOpenEndsTheProgram) {
    ASSERT_TRUE(session_.StartKeyboard());
    Child app = session_.StartApp();
    ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app.pid()).MainShown(); }, kPatience));
    ASSERT_TRUE(session_.Ping(app.pid()));
    const WindowInfo main = *session_.Windows(app.pid()).main;
    ASSERT_TRUE(ClickAt(main, Layout("Main.ini", u"FUNC_G3")));
    ASSERT_TRUE(DialogOf(app)) << "no dialog opened";

    EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
    const auto code = app.Wait(kPatience);
    ASSERT_TRUE(code.has_value()) << "the program is still running";
    EXPECT_EQ(*code, 0);
}

} // namespace
