#include "profiles/ProfileSession.h"

#include <mutex>
#include <string>

#include "profiles/CurrentProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "profiles/Snapshot.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"
#include "ui/Utf.h"

namespace profiles {
namespace {

ui::FileChoice ProfileFileChoice(bool save) {
    return ui::FileChoice{
        .save = save,
        .confirmOverwrite = save,
        .hideReadOnly = true,
        .defaultExtension = u"bvx",
        .initialName = u"*.bvx",
        .filter = u"(*.bvx)|*.bvx|(*.*)|*.*||",
        .directory = {},
    };
}

} // namespace

bool ProfileSession::UnsavedChanges() const {
    return view_.ApplyPending();
}

int ProfileSession::ReloadProfileFromKeyboard(bool keepUnsaved) {
    EnsureUserDataFolder();
    const int n = GetCurrentProfile();
    const bool snapshot = n >= 0 && SnapshotKeyboardToFile(SnapshotPath(n)) == 1;
    ProfileStore& store = GetProfileStore();
    {
        std::lock_guard lock(store.lock);
        if (snapshot)
            ReplaceStoreFromFile(SnapshotPath(n));
        else
            ResetStoreToDefault();
        view_.RefreshKeyView();
    }
    if (!keepUnsaved)
        view_.SetApplyPending(false);
    return 1;
}

void ProfileSession::RevertToSnapshot() {
    std::lock_guard lock(GetProfileStore().lock);
    ReplaceStoreFromFile(SnapshotPath(CachedCurrentProfile()));
}

int ProfileSession::SwitchProfile(int n) {
    if (n >= 3)
        n = 0;
    if (view_.KeyEditorOpen()) {
        prompts_.Inform(ui::TextOf(ui::TextKey::PROFILE_SEELCT_PROMPT2));
        return 0;
    }
    if (view_.ProfileManagerApplyEnabled() || view_.ApplyPending()) {
        if (!switchPromptGuard_) {
            switchPromptGuard_ = true;
            if (prompts_.AskYesNo(ui::TextOf(ui::TextKey::PROFILE_SELECT_PROMPT))) {
                ApplyChanges();
            } else {
                view_.SetApplyPending(false);
                if (CachedCurrentProfile() >= 0)
                    RevertToSnapshot();
            }
        }
        switchPromptGuard_ = false;
        SetCurrentProfile(n);
    } else {
        SetCurrentProfile(n);
        view_.ProfileManagerSwitched(n);
    }
    ShowProfile(n);
    view_.RebuildProfileMenu();
    return 1;
}

int ProfileSession::ShowProfile(int /*n*/) {
    std::lock_guard lock(GetProfileStore().lock);
    view_.RefreshKeyView();
    return 1;
}

void ProfileSession::ApplyChanges() {
    view_.ShowBusy(true);
    if (view_.ApplyPending()) {
        int saved = 0;
        int downloaded = 0;
        {
            std::lock_guard lock(GetProfileStore().lock);
            saved = SaveProfileSnapshot(false);
            downloaded = PrepareDownloadCopy(false, prompts_);
        }
        if (saved != 0 && downloaded != 0)
            view_.SetApplyPending(false);
    }
    view_.ShowBusy(false);
}

void ProfileSession::ImportProfile() {
    const auto path = prompts_.ChooseFile(ProfileFileChoice(false));
    if (!path)
        return;
    bool loaded = false;
    if (ValidateProfileFile(*path, prompts_) > 0) {
        std::lock_guard lock(GetProfileStore().lock);
        // The file is read whole and checked before the store changes, so a damaged file
        // leaves the store as it was.
        loaded = LoadProfileFile(*path) == 1;
        if (loaded) {
            SaveProfileSnapshot(false);
            PrepareDownloadCopy(true, prompts_);
            view_.RefreshKeyView();
        }
    }
    if (loaded)
        view_.SetApplyPending(false);
    else
        prompts_.Inform(ui::TextOf(ui::TextKey::MAIN_PROMPT_INPORT));
}

void ProfileSession::ExportProfile() {
    const auto path = prompts_.ChooseFile(ProfileFileChoice(true));
    if (!path)
        return;
    int error = 0;
    if (SaveProfileFile(true, *path, &error) == 1)
        return;
    // A failed export must not pass for a done one: the box names the file and the reason.
    const std::u16string shown = ui::FromUtf8(path->native());
    const std::u16string reason = ui::FromUtf8(DescribeFileError(error));
    prompts_.Inform(ui::FormatText(ui::TextOf(ui::TextKey::PROFILE_EXPORT_ERROR),
                                   {std::u16string_view(shown), std::u16string_view(reason)}),
                    ui::MessageKind::Plain);
}

} // namespace profiles
