// The key assignment dialog seen from outside: a click on a key of the picture opens it
// beside the key, Escape and Enter leave it open, what is chosen in it (a multimedia or
// keyboard function, a key typed, the Windows key, Clear) reaches the keyboard's key map after
// OK and the main window's Apply, and Default brings the factory key map back.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "KeyEditorFixture.h"
#include "keys/KeyEntry.h"
#include "ui/SkinRect.h"

namespace {

using namespace e2e;

class KeyEditor : public KeyEditorFixture {};

std::string Text(const keys::KeyAction& a) {
    std::ostringstream out;
    out << std::hex << int(a.action) << " " << int(a.p1) << " " << int(a.p2);
    return out.str();
}

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

namespace {

// One after the other on key A, each starting from what the row before left: a key typed on
// the single-key tab, the Windows key, a keyboard function, and Clear back to the default.
TEST_F(KeyEditor, EachChoiceOnKeyAReachesTheKeyMap) {
    // A stand-in for the desktop shell, which keeps Super for itself while nothing grabs it.
    Child desktop;
    const auto desktopLog = session_.runtime() / "desktop.log";
    ASSERT_TRUE(desktop.Start({KEY_CAPTURE_PROBE, "desktop"}, session_.Env(), desktopLog));
    ASSERT_TRUE(WaitUntil([&] { return ReadAll(desktopLog).find("ready") != std::string::npos; },
                          kPatience));
    ASSERT_NO_FATAL_FAILURE(StartAndFindKeyA());
    session_.screen().Key("super");
    ASSERT_TRUE(
        WaitUntil([&] { return Count(ReadAll(desktopLog), "desktop 133 press") == 1; }, kPatience))
        << "the desktop does not see Super";

    const auto typeKey = [&](const char* key) {
        return [this, key](const WindowInfo& dialog) {
            // The capture holds the keyboard once the dialog is the active window.
            ASSERT_TRUE(
                WaitUntil([&] { return session_.screen().Focused() == dialog.id; }, kPatience))
                << "the dialog never got the focus";
            ASSERT_TRUE(session_.Ping(app_.pid()));
            session_.screen().Key(key);
        };
    };
    struct Row {
        const char* what;
        std::function<void(const WindowInfo&)> choose;
        keys::KeyEntry entry; // what the dialog should have assigned
    } rows[] = {
        {"B typed", typeKey("b"), {2, 0, 0x030}},
        {"Super typed", typeKey("super"), {2, 0, 0x15B}},
        {"the third keyboard function",
         [&](const WindowInfo& dialog) {
             ASSERT_TRUE(ClickAt(dialog, Layout("Composite.ini", u"CONTROL_FUNCTION")));
             ASSERT_TRUE(session_.Ping(app_.pid()));
             ChooseRow(dialog, u"FUNC_FUNCTION_SELECT", 2);
         },
         {8, 0, 2}},
        {"Clear",
         [&](const WindowInfo& dialog) {
             ASSERT_TRUE(ClickAt(dialog, Layout("Composite.ini", u"CONTROL_CLEAR")));
         },
         {0, 0, 0}},
    };
    keys::KeyAction before = defaultA_;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const keys::KeyAction want = keys::EncodeKeyAction(row.entry, defaultA_);
        // Each row changes what the one before left.
        ASSERT_NE(want, before);
        ASSERT_NO_FATAL_FAILURE(AssignToA(row.choose));
        const keys::KeyAction got = WaitForActionAtA(want);
        EXPECT_EQ(got, want) << "A holds " << Text(got) << ", not " << Text(want);
        before = want;
    }
    EXPECT_EQ(Count(ReadAll(desktopLog), "desktop 133 press"), 1u)
        << "Super reached the desktop while the dialog captured it";
    Quit();
}

// Default, after a remap was applied, answered Yes: the factory key map is back.
TEST_F(KeyEditor, DefaultRestoresTheFactoryKeyMap) {
    ASSERT_NO_FATAL_FAILURE(StartAndFindKeyA());
    const std::vector<uint8_t> factory = KeyMap();
    ASSERT_GE(factory.size(), 512u);
    const keys::KeyAction b = keys::EncodeKeyAction({2, 0, 0x030}, defaultA_);
    ASSERT_NO_FATAL_FAILURE(AssignToA([&](const WindowInfo& dialog) {
        ASSERT_TRUE(WaitUntil([&] { return session_.screen().Focused() == dialog.id; }, kPatience));
        ASSERT_TRUE(session_.Ping(app_.pid()));
        session_.screen().Key("b");
    }));
    ASSERT_EQ(WaitForActionAtA(b), b);

    ASSERT_TRUE(ClickAt(main_, Layout("Main.ini", u"FUNC_DEFAULT")));
    ASSERT_TRUE(WaitUntil([&] { return !session_.Windows(app_.pid()).dialogs.empty(); }, kPatience))
        << "no question";
    ASSERT_TRUE(session_.Ping(app_.pid()));
    // No is the default button: Yes is the other one of the two.
    session_.screen().Key("Tab");
    session_.screen().Key("Return");
    ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app_.pid()).dialogs.empty(); }, kPatience));
    std::vector<uint8_t> map;
    EXPECT_TRUE(WaitUntil(
        [&] {
            map = KeyMap();
            return map == factory;
        },
        kPatience))
        << "A holds "
        << (map.size() >= 512 ? Text({map[slotA_ * 3], map[slotA_ * 3 + 1], map[slotA_ * 3 + 2]})
                              : std::string("no key map"));
    Quit();
}

} // namespace
