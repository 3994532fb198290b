#pragma once

// The profile manager: the list behind the profile name button. One row per on-board
// profile, the active one checked, and rows for profile files added with Add new or Load.
// Apply records the rows in the application's settings, makes the checked profile the
// keyboard's active one and rebuilds the store from the keyboard.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace ui {
class AppSettings;
class MainView;
class Prompts;
} // namespace ui

namespace profiles {

class ProfileSession;

struct ProfileRow {
    std::u16string name;        // the name column
    std::u16string folder;      // the path column: the folder, ending in "/"
    std::filesystem::path file; // what the row stands for: a profile file or the snapshot
    int onBoard = -1;           // 0..2 for an on-board profile, -1 for a profile file
};

class ProfileManager {
public:
    // What the manager works with: boxes and file dialogs, the main window, the profile
    // operations and the application's settings.
    struct Parts {
        ui::Prompts& prompts;
        ui::MainView& view;
        ProfileSession& session;
        ui::AppSettings& settings;
    };
    explicit ProfileManager(Parts parts)
        : prompts_(parts.prompts), view_(parts.view), session_(parts.session),
          settings_(parts.settings) {}

    // The dialog opens: one row per on-board profile under its name, the current profile's
    // row checked, Apply disabled.
    void Open(const std::array<std::u16string, 3>& onBoardNames);
    // Cancel, or the window closing: Apply disabled, nothing recorded.
    void Close();
    int OpenCount() const { return openCount_; }

    const std::vector<ProfileRow>& Rows() const { return rows_; }
    // The checked row, -1 for none.
    int CheckedRow() const { return checked_; }
    // Read by a profile switch: the list holds a choice not yet applied.
    bool ApplyEnabled() const { return applyEnabled_; }

    // A new default profile file at a path the user picks, appended as a row. A file that
    // cannot be written is told and gets no row.
    void AddNew();
    // A row for an existing file the user picks.
    void Load();
    // Removes the row; returns the row to select afterwards (the one after it, or the one
    // before it when it was the last), -1 when nothing is left or nothing was removed.
    int Delete(int row);

    // The checks the list shows after the user clicked one. Only on-board rows can be
    // checked: a file has no place on the keyboard. Returns true when the choice changed
    // (Apply is then enabled); the list must then show CheckedRow() again.
    bool ChecksChanged(const std::vector<bool>& shown);

    // Records the rows, switches the keyboard to the checked on-board profile and rebuilds
    // the store from the keyboard. Edits of the main window not yet applied are asked about
    // first, as a switch does: Yes applies them, No drops them.
    void Apply();
    // Apply, then Close.
    void Ok();

    // A switch made elsewhere while the dialog is open: that profile's row is checked and
    // Apply disabled.
    void Switched(int profile);

private:
    void Append(const std::filesystem::path& file);

    ui::Prompts& prompts_;
    ui::MainView& view_;
    ProfileSession& session_;
    ui::AppSettings& settings_;
    std::vector<ProfileRow> rows_;
    int checked_ = -1;
    bool applyEnabled_ = false;
    int openCount_ = 0;
};

} // namespace profiles
