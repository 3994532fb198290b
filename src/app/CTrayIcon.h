#pragma once

// The notification-area icon, its menu and its clicks.

#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "app/Menus.h"

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace app {

class CTrayIcon : public QObject {
    Q_OBJECT
public:
    explicit CTrayIcon(std::filesystem::path languageFile, QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Fails, adding nothing, without an owner window. Without a notification-area host the
    // icon is added all the same and shows as soon as one appears.
    bool Create(QWidget* owner, const QString& tooltip, int icon);
    // A host shows the icon now.
    bool HostPresent() const { return hostPresent_; }
    // Whether a host's arrival can be seen (an X11 desktop); elsewhere none is awaited.
    bool WatchesHost() const { return watch_ != nullptr; }
    // Safe from any thread: the change is made on the icon's own thread.
    void SetIcon(int icon);
    void SetTooltip(const QString& tooltip);
    void Remove();
    void Hide();
    void Show();
    void SetSingleClickCommand(uint32_t command) { singleClickCommand_ = command; }

    bool added() const { return added_; }
    bool hidden() const { return hidden_; }
    int icon() const { return icon_; }
    TrayClicks::Host host() const { return clicks_.host(); }

signals:
    // A menu item or a click chose a command for the main window.
    void CommandChosen(uint32_t command);
    // Looked at whenever a host announces itself (Qt puts the icon into it): whether one
    // shows the icon now, when that changed.
    void HostChanged(bool present);

private:
    class HostWatch;

    void Relabel();
    void CheckHost();
    void OnActivated(int reason);
    void Run(uint32_t command);

    std::filesystem::path languageFile_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<HostWatch> watch_;
    TrayClicks clicks_;
    QTimer clickTimer_;
    uint32_t singleClickCommand_ = 0;
    bool added_ = false;
    bool hidden_ = false;
    bool hostPresent_ = false;
    int icon_ = 0;
};

} // namespace app
