#include "update/UpdateDialog.h"

#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "profiles/Paths.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "ui/IniFile.h"
#include "ui/Language.h"
#include "ui/Prompts.h"
#include "ui/TextTable.h"
#include "ui/Utf.h"

namespace update {

namespace {

std::u16string Shown(const std::filesystem::path& path) {
    return ui::FromUtf8(path.native());
}

void Tell(ui::Prompts& prompts, ui::TextKey key) {
    prompts.Inform(ui::TextOf(key), ui::MessageKind::Plain);
}

} // namespace

bool IsRunnableFile(const std::filesystem::path& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::u16string BackupQuestion(const std::filesystem::path& languageFile) {
    const auto text =
        ui::FindPrivateProfileString(ui::WindowTextSection(languageFile), u"MAIN_UPDATE_BACKUP_ASK",
                                     ui::kLanguageReadBuffer, languageFile);
    if (text && !text->empty())
        return *text;
    return u"No backup of your profiles was made. Back them up before the update?";
}

void UpdateDialog::SetPath(std::filesystem::path path) {
    path_ = std::move(path);
    view_.ShowPath(Shown(path_));
}

void UpdateDialog::Opened() {
    backupDone_ = false;
    view_.ShowPath(Shown(path_));
}

void UpdateDialog::Open() {
    // On Linux an updater is any executable file, whatever its name: all files are offered.
    const auto chosen = prompts_.ChooseFile(ui::FileChoice{
        .save = false,
        .confirmOverwrite = false,
        .hideReadOnly = true,
        .defaultExtension = {},
        .initialName = {},
        .filter = u"(*)|*||",
        .directory = packageFolder_,
    });
    std::error_code ignored;
    std::filesystem::current_path(packageFolder_, ignored);
    SetPath(chosen ? *chosen : std::filesystem::path());
}

void UpdateDialog::Update() {
    std::error_code error;
    if (path_.empty() || !std::filesystem::exists(path_, error) || !IsRunnableFile(path_)) {
        Tell(prompts_, ui::TextKey::MAIN_UPDATE_ERROR_TEXT);
        return;
    }
    if (!backupDone_ && prompts_.AskYesNo(BackupQuestion(languageFile_)) && !Backup())
        return; // a backup asked for and not made: nothing is handed over
    // The updater first: a keyboard sent into its boot loader with no updater to take it
    // stays there. An updater that runs finds the boot loader a moment later.
    const bool started = handOver_.startDetached && handOver_.startDetached(path_);
    SetPath({});
    if (!started) {
        Tell(prompts_, ui::TextKey::MAIN_SHELL_ERROR_TEXT);
        return;
    }
    if (!handOver_.enterBootLoader || handOver_.enterBootLoader() != 1) {
        Tell(prompts_, ui::TextKey::MAIN_BOOT_ERROR_TEXT);
        return;
    }
    view_.CloseDialog();
}

void UpdateDialog::CancelUpdate() {
    SetPath({});
    view_.CloseDialog();
}

bool UpdateDialog::Backup() {
    const auto path = prompts_.ChooseFile(ui::FileChoice{
        .save = true,
        .confirmOverwrite = true,
        .hideReadOnly = true,
        .defaultExtension = u"bvx",
        .initialName = u"*.bvx",
        .filter = u"(*.bvx)|*.bvx|(*.*)|*.*||",
        .directory = profiles::UserDataFolder(), // with the profiles, not among the updaters
    });
    if (!path)
        return false;
    bool done = false;
    {
        // The store must not change between the writing and the reading back.
        auto& store = profiles::GetProfileStore();
        std::lock_guard lock(store.lock);
        done = profiles::SaveProfileFile(false, *path) == 1 &&
               profiles::ValidateProfileFile(*path, prompts_) == 1 &&
               profiles::FileHoldsStore(*path);
    }
    Tell(prompts_, done ? ui::TextKey::MAIN_UPDATE_BACKUP_OK : ui::TextKey::MAIN_UPDATE_BACKUP_NG);
    if (done)
        backupDone_ = true;
    return done;
}

} // namespace update
