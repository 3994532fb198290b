#pragma once

// The main window: the skinned keyboard picture, hidden at start, living in the notification
// area, following the keyboard's arrival and departure, and ending only on an explicit exit.

#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/ConnectionThread.h"
#include "app/QtSettings.h"
#include "device/TransportCallback.h"
#include "platform/InstanceLock.h"
#include "ui/CBaseDialog.h"
#include "ui/MainView.h"

class QLabel;
class QMenu;

namespace macros {
class Brisvane_DlgComposite;
}
namespace keys {
class KeyboardView;
class KeyEditor;
} // namespace keys
namespace lighting {
class CLightingPanel;
}
namespace profiles {
class CBrisvane_DlgProfile;
class ProfileSession;
class StoreKeyData;
} // namespace profiles
namespace update {
class CBrisvane_DlgUpdate;
}
namespace ui {
class CPngButton;
class Prompts;
} // namespace ui

namespace app {

class CAboutDlg;
class NodeAccessNotice;
class CTrayIcon;
class MainWindowServer;
class QtKeyPanel;

class CBrisvaneDlg : public ui::CBaseDialog,
                     public device::TransportEvents,
                     public ConnectionSink,
                     public ui::MainView {
    Q_OBJECT
public:
    // Built once the single-instance rule let this start run: instanceLock is the held
    // lock, which Shutdown releases; startHidden is the "/Start" switch.
    CBrisvaneDlg(platform::InstanceLock& instanceLock, bool startHidden);
    ~CBrisvaneDlg() override;

    // Initialises and runs the window's loop until it ends (hidden unless opened).
    int DoModal();

    bool OnInitDialog() override;
    void OnOK() override;   // Enter, OK: apply, then hide
    void reject() override; // Esc, Cancel: hide
    void done(int result) override;

    // A private message from another copy or from a thread; ignored without its tag.
    void HandleMessage(uint32_t message, uint32_t tag);
    void Shutdown();

    // device::TransportEvents (library threads)
    void OnLayerSwitched() override;
    void OnLightingChanged() override;
    void OnMacroPlaying(bool playing) override;
    void OnKeyboardCountChanged(int32_t count) override;

    // ConnectionSink (connection threads)
    void HideWindow() override;
    Reads ReadKeyboard() override;
    void ReportDefaultLayoutFailure() override;
    void RefreshFromKeyboard() override;
    void SetDeviceIcon(int icon) override;
    void PostOpen() override;

    // ui::MainView
    void ResetKeyButton(uint32_t globalEntry) override;
    void RefreshKeyView() override;
    void SetApplyPending(bool pending) override;
    bool ApplyPending() const override;
    void ShowBusy(bool busy) override;
    void RefreshKeyTooltips() override;
    void SetKeyButtonEditing(int buttonId, bool editing) override;
    bool KeyEditorOpen() const override;
    bool ProfileManagerApplyEnabled() const override;
    void ProfileManagerSwitched(int profile) override;
    void RebuildProfileMenu() override;

    // For tests and the end-to-end harness.
    CTrayIcon* Tray() const { return tray_.get(); }
    int ShownIcon() const { return icon_.shown(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnOpen();
    void OnKill();
    void OnInit();
    void OpenWithoutTray();
    void OnProf();
    void OnLed();
    void OnCommand(uint32_t command);

    void LoadPictures();
    void PlaceControls();
    ui::CPngButton* AddButton(int id);
    ui::CPngButton* Button(int id) const;
    void ApplyMainWindowTexts();
    // The key assignment dialog for a key or special button; -1 when none opens.
    int OpenKeyEditor(int buttonId);
    void LatchProfileButton(int profile);
    void RebuildProfileMenu(bool create);
    void ShowProfileMenu();
    void ShowWindowMenu();
    void ProfileButton(int profile);
    void SelectLanguage(uint16_t language);
    void OpenHelp();
    void OpenAbout();
    void OpenProfileManager();
    void OpenUpdate();
    void AnimationTick();
    void CloseNestedWindows();
    void ReleaseStore();

    // Runs fn on the window's thread; blocking waits until it has run.
    void OnUi(std::function<void()> fn, bool blocking);

    platform::InstanceLock& instanceLock_;
    const bool startHidden_;
    std::unique_ptr<ui::Prompts> prompts_;
    std::unique_ptr<profiles::ProfileSession> session_;
    QtSettings settings_;
    std::unique_ptr<QtKeyPanel> keyPanel_;
    std::unique_ptr<profiles::StoreKeyData> keyData_;
    std::unique_ptr<keys::KeyEditor> keyEditorLink_;
    std::unique_ptr<keys::KeyboardView> keyView_;
    std::unique_ptr<lighting::CLightingPanel> lighting_;
    std::unique_ptr<CTrayIcon> tray_;
    std::unique_ptr<NodeAccessNotice> accessNotice_;
    std::unique_ptr<MainWindowServer> server_;
    std::unique_ptr<CAboutDlg> about_;
    std::unique_ptr<macros::Brisvane_DlgComposite> keyEditor_;
    std::unique_ptr<profiles::CBrisvane_DlgProfile> profileManager_;
    std::unique_ptr<update::CBrisvane_DlgUpdate> update_;
    std::unique_ptr<QMenu> profileMenu_;
    IconState icon_;
    QEventLoop loop_;
    bool looping_ = false;
    bool applyPending_ = false;
    std::atomic<bool> closing_{false};
    std::atomic<int> connectionThreads_{0};

    struct Pictures {
        const QImage* normal = nullptr;
        const QImage* over = nullptr;
        const QImage* down = nullptr;
        const QImage* disable = nullptr;
        const QImage* arrow = nullptr;
        const QImage* color0 = nullptr;
        const QImage* color1 = nullptr;
    } pictures_;
    std::vector<std::pair<int, ui::CPngButton*>> buttons_;
    QString linkTarget_;
    QLabel* busyPicture_ = nullptr;
    std::vector<QImage> busyFrames_;
    int busyFrame_ = 0;
    // How long a start with "/Start" waits for a notification-area host before it opens
    // the window: long enough for a panel that comes up after the autostart entries at a
    // slow login, short enough that on a desktop without any host the window comes while
    // the user is still settling in rather than in the middle of their work.
    static constexpr std::chrono::milliseconds kTrayHostWait{12000};
    QTimer trayWait_;
    QTimer timer1050_;
    QTimer timer1051_;
};

} // namespace app
