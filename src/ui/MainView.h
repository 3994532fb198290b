#pragma once

// What the model's profile and macro operations ask of the main window. The window
// implements it; the model never includes a window header.

#include <cstdint>

namespace ui {

class MainView {
public:
    virtual ~MainView() = default;

    // Gives the key button of a global key entry (block x 512 + entry) its plain look and
    // its plain tooltip; entries that no button shows are ignored.
    virtual void ResetKeyButton(uint32_t globalEntry) = 0;
    // Redraws every key button from the current profile's block. The caller holds the
    // profile lock; with the current profile unknown the view shows what it chooses.
    virtual void RefreshKeyView() = 0;
    // Rebuilds the looks and tooltips of the special and key buttons from the current
    // profile's block. The caller holds the profile lock.
    virtual void RefreshKeyTooltips() = 0;
    // The editing look of a button while the key assignment dialog is open for it (on), or
    // its normal faces again (off).
    virtual void SetKeyButtonEditing(int buttonId, bool editing) = 0;

    // The apply-pending state: edits in the store that are neither saved nor downloaded.
    // The Apply button is enabled exactly while it is set.
    virtual void SetApplyPending(bool pending) = 0;
    virtual bool ApplyPending() const = 0;

    // The busy animation while settings are written to the keyboard.
    virtual void ShowBusy(bool busy) = 0;

    // A switch is refused while the key assignment dialog is open.
    virtual bool KeyEditorOpen() const = 0;
    // The profile manager's Apply, enabled while it holds an unapplied choice (false when
    // the manager is closed).
    virtual bool ProfileManagerApplyEnabled() const = 0;
    // After a switch without questions: an open profile manager checks row profile and
    // disables its Apply.
    virtual void ProfileManagerSwitched(int profile) = 0;
    // After every switch: the profile menu, its check mark and the profile name button
    // follow the current profile.
    virtual void RebuildProfileMenu() = 0;
};

} // namespace ui
