#pragma once

// The main window as the model sees it, for tests.

#include <future>
#include <mutex>
#include <vector>

#include "profiles/ProfileStore.h"
#include "ui/MainView.h"

class FakeMainView : public ui::MainView {
public:
    void ResetKeyButton(uint32_t globalEntry) override { resetButtons.push_back(globalEntry); }
    void RefreshKeyView() override {
        // The view reads the store: the caller must hold the profile lock, so another thread
        // cannot take it now.
        auto& lock = profiles::GetProfileStore().lock;
        heldLockOnRefresh = !std::async(std::launch::async, [&lock] {
                                 if (!lock.try_lock())
                                     return false;
                                 lock.unlock();
                                 return true;
                             }).get();
        ++refreshes;
    }
    void RefreshKeyTooltips() override { ++tooltipRefreshes; }
    void SetKeyButtonEditing(int buttonId, bool editing) override {
        editingLooks.emplace_back(buttonId, editing);
    }
    void SetApplyPending(bool pending) override { applyPending = pending; }
    bool ApplyPending() const override { return applyPending; }
    void ShowBusy(bool busy) override { busyShown.push_back(busy); }
    bool KeyEditorOpen() const override { return keyEditorOpen; }
    bool ProfileManagerApplyEnabled() const override { return managerApply; }
    void ProfileManagerSwitched(int profile) override { managerSwitched.push_back(profile); }
    void RebuildProfileMenu() override { ++menuRebuilds; }

    bool applyPending = false;
    bool keyEditorOpen = false;
    bool managerApply = false;
    bool heldLockOnRefresh = false;
    int refreshes = 0;
    int menuRebuilds = 0;
    int tooltipRefreshes = 0;
    std::vector<std::pair<int, bool>> editingLooks;
    std::vector<uint32_t> resetButtons;
    std::vector<bool> busyShown;
    std::vector<int> managerSwitched;
};
