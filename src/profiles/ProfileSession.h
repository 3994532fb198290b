#pragma once

// Keeps the profile store in step with the keyboard: rebuilds it from the keyboard when it
// connects, switches the active on-board profile (guarding unsaved edits), applies edits
// (snapshot and download) and imports and exports profile files. Runs on the
// user-interface thread; the unsaved-changes state is the main view's apply-pending state.

namespace ui {
class MainView;
class Prompts;
} // namespace ui

namespace profiles {

class ProfileSession {
public:
    ProfileSession(ui::Prompts& prompts, ui::MainView& view) : prompts_(prompts), view_(view) {}

    // Snapshot of the keyboard into the snapshot file, loaded into the store; a default
    // profile when the current profile is unknown or the snapshot fails. Returns 1.
    int ReloadProfileFromKeyboard(bool keepUnsaved);

    // Switches to on-board profile n (3 or more becomes 0; a negative n changes nothing on
    // the keyboard). Refused (0) while the key assignment dialog is open. With unsaved
    // changes, asks whether to save them: Yes applies them, No reverts the store to the
    // snapshot file. Returns 1 switched.
    int SwitchProfile(int n);
    // Redraws the keyboard view from the current profile's block. Returns 1.
    int ShowProfile(int n);

    // With unsaved changes: saves the snapshot and downloads the current profile's key
    // map; both succeeding clears the unsaved changes.
    void ApplyChanges();
    // A chosen file that validates and loads replaces the store, is saved as the snapshot
    // and downloaded for all three profiles; otherwise MAIN_PROMPT_INPORT and the store is
    // unchanged.
    void ImportProfile();
    // Saves the store to a chosen file; a failure is told in a box with the file and the
    // system's reason.
    void ExportProfile();

    bool UnsavedChanges() const;

private:
    // Reloads the store from the snapshot file; a default profile when that fails.
    void RevertToSnapshot();

    ui::Prompts& prompts_;
    ui::MainView& view_;
    bool switchPromptGuard_ = false;
};

} // namespace profiles
