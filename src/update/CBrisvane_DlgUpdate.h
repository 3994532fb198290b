#pragma once

// The firmware update's window: a skinned dialog over UpdateDialog. It places the path field
// and its four buttons from Skins/UpdateDlg.ini and forwards the clicks to the model.

#include <filesystem>
#include <map>

#include "ui/CBaseDialog.h"
#include "update/UpdateDialog.h"

class QComboBox;

namespace ui {
class CPngButton;
class ColorStatic;
class Prompts;
} // namespace ui

namespace update {

// Where the dialog finds its files.
struct UpdateDialogFiles {
    std::filesystem::path layout;        // Skins/UpdateDlg.ini
    std::filesystem::path skinFolder;    // Skins
    std::filesystem::path languageFile;  // Skins/language.ini
    std::filesystem::path packageFolder; // Package
};

class CBrisvane_DlgUpdate : public ui::CBaseDialog, private UpdateView {
    Q_OBJECT
public:
    enum Id : int {
        kUpdate = 1147,
        kCombo = 1178,
        kPath = 1179,
        kCancelUpdate = 1180,
        kOpen = 1181,
        kBackup = 1182,
    };

    // enterBootLoader: the keyboard's boot-loader command (1 sent).
    CBrisvane_DlgUpdate(QWidget* parent, ui::Prompts& prompts, UpdateDialogFiles files,
                        std::function<int32_t()> enterBootLoader);

    int Open();
    // At exit: an open dialog is cancelled. Always true.
    bool CloseIfOpen();

    bool OnInitDialog() override;

    // For tests.
    UpdateDialog& Model() { return model_; }
    ui::CPngButton* Button(int id) const;
    QString ShownPath() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowPath(std::u16string_view path) override;
    void CloseDialog() override;

    UpdateDialogFiles files_;
    UpdateDialog model_;
    std::map<int, ui::CPngButton*> buttons_;
    ui::ColorStatic* path_ = nullptr;
    QComboBox* combo_ = nullptr;
};

} // namespace update
