#include "app/CTrayIcon.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <functional>
#include <xcb/xcb.h>

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

// Sees a notification-area host arrive. Over XEmbed a host that takes the system tray
// selection announces it with a MANAGER client message on the root window, whose structure
// events Qt already receives: the watch costs no wake-up of its own. Qt puts a shown icon
// into the new host by itself; the watch only tells the window.
class CTrayIcon::HostWatch : public QAbstractNativeEventFilter {
public:
    static std::unique_ptr<HostWatch> Create(std::function<void()> arrived) {
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11 || !x11->connection())
            return nullptr;
        xcb_connection_t* c = x11->connection();
        constexpr char kName[] = "MANAGER";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kName - 1, kName), nullptr);
        if (!reply)
            return nullptr;
        const xcb_atom_t manager = reply->atom;
        free(reply);
        return std::unique_ptr<HostWatch>(new HostWatch(manager, std::move(arrived)));
    }
    ~HostWatch() override {
        if (qApp)
            qApp->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
            return false;
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->type == manager_)
            // Looked at once Qt itself has handled the message and found the host.
            QMetaObject::invokeMethod(qApp, arrived_, Qt::QueuedConnection);
        return false;
    }

private:
    HostWatch(xcb_atom_t manager, std::function<void()> arrived)
        : manager_(manager), arrived_(std::move(arrived)) {
        qApp->installNativeEventFilter(this);
    }

    xcb_atom_t manager_;
    std::function<void()> arrived_;
};

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
    if (!owner)
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
    hostPresent_ = QSystemTrayIcon::isSystemTrayAvailable();
    if (!watch_)
        watch_ = HostWatch::Create([self = QPointer<CTrayIcon>(this)] {
            if (self)
                self->CheckHost();
        });
    return true;
}

void CTrayIcon::CheckHost() {
    const bool present = QSystemTrayIcon::isSystemTrayAvailable();
    if (present != hostPresent_) {
        hostPresent_ = present;
        emit HostChanged(present);
    }
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
