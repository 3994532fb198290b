#pragma once

// The key assignment dialog driven from outside: the program and the virtual keyboard in a
// session, key A found in the keyboard's layout, clicks at the skin's places, and what the
// keyboard holds afterwards.

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Session.h"
#include "Shared.h"
#include "keys/KeyEntry.h"
#include "ui/SkinRect.h"

namespace e2e {

class KeyEditorFixture : public ::testing::Test {
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

    // Starts the keyboard and the program, and learns A's position in the key map, its
    // default action there and the profile whose key map the program sends.
    void StartAndFindKeyA() {
        ASSERT_TRUE(session_.StartKeyboard());
        app_ = session_.StartApp();
        ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app_.pid()).MainShown(); }, kPatience));
        ASSERT_TRUE(WaitUntil([&] { return session_.HostsConnected() == 1; }, kPatience));
        ASSERT_TRUE(session_.Ping(app_.pid()));
        main_ = *session_.Windows(app_.pid()).main;
        const std::vector<uint8_t> layout = Dump("default-layout");
        ASSERT_GE(layout.size(), 126u * 3);
        for (int s = 0; s < 126 && slotA_ < 0; ++s)
            if (keys::KeyCodeOfSlot(layout[s * 3], layout[s * 3 + 1], layout[s * 3 + 2]) == 0x01E)
                slotA_ = s;
        ASSERT_GE(slotA_, 0);
        defaultA_ = {layout[slotA_ * 3], layout[slotA_ * 3 + 1], layout[slotA_ * 3 + 2]};
        const std::vector<uint8_t> config = Dump("config");
        ASSERT_GT(config.size(), 10u);
        profile_ = config[10];
    }

    std::vector<uint8_t> KeyMap() const { return Dump("keymap" + std::to_string(profile_)); }

    // Opens the dialog with a click on A, lets choose work in it, then OK and the main
    // window's Apply.
    void AssignToA(const std::function<void(const WindowInfo&)>& choose) {
        ASSERT_TRUE(ClickAt(main_, Layout("Main.ini", u"KEY_01E")));
        const auto dialog = DialogOf(app_);
        ASSERT_TRUE(dialog) << "no dialog opened";
        ASSERT_TRUE(session_.Ping(app_.pid()));
        choose(*dialog);
        ASSERT_TRUE(session_.Ping(app_.pid()));
        ASSERT_FALSE(session_.Windows(app_.pid()).dialogs.empty()) << "the dialog closed early";
        ASSERT_TRUE(ClickAt(*dialog, Layout("Composite.ini", u"CONTROL_OK")));
        ASSERT_TRUE(
            WaitUntil([&] { return session_.Windows(app_.pid()).dialogs.empty(); }, kPatience))
            << "OK did not close the dialog";
        ASSERT_TRUE(ClickAt(main_, Layout("Main.ini", u"CONTROL2_APPLY")));
    }

    // Picks a row of a drop-down list of the dialog with the keyboard.
    void ChooseRow(const WindowInfo& dialog, const char16_t* list, int row) {
        ASSERT_TRUE(ClickAt(dialog, Layout("Composite.ini", list)));
        ASSERT_TRUE(
            WaitUntil([&] { return !session_.Windows(app_.pid()).menus.empty(); }, kPatience))
            << "the list did not open";
        session_.screen().Key("Home");
        for (int i = 0; i < row; ++i)
            session_.screen().Key("Down");
        session_.screen().Key("Return");
        ASSERT_TRUE(
            WaitUntil([&] { return session_.Windows(app_.pid()).menus.empty(); }, kPatience));
    }

    // Waits until the keyboard holds the action at A's position; returns what it holds last.
    keys::KeyAction WaitForActionAtA(keys::KeyAction want) const {
        keys::KeyAction got{0xFF, 0xFF, 0xFF};
        WaitUntil(
            [&] {
                const std::vector<uint8_t> map = KeyMap();
                if (map.size() < 512)
                    return false;
                got = {map[slotA_ * 3], map[slotA_ * 3 + 1], map[slotA_ * 3 + 2]};
                return got == want;
            },
            kPatience);
        return got;
    }

    void Quit() {
        EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
        EXPECT_TRUE(app_.Wait(kPatience).has_value());
    }

    Session session_;
    Child app_;
    WindowInfo main_;
    int slotA_ = -1;
    int profile_ = 0;
    keys::KeyAction defaultA_;
};

} // namespace e2e
