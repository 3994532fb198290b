#pragma once

// The profile manager's window: a skinned dialog over ProfileManager. It places its list and
// buttons from Skins/Profile.ini, forwards clicks and check changes to the model and shows
// its rows, its check and the state of Apply.

#include <QImage>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "profiles/ProfileManager.h"
#include "ui/CBaseDialog.h"

class QGraphicsOpacityEffect;

namespace ui {
class CPngButton;
class CReportCtrl;
} // namespace ui

namespace profiles {

// Where the dialog finds its files.
struct ProfileDialogFiles {
    std::filesystem::path layout;       // Skins/Profile.ini
    std::filesystem::path skinFolder;   // Skins
    std::filesystem::path languageFile; // Skins/language.ini
    std::filesystem::path helpPage;     // Help/index.html
};

class CBrisvane_DlgProfile : public ui::CBaseDialog {
    Q_OBJECT
public:
    enum Id : int {
        kOk = 1,
        kCancel = 2,
        kList = 1007,
        kLoad = 1008,
        kAdd = 1010,
        kDelete = 1011,
        kApply = 1012,
    };

    // profileName gives the shown name of on-board profile 0..2 in the window language.
    CBrisvane_DlgProfile(QWidget* parent, ProfileManager::Parts parts, ProfileDialogFiles files,
                         std::function<std::u16string(int)> profileName);

    // Runs the dialog modally.
    int Open();
    // At exit: an open dialog is closed as Cancel does. Always true.
    bool CloseIfOpen();
    bool ApplyEnabled() const { return model_.ApplyEnabled(); }
    // A switch made elsewhere: that profile's row is checked, Apply disabled.
    void Switched(int profile);

    bool OnInitDialog() override;
    void OnOK() override;
    void reject() override;

    // For tests.
    ProfileManager& Model() { return model_; }
    ui::CReportCtrl* List() const { return list_; }
    ui::CPngButton* Button(int id) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowRows(int select = -1);
    void ShowChecks();
    void ListChecksChanged();
    void ApplyTexts();

    ProfileManager model_;
    ProfileDialogFiles files_;
    std::function<std::u16string(int)> profileName_;
    std::map<int, ui::CPngButton*> buttons_;
    ui::CReportCtrl* list_ = nullptr;
    QGraphicsOpacityEffect* applyFade_ = nullptr;
    bool syncing_ = false;       // the list shows the model: its changes are not the user's
    bool checksPending_ = false; // a user's check change waits to be read whole
};

} // namespace profiles
