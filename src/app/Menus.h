#pragma once

// The two pop-up menus and their labels, read from the language file at every opening, and
// the other texts that windows read from it for themselves.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Commands.h"

namespace app {

struct MenuRow {
    uint32_t command;
    std::u16string_view key; // language key of the label
};

inline constexpr std::array<MenuRow, 3> kTrayMenu{{
    {kCmdOpen, u"MENU_11"},
    {kCmdAbout, u"MENU_22"},
    {kCmdExit, u"MENU_33"},
}};

inline constexpr std::array<MenuRow, 4> kWindowMenu{{
    {kCmdImport, u"MENU_1"},
    {kCmdExport, u"MENU_2"},
    {kCmdFirmwareUpdate, u"MENU_5"},
    {kCmdAbout, u"MENU_3"},
}};

// The label of each row from the section of the window texts; a missing key gives " ".
std::vector<std::u16string> MenuLabels(std::span<const MenuRow> rows,
                                       const std::filesystem::path& languageFile);

// One text of the window-text section, " " when missing (the About box's two lines).
std::u16string WindowText(std::u16string_view key, const std::filesystem::path& languageFile);

// The name of on-board profile 0..2 ("PROFILE_1".."PROFILE_3" of the window-text section,
// "Profile 1".."Profile 3" when missing), shown by the profile buttons, the profile name
// button and the profile menu. The snapshot file is one for all three, so its name cannot
// tell them apart.
std::u16string ProfileName(int profile, const std::filesystem::path& languageFile);

// The labels of the message boxes' buttons in the window language; Qt's English ones when
// the file lacks them.
struct BoxButtonLabels {
    std::u16string ok;
    std::u16string yes;
    std::u16string no;
};
BoxButtonLabels BoxButtons(const std::filesystem::path& languageFile);

// The question before a file is replaced ("MSGBOX_REPLACE", its "%s" the file's name).
std::u16string ReplaceQuestion(std::u16string_view fileName,
                               const std::filesystem::path& languageFile);

// How clicks on the notification-area icon become commands. Over XEmbed a single click is
// only known once the double-click time has passed without a second one; StatusNotifierItem
// hosts never deliver a double click, so there a left click opens and a middle click shows
// the profile menu.
class TrayClicks {
public:
    enum class Host { XEmbed, StatusNotifier };
    explicit TrayClicks(Host host) : host_(host) {}

    // Each returns the command to run now (0 for none).
    uint32_t LeftClick(); // a press and release; over XEmbed it only marks a pending click
    uint32_t DoubleClick();
    uint32_t MiddleClick();
    // The double-click time ran out after a left click.
    uint32_t ClickTimeout();
    bool clickPending() const { return pending_; }
    Host host() const { return host_; }

private:
    Host host_;
    bool pending_ = false;
};

} // namespace app
