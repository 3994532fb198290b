#include "profiles/ProfileManager.h"

#include <cstdio>

#include "profiles/AtomicFile.h"
#include "profiles/CurrentProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileSession.h"
#include "profiles/ProfileStore.h"
#include "ui/AppSettings.h"
#include "ui/MainView.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"
#include "ui/Utf.h"

namespace profiles {
namespace {

constexpr std::u16string_view kSection = u"PROFILES";

std::u16string Shown(const std::filesystem::path& path) {
    return ui::FromUtf8(path.native());
}

std::u16string FolderColumn(const std::filesystem::path& folder) {
    std::u16string shown = Shown(folder);
    if (shown.empty() || shown.back() != u'/')
        shown += u'/';
    return shown;
}

// "PROFILE" and the number, at least two digits.
std::u16string SettingsKey(size_t number) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "PROFILE%02zu", number);
    return ui::FromUtf8(digits);
}

ui::FileChoice ProfileFileChoice(bool save, std::u16string initialName) {
    return ui::FileChoice{
        .save = save,
        .confirmOverwrite = save,
        .hideReadOnly = true,
        .defaultExtension = u"bvx",
        .initialName = std::move(initialName),
        .filter = u"(*.bvx)|*.bvx|(*.*)|*.*||",
        .directory = UserDataFolder(),
    };
}

} // namespace

void ProfileManager::Open(const std::array<std::u16string, 3>& onBoardNames) {
    ++openCount_;
    rows_.clear();
    const std::u16string folder = FolderColumn(UserDataFolder());
    for (int i = 0; i < 3; ++i)
        rows_.push_back({onBoardNames[i], folder, SnapshotPath(i), i});
    const int current = CachedCurrentProfile();
    checked_ = current >= 0 && current < 3 ? current : -1;
    applyEnabled_ = false;
}

void ProfileManager::Close() {
    applyEnabled_ = false;
    if (openCount_ > 0)
        --openCount_;
}

void ProfileManager::Append(const std::filesystem::path& file) {
    rows_.push_back({Shown(file.stem()), FolderColumn(file.parent_path()), file, -1});
    applyEnabled_ = true;
}

void ProfileManager::AddNew() {
    EnsureUserDataFolder();
    // The proposed name is the language's "\New profile", a name inside the data folder.
    std::u16string name(ui::TextOf(ui::TextKey::PROFILE_NEW));
    while (!name.empty() && (name.front() == u'\\' || name.front() == u'/'))
        name.erase(0, 1);
    const auto path =
        prompts_.ChooseFile(ProfileFileChoice(true, Shown(UserDataFolder() / ui::ToUtf8(name))));
    if (!path)
        return;
    int error = 0;
    if (CreateDefaultProfile(*path, 0, false, &error) != 1) {
        // A row for a file that is not there would offer a profile that does not exist.
        const std::u16string shown = Shown(*path);
        const std::u16string reason = ui::FromUtf8(DescribeFileError(error));
        prompts_.Inform(ui::FormatText(ui::TextOf(ui::TextKey::PROFILE_EXPORT_ERROR),
                                       {std::u16string_view(shown), std::u16string_view(reason)}),
                        ui::MessageKind::Plain);
        return;
    }
    Append(*path);
}

void ProfileManager::Load() {
    EnsureUserDataFolder();
    if (const auto path = prompts_.ChooseFile(ProfileFileChoice(false, u"*.bvx")))
        Append(*path);
}

int ProfileManager::Delete(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return -1;
    rows_.erase(rows_.begin() + row);
    if (checked_ == row)
        checked_ = -1;
    else if (checked_ > row)
        --checked_;
    applyEnabled_ = true;
    const int count = static_cast<int>(rows_.size());
    return count == 0 ? -1 : std::min(row, count - 1);
}

bool ProfileManager::ChecksChanged(const std::vector<bool>& shown) {
    const int count = static_cast<int>(std::min(shown.size(), rows_.size()));
    for (int r = 0; r < count; ++r) {
        if (!shown[r] || r == checked_)
            continue;
        if (rows_[r].onBoard < 0)
            return false; // refused: the list shows the previous check again
        checked_ = r;
        applyEnabled_ = true;
        return true;
    }
    if (checked_ >= 0 && (checked_ >= count || !shown[checked_])) {
        checked_ = -1;
        applyEnabled_ = true;
        return true;
    }
    return false;
}

void ProfileManager::Apply() {
    for (size_t r = 0; r < rows_.size(); ++r)
        settings_.WriteProfileString(kSection, SettingsKey(r + 1), Shown(rows_[r].file));
    settings_.WriteProfileString(kSection, SettingsKey(0),
                                 ui::FromUtf8(std::to_string(rows_.size())));

    // The store is rebuilt from the keyboard below: edits not yet applied would be lost
    // without a word.
    if (view_.ApplyPending() && prompts_.AskYesNo(ui::TextOf(ui::TextKey::PROFILE_SELECT_PROMPT))) {
        session_.ApplyChanges();
        if (view_.ApplyPending())
            return; // not saved: nothing is switched, the choice stays to be applied
    }
    SetCurrentProfile(checked_ >= 0 ? rows_[checked_].onBoard : kUnknownProfile);
    session_.ReloadProfileFromKeyboard(false);
    view_.RebuildProfileMenu();
    applyEnabled_ = false;
    view_.SetApplyPending(false);
}

void ProfileManager::Ok() {
    Apply();
    Close();
}

void ProfileManager::Switched(int profile) {
    if (openCount_ == 0)
        return;
    checked_ = -1;
    for (size_t r = 0; r < rows_.size(); ++r)
        if (rows_[r].onBoard == profile)
            checked_ = static_cast<int>(r);
    applyEnabled_ = false;
}

} // namespace profiles
