#include "app/CTrayIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QStyleHints>
#include <QSystemTrayIcon>

#include "app/AppIcons.h"
#include "ui/SkinPalette.h"

namespace app {

namespace {

TrayClicks::Host DetectHost() {
    // Qt shows the icon through a StatusNotifierItem whenever a watcher is on the bus.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface() &&
        bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")))
        return TrayClicks::Host::StatusNotifier;
    return TrayClicks::Host::XEmbed;
}

QString ToQString(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

} // namespace

CTrayIcon::CTrayIcon(std::filesystem::path languageFile, QObject* parent)
    : QObject(parent), languageFile_(std::move(languageFile)), clicks_(DetectHost()) {
    clickTimer_.setSingleShot(true);
    connect(&clickTimer_, &QTimer::timeout, this, [this] {
        if (clicks_.ClickTimeout() && singleClickCommand_)
            Run(singleClickCommand_);
    });
}

CTrayIcon::~CTrayIcon() {
    Remove();
}

bool CTrayIcon::Create(QWidget* owner, const QString& tooltip, int icon) {
    if (!owner || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    menu_ = std::make_unique<QMenu>();
    ui::ApplySkinPalette(*menu_);
    for (const MenuRow& row : kTrayMenu) {
        QAction* action = menu_->addAction(QString());
        const uint32_t command = row.command;
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    }
    menu_->setDefaultAction(menu_->actions().value(0));
    connect(menu_.get(), &QMenu::aboutToShow, this, &CTrayIcon::Relabel);
    Relabel();

    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setContextMenu(menu_.get());
    tray_->setToolTip(tooltip);
    icon_ = icon;
    tray_->setIcon(AppIcon(icon));
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(reason); });
    tray_->show();
    added_ = true;
    hidden_ = false;
    return true;
}

void CTrayIcon::SetIcon(int icon) {
    QMetaObject::invokeMethod(
        this,
        [this, icon] {
            if (!added_ || !tray_)
                return;
            icon_ = icon;
            tray_->setIcon(AppIcon(icon));
        },
        Qt::AutoConnection);
}

void CTrayIcon::SetTooltip(const QString& tooltip) {
    if (tray_)
        tray_->setToolTip(tooltip.left(127));
}

void CTrayIcon::Remove() {
    if (tray_)
        tray_->hide();
    tray_.reset();
    added_ = false;
}

void CTrayIcon::Hide() {
    if (added_ && !hidden_ && tray_) {
        tray_->hide();
        hidden_ = true;
    }
}

void CTrayIcon::Show() {
    if (added_ && hidden_ && tray_) {
        tray_->show();
        hidden_ = false;
    }
}

void CTrayIcon::Relabel() {
    if (!menu_)
        return;
    const auto labels = MenuLabels(kTrayMenu, languageFile_);
    const auto actions = menu_->actions();
    for (int i = 0; i < actions.size() && i < static_cast<int>(labels.size()); ++i)
        actions[i]->setText(ToQString(labels[i]));
}

void CTrayIcon::OnActivated(int reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (const uint32_t command = clicks_.LeftClick())
            Run(command);
        else if (clicks_.clickPending() && singleClickCommand_)
            clickTimer_.start(QGuiApplication::styleHints()->mouseDoubleClickInterval());
        break;
    case QSystemTrayIcon::DoubleClick:
        clickTimer_.stop();
        Run(clicks_.DoubleClick());
        break;
    case QSystemTrayIcon::MiddleClick:
        if (const uint32_t command = clicks_.MiddleClick())
            Run(command == kCmdProfileMenu ? singleClickCommand_ : command);
        break;
    default: // the context menu is shown by the tray itself
        break;
    }
}

void CTrayIcon::Run(uint32_t command) {
    if (command)
        emit CommandChosen(command);
}

} // namespace app
