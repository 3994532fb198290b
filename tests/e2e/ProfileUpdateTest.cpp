// The profile manager and the firmware update seen from outside: the profile name button
// opens the manager with the three on-board profiles and the active one checked; checking
// another row and Apply switch the keyboard and the main window's profile buttons. The window
// menu opens the update dialog; Update refuses to hand over without an updater, and with one
// backs the profiles up, starts the updater and puts the keyboard into its boot loader.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Session.h"
#include "Shared.h"
#include "ui/SkinRect.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

// The mean colour of a rectangle of a picture, as one number per channel.
std::array<double, 3> Mean(const Picture& p, int x, int y, int w, int h) {
    std::array<double, 3> sum{};
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            for (int c = 0; c < 3; ++c)
                sum[c] += p.rgb[(static_cast<size_t>(j) * p.width + i) * 3 + c];
    for (double& s : sum)
        s /= static_cast<double>(w) * h;
    return sum;
}

double Distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    double d = 0;
    for (int c = 0; c < 3; ++c)
        d += std::abs(a[c] - b[c]);
    return d;
}

bool Near(const uint8_t* px, int r, int g, int b) {
    return std::abs(px[0] - r) <= 3 && std::abs(px[1] - g) <= 3 && std::abs(px[2] - b) <= 3;
}

const uint8_t* Pixel(const Picture& p, int x, int y) {
    return &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
}

// The bottoms of the list's rows: its grid lines, seen right of the check boxes.
std::vector<int> RowBottoms(const Picture& p, const ui::SkinRect& list) {
    std::vector<int> bottoms;
    for (int y = list.y; y < list.y + list.h && y < p.height; ++y)
        if (Near(Pixel(p, list.x + 50, y), 44, 48, 56))
            bottoms.push_back(y);
    return bottoms;
}

// The rows whose check box shows the check mark's orange fill (or lies in the selected
// row's orange), the rows' bottoms as found while none was selected.
std::set<int> CheckedRows(const Picture& p, const ui::SkinRect& list,
                          const std::vector<int>& bottoms) {
    std::set<int> rows;
    for (size_t r = 0; r < bottoms.size(); ++r) {
        const int top = r == 0 ? bottoms[0] - (bottoms.size() > 1 ? bottoms[1] - bottoms[0] : 16)
                               : bottoms[r - 1];
        for (int y = top + 1; y < bottoms[r]; ++y)
            for (int x = list.x; x < list.x + 24; ++x) {
                const uint8_t* px = Pixel(p, x, y);
                if (px[0] > 180 && px[1] > 70 && px[1] < 130 && px[2] < 60)
                    rows.insert(static_cast<int>(r));
            }
    }
    return rows;
}

class ProfileAndUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Session::MissingPrograms().empty())
            GTEST_SKIP() << "needs the programs that scripts/deps installs";
        ASSERT_TRUE(session_.Start(true)) << "no X display";
        ASSERT_TRUE(session_.StartKeyboard());
        app_ = session_.StartApp();
        ASSERT_TRUE(WaitUntil([&] { return session_.Windows(app_.pid()).MainShown(); }, kPatience));
        ASSERT_TRUE(WaitUntil([&] { return session_.HostsConnected() == 1; }, kPatience));
        ASSERT_TRUE(session_.Ping(app_.pid()));
        main_ = *session_.Windows(app_.pid()).main;
    }
    void TearDown() override {
        if (HasFailure())
            std::cerr << session_.Logs();
    }

    bool ClickAt(const WindowInfo& window, const ui::SkinRect& r) const {
        return session_.screen().Click(window.x + r.x + r.w / 2, window.y + r.y + r.h / 2);
    }

    // Waits until the program shows exactly n windows besides the main window and returns
    // the newest.
    std::optional<WindowInfo> Dialogs(size_t n) const {
        std::optional<WindowInfo> found;
        WaitUntil(
            [&] {
                const auto dialogs = session_.Windows(app_.pid()).dialogs;
                if (dialogs.size() != n)
                    return false;
                found = n ? std::optional(dialogs.back()) : std::optional<WindowInfo>(WindowInfo{});
                return true;
            },
            kPatience);
        return found;
    }

    // A window of the program besides the main window and the known ones, once it is shown.
    std::optional<WindowInfo> NewDialog(const std::vector<WindowId>& known) const {
        std::optional<WindowInfo> found;
        WaitUntil(
            [&] {
                for (const WindowInfo& w : session_.Windows(app_.pid()).dialogs)
                    if (std::find(known.begin(), known.end(), w.id) == known.end())
                        found = w;
                return found.has_value();
            },
            kPatience);
        return found;
    }
    bool Gone(WindowId id) const {
        return WaitUntil(
            [&] {
                for (const WindowInfo& w : session_.Windows(app_.pid()).dialogs)
                    if (w.id == id)
                        return false;
                return true;
            },
            kPatience);
    }

    // Types a path into the file dialog that opens over the update dialog and accepts it.
    void ChooseInFileDialog(const WindowInfo& over, const std::filesystem::path& path) {
        const auto files = NewDialog({over.id});
        ASSERT_TRUE(files) << "no file dialog";
        ASSERT_TRUE(session_.Ping(app_.pid()));
        // Typed keys go to the focused window: wait until it is the file dialog.
        ASSERT_TRUE(WaitUntil([&] { return session_.screen().Focused() == files->id; }, kPatience));
        ASSERT_EQ(
            e2e::Run({"xdotool", "type", "--delay", "10", path.string()}, session_.screen().env())
                .code,
            0);
        ASSERT_TRUE(session_.screen().Key("Return"));
        ASSERT_TRUE(Gone(files->id)) << "the file dialog stayed open";
    }

    int ActiveProfile() const {
        const std::string hex = session_.Keyboard({"dump", "config", "--plain"}).text;
        return hex.size() >= 22 ? std::stoi(hex.substr(20, 2), nullptr, 16) : -1;
    }
    std::string KeyboardStatus(const std::string& label) const {
        const std::string status = session_.Keyboard({"status"}).text;
        const size_t at = status.find(label + ": ");
        if (at == std::string::npos)
            return {};
        return status.substr(at + label.size() + 2,
                             status.find('\n', at) - (at + label.size() + 2));
    }

    // The three profile buttons' faces, each by the mean colour of a strip along its left
    // edge, which its caption does not reach.
    std::array<std::array<double, 3>, 3> ProfileButtonFaces() const {
        std::array<std::array<double, 3>, 3> faces{};
        const auto picture = session_.screen().Capture(main_);
        EXPECT_TRUE(picture.has_value());
        if (!picture)
            return faces;
        const char16_t* keys[] = {u"FUNC_PROFILE1", u"FUNC_PROFILE2", u"FUNC_PROFILE3"};
        for (int k = 0; k < 3; ++k) {
            const ui::SkinRect r = Layout("Main.ini", keys[k]);
            faces[k] = Mean(*picture, r.x + 2, r.y + 2, 5, r.h - 4);
        }
        return faces;
    }

    void Quit() {
        EXPECT_EQ(session_.RunApp({"/Kill"}).code, 0);
        EXPECT_TRUE(app_.Wait(kPatience).has_value());
    }

    Session session_;
    Child app_;
    WindowInfo main_;
};

TEST_F(ProfileAndUpdate, TheManagerShowsTheProfilesAndApplySwitchesTheKeyboard) {
    ASSERT_EQ(ActiveProfile(), 0);
    const auto before = ProfileButtonFaces();
    // Profile 1 latched: its face differs from the other two, which look alike.
    EXPECT_GT(Distance(before[0], before[1]), 20);
    EXPECT_LT(Distance(before[1], before[2]), 6);

    ASSERT_TRUE(ClickAt(main_, Layout("Main.ini", u"FUNC_PROFILES")));
    const auto dialog = Dialogs(1);
    ASSERT_TRUE(dialog) << "the name button opened nothing";
    ASSERT_TRUE(session_.Ping(app_.pid()));
    const ui::SkinRect list = Layout("Profile.ini", u"PROGRAM_LIST");
    const auto opened = session_.screen().Capture(*dialog);
    ASSERT_TRUE(opened);
    const std::vector<int> bottoms = RowBottoms(*opened, list);
    ASSERT_EQ(bottoms.size(), 3u) << "not three rows";
    EXPECT_EQ(CheckedRows(*opened, list, bottoms), std::set<int>{0});

    // The three rows' names are three different texts (one snapshot file name would read
    // the same three times): their cells differ pixel by pixel.
    std::vector<std::vector<uint8_t>> cells;
    for (int r = 0; r < 3; ++r) {
        std::vector<uint8_t> cell;
        const int top = r == 0 ? 2 * bottoms[0] - bottoms[1] : bottoms[r - 1];
        for (int y = top + 1; y < bottoms[r]; ++y) {
            const uint8_t* from = Pixel(*opened, list.x + 64, y);
            cell.insert(cell.end(), from, from + 100 * 3);
        }
        cells.push_back(cell);
    }
    EXPECT_NE(cells[0], cells[1]);
    EXPECT_NE(cells[1], cells[2]);
    EXPECT_NE(cells[0], cells[2]);

    // The third row checked with the keyboard: the list takes the focus, Space checks.
    ASSERT_TRUE(
        session_.screen().Click(dialog->x + list.x + list.w / 2, dialog->y + list.y + list.h - 8));
    for (const char* key : {"Home", "Down", "Down", "space"})
        ASSERT_TRUE(session_.screen().Key(key));
    ASSERT_TRUE(session_.Ping(app_.pid()));
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto now = session_.screen().Capture(*dialog);
            return now && CheckedRows(*now, list, bottoms) == std::set<int>{2};
        },
        kPatience))
        << "row 3 was not checked";
    EXPECT_EQ(ActiveProfile(), 0); // nothing sent before Apply

    ASSERT_TRUE(ClickAt(*dialog, Layout("Profile.ini", u"CONTROL2_APPLY")));
    ASSERT_TRUE(WaitUntil([&] { return ActiveProfile() == 2; }, kPatience));
    ASSERT_TRUE(session_.Ping(app_.pid()));
    ASSERT_TRUE(ClickAt(*dialog, Layout("Profile.ini", u"CONTROL_OK")));
    ASSERT_TRUE(Dialogs(0)) << "OK did not close the manager";
    ASSERT_TRUE(session_.Ping(app_.pid()));

    const auto after = ProfileButtonFaces();
    EXPECT_LT(Distance(after[2], before[0]), 6) << "profile 3 is not shown pressed";
    EXPECT_LT(Distance(after[0], before[1]), 6) << "profile 1 is still shown pressed";
    EXPECT_LT(Distance(after[1], before[1]), 6);
    EXPECT_EQ(ActiveProfile(), 2);
    Quit();
}

TEST_F(ProfileAndUpdate, UpdateBacksUpStartsTheUpdaterAndHandsTheKeyboardOver) {
    // The window menu's third row.
    ASSERT_TRUE(ClickAt(main_, Layout("Main.ini", u"CONTROL_MENU")));
    ASSERT_TRUE(WaitUntil([&] { return !session_.Windows(app_.pid()).menus.empty(); }, kPatience));
    for (const char* key : {"Down", "Down", "Down", "Return"})
        ASSERT_TRUE(session_.screen().Key(key));
    const auto dialog = Dialogs(1);
    ASSERT_TRUE(dialog) << "the window menu opened no update dialog";
    ASSERT_TRUE(session_.Ping(app_.pid()));

    // Update without an updater: a message, and nothing reaches the keyboard.
    const std::string commands = KeyboardStatus("commands received");
    ASSERT_TRUE(ClickAt(*dialog, Layout("UpdateDlg.ini", u"CONTROL_UPButton")));
    ASSERT_TRUE(Dialogs(2)) << "no message";
    ASSERT_TRUE(session_.screen().Key("Return"));
    ASSERT_TRUE(Dialogs(1));
    EXPECT_EQ(KeyboardStatus("commands received"), commands);
    EXPECT_EQ(KeyboardStatus("plugged"), "yes");

    // An updater that leaves a mark when it runs.
    const auto folder = session_.runtime();
    const auto mark = folder / "updater-ran";
    const auto updater = folder / "updater";
    std::ofstream(updater) << "#!/bin/sh\necho ran > '" << mark.string() << "'\n";
    ASSERT_EQ(::chmod(updater.c_str(), 0755), 0);

    ASSERT_TRUE(ClickAt(*dialog, Layout("UpdateDlg.ini", u"CONTROL_OPENButton")));
    ChooseInFileDialog(*dialog, updater);
    ASSERT_TRUE(ClickAt(*dialog, Layout("UpdateDlg.ini", u"CONTROL_UPButton")));
    const auto question = NewDialog({dialog->id});
    ASSERT_TRUE(question) << "no backup question";
    ASSERT_TRUE(session_.Ping(app_.pid()));
    ASSERT_TRUE(session_.screen().Key("alt+y"));
    ASSERT_TRUE(Gone(question->id));
    const auto backup = folder / "before-update.bvx";
    ChooseInFileDialog(*dialog, backup);
    const auto told = NewDialog({dialog->id});
    ASSERT_TRUE(told) << "no backup message";
    ASSERT_TRUE(session_.Ping(app_.pid()));
    ASSERT_TRUE(session_.screen().Key("Return"));

    ASSERT_TRUE(Dialogs(0)) << "the update dialog stayed open";
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(mark); }, kPatience))
        << "the updater did not run";
    EXPECT_TRUE(WaitUntil([&] { return KeyboardStatus("plugged") == "no (in the boot loader)"; },
                          kPatience));
    EXPECT_EQ(e2e::Run({(BuildRoot() / "brisvane-cli").string(), "validate", backup.string()},
                       session_.Env())
                  .code,
              0)
        << "the backup is no valid profile file";

    // The updater's end brings the keyboard back, with what it held.
    EXPECT_EQ(session_.Keyboard({"leave-bootloader"}).code, 0);
    EXPECT_TRUE(WaitUntil([&] { return KeyboardStatus("plugged") == "yes"; }, kPatience));
    EXPECT_EQ(ActiveProfile(), 0);
    Quit();
}

} // namespace
