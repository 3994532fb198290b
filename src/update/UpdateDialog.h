#pragma once

// The firmware update: a hand-over. The user picks an updater program, may back up the
// profile store to a profile file first, and Update starts the updater and puts the
// keyboard into its boot loader, in that order, so that the keyboard only leaves for its
// boot loader when a program to update it really runs.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace ui {
class Prompts;
}

namespace update {

// What the window shows for the model.
class UpdateView {
public:
    virtual ~UpdateView() = default;
    virtual void ShowPath(std::u16string_view path) = 0;
    // Ends the dialog (as its Cancel does).
    virtual void CloseDialog() = 0;
};

// The two steps of the hand-over.
struct HandOver {
    // The keyboard's boot-loader command: 1 sent.
    std::function<int32_t()> enterBootLoader;
    // Starts the program on its own, not as a child that ends with this one; true only
    // once the program really runs.
    std::function<bool(const std::filesystem::path&)> startDetached;
};

// A regular file (links followed) that this user may execute.
bool IsRunnableFile(const std::filesystem::path& path);

// The question before an update when no backup was made in this opening of the dialog:
// "MAIN_UPDATE_BACKUP_ASK" of the window texts, an English one when the file lacks it.
std::u16string BackupQuestion(const std::filesystem::path& languageFile);

class UpdateDialog {
public:
    UpdateDialog(ui::Prompts& prompts, UpdateView& view, HandOver handOver,
                 std::filesystem::path packageFolder, std::filesystem::path languageFile)
        : prompts_(prompts), view_(view), handOver_(std::move(handOver)),
          packageFolder_(std::move(packageFolder)), languageFile_(std::move(languageFile)) {}

    // A new opening: the chosen path is shown again; no backup made yet.
    void Opened();

    // Open: choose the updater (all files offered, starting in the package folder). The
    // package folder becomes the current directory whatever the answer; a cancelled choice
    // forgets an earlier one.
    void Open();
    // Update: the chosen file must exist and be executable (else MAIN_UPDATE_ERROR_TEXT).
    // Without a backup in this opening, asks whether to make one: Yes runs Backup, and
    // the update goes on only when it was done. Then the updater is started (the path is
    // forgotten; failing: MAIN_SHELL_ERROR_TEXT, the keyboard untouched), the boot-loader
    // command sent (failing: MAIN_BOOT_ERROR_TEXT) and the dialog closed.
    void Update();
    // Cancel update: forget the path and close.
    void CancelUpdate();
    // Backup: the store saved to a file the user picks. Done (MAIN_UPDATE_BACKUP_OK) only
    // when the written file validates and reads back as the store; otherwise
    // MAIN_UPDATE_BACKUP_NG. Returns whether it was done; a cancelled choice says nothing.
    bool Backup();

    const std::filesystem::path& Path() const { return path_; }
    bool BackupDone() const { return backupDone_; }

private:
    void SetPath(std::filesystem::path path);

    ui::Prompts& prompts_;
    UpdateView& view_;
    HandOver handOver_;
    std::filesystem::path packageFolder_;
    std::filesystem::path languageFile_;
    std::filesystem::path path_;
    bool backupDone_ = false;
};

} // namespace update
