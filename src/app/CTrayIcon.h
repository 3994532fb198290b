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

    // Fails, adding nothing, without an owner window or a notification area to show in.
    bool Create(QWidget* owner, const QString& tooltip, int icon);
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

private:
    void Relabel();
    void OnActivated(int reason);
    void Run(uint32_t command);

    std::filesystem::path languageFile_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QMenu> menu_;
    TrayClicks clicks_;
    QTimer clickTimer_;
    uint32_t singleClickCommand_ = 0;
    bool added_ = false;
    bool hidden_ = false;
    int icon_ = 0;
};

} // namespace app
